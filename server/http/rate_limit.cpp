#include "server/http/rate_limit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <pqxx/pqxx>
#include <strings.h>

#include "server/db/connection.h"
#include "server/players/identity.h"

namespace {

// Above this many keys, full buckets are forgotten (they equal new ones).
constexpr size_t kMaxKeys = 100000;
// After the database fails, counts stay local this long before it is tried again.
constexpr int64_t kAwayMs = 5000;
constexpr int64_t kSweepMs = 60000;

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Both buckets in one statement: each is refilled for the time since its
// last use, and takes a token when it holds one. {avail} is what it holds
// before this submission.
const char* kTake =
    "INSERT INTO rate_buckets AS b (key, tokens, burst, per_second, allowed, at, full_at) "
    "SELECT key, burst - 1, burst, per_second, true, now(), "
    "  now() + make_interval(secs => 1 / per_second) "
    "FROM (VALUES ($1, $2::float8, $3::float8), ($4, $5::float8, $6::float8)) "
    "  AS v(key, burst, per_second) WHERE key <> '' "
    "ON CONFLICT (key) DO UPDATE SET "
    "  tokens = {avail} - CASE WHEN {avail} >= 1 THEN 1 ELSE 0 END, "
    "  allowed = {avail} >= 1, burst = EXCLUDED.burst, per_second = EXCLUDED.per_second, "
    "  at = now(), "
    "  full_at = now() + make_interval(secs => (EXCLUDED.burst - {avail} + "
    "    CASE WHEN {avail} >= 1 THEN 1 ELSE 0 END) / EXCLUDED.per_second) "
    "RETURNING key, allowed, tokens, per_second";

std::string takeStatement() {
    std::string text = kTake;
    const std::string avail = "least(EXCLUDED.burst, b.tokens + EXCLUDED.per_second * "
                              "extract(epoch FROM now() - b.at))";
    for (size_t at; (at = text.find("{avail}")) != std::string::npos;)
        text.replace(at, 7, avail);
    return text;
}

bool trusted(const std::string& address, const std::vector<std::string>& proxies) {
    return std::find(proxies.begin(), proxies.end(), address) != proxies.end();
}

// A proxy's hop may carry a port: "203.0.113.7:4711", "[2001:db8::1]:443".
std::string hopAddress(const std::string& hop) {
    std::string text = hop;
    if (!text.empty() && text[0] == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos) return {};
        std::string rest = text.substr(close + 1);
        if (!rest.empty() && (rest[0] != ':' || rest.size() < 2 ||
                              rest.find_first_not_of("0123456789", 1) != std::string::npos))
            return {};
        text = text.substr(1, close - 1);
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        size_t colon = text.find(':');
        std::string port = text.substr(colon + 1);
        if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos) return {};
        text = text.substr(0, colon);
    }
    return normalAddress(text);
}

std::string clientOf(const Request& req, const std::vector<std::string>& trustedProxies) {
    std::string peer = normalAddress(req.remote_addr);
    if (peer.empty()) peer = req.remote_addr;
    if (trustedProxies.empty() || !trusted(peer, trustedProxies)) return peer;
    // Each proxy appends whom it heard from: read from the right, past our own.
    std::vector<std::string> hops;
    for (const auto& [name, value] : req.headers) {
        if (name.size() != 15 || strcasecmp(name.c_str(), "X-Forwarded-For") != 0) continue;
        size_t start = 0;
        while (start <= value.size()) {
            size_t comma = value.find(',', start);
            if (comma == std::string::npos) comma = value.size();
            std::string hop = value.substr(start, comma - start);
            size_t a = hop.find_first_not_of(" \t"), b = hop.find_last_not_of(" \t");
            hops.push_back(a == std::string::npos ? std::string() : hop.substr(a, b - a + 1));
            start = comma + 1;
        }
    }
    for (auto it = hops.rbegin(); it != hops.rend(); ++it) {
        std::string hop = hopAddress(*it);
        if (hop.empty()) break; // not an address: nothing further left is to be believed
        if (!trusted(hop, trustedProxies)) return hop;
    }
    return peer;
}

} // namespace

