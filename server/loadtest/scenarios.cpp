#include "server/loadtest/scenarios.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "protocol/api.h"
#include "replay/replay_file.h"
#include "server/loadtest/games.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kHost = "127.0.0.1"; // never anywhere else

// A token as a player's is: 32 random bytes, as hex.
std::vector<std::string> randomTokens(int players) {
    std::random_device device;
    std::vector<std::string> tokens;
    for (int p = 0; p < players; ++p) {
        std::string text;
        for (int i = 0; i < 8; ++i) {
            char word[9];
            std::snprintf(word, sizeof word, "%08x", static_cast<unsigned>(device()));
            text += word;
        }
        tokens.push_back(text);
    }
    return tokens;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

std::string runPath(int64_t id) {
    return std::string(protocol::kRunsPath) + "/" + std::to_string(id);
}

std::string boardPath(const std::string& key) {
    return std::string(protocol::kBoardsPath) + "/" + key;
}

httplib::Headers submitHeaders(const std::vector<std::string>& tokens, int player, uint32_t salt) {
    return {{protocol::kAuthorizationHeader,
             protocol::kBearerPrefix + tokens[static_cast<size_t>(player) % tokens.size()]},
            {protocol::kNameHeader,
             "load " + std::to_string(salt % 10000) + "-" + std::to_string(player)}};
}

} // namespace

