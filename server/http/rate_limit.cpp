#include "server/http/rate_limit.h"

#include <algorithm>
#include <cmath>

namespace {
// Above this many keys, full buckets are forgotten (they equal new ones).
constexpr size_t kMaxKeys = 100000;
} // namespace

int RateLimit::take(const std::string& key) {
    if (perSecond_ <= 0) return 0;
    auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    if (buckets_.size() > kMaxKeys) {
        for (auto it = buckets_.begin(); it != buckets_.end();) {
            double seconds = std::chrono::duration<double>(now - it->second.at).count();
            if (it->second.tokens + seconds * perSecond_ >= burst_)
                it = buckets_.erase(it);
            else
                ++it;
        }
    }
    auto [it, fresh] = buckets_.try_emplace(key, Bucket{burst_, now});
    Bucket& b = it->second;
    if (!fresh) {
        double seconds = std::chrono::duration<double>(now - b.at).count();
        b.tokens = std::min(burst_, b.tokens + seconds * perSecond_);
        b.at = now;
    }
    if (b.tokens >= 1.0) {
        b.tokens -= 1.0;
        return 0;
    }
    return std::max(1, static_cast<int>(std::ceil((1.0 - b.tokens) / perSecond_)));
}
