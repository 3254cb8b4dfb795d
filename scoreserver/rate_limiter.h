// A token bucket per client address: each holds up to `burst` requests and refills at
// `perMinute`. The table of addresses is bounded; when it is full, the address seen least
// recently is dropped to make room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace scoreserver {

class RateLimiter {
public:
    static constexpr std::size_t kMaxAddresses = 16384;

    // `perMinute` requests a minute, at most `burst` in a row (both at least 1).
    RateLimiter(int perMinute, int burst);

    // 0 when the client may make a request at `now` (seconds), which it then spends;
    // otherwise the seconds until it may, at least 1.
    std::int64_t take(std::string_view client, std::int64_t now);

private:
    struct Bucket {
        double tokens = 0;
        std::int64_t updatedAt = 0;
        std::list<std::string>::iterator recent;
    };

    const double perSecond_;
    const double burst_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
    std::list<std::string> recent_;  // addresses, most recently seen first
};

}  // namespace scoreserver
