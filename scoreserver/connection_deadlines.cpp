#include "scoreserver/connection_deadlines.h"

#include <sys/socket.h>

#include <algorithm>

namespace scoreserver {

ConnectionDeadlines::ConnectionDeadlines(std::chrono::milliseconds limit)
    : limit_(std::max(limit, std::chrono::milliseconds(1))) {}

ConnectionDeadlines::~ConnectionDeadlines() {
    stop();
}

void ConnectionDeadlines::start() {
    std::lock_guard lock(mutex_);
    if (watcher_.joinable()) return;
    stopping_ = false;
    watcher_ = std::thread([this] { watch(); });
}

void ConnectionDeadlines::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable()) watcher_.join();
}

void ConnectionDeadlines::opened(const void* connection, int fd) {
    std::lock_guard lock(mutex_);
    open_[connection] = {fd, Clock::now(), false};
}

void ConnectionDeadlines::answered(const void* connection) {
    std::lock_guard lock(mutex_);
    const auto it = open_.find(connection);
    if (it != open_.end()) it->second.since = Clock::now();
}

void ConnectionDeadlines::closed(const void* connection) {
    std::lock_guard lock(mutex_);
    open_.erase(connection);
}

long ConnectionDeadlines::cut() const {
    std::lock_guard lock(mutex_);
    return cutCount_;
}

void ConnectionDeadlines::watch() {
    // Looks four times within each limit, so a connection is cut at most a quarter late.
    const auto step =
        std::clamp(limit_ / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(1000));
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, step, [this] { return stopping_; })) {
        const Clock::time_point now = Clock::now();
        for (auto& [connection, open] : open_) {
            if (open.cut || now - open.since < limit_) continue;
            // The server then reads the end of the stream and closes the connection itself;
            // the socket is still its own, as it is closed only after closed() was called.
            shutdown(open.fd, SHUT_RDWR);
            open.cut = true;
            ++cutCount_;
        }
    }
}

}  // namespace scoreserver