// As fast as the threads go: how many submissions a second end in 202.
int submit(const Options& o) {
    std::vector<Replay> bases(1);
    if (!loadReplay(o.replays.at(0), bases[0])) return 2;
    uint32_t salt = std::random_device{}();
    std::vector<std::string> games = distinctGames(bases, o.count, uint64_t{salt} << 24);
    std::vector<std::string> tokens = randomTokens(o.players);
    std::atomic<int> next{0}, accepted{0}, other{0};
    std::mutex mutex;
    std::vector<double> latencies;
    auto start = Clock::now();
    auto stopAt = start + std::chrono::duration<double>(o.seconds);
    std::vector<std::thread> threads;
    for (int t = 0; t < o.threads; ++t)
        threads.emplace_back([&] {
            httplib::Client client(kHost, o.port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            std::vector<double> mine;
            for (int n; (n = next++) < o.count && Clock::now() < stopAt;) {
                const std::string& body = games[static_cast<size_t>(n)];
                auto sent = Clock::now();
                auto res =
                    client.Post(protocol::kRunsPath, submitHeaders(tokens, n % o.players, salt),
                                body, protocol::kReplayContentType);
                mine.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                if (res && res->status == 202)
                    ++accepted;
                else
                    ++other;
            }
            std::lock_guard lock(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    for (auto& t : threads)
        t.join();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("{\"mode\":\"submit\",\"accepted\":%d,\"other\":%d,\"seconds\":%.2f,"
                "\"per_second\":%.1f,\"p50_ms\":%.1f,\"p95_ms\":%.1f}\n",
                accepted.load(), other.load(), seconds, accepted / seconds,
                percentile(latencies, 0.5), percentile(latencies, 0.95));
    return other == 0 ? 0 : 1;
}

// A steady trickle of games; each is followed until its verdict.
int verdicts(const Options& o) {
    std::vector<Replay> bases(o.replays.size());
    for (size_t i = 0; i < o.replays.size(); ++i)
        if (!loadReplay(o.replays[i], bases[i])) return 2;
    uint32_t salt = std::random_device{}();
    std::vector<std::string> games = distinctGames(bases, o.count, uint64_t{salt} << 24);
    std::vector<std::string> tokens = randomTokens(o.players);
    struct Pending {
        int64_t id;
        Clock::time_point sent;
    };
    std::mutex mutex;
    std::vector<Pending> pending;
    std::vector<double> waits;
    int verified = 0, rejected = 0;
    std::atomic<bool> submitting{true};
    auto stopAt = Clock::now() + std::chrono::duration<double>(o.seconds);
    std::thread poller([&] {
        httplib::Client client(kHost, o.port);
        while (Clock::now() < stopAt) {
            std::vector<Pending> now;
            {
                std::lock_guard lock(mutex);
                now = pending;
            }
            if (now.empty() && !submitting) break;
            for (const Pending& p : now) {
                auto res = client.Get(runPath(p.id));
                if (!res || res->status != 200) continue;
                auto run = nlohmann::json::parse(res->body, nullptr, false);
                std::string status = run.value("status", "");
                if (status != "verified" && status != "rejected") continue;
                std::lock_guard lock(mutex);
                waits.push_back(std::chrono::duration<double>(Clock::now() - p.sent).count());
                (status == "verified" ? verified : rejected)++;
                std::erase_if(pending, [&](const Pending& q) { return q.id == p.id; });
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    httplib::Client client(kHost, o.port);
    auto start = Clock::now();
    for (int n = 0; n < o.count && Clock::now() < stopAt; ++n) {
        std::this_thread::sleep_until(start + std::chrono::duration<double>(n / o.perSecond));
        const std::string& body = games[static_cast<size_t>(n)];
        auto sent = Clock::now();
        auto res = client.Post(protocol::kRunsPath, submitHeaders(tokens, n % o.players, salt),
                               body, protocol::kReplayContentType);
        if (!res || res->status != 202) {
            std::fprintf(stderr, "quorvex-load: submission %d: %d\n", n, res ? res->status : 0);
            continue;
        }
        std::lock_guard lock(mutex);
        pending.push_back({nlohmann::json::parse(res->body).value("id", int64_t{0}), sent});
    }
    submitting = false;
    poller.join();
    std::printf("{\"mode\":\"verdicts\",\"verified\":%d,\"rejected\":%d,\"unfinished\":%zu,"
                "\"p50_s\":%.2f,\"p95_s\":%.2f,\"max_s\":%.2f}\n",
                verified, rejected, pending.size(), percentile(waits, 0.5), percentile(waits, 0.95),
                percentile(waits, 1.0));
    return pending.empty() ? 0 : 1;
}

int board(const Options& o) {
    httplib::Client client(kHost, o.port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    std::vector<std::string> paths = {boardPath(o.board), "/?board=" + o.board,
                                      boardPath(o.board) + "?offset=5000&limit=100"};
    // The day's seed and board, the page of today's board and the home page beside it.
    if (!o.paths.empty()) {
        paths = o.paths;
    } else if (o.board.empty()) {
        httplib::Client ask(kHost, o.port);
        auto res = ask.Get(protocol::kDailyPath);
        auto day = res ? nlohmann::json::parse(res->body, nullptr, false) : nlohmann::json();
        if (!day.is_object() || !day["date"].is_string()) {
            std::fprintf(stderr, "quorvex-load: GET %s failed\n", protocol::kDailyPath);
            return 1;
        }
        paths = {protocol::kDailyPath, "/daily/" + day["date"].get<std::string>(), "/"};
    }
    for (const std::string& path : paths) {
        std::vector<double> ms;
        int bad = 0;
        for (int n = 0; n < o.count; ++n) {
            auto sent = Clock::now();
            auto res = client.Get(path.c_str());
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
            if (!res || res->status != 200) ++bad;
        }
        std::printf("{\"mode\":\"%s\",\"path\":\"%s\",\"requests\":%d,\"failed\":%d,"
                    "\"p50_ms\":%.2f,\"p95_ms\":%.2f}\n",
                    o.board.empty() ? "daily" : "board", path.c_str(), o.count, bad,
                    percentile(ms, 0.5), percentile(ms, 0.95));
    }
    return 0;
}

// Submits every file until it is answered 202 or 200, as the game will:
// refusals and cut-off connections are sent again. The ledger lists each
// file's final answer for the checker.
int drill(const Options& o) {
    std::vector<Replay> bases(1);
    if (!loadReplay(o.replays.at(0), bases[0])) return 2;
    uint32_t salt = std::random_device{}();
    std::vector<std::string> games = distinctGames(bases, o.count, uint64_t{salt} << 24);
    std::vector<std::string> tokens = randomTokens(o.players);
    std::atomic<int> next{0}, resent{0}, gaveUp{0};
    std::mutex mutex;
    std::ofstream ledger(o.ledger);
    auto start = Clock::now();
    auto stopAt = Clock::now() + std::chrono::duration<double>(o.seconds);
    std::vector<std::thread> threads;
    for (int t = 0; t < o.threads; ++t)
        threads.emplace_back([&] {
            for (int n; (n = next++) < o.count;) {
                const std::string& body = games[static_cast<size_t>(n)];
                if (o.perSecond > 0)
                    std::this_thread::sleep_until(start +
                                                  std::chrono::duration<double>(n / o.perSecond));
                for (;;) {
                    if (Clock::now() > stopAt) {
                        ++gaveUp;
                        break;
                    }
                    httplib::Client client(kHost, o.port);
                    client.set_connection_timeout(2, 0);
                    client.set_read_timeout(10, 0);
                    auto res =
                        client.Post(protocol::kRunsPath, submitHeaders(tokens, n % o.players, salt),
                                    body, protocol::kReplayContentType);
                    if (res && (res->status == 202 || res->status == 200)) {
                        auto answer = nlohmann::json::parse(res->body, nullptr, false);
                        std::lock_guard lock(mutex);
                        ledger << n << ' ' << res->status << ' ' << answer.value("id", int64_t{0})
                               << std::endl;
                        break;
                    }
                    ++resent;
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            }
        });
    for (auto& t : threads)
        t.join();
    std::printf("{\"mode\":\"drill\",\"submitted\":%d,\"resent\":%d,\"gave_up\":%d}\n",
                std::min(o.count, next.load()), resent.load(), gaveUp.load());
    return gaveUp == 0 ? 0 : 1;
}
