// The score server's HTTP side, on libmicrohttpd: a small C library made to be embedded in
// internet-facing programs, which parses requests itself under hard limits (request memory,
// connections per address, timeouts) and is security-supported in Debian.
//   GET  /cgi-bin/hiscore.cgi?<upload query>  checks an upload and shows what it would
//                                             publish, with a Publish button; stores nothing
//   POST /cgi-bin/hiscore.cgi?<upload query>  with the button's one-time token: checks the
//                                             upload again, stores it and shows its rank
//   GET  /hiscores?game=<game>[&page=<n>]     a page of a game's table, best first
//   GET  /                                    the games that have scores
//   GET  /api/games                           the same as JSON
//   GET  /api/games/<game>/scores[?offset=N&limit=M]  rows of a table as JSON
// A client over its rate gets 429 with Retry-After.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scoreserver/connection_deadlines.h"
#include "scoreserver/publish_tokens.h"
#include "scoreserver/rate_limiter.h"
#include "scoreserver/score_store.h"

struct MHD_Daemon;

namespace scoreserver {

// Requests a minute per client address, each with a burst as large: the upload address
// (GET and POST together), and every other page. Then the threads that answer requests (a
// request waiting for the database holds only its own), the open connections allowed in
// all and from one address, and the time for each request.
struct ServerLimits {
    int uploadsPerMinute = 30;
    int pagesPerMinute = 600;
    int threads = 2;
    int connections = 256;
    int connectionsPerAddress = 8;
    // The time a request may take, from the connection's start or its last answer to the
    // end of its own answer; a client still sending or reading after it is cut off.
    int requestSeconds = 30;
};

class HttpServer {
public:
    // The most bytes of a POST body read; a longer one is refused.
    static constexpr std::size_t kMaxFormBytes = 1024;

    // `now` gives the time uploads are stamped with and limits are counted in, in seconds
    // since 1970.
    HttpServer(ScoreStore& store, std::function<std::int64_t()> now, ServerLimits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on the IPv4 address and port (0 picks a free port); false when it cannot.
    bool start(const std::string& address, std::uint16_t port);
    void stop();
    // The port listened on, once started.
    std::uint16_t port() const;
    // The connections cut because a request took longer than allowed, since the start.
    long connectionsCut() const { return deadlines_.cut(); }
    // The connections accepted and not yet closed; one refused for a limit is not among them.
    unsigned openConnections() const;
    ConnectionDeadlines& deadlines() { return deadlines_; }

    struct Request {
        std::string method;  // GET, HEAD or POST
        std::string path;
        std::string query;   // the raw text after '?'
        std::string body;    // a POST's form, at most kMaxFormBytes
        std::string client;  // the peer's address
    };
    // The answer to one request: status, body and its type.
    struct Answer {
        unsigned status;
        std::string body;
        std::string_view contentType = "text/html; charset=utf-8";
        std::int64_t retryAfter = 0;  // seconds, sent as Retry-After when not 0
    };
    // Safe to call from several threads at once, as the server's threads do.
    Answer answer(const Request& request);

private:
    Answer preview(const Request& request);
    Answer publish(const Request& request);
    Answer api(const Request& request);
    Answer tablePage(const std::string& game, std::int64_t page);
    std::vector<GameSummary> gameSummaries();

    // The table pages made last, each with the store's version it was made at: one is served
    // again while the version is unchanged. At most kCachedPages are kept.
    static constexpr std::size_t kCachedPages = 256;
    struct CachedPage {
        std::uint64_t version = 0;
        std::string body;
    };
    std::mutex cacheMutex_;
    std::map<std::pair<std::string, std::int64_t>, CachedPage> pageCache_;

    ScoreStore& store_;
    const ServerLimits limits_;
    std::function<std::int64_t()> now_;
    PublishTokens tokens_;
    RateLimiter uploadLimit_;
    RateLimiter pageLimit_;
    ConnectionDeadlines deadlines_;
    MHD_Daemon* daemon_ = nullptr;
};

}  // namespace scoreserver
