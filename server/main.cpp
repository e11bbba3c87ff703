// quorvex-server: the leaderboard. Serves the API and pages and runs
// verifier workers over one PostgreSQL database.
//
//   quorvex-server --db CONNINFO [--listen HOST:PORT] [--workers N]
//                  [--api-only | --workers-only] [--config FILE]
//                  [--verifier PATH] [--data DIR] [--web DIR]
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

#include "replay/replay_file.h"
#include "server/config/settings.h"
#include "server/daily/daily.h"
#include "server/db/connection.h"
#include "server/db/migrations.h"
#include "server/db/player_names.h"
#include "server/db/store.h"
#include "server/http/api.h"
#include "server/http/router.h"
#include "server/http/server.h"
#include "server/http/site.h"
#include "server/pages/pages.h"
#include "server/workers/child_process.h"
#include "server/workers/worker.h"

namespace {

void usage(std::FILE* out) {
    std::fputs("usage: quorvex-server --db CONNINFO [--listen HOST:PORT] [--workers N]\n"
               "                      [--api-only | --workers-only] [--config FILE]\n"
               "                      [--verifier PATH] [--data DIR] [--web DIR]\n"
               "                      [--set KEY=VALUE]...\n"
               "Serves the leaderboard API and pages and verifies submitted games.\n"
               "  --db CONNINFO     PostgreSQL connection string (QUORVEX_DB)\n"
               "  --listen H:P      address to serve on (default 127.0.0.1:8080)\n"
               "  --workers N       verifier workers in this process (default 2)\n"
               "  --api-only        serve the API and pages, verify nothing\n"
               "  --workers-only    verify, serve nothing\n"
               "  --config FILE     key = value settings (see docs/SERVER.md)\n"
               "  --verifier PATH   quorvex-verify (default: beside this program)\n"
               "  --data DIR        the game's rule data (default: data)\n"
               "  --web DIR         serve the browser game built there at /play\n"
               "  --set KEY=VALUE   any setting of the config file\n",
               out);
}

std::string besideMe(const char* name) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return name;
    return (self.parent_path() / name).string();
}

struct ShippedBoard {
    std::string key; // empty when the verifier could not say
    std::string fingerprint;
    double spawnAcceleration = 0;
};

// The shipped rule data's board in the generation this build records, as the
// verifier reports it.
ShippedBoard shippedBoard(const Settings& s) {
    ChildLimits limits;
    limits.cpuSeconds = 60;
    limits.wallSeconds = 60;
    limits.memoryMiB = s.verifyMemoryMiB;
    ChildResult r = runChild(
        {s.verifier, "--rules", "--data", s.data},
        {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "ALSOFT_DRIVERS=null"}, limits);
    if (r.exitCode != 0) return {};
    auto rules = nlohmann::json::parse(r.output.substr(0, r.output.find('\n')), nullptr, false);
    if (!rules.is_object() || !rules["fingerprint"].is_string() ||
        !rules["spawn_acceleration"].is_number())
        return {};
    std::string hex = rules["fingerprint"].get<std::string>();
    if (hex.size() != 16 || hex.find_first_not_of("0123456789abcdef") != std::string::npos)
        return {};
    float acceleration = rules["spawn_acceleration"].get<float>();
    ShippedBoard b;
    b.key = boardKey(std::stoull(hex, nullptr, 16), acceleration, generationOf(kReplayVersion));
    b.fingerprint = hex;
    b.spawnAcceleration = rules["spawn_acceleration"].get<double>();
    return b;
}

std::atomic<bool> g_stop{false};

