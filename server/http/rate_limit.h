// Submission rate limits: token buckets per client address and per player
// token, kept in PostgreSQL so every API process on one database counts the
// same submissions; each process's own memory while the database is away.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/config/settings.h"
#include "server/http/request.h"

// Who sent a request: the peer, or, when the peer is one of the trusted
// proxies, the last address in X-Forwarded-For that is not one of them (a
// port after it dropped). IPv6 clients count by their /64.
std::string clientAddress(const Request& req, const std::vector<std::string>& trustedProxies);

// One process's buckets, in memory.
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

class SharedRateLimits {
  public:
    explicit SharedRateLimits(const Settings& s);
    struct Verdict {
        int wait = 0;          // 0: go ahead; otherwise whole seconds to wait
        const char* what = ""; // "address" or "player"
    };
    // Counts one submission from `address` by the token with this SHA-256.
    Verdict take(const std::string& address, const std::string& tokenHash);

  private:
    Verdict local(const std::string& address, const std::string& tokenHash);
    struct Limit {
        double perSecond;
        double burst;
    };
    // Keys the database refused, and until when: a client refused again
    // meanwhile is told so from memory, with no row or round trip.
    int refusedFor(const std::string& key, int64_t now);
    std::mutex refusedMutex_;
    std::unordered_map<std::string, int64_t> refusedUntil_;
    Limit address_, token_;
    RateLimit addressLocal_, tokenLocal_;
    std::atomic<int64_t> awayUntilMs_{0}; // the database failed: local counts until then
    std::atomic<int64_t> nextSweepMs_{0}; // full buckets are deleted now and then
};
