// The score server program: scoreserver [--config FILE] [--listen ADDRESS:PORT]
// [--database FILE-or-URL] (an SQLite file, or a postgresql:// address); the options override
// the file. Serves until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "scoreserver/http_server.h"
#include "scoreserver/open_store.h"
#include "scoreserver/server_config.h"

namespace {

int usage(const std::string& why) {
    std::fprintf(stderr, "scoreserver: %s\n", why.c_str());
    std::fprintf(stderr,
                 "usage: scoreserver [--config FILE] [--listen ADDRESS:PORT] "
                 "[--database FILE-or-URL]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    scoreserver::ServerConfig config;
    std::string error;
    if (!scoreserver::configure(std::vector<std::string>(argv + 1, argv + argc), config, error))
        return usage(error);
    const std::string& listen = config.listen;
    const std::string& database = config.database;
    const std::size_t colon = listen.rfind(':');
    const auto port = static_cast<std::uint16_t>(std::atoi(listen.c_str() + colon + 1));

    // Wait for the signals on this thread; the server's own threads must not take them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        const auto store = scoreserver::openStore(database, config.threads);
        scoreserver::ServerLimits limits;
        limits.uploadsPerMinute = config.uploadsPerMinute;
        limits.pagesPerMinute = config.pagesPerMinute;
        limits.threads = config.threads;
        limits.connections = config.connections;
        limits.connectionsPerAddress = config.connectionsPerAddress;
        limits.requestSeconds = config.requestSeconds;
        scoreserver::HttpServer server(
            *store, [] { return static_cast<std::int64_t>(std::time(nullptr)); }, limits);
        if (!server.start(listen.substr(0, colon), port)) {
            std::fprintf(stderr, "scoreserver: cannot listen on %s\n", listen.c_str());
            return 1;
        }
        std::fprintf(stderr, "scoreserver: listening on %s\n", listen.c_str());
        int signal = 0;
        sigwait(&signals, &signal);
    } catch (const scoreserver::StoreError& e) {
        std::fprintf(stderr, "scoreserver: %s\n", e.what());
        return 1;
    }
    return 0;
}
