// Token buckets keyed by player token or client address, in this process's
// memory: each API process limits on its own.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

class RateLimit {
  public:
    // perMinute 0: no limit.
    RateLimit(double perMinute, double burst) : perSecond_(perMinute / 60.0), burst_(burst) {}
    // 0 when the request may go ahead (and is counted), otherwise the whole
    // seconds to wait.
    int take(const std::string& key);

  private:
    struct Bucket {
        double tokens;
        std::chrono::steady_clock::time_point at;
    };
    double perSecond_;
    double burst_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};