// Makes each day's seed as the day begins, if no request made it first,
// and drops old rejected files now and then.
void keepDailySeeds(const std::string& conninfo, const DailyRules& rules, int rejectedDays) {
    int64_t made = -1;
    int64_t pruned = 0;
    std::unique_ptr<pqxx::connection> conn;
    while (!g_stop) {
        if (std::time(nullptr) - pruned >= 10) {
            pruned = std::time(nullptr);
            try {
                if (!conn || !conn->is_open()) conn = std::make_unique<pqxx::connection>(conninfo);
                pruneRejectedFiles(*conn, rejectedDays);
            } catch (const std::exception& e) {
                conn.reset();
                std::fprintf(stderr, "quorvex-server: rejected files: %s\n", e.what());
            }
        }
        int64_t day = dayOf(serverNow());
        if (day != made) {
            try {
                if (!conn || !conn->is_open()) conn = std::make_unique<pqxx::connection>(conninfo);
                dailySeed(*conn, day, rules);
                made = day;
            } catch (const std::exception& e) {
                // The database is away: the first request of the day makes it instead.
                conn.reset();
                std::fprintf(stderr, "quorvex-server: the daily seed: %s\n", e.what());
                std::this_thread::sleep_for(std::chrono::seconds(5));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

} // namespace

int main(int argc, char** argv) {
    Settings s;
    std::string why;
    std::vector<std::pair<std::string, std::string>> options;
    std::string configFile;
    bool apiOnly = false, workersOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "quorvex-server: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--api-only") {
            apiOnly = true;
        } else if (arg == "--workers-only") {
            workersOnly = true;
        } else if (arg == "--config") {
            configFile = value();
        } else if (arg == "--set") {
            std::string kv = value();
            size_t eq = kv.find('=');
            if (eq == std::string::npos) {
                std::fprintf(stderr, "quorvex-server: --set needs KEY=VALUE\n");
                return 2;
            }
            options.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            std::string key = arg.substr(2);
            if (key == "db" || key == "listen" || key == "workers" || key == "verifier" ||
                key == "data" || key == "web") {
                options.emplace_back(key, value());
            } else {
                std::fprintf(stderr, "quorvex-server: unknown option %s\n", arg.c_str());
                usage(stderr);
                return 2;
            }
        } else {
            std::fprintf(stderr, "quorvex-server: unexpected argument %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (apiOnly && workersOnly) {
        std::fprintf(stderr, "quorvex-server: --api-only and --workers-only exclude each other\n");
        return 2;
    }
    if ((!configFile.empty() && !applySettingsFile(configFile, s, why)) ||
        !applySettingsEnvironment(s, why)) {
        std::fprintf(stderr, "quorvex-server: %s\n", why.c_str());
        return 2;
    }
    for (const auto& [key, v] : options) {
        if (!applySetting(key, v, s, why)) {
            std::fprintf(stderr, "quorvex-server: --%s: %s\n", key.c_str(), why.c_str());
            return 2;
        }
    }
    if (!s.clock.empty()) {
        int64_t at = 0;
        if (!parseClock(s.clock, at)) {
            std::fprintf(stderr,
                         "quorvex-server: --clock: \"%s\" is not a UTC time such as "
                         "2026-12-10T23:59:58Z\n",
                         s.clock.c_str());
            return 2;
        }
        setServerClock(at);
    }
    s.api = !workersOnly;
    s.runWorkers = !apiOnly && s.workers > 0;
    if (s.verifier.empty()) s.verifier = besideMe("quorvex-verify");
    std::error_code ec;
    s.data = std::filesystem::absolute(s.data, ec).string();
    // Read whole before anything starts: a folder that cannot be served stops here.
    WebFiles web;
    if (s.api && !s.web.empty()) {
        if (!web.load(s.web, why)) {
            std::fprintf(stderr, "quorvex-server: --web: %s\n", why.c_str());
            return 2;
        }
        std::printf("quorvex-server: the browser game: %zu files, %zu KiB from %s\n", web.count(),
                    web.bytes() >> 10, s.web.c_str());
    }

    // Block the stop signals in every thread; one thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    setConnectionInfo(s.db, s.dbConnections);
    std::string defaultBoard;
    try {
        pqxx::connection conn(s.db);
        if (!migrateSchema(conn, why)) {
            std::fprintf(stderr, "quorvex-server: %s\n", why.c_str());
            return 1;
        }
        try {
            if (int keyed = backfillGameKeys(conn))
                std::printf("quorvex-server: keyed %d stored run%s by their games\n", keyed,
                            keyed == 1 ? "" : "s");
        } catch (const pqxx::sql_error& e) {
            // Another process keying the same runs at the same moment.
            std::fprintf(stderr, "quorvex-server: keying stored runs: %s\n", e.what());
        }
        try {
            if (int filled = backfillSkeletons(conn))
                std::printf("quorvex-server: %d player name%s given look-alike skeletons\n", filled,
                            filled == 1 ? "" : "s");
        } catch (const pqxx::sql_error& e) {
            // A new player took a skeleton at the same moment; the next start finishes.
            std::fprintf(stderr, "quorvex-server: name skeletons: %s\n", e.what());
        }
        {
            // Runs that were verifying when this host's last server stopped go
            // back to the queue now, not when their leases run out.
            char host[256] = "host";
            gethostname(host, sizeof host - 1);
            if (int released = releaseDeadWorkers(conn, host, true))
                std::printf("quorvex-server: took up %d job%s of a stopped server\n", released,
                            released == 1 ? "" : "s");
        }
        ShippedBoard shipped = shippedBoard(s);
        defaultBoard = shipped.key;
        if (!defaultBoard.empty()) {
            ensureBoard(conn, defaultBoard, shipped.fingerprint, shipped.spawnAcceleration,
                        generationOfBoard(defaultBoard));
            storeDefaultBoard(conn, defaultBoard);
        } else {
            defaultBoard = loadDefaultBoard(conn);
            std::fprintf(stderr,
                         "quorvex-server: %s could not report the shipped rules; default board "
                         "%s\n",
                         s.verifier.c_str(),
                         defaultBoard.empty() ? "unknown" : defaultBoard.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvex-server: database: %s\n", e.what());
        return 1;
    }

    std::vector<std::thread> workers;
    if (s.runWorkers) {
        char host[256] = "host";
        gethostname(host, sizeof host - 1);
        for (int i = 0; i < s.workers; ++i) {
            WorkerConfig config;
            config.conninfo = s.db;
            config.verifier = s.verifier;
            config.data = s.data;
            config.limits.cpuSeconds = s.verifyCpuSeconds;
            config.limits.wallSeconds = s.verifyWallSeconds;
            config.limits.memoryMiB = s.verifyMemoryMiB;
            config.perAddress = std::max(1, s.workers / 2);
            config.retries = s.verifyRetries;
            config.leaseSeconds = s.leaseSeconds;
            config.name =
                std::string(host) + ":" + std::to_string(getpid()) + "/" + std::to_string(i + 1);
            config.host = host;
            config.first = i == 0;
            workers.emplace_back([config] { runWorker(config, g_stop); });
        }
    }

    std::thread dailyKeeper;
    if (!defaultBoard.empty())
        dailyKeeper = std::thread(keepDailySeeds, s.db, dailyRulesOf(defaultBoard), s.rejectedDays);

    ServerContext context(s);
    context.web = std::move(web);
    setBrowserGameServed(context.servesWeb());
    context.defaultBoard = defaultBoard;
    context.generation =
        defaultBoard.empty() ? generationOf(kReplayVersion) : generationOfBoard(defaultBoard);
    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        g_stop = true;
    });

    int status = 0;
    Router router;
    addApiRoutes(router, context);
    addSiteRoutes(router, context);
    addFallbackRoutes(router);
    HttpLimits limits;
    limits.threads = s.httpThreads;
    limits.connections = static_cast<unsigned>(s.connectionLimit);
    limits.perAddress = static_cast<unsigned>(s.connectionsPerAddress);
    limits.headerSeconds = s.headerSeconds;
    limits.requestSeconds = s.requestSeconds;
    limits.bodyBytes = kMaxSubmissionBytes;
    limits.bodyTooLarge = "a replay is at most 1 MiB";
    HttpServer server(router, limits);
    if (s.api) {
        if (!server.start(s.listenHost, s.listenPort, why)) {
            std::fprintf(stderr, "quorvex-server: %s\n", why.c_str());
            g_stop = true;
            status = 1;
        } else {
            std::printf("quorvex-server: serving http://%s:%d/ with %d worker%s\n",
                        s.listenHost.c_str(), s.listenPort, s.runWorkers ? s.workers : 0,
                        s.runWorkers && s.workers == 1 ? "" : "s");
            std::fflush(stdout);
        }
    } else {
        std::printf("quorvex-server: %d worker%s verifying\n", s.workers,
                    s.workers == 1 ? "" : "s");
        std::fflush(stdout);
    }
    while (!g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    server.stop();
    g_stop = true;
    for (auto& w : workers)
        w.join();
    if (dailyKeeper.joinable()) dailyKeeper.join();
    // Wake the signal thread if the server ended by itself.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return status;
}
