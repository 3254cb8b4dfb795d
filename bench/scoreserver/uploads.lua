-- wrk script: verified uploads as the menu's browser makes them. Each upload is a GET of the
-- upload address (the preview, which hands this client a one-time token in its form) and
-- then a POST of that form; the POST publishes the score. The uploads are distinct played
-- games, one query a line, from the file in UPLOADS_FILE, shared out among wrk's threads.
-- A thread's connections share its queue of forms: a token belongs to the client address,
-- not to a connection. wrk counts both kinds of request; done() reports the POSTs apart.

local threads = {}
local counter = 0

function setup(thread)
    thread:set("id", counter)
    counter = counter + 1
    table.insert(threads, thread)
end

function init(args)
    uploads = {}
    local every = tonumber(os.getenv("WRK_THREADS"))
    local i = 0
    for line in io.lines(os.getenv("UPLOADS_FILE")) do
        if i % every == id then table.insert(uploads, line) end
        i = i + 1
    end
    nextUpload = 1
    forms = {}
    posts, previews, published, duplicates, refused, ranOut = 0, 0, 0, 0, 0, 0
    postHeaders = { ["Content-Type"] = "application/x-www-form-urlencoded" }
end

function request()
    local form = table.remove(forms)
    if form then
        posts = posts + 1
        return wrk.format("POST", form.action, postHeaders, "token=" .. form.token)
    end
    local upload = uploads[nextUpload]
    if upload == nil then
        -- Out of distinct games: sent again, these would be duplicates; counted apart.
        ranOut = ranOut + 1
        upload = uploads[1]
    else
        nextUpload = nextUpload + 1
    end
    return wrk.format("GET", "/cgi-bin/hiscore.cgi?" .. upload)
end

function response(status, headers, body)
    if status ~= 200 then
        refused = refused + 1
        return
    end
    local action, token = body:match('<form method="post" action="([^"]*)".-name="token" value="([^"]*)"')
    if action then
        previews = previews + 1
        table.insert(forms, { action = action:gsub("&amp;", "&"), token = token })
    elseif body:find("already", 1, true) then
        duplicates = duplicates + 1
    else
        published = published + 1
    end
end

function done(summary, latency, requests)
    local s, p, d, r, o, v = 0, 0, 0, 0, 0, 0
    for _, thread in ipairs(threads) do
        s = s + thread:get("posts")
        p = p + thread:get("published")
        d = d + thread:get("duplicates")
        r = r + thread:get("refused")
        o = o + thread:get("ranOut")
        v = v + thread:get("previews")
    end
    local seconds = summary.duration / 1e6
    io.write(string.format("previews %d, published %d (%.0f/s), duplicates %d, not 200 %d, " ..
                           "ran out of games %d, posts sent %d\n", v, p, p / seconds, d, r, o, s))
end
