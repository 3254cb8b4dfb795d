#include "scoreserver/publish_tokens.h"

#include <sys/random.h>

#include <cerrno>
#include <stdexcept>

namespace scoreserver {

std::string PublishTokens::issue(std::string_view client, std::int64_t now) {
    unsigned char bytes[16];
    for (std::size_t got = 0; got < sizeof bytes;) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno != EINTR) throw std::runtime_error("no random bytes for a token");
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    static const char hex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char b : bytes) {
        token += hex[b >> 4];
        token += hex[b & 15];
    }
    std::lock_guard lock(mutex_);
    prune(now, 1);
    tokens_[token] = Entry{std::string(client), now};
    order_.emplace_back(token, now);
    return token;
}

bool PublishTokens::consume(std::string_view token, std::string_view client, std::int64_t now) {
    std::lock_guard lock(mutex_);
    prune(now, 0);
    const auto found = tokens_.find(std::string(token));
    if (found == tokens_.end()) return false;
    const bool ok = found->second.client == client && now >= found->second.issuedAt;
    tokens_.erase(found);
    return ok;
}

void PublishTokens::prune(std::int64_t now, std::size_t room) {
    // order_ also holds tokens taken already; bounding it bounds the map as well.
    while (!order_.empty() &&
           (order_.size() + room > kMaxTokens || now - order_.front().second >= kLifetimeSeconds)) {
        tokens_.erase(order_.front().first);
        order_.pop_front();
    }
}

}  // namespace scoreserver
