#include "scoreserver/http_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

#include "scoreserver/score_intake.h"
#include "scoreserver/score_json.h"
#include "scoreserver/score_pages.h"
#include "scoreserver/upload_query.h"
#include "scoreserver/web_logo.h"

namespace scoreserver {

namespace {

constexpr std::string_view kUploadPath = "/cgi-bin/hiscore.cgi";
// Rows shown above and below a published score.
constexpr std::int64_t kRowsAround = 3;

// What one request carries between libmicrohttpd's calls: the raw address, kept before
// libmicrohttpd decodes its arguments (it would turn '+' into a space, where the upload
// means a plus sign), and a POST's body.
struct RequestState {
    std::string uri;
    std::string body;
    bool started = false;
};

void* keepUri(void*, const char* uri, MHD_Connection*) {
    return new RequestState{uri, {}, false};
}

// A request is over (answered or not): the connection's next one has its own time.
void forgetUri(void* cls, MHD_Connection* connection, void** requestState,
               MHD_RequestTerminationCode) {
    delete static_cast<RequestState*>(*requestState);
    *requestState = nullptr;
    static_cast<HttpServer*>(cls)->deadlines().answered(connection);
}

void noteConnection(void* cls, MHD_Connection* connection, void**,
                    MHD_ConnectionNotificationCode code) {
    ConnectionDeadlines& deadlines = static_cast<HttpServer*>(cls)->deadlines();
    if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        deadlines.closed(connection);
        return;
    }
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (info != nullptr) deadlines.opened(connection, info->connect_fd);
}

// The value of `key` in a decoded-by-us query, empty when absent or broken.
std::string queryValue(std::string_view query, std::string_view key) {
    for (const QueryPair& pair : splitQuery(query)) {
        if (!pair.hasEquals || pair.key != key) continue;
        std::string value;
        return percentDecode(pair.value, value) ? value : std::string();
    }
    return {};
}

// The accepted upload query with every byte but A-Z a-z 0-9 - . _ ~ & = % + as %XX: the
// same query to parseUploadQuery, and safe in a form's action address.
std::string canonicalQuery(std::string_view query) { return percentEncode(query, "&=%+"); }

// A count as plain decimal digits up to 10^9; `fallback` when empty, nothing when broken.
std::optional<std::int64_t> parseCount(std::string_view text, std::int64_t fallback) {
    if (text.empty()) return fallback;
    if (text.size() > 9) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string clientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr) return {};
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr* address = info->client_addr;
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                  sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                  sizeof text);
    return text;
}

