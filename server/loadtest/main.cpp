// quorvex-load: drives a leaderboard server on 127.0.0.1 and measures it.
// Every mode is bounded in count and time and stops by itself.
//
//   quorvex-load forge IN OUT [--score N] [--end-time N] [--fingerprint HEX] [--repeat N]
//                                        [--frames N] [--game N --data DIR]
//                                        [--acceleration X] [--pad-frames N]
//                                        [--seed S --data DIR] [--day YYYYMMDD] [--edit-seed S]
//   quorvex-load submit   --port P --replay FILE --count N [--threads T] [--players K]
//   quorvex-load verdicts --port P --replay FILE... --count N [--per-second R]
//   quorvex-load board    --port P --board KEY --count N [--path PATH]...
//   quorvex-load daily    --port P --count N
//   quorvex-load drill    --port P --replay FILE --count N [--threads T] [--per-second R]
//                         --ledger FILE
//   quorvex-load drip|idle|slowbody --port P --connections N [--per-source K]
//                         [--interval S] [--seconds S] [--probe PATH]
//   quorvex-load read     --port P --probe PATH [--rate KIB_PER_S] [--seconds S]
//   quorvex-load flood    --port P --pid SERVER_PID [--mib M] [--seconds S]
// The modes that submit make a distinct real game for each submission from
// the replay given (see distinctGame), so they need the game's --data DIR.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "game/player/marine.h"
#include "game/rules/game_frame.h"
#include "game/world/world.h"
#include "input/input.h"
#include "math/seed_streams.h"
#include "replay/replay_file.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "replay/verifier.h"
#include "server/loadtest/attack.h"
#include "session/messages.h"
#include "session/session.h"
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kHost = "127.0.0.1"; // never anywhere else

struct Options {
    int port = 8080;
    std::vector<std::string> replays;
    int count = 100;
    int threads = 8;
    int players = 50;
    double perSecond = 1.0;
    std::string board;
    std::vector<std::string> paths; // board: these instead of the board's own
    std::string ledger;
    std::string data = "data";
    double seconds = 300; // hard stop for every mode
};

bool readFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

bool loadReplay(const std::string& path, Replay& replay) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!readFile(path, bytes) || !decodeReplay(bytes.data(), bytes.size(), replay, why)) {
        std::fprintf(stderr, "quorvex-load: %s: %s\n", path.c_str(),
                     why.empty() ? "cannot be read" : why.c_str());
        return false;
    }
    return true;
}

// Loads the rules for making games, from the game's data folder.
bool startRulesIn(const std::string& data) {
    std::string why;
    if (chdir(data.c_str()) != 0 || !startVerifier(why)) {
        std::fprintf(stderr, "quorvex-load: %s: %s\n", data.c_str(),
                     why.empty() ? "no such data folder" : why.c_str());
        return false;
    }
    return true;
}

// Plays `r`'s inputs from its start and records them again, up to the
// Marine's death (the recording ends there, as the game's does).
void recordUntilDeath(Replay& r) {
    restartAsRecorded(r);
    r.secondSums.clear();
    std::vector<uint8_t> kept;
    ReplayWriter writer(kept, r.start.cursorX, r.start.cursorY);
    ReplayReader events(r.events, r.start.cursorX, r.start.cursorY);
    ReplayEvent e;
    while (!world().marine.marineDead && events.next(e)) {
        if (e.kind == ReplayEvent::Message) {
            handleGameMessage(e.msg);
            writer.message(e.msg);
            continue;
        }
        beginFrame(session().input, e.tickDelta, e.cursorX, e.cursorY);
        runGameFrame();
        writer.frame(e.tickDelta, e.cursorX, e.cursorY);
        if (r.version >= 3) noteSecondSums(r.secondSums);
    }
    session().replayDriving = false;
    ReplayResult result = currentResult();
    result.frames = writer.frames();
    result.endTime = r.result.endTime;
    result.day = r.result.day;
    result.end = r.version < 3               ? GameEnd::Unknown
                 : world().marine.marineDead ? GameEnd::Death
                                             : GameEnd::ProgramEnd;
    r.events = std::move(kept);
    r.result = result;
}