std::string clientAddress(const Request& req, const std::vector<std::string>& trustedProxies) {
    return addressGroup(clientOf(req, trustedProxies));
}

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

SharedRateLimits::SharedRateLimits(const Settings& s)
    : address_{s.addressPerMinute / 60.0, s.addressBurst}, token_{s.tokenPerMinute / 60.0,
                                                                  s.tokenBurst},
      addressLocal_(s.addressPerMinute, s.addressBurst),
      tokenLocal_(s.tokenPerMinute, s.tokenBurst) {}

int SharedRateLimits::refusedFor(const std::string& key, int64_t now) {
    std::lock_guard lock(refusedMutex_);
    auto it = refusedUntil_.find(key);
    if (it == refusedUntil_.end()) return 0;
    if (it->second <= now) {
        refusedUntil_.erase(it);
        return 0;
    }
    return std::max<int>(1, static_cast<int>((it->second - now + 999) / 1000));
}

SharedRateLimits::Verdict SharedRateLimits::local(const std::string& address,
                                                  const std::string& tokenHash) {
    Verdict v;
    if ((v.wait = addressLocal_.take(address)))
        v.what = "address";
    else if ((v.wait = tokenLocal_.take(tokenHash)))
        v.what = "player";
    return v;
}

SharedRateLimits::Verdict SharedRateLimits::take(const std::string& address,
                                                 const std::string& tokenHash) {
    bool byAddress = address_.perSecond > 0, byToken = token_.perSecond > 0 && !tokenHash.empty();
    if (!byAddress && !byToken) return {};
    int64_t now = nowMs();
    std::string addressKey = byAddress ? "a:" + address : std::string();
    std::string tokenKey = byToken ? "t:" + hexOf(tokenHash) : std::string();
    for (const std::string* key : {&addressKey, &tokenKey}) {
        if (key->empty()) continue;
        if (int wait = refusedFor(*key, now))
            return {wait, (*key)[0] == 'a' ? "address" : "player"};
    }
    if (now < awayUntilMs_) return local(address, tokenHash);
    DatabaseLease lease(std::chrono::milliseconds(500));
    if (!lease.ok()) return local(address, tokenHash);
    static const std::string statement = takeStatement();
    try {
        pqxx::connection& conn = threadConnection();
        Verdict v;
        {
            // One statement, no transaction around it: one round trip.
            pqxx::nontransaction tx(conn);
            auto r = tx.exec_params(statement, addressKey, address_.burst,
                                    std::max(address_.perSecond, 1e-9), tokenKey, token_.burst,
                                    std::max(token_.perSecond, 1e-9));
            for (const auto& row : r) {
                if (row[1].as<bool>()) continue;
                double wait = (1.0 - row[2].as<double>()) / row[3].as<double>();
                {
                    std::lock_guard lock(refusedMutex_);
                    if (refusedUntil_.size() > kMaxKeys) refusedUntil_.clear();
                    refusedUntil_[row[0].c_str()] = now + static_cast<int64_t>(wait * 1000);
                }
                int seconds = std::max(1, static_cast<int>(std::ceil(wait)));
                if (seconds > v.wait) {
                    v.wait = seconds;
                    v.what = row[0].c_str()[0] == 'a' ? "address" : "player";
                }
            }
            if (now >= nextSweepMs_) {
                nextSweepMs_ = now + kSweepMs;
                tx.exec("DELETE FROM rate_buckets WHERE full_at < now()");
            }
        }
        return v;
    } catch (const std::exception& e) {
        std::fprintf(stderr,
                     "quorvex-server: rate limits: %s; counting in this process for a while\n",
                     e.what());
        dropThreadConnection();
        awayUntilMs_ = now + kAwayMs;
        return local(address, tokenHash);
    }
}