MHD_Result respond(MHD_Connection* connection, const HttpServer::Answer& answer) {
    MHD_Response* response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    const std::string type(answer.contentType);
    MHD_add_response_header(response, "Content-Type", type.c_str());
    // The logo changes only with a new program; every other answer is never cached.
    MHD_add_response_header(
        response, "Cache-Control",
        answer.contentType == "image/png" ? "public, max-age=604800" : "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Content-Security-Policy",
                            "default-src 'none'; style-src 'unsafe-inline'; img-src 'self'; "
                            "form-action 'self'");
    if (answer.retryAfter != 0)
        MHD_add_response_header(response, "Retry-After", std::to_string(answer.retryAfter).c_str());
    const MHD_Result queued = MHD_queue_response(connection, answer.status, response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result handle(void* cls, MHD_Connection* connection, const char*, const char* method,
                  const char*, const char* uploadData, std::size_t* uploadSize,
                  void** requestState) {
    auto* server = static_cast<HttpServer*>(cls);
    auto* state = static_cast<RequestState*>(*requestState);
    if (state == nullptr) return MHD_NO;
    const bool post = std::strcmp(method, "POST") == 0;
    if (!state->started) {
        state->started = true;
        if (post) {
            // A body announced over the cap is refused before any of it is read.
            const char* length =
                MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
            if (length != nullptr && (std::strlen(length) > 6 || std::strtoul(length, nullptr, 10) >
                                                                     HttpServer::kMaxFormBytes))
                return respond(connection,
                               {413, messagePage("Too long", "The request's body is too long.")});
        }
        // Answered from the next call on: libmicrohttpd closes the connection after an answer
        // queued in the first call, and a client could not reuse it for its next request.
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        // Only a POST has a body, and only up to the cap; past it the connection is dropped.
        if (!post || state->body.size() + *uploadSize > HttpServer::kMaxFormBytes) return MHD_NO;
        state->body.append(uploadData, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    HttpServer::Answer answer{405, messagePage("Not served", "Only GET and POST are served.")};
    if (post || std::strcmp(method, "GET") == 0 || std::strcmp(method, "HEAD") == 0) {
        const std::size_t mark = state->uri.find('?');
        HttpServer::Request request;
        request.method = post ? "POST" : method;
        request.path = state->uri.substr(0, mark);
        if (mark != std::string::npos) request.query = state->uri.substr(mark + 1);
        request.body = std::move(state->body);
        request.client = clientAddress(connection);
        try {
            answer = server->answer(request);
        } catch (const StoreError&) {
            answer = {503, messagePage("Not available", "The hall of fame is not available now.")};
        } catch (const std::runtime_error&) {
            answer = {503, messagePage("Not available", "Please try again later.")};
        }
    }
    return respond(connection, answer);
}

}  // namespace

HttpServer::HttpServer(ScoreStore& store, std::function<std::int64_t()> now, ServerLimits limits)
    : store_(store),
      limits_(limits),
      now_(std::move(now)),
      uploadLimit_(limits.uploadsPerMinute, limits.uploadsPerMinute),
      pageLimit_(limits.pagesPerMinute, limits.pagesPerMinute),
      deadlines_(std::chrono::seconds(std::max(limits.requestSeconds, 1))) {}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::start(const std::string& address, std::uint16_t port) {
    if (daemon_ != nullptr) return false;
    sockaddr_in bind{};
    bind.sin_family = AF_INET;
    bind.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &bind.sin_addr) != 1) return false;
    // A pool of threads, each polling its share of the connections with epoll and answering
    // them, so that a request waiting for a commit holds up only that thread's others.
    // The connection limit is shared out among the threads; the one per address is global.
    const auto threads = static_cast<unsigned>(std::max(limits_.threads, 1));
    daemon_ = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG, port, nullptr, nullptr,
        &handle, this, MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&bind),
        MHD_OPTION_URI_LOG_CALLBACK, &keepUri, nullptr, MHD_OPTION_NOTIFY_COMPLETED, &forgetUri,
        this, MHD_OPTION_NOTIFY_CONNECTION, &noteConnection, this, MHD_OPTION_THREAD_POOL_SIZE,
        threads,
        // An upload's request line is at most some 20 KB: room for it and the headers.
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<std::size_t>(64 * 1024),
        MHD_OPTION_CONNECTION_LIMIT,
        std::max(static_cast<unsigned>(std::max(limits_.connections, 1)), threads),
        MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        static_cast<unsigned>(std::max(limits_.connectionsPerAddress, 1)),
        MHD_OPTION_CONNECTION_TIMEOUT, 15u, MHD_OPTION_END);
    if (daemon_ != nullptr) deadlines_.start();
    return daemon_ != nullptr;
}

void HttpServer::stop() {
    if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
    deadlines_.stop();
}