// A game of its own: the recorded inputs played again from another start
// (another seed, or another random state for older files) and recorded as
// the rules play them. The server keys runs by what it replays, so copies
// of one game would be refused. A base that ended in death gives games that
// end in death, trying the next starts where one does not.
Replay distinctGame(const Replay& base, uint64_t n) {
    Replay r = base;
    for (uint32_t attempt = 0; attempt < 64; ++attempt) {
        r = base;
        uint64_t mixed = (n * 64 + attempt + 1) * 0x9e3779b97f4a7c15ull;
        uint32_t start = static_cast<uint32_t>(mixed >> 32) ^ static_cast<uint32_t>(mixed);
        if (generationOf(base.version) >= 2) {
            r.start.seed = start;
            r.start.rngState = streamsForSeed(start).main;
        } else {
            r.start.rngState = start | 1u;
        }
        recordUntilDeath(r);
        if (world().marine.marineDead || base.result.end != GameEnd::Death) break;
    }
    return r;
}

std::string bytesOf(const Replay& r) {
    std::vector<uint8_t> bytes = encodeReplay(r);
    return std::string(bytes.begin(), bytes.end());
}

// `count` distinct games made from `bases` in turn, as files.
std::vector<std::string> distinctGames(const std::vector<Replay>& bases, int count, uint64_t salt) {
    auto start = Clock::now();
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n)
        out.push_back(bytesOf(distinctGame(bases[static_cast<size_t>(n) % bases.size()],
                                           salt + static_cast<uint64_t>(n))));
    std::fprintf(stderr, "quorvex-load: made %d games in %.1f s\n", count,
                 std::chrono::duration<double>(Clock::now() - start).count());
    return out;
}

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

httplib::Headers submitHeaders(const std::vector<std::string>& tokens, int player, uint32_t salt) {
    return {
        {"Authorization", "Bearer " + tokens[static_cast<size_t>(player) % tokens.size()]},
        {"X-Quorvex-Name", "load " + std::to_string(salt % 10000) + "-" + std::to_string(player)}};
}

