// A deadline for each request: a client that takes longer than allowed to send a request,
// byte by byte, or to read its answer has its connection cut. libmicrohttpd's own timeout
// counts only the time since a connection last moved, which a byte every few seconds resets.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace scoreserver {

class ConnectionDeadlines {
public:
    using Clock = std::chrono::steady_clock;

    // Each request gets `limit`, counted from the connection's start or its last answer.
    explicit ConnectionDeadlines(std::chrono::milliseconds limit);
    ~ConnectionDeadlines();
    ConnectionDeadlines(const ConnectionDeadlines&) = delete;
    ConnectionDeadlines& operator=(const ConnectionDeadlines&) = delete;

    // The watch over every connection that is open; stop() ends it.
    void start();
    void stop();

    // A connection with its socket, from when it was accepted until closed(): the socket
    // must stay open until then, since a connection over its time is shut down through it.
    void opened(const void* connection, int fd);
    // An answer was sent: the connection's next request has its time anew.
    void answered(const void* connection);
    void closed(const void* connection);

    // How many connections were cut since the start.
    long cut() const;

private:
    struct Open {
        int fd = -1;
        Clock::time_point since;
        bool cut = false;
    };
    void watch();

    const std::chrono::milliseconds limit_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::unordered_map<const void*, Open> open_;
    long cutCount_ = 0;
    bool stopping_ = false;
    std::thread watcher_;
};

}  // namespace scoreserver
