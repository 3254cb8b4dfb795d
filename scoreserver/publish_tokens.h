// The one-time tokens of the Publish button: random, tied to the client address they were
// handed to, good for a limited time and taken once. A bounded number is kept, the oldest
// dropped first, so a flood of previews cannot grow the server's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace scoreserver {

class PublishTokens {
public:
    static constexpr std::int64_t kLifetimeSeconds = 600;
    static constexpr std::size_t kMaxTokens = 4096;

    // A new token for the client: 32 hex digits of the kernel's random source. Throws
    // std::runtime_error when the kernel gives none.
    std::string issue(std::string_view client, std::int64_t now);
    // True once for a token issued to this client less than kLifetimeSeconds before `now`;
    // the token is gone afterwards, whatever the answer.
    bool consume(std::string_view token, std::string_view client, std::int64_t now);

private:
    struct Entry {
        std::string client;
        std::int64_t issuedAt = 0;
    };
    // Drops tokens that expired, and the oldest while `room` more would not fit.
    void prune(std::int64_t now, std::size_t room);

    std::mutex mutex_;
    std::unordered_map<std::string, Entry> tokens_;
    // Every token kept, with when it was issued, oldest first.
    std::deque<std::pair<std::string, std::int64_t>> order_;
};

}  // namespace scoreserver