int forge(int argc, char** argv) {
    if (argc < 4) return 2;
    Replay r;
    if (!loadReplay(argv[2], r)) return 2;
    std::string data = "data";
    for (int i = 4; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "--data") == 0) data = argv[i + 1];
    std::string outPath = std::filesystem::absolute(argv[3]).string();
    for (int i = 4; i + 1 < argc; i += 2) {
        // Another real game from the same inputs (after --frames, when given).
        if (std::strcmp(argv[i], "--game") == 0) {
            if (!startRulesIn(data)) return 2;
            r = distinctGame(r, std::stoull(argv[i + 1]));
        }
        // The daily game of a day: the inputs played from seed S to the
        // Marine's death (repeated where they run out first).
        if (std::strcmp(argv[i], "--seed") == 0) {
            if (!startRulesIn(data)) return 2;
            uint32_t seed = static_cast<uint32_t>(std::stoul(argv[i + 1]));
            std::vector<uint8_t> once = r.events;
            for (int rounds = 1; rounds <= 8; ++rounds) {
                r.start.seed = seed;
                r.start.rngState = streamsForSeed(seed).main;
                recordUntilDeath(r);
                if (world().marine.marineDead) break;
                r.events.clear();
                for (int k = 0; k <= rounds; ++k)
                    r.events.insert(r.events.end(), once.begin(), once.end());
            }
        }
        if (std::strcmp(argv[i], "--day") == 0)
            r.result.day = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        // The seed changed and the file sealed again, nothing played: a forgery.
        if (std::strcmp(argv[i], "--edit-seed") == 0) {
            r.start.seed = static_cast<uint32_t>(std::stoul(argv[i + 1]));
            r.start.rngState = streamsForSeed(r.start.seed).main;
        }
        if (std::strcmp(argv[i], "--score") == 0) r.result.score = std::stoul(argv[i + 1]);
        if (std::strcmp(argv[i], "--end-time") == 0) r.result.endTime = std::stoll(argv[i + 1]);
        // Only the first N frames: a short game that no longer ends as recorded.
        if (std::strcmp(argv[i], "--frames") == 0) {
            uint32_t keep = static_cast<uint32_t>(std::stoul(argv[i + 1]));
            std::vector<uint8_t> cut;
            ReplayWriter writer(cut, r.start.cursorX, r.start.cursorY);
            ReplayReader reader(r.events, r.start.cursorX, r.start.cursorY);
            ReplayEvent e;
            while (writer.frames() < keep && reader.next(e)) {
                if (e.kind == ReplayEvent::Message)
                    writer.message(e.msg);
                else
                    writer.frame(e.tickDelta, e.cursorX, e.cursorY);
            }
            r.events = cut;
            r.result.frames = writer.frames();
        }
        if (std::strcmp(argv[i], "--acceleration") == 0)
            r.start.spawnAcceleration = std::stof(argv[i + 1]);
        // Frames of no length at the end: more frames than the time allows.
        if (std::strcmp(argv[i], "--pad-frames") == 0) {
            ReplayReader reader(r.events, r.start.cursorX, r.start.cursorY);
            ReplayEvent e;
            e.cursorX = r.start.cursorX;
            e.cursorY = r.start.cursorY;
            for (ReplayEvent next; reader.next(next);)
                if (next.kind == ReplayEvent::Frame) e = next;
            std::vector<uint8_t> tail;
            ReplayWriter padding(tail, e.cursorX, e.cursorY);
            for (uint32_t k = 0; k < std::stoul(argv[i + 1]); ++k)
                padding.frame(0.0f, e.cursorX, e.cursorY);
            r.events.insert(r.events.end(), tail.begin(), tail.end());
            r.result.frames += padding.frames();
        }
        if (std::strcmp(argv[i], "--fingerprint") == 0)
            r.rulesFingerprint = std::stoull(argv[i + 1], nullptr, 16);
        // The same inputs over and over: a game that plays far longer.
        if (std::strcmp(argv[i], "--repeat") == 0) {
            std::vector<uint8_t> once = r.events;
            for (int k = 1; k < std::stoi(argv[i + 1]); ++k)
                r.events.insert(r.events.end(), once.begin(), once.end());
            r.result.frames *= static_cast<uint32_t>(std::stoi(argv[i + 1]));
        }
    }
    std::vector<uint8_t> bytes = encodeReplay(r);
    std::ofstream out(outPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 2;
}

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
                auto res = client.Post("/api/v1/runs", submitHeaders(tokens, n % o.players, salt),
                                       body, "application/octet-stream");
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
                auto res = client.Get(("/api/v1/runs/" + std::to_string(p.id)).c_str());
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
        auto res = client.Post("/api/v1/runs", submitHeaders(tokens, n % o.players, salt), body,
                               "application/octet-stream");
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
    std::vector<std::string> paths = {"/api/v1/boards/" + o.board, "/?board=" + o.board,
                                      "/api/v1/boards/" + o.board + "?offset=5000&limit=100"};
    // The day's seed and board, the page of today's board and the home page beside it.
    if (!o.paths.empty()) {
        paths = o.paths;
    } else if (o.board.empty()) {
        httplib::Client ask(kHost, o.port);
        auto res = ask.Get("/api/v1/daily");
        auto day = res ? nlohmann::json::parse(res->body, nullptr, false) : nlohmann::json();
        if (!day.is_object() || !day["date"].is_string()) {
            std::fprintf(stderr, "quorvex-load: GET /api/v1/daily failed\n");
            return 1;
        }
        paths = {"/api/v1/daily", "/daily/" + day["date"].get<std::string>(), "/"};
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
                        client.Post("/api/v1/runs", submitHeaders(tokens, n % o.players, salt),
                                    body, "application/octet-stream");
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

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(
            "usage: quorvex-load forge|submit|verdicts|board|daily|drill|drip|idle|flood ...\n",
            stderr);
        return 2;
    }
    std::string mode = argv[1];
    if (mode == "forge") return forge(argc, argv);
    if (mode == "drip" || mode == "idle" || mode == "flood" || mode == "slowbody" ||
        mode == "read") {
        AttackOptions a;
        for (int i = 2; i + 1 < argc; i += 2) {
            std::string arg = argv[i];
            double v = std::atof(argv[i + 1]);
            if (arg == "--port")
                a.port = static_cast<int>(v);
            else if (arg == "--connections")
                a.connections = std::clamp(static_cast<int>(v), 1, 2000);
            else if (arg == "--per-source")
                a.perSource = std::clamp(static_cast<int>(v), 1, 2000);
            else if (arg == "--interval")
                a.interval = std::clamp(v, 0.01, 60.0);
            else if (arg == "--seconds")
                a.seconds = std::clamp(v, 1.0, 600.0);
            else if (arg == "--pid")
                a.serverPid = static_cast<int>(v);
            else if (arg == "--mib")
                a.floodMiB = std::clamp(static_cast<int>(v), 1, 4096);
            else if (arg == "--probe")
                a.probe = argv[i + 1];
            else if (arg == "--rate")
                a.rateKiB = std::clamp(v, 1.0, 1e6);
            else {
                std::fprintf(stderr, "quorvex-load: unknown option %s\n", arg.c_str());
                return 2;
            }
        }
        if (mode == "read") return slowRead(a);
        return mode == "flood" ? floodHeaders(a) : attackConnections(mode.c_str(), a);
    }
    Options o;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        bool has = i + 1 < argc;
        if (arg == "--port" && has)
            o.port = std::stoi(argv[++i]);
        else if (arg == "--replay" && has) {
            while (i + 1 < argc && argv[i + 1][0] != '-')
                o.replays.push_back(argv[++i]);
        } else if (arg == "--count" && has)
            o.count = std::stoi(argv[++i]);
        else if (arg == "--threads" && has)
            o.threads = std::stoi(argv[++i]);
        else if (arg == "--players" && has)
            o.players = std::max(1, std::stoi(argv[++i]));
        else if (arg == "--per-second" && has)
            o.perSecond = std::stod(argv[++i]);
        else if (arg == "--board" && has)
            o.board = argv[++i];
        else if (arg == "--path" && has)
            o.paths.push_back(argv[++i]);
        else if (arg == "--ledger" && has)
            o.ledger = argv[++i];
        else if (arg == "--data" && has)
            o.data = argv[++i];
        else if (arg == "--seconds" && has)
            o.seconds = std::stod(argv[++i]);
        else {
            std::fprintf(stderr, "quorvex-load: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    o.count = std::clamp(o.count, 1, 1000000);
    o.threads = std::clamp(o.threads, 1, 64);
    bool reads = mode == "board" || mode == "daily";
    if (!reads && o.replays.empty()) {
        std::fputs("quorvex-load: --replay FILE is needed\n", stderr);
        return 2;
    }
    if (!reads) {
        // The rules are read from the data folder; the files named keep their meaning.
        for (std::string& path : o.replays)
            path = std::filesystem::absolute(path).string();
        if (!o.ledger.empty()) o.ledger = std::filesystem::absolute(o.ledger).string();
        if (!startRulesIn(o.data)) return 2;
    }
    if (mode == "submit") return submit(o);
    if (mode == "verdicts") return verdicts(o);
    if (mode == "board") return board(o);
    if (mode == "daily") {
        o.board.clear();
        return board(o);
    }
    if (mode == "drill" && !o.ledger.empty()) return drill(o);
    std::fprintf(stderr, "quorvex-load: unknown mode %s\n", mode.c_str());
    return 2;
}
