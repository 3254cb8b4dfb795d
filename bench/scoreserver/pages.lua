-- wrk script: pages of the table picked at random from the first PAGES (an environment
-- variable; 1000 pages hold 100,000 rows), as visitors browsing the whole table would.
function init(args)
    pages = tonumber(os.getenv("PAGES") or "1000")
    math.randomseed(os.time() + (id or 0))
end

function request()
    return wrk.format("GET", "/hiscores?game=Tintaro&page=" .. math.random(0, pages - 1))
end
