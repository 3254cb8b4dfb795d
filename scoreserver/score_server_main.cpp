// The score server program: scoreserver --listen ADDRESS:PORT --database FILE-or-URL (an
// SQLite file, or a postgresql:// address). Serves until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "scoreserver/http_server.h"
#include "scoreserver/open_store.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: scoreserver --listen ADDRESS:PORT --database FILE-or-URL\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string listen;
    std::string database;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--listen")
            listen = argv[i + 1];
        else if (option == "--database")
            database = argv[i + 1];
        else
            return usage();
    }
    const std::size_t colon = listen.rfind(':');
    if (argc % 2 != 1 || database.empty() || colon == std::string::npos) return usage();
    char* end = nullptr;
    const long port = std::strtol(listen.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || port <= 0 || port > 65535) return usage();

    // Wait for the signals on this thread; the server's own thread must not take them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        const auto store = scoreserver::openStore(database);
        scoreserver::HttpServer server(
            *store, [] { return static_cast<std::int64_t>(std::time(nullptr)); });
        if (!server.start(listen.substr(0, colon), static_cast<std::uint16_t>(port))) {
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
