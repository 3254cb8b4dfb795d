// The score server's HTTP side, on libmicrohttpd: a small C library made to be embedded in
// internet-facing programs, which parses requests itself under hard limits (request memory,
// connections per address, timeouts) and is security-supported in Debian.
//   GET /cgi-bin/hiscore.cgi?<upload query>  takes an upload and answers with its result
//   GET /hiscores?game=<game>[&page=<n>]     a page of a game's table, best first
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "scoreserver/score_store.h"

struct MHD_Daemon;

namespace scoreserver {

class HttpServer {
public:
    // `now` gives the time uploads are stamped with, in seconds since 1970.
    HttpServer(ScoreStore& store, std::function<std::int64_t()> now);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on the IPv4 address and port (0 picks a free port); false when it cannot.
    bool start(const std::string& address, std::uint16_t port);
    void stop();
    // The port listened on, once started.
    std::uint16_t port() const;

    // The answer to one GET: status and HTML body. The query is the raw text after '?'.
    struct Answer {
        unsigned status;
        std::string body;
    };
    Answer answer(const std::string& path, const std::string& query);

private:
    ScoreStore& store_;
    std::function<std::int64_t()> now_;
    MHD_Daemon* daemon_ = nullptr;
};

}  // namespace scoreserver
