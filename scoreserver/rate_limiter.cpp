#include "scoreserver/rate_limiter.h"

#include <algorithm>
#include <cmath>

namespace scoreserver {

RateLimiter::RateLimiter(int perMinute, int burst)
    : perSecond_(std::max(perMinute, 1) / 60.0), burst_(std::max(burst, 1)) {}

std::int64_t RateLimiter::take(std::string_view client, std::int64_t now) {
    std::lock_guard lock(mutex_);
    const std::string key(client);
    auto found = buckets_.find(key);
    if (found == buckets_.end()) {
        if (buckets_.size() >= kMaxAddresses) {
            buckets_.erase(recent_.back());
            recent_.pop_back();
        }
        recent_.push_front(key);
        found = buckets_.emplace(key, Bucket{burst_, now, recent_.begin()}).first;
    } else {
        recent_.splice(recent_.begin(), recent_, found->second.recent);
    }
    Bucket& bucket = found->second;
    // A clock that steps back refills nothing.
    if (now > bucket.updatedAt) {
        bucket.tokens = std::min(burst_, bucket.tokens + (now - bucket.updatedAt) * perSecond_);
        bucket.updatedAt = now;
    }
    if (bucket.tokens >= 1) {
        bucket.tokens -= 1;
        return 0;
    }
    return std::max<std::int64_t>(
        1, static_cast<std::int64_t>(std::ceil((1 - bucket.tokens) / perSecond_)));
}

}  // namespace scoreserver