std::uint16_t HttpServer::port() const {
    if (daemon_ == nullptr) return 0;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

unsigned HttpServer::openConnections() const {
    if (daemon_ == nullptr) return 0;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
    return info != nullptr ? info->num_connections : 0;
}

HttpServer::Answer HttpServer::answer(const Request& request) {
    const bool post = request.method == "POST";
    const bool upload = request.path == kUploadPath;
    const std::int64_t wait = (upload ? uploadLimit_ : pageLimit_).take(request.client, now_());
    if (wait != 0)
        return {429u,
                messagePage("Too many requests",
                            "Too many requests from your address. Please "
                            "wait " +
                                std::to_string(wait) + " seconds and try again."),
                "text/html; charset=utf-8", wait};
    if (upload) return post ? publish(request) : preview(request);
    if (post) return {405u, messagePage("Not served", "Only the upload address takes a POST.")};
    if (request.path == kLogoPath) return {200u, std::string(logoPng()), "image/png"};
    if (request.path == "/hiscores") {
        const std::string game = queryValue(request.query, "game");
        const std::optional<std::int64_t> page = parseCount(queryValue(request.query, "page"), 0);
        if (!page || *page > 1000000)
            return {400u, messagePage("Bad page", "There is no such page.")};
        return tablePage(game, *page);
    }
    if (request.path.rfind("/api/", 0) == 0) return api(request);
    if (request.path == "/") return {200u, gamesPage(gameSummaries())};
    return {404u, messagePage("Not found", "There is no such page here.")};
}

HttpServer::Answer HttpServer::tablePage(const std::string& game, std::int64_t page) {
    // The version is read before the tables: a page kept under it is at least that new.
    const std::optional<std::uint64_t> version = store_.version();
    const std::pair<std::string, std::int64_t> key(game, page);
    if (version) {
        std::lock_guard lock(cacheMutex_);
        const auto found = pageCache_.find(key);
        if (found != pageCache_.end() && found->second.version == *version)
            return {200u, found->second.body};
    }
    const std::int64_t total = store_.count(game);
    if (total == 0) return {404u, messagePage("Not found", "No such hall of fame.")};
    Answer answer{200u,
                  scoreserver::tablePage(game, store_.page(game, page * kRowsPerPage, kRowsPerPage),
                                         page, total)};
    if (version) {
        std::lock_guard lock(cacheMutex_);
        if (pageCache_.size() >= kCachedPages && pageCache_.count(key) == 0) pageCache_.clear();
        pageCache_[key] = CachedPage{*version, answer.body};
    }
    return answer;
}

std::vector<GameSummary> HttpServer::gameSummaries() {
    std::vector<GameSummary> games;
    for (std::string& name : store_.games()) {
        const std::int64_t scores = store_.count(name);
        games.push_back({std::move(name), scores});
    }
    return games;
}

HttpServer::Answer HttpServer::api(const Request& request) {
    constexpr std::string_view json = "application/json; charset=utf-8";
    if (request.path == "/api/games") return {200u, gamesJson(gameSummaries()), json};
    // /api/games/<game>/scores, the game's name percent-encoded.
    constexpr std::string_view prefix = "/api/games/";
    constexpr std::string_view suffix = "/scores";
    const std::string_view path = request.path;
    std::string game;
    if (path.size() <= prefix.size() + suffix.size() || path.rfind(prefix, 0) != 0 ||
        path.substr(path.size() - suffix.size()) != suffix ||
        !percentDecode(path.substr(prefix.size(), path.size() - prefix.size() - suffix.size()),
                       game))
        return {404u, errorJson("There is no such address."), json};
    const std::optional<std::int64_t> offset = parseCount(queryValue(request.query, "offset"), 0);
    const std::optional<std::int64_t> limit =
        parseCount(queryValue(request.query, "limit"), kMaxApiRows);
    if (!offset || !limit || *limit == 0)
        return {400u, errorJson("offset and limit are counts; limit is at least 1."), json};
    const int rows = static_cast<int>(std::min<std::int64_t>(*limit, kMaxApiRows));
    const std::int64_t total = store_.count(game);
    if (total == 0) return {404u, errorJson("No such hall of fame."), json};
    return {200u, scoresJson(game, total, *offset, rows, store_.page(game, *offset, rows)), json};
}

HttpServer::Answer HttpServer::preview(const Request& request) {
    const CheckedUpload checked = checkUpload(request.query, now_());
    if (!checked.accepted) return {400u, messagePage("Score refused", checked.message)};
    const std::string token = tokens_.issue(request.client, now_());
    return {200u,
            previewPage(checked.score,
                        std::string(kUploadPath) + "?" + canonicalQuery(request.query), token)};
}

HttpServer::Answer HttpServer::publish(const Request& request) {
    const std::int64_t now = now_();
    const CheckedUpload checked = checkUpload(request.query, now);
    if (!checked.accepted) return {400u, messagePage("Score refused", checked.message)};
    const std::string token = queryValue(request.body, "token");
    if (token.empty())
        return {400u, messagePage("Not published",
                                  "The Publish button's token is missing. Open the upload "
                                  "address again.")};
    if (!tokens_.consume(token, request.client, now))
        return {403u, messagePage("Not published",
                                  "This Publish button was used already, has expired or was not "
                                  "given to you. Open the upload address again.")};
    const NewScore& score = checked.score;
    const bool duplicate = store_.add(score) == AddOutcome::Duplicate;
    const std::int64_t rank = store_.rankOf(score.game, score.score);
    const std::int64_t first = std::max<std::int64_t>(0, rank - 1 - kRowsAround);
    const std::vector<TableRow> rows =
        store_.page(score.game, first, static_cast<int>(rank - 1 - first + 1 + kRowsAround));
    return {200u, publishedPage(score, duplicate, rank, rows)};
}

}  // namespace scoreserver
