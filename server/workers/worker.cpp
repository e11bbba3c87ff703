#include "server/workers/worker.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <pqxx/pqxx>
#include <thread>
#include <unistd.h>
#include <vector>

#include "server/db/player_names.h"
#include "server/runs/screening.h"

namespace {

struct Job {
    int64_t runId = 0;
    int attempts = 0;
    int generation = 1; // as the file's version says
    double claimedSeconds = 0;
    std::string replay;
};

// Keeps at most this many workers that left a job (names change with each
// process, so an upgraded worker tries the job again).
constexpr int kMaxPassedBy = 32;

class JobListener : public pqxx::notification_receiver {
  public:
    explicit JobListener(pqxx::connection_base& conn)
        : pqxx::notification_receiver(conn, "quorvex_jobs") {}
    void operator()(const std::string&, int) override {}
};

// Jobs given back are not counted as attempts: the worker never finished.
const char* kGiveBack =
    "WITH back AS (UPDATE jobs SET worker = NULL, lease_until = NULL, "
    "  attempts = greatest(attempts - 1, 0) WHERE worker = $1 RETURNING run_id) "
    "UPDATE runs SET status = 'queued' FROM back WHERE runs.id = back.run_id "
    "AND runs.status = 'verifying'";

// The process id in a worker's name, "host:pid/n"; 0 when it has none.
pid_t pidOf(const std::string& worker, const std::string& host) {
    if (worker.compare(0, host.size() + 1, host + ":") != 0) return 0;
    size_t slash = worker.find('/', host.size() + 1);
    if (slash == std::string::npos) return 0;
    std::string digits = worker.substr(host.size() + 1, slash - host.size() - 1);
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return static_cast<pid_t>(std::stol(digits));
}

Verdict simpleVerdict(Verdict::Kind kind, const std::string& reason) {
    Verdict v;
    v.kind = kind;
    v.reason = reason;
    return v;
}

std::optional<Job> claimJob(pqxx::connection& conn, const WorkerConfig& config) {
    pqxx::work tx(conn);
    // Fair between addresses: the jobs of the address holding fewest
    // workers come first, and an address already holding its share waits
    // while another address's job is ready.
    auto r = tx.exec_params(
        "WITH held AS (SELECT client_address, count(*) AS n FROM jobs "
        "  WHERE lease_until >= now() GROUP BY client_address), "
        "ready AS (SELECT j.run_id, j.client_address, coalesce(h.n, 0) AS n FROM jobs j "
        "  LEFT JOIN held h ON h.client_address = j.client_address "
        "  WHERE j.not_before <= now() AND (j.lease_until IS NULL OR j.lease_until < now()) "
        "  AND NOT ($1 = ANY (j.passed_by))), "
        "next AS (SELECT j.run_id FROM jobs j JOIN ready USING (run_id) "
        "  WHERE ready.n < $3 OR NOT EXISTS (SELECT 1 FROM ready o "
        "    WHERE o.client_address <> ready.client_address AND o.n < $3) "
        "  ORDER BY ready.n, j.run_id LIMIT 1 FOR UPDATE OF j SKIP LOCKED) "
        "UPDATE jobs SET attempts = jobs.attempts + 1, worker = $1, "
        "  lease_until = now() + make_interval(secs => $2) "
        "FROM next WHERE jobs.run_id = next.run_id "
        "RETURNING jobs.run_id, jobs.attempts, jobs.claimed_seconds",
        config.name, config.leaseSeconds, config.perAddress);
    if (r.empty()) return std::nullopt;
    Job job{r[0][0].as<int64_t>(), r[0][1].as<int>(), 1, r[0][2].as<double>(), {}};
    auto run = tx.exec_params(
        "UPDATE runs SET status = 'verifying' WHERE id = $1 RETURNING replay, generation",
        job.runId);
    if (!run.empty()) {
        job.replay = pqxx::binarystring(run[0][0]).str();
        job.generation = run[0][1].as<int>();
    }
    tx.commit();
    return job;
}

// Records the verdict unless the lease ran out and the job went elsewhere.
void recordVerdict(pqxx::connection& conn, const WorkerConfig& config, const Job& job,
                   const Verdict& v) {
    pqxx::work tx(conn);
    if (v.kind == Verdict::Retry) {
        tx.exec_params("UPDATE jobs SET worker = NULL, lease_until = NULL, "
                       "not_before = now() + make_interval(secs => 2 * attempts) "
                       "WHERE run_id = $1 AND worker = $2",
                       job.runId, config.name);
        tx.exec_params("UPDATE runs SET status = 'queued' WHERE id = $1 AND status = 'verifying'",
                       job.runId);
        tx.commit();
        return;
    }
    if (v.kind == Verdict::Elsewhere) {
        // Not an attempt: the run is sound, this verifier is not the one for it.
        tx.exec_params("UPDATE jobs SET worker = NULL, lease_until = NULL, "
                       "attempts = greatest(attempts - 1, 0), "
                       "passed_by = (array_append(passed_by, $2::text))"
                       "[greatest(1, cardinality(passed_by) + 2 - $3):] "
                       "WHERE run_id = $1 AND worker = $2",
                       job.runId, config.name, kMaxPassedBy);
        tx.exec_params("UPDATE runs SET status = 'queued', reason = $2 WHERE id = $1 "
                       "AND status = 'verifying'",
                       job.runId, "waiting for a worker that can replay it: " + v.reason);
        tx.commit();
        return;
    }
    if (tx.exec_params("DELETE FROM jobs WHERE run_id = $1 AND worker = $2 RETURNING 1", job.runId,
                       config.name)
            .empty())
        return;
    bool verified = v.kind == Verdict::Verified;
    tx.exec_params("UPDATE runs SET status = $2, reason = $3, replayed = NULLIF($4, '')::jsonb, "
                   "verdict_at = now(), verifier_version = NULLIF($5, ''), "
                   "verdict_fingerprint = NULLIF($6, ''), verdict_worker = $7, "
                   "seed = NULLIF($8::bigint, -1), game_end = NULLIF($9, ''), "
                   "day = NULLIF($10, '')::date, code = $11 WHERE id = $1",
                   job.runId, verified ? "verified" : "rejected", v.reason,
                   v.replayed.is_null() ? std::string() : v.replayed.dump(), v.version,
                   v.fingerprint, config.name, v.seed, v.end, v.day, v.code);
    if (verified) {
        // A rename the run carried counts from now; a rejected run's never does.
        applyRunRename(tx, job.runId);
        // A first name is the player's, and a board is shown, once a run verifies.
        tx.exec_params("UPDATE players SET named = true WHERE id = (SELECT player_id FROM runs "
                       "WHERE id = $1) AND NOT named AND name_key NOT LIKE '#%'",
                       job.runId);
        tx.exec_params("UPDATE boards SET shown = true WHERE key = (SELECT board FROM runs "
                       "WHERE id = $1) AND NOT shown",
                       job.runId);
        tx.exec_params(
            "INSERT INTO board_best (board, player_id, run_id, score, game_time, kills, "
            "  submitted_at) "
            "SELECT board, player_id, id, (replayed->>'score')::bigint, "
            "  (replayed->>'time')::real, (replayed->>'kills')::integer, submitted_at "
            "FROM runs WHERE id = $1 "
            "ON CONFLICT (board, player_id) DO UPDATE SET run_id = EXCLUDED.run_id, "
            "  score = EXCLUDED.score, game_time = EXCLUDED.game_time, kills = EXCLUDED.kills, "
            "  submitted_at = EXCLUDED.submitted_at "
            "WHERE (board_best.score, EXCLUDED.game_time, EXCLUDED.submitted_at) "
            "    < (EXCLUDED.score, board_best.game_time, board_best.submitted_at)",
            job.runId);
    }
    tx.commit();
}

Verdict verifyJob(const WorkerConfig& config, const Job& job) {
    // The budget follows the game time the file claims; the wall-clock
    // deadline stays the overall one.
    ChildLimits limits = config.limits;
    limits.cpuSeconds = cpuBudget(job.claimedSeconds, config.limits.cpuSeconds);
    // The replay goes in on standard input: no file to leave behind.
    ChildResult child =
        runChild({config.verifier, "--json", "--data", config.data, "-"},
                 {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "ALSOFT_DRIVERS=null"},
                 limits, job.replay);
    Verdict v = judgeVerifier(child, limits);
    if (v.kind == Verdict::Verified && job.generation == 1 && v.died == 0) {
        // Older files do not say how they ended; the replay does.
        v.kind = Verdict::Rejected;
        v.code = "not_a_played_game";
        v.reason = "only games that end with the Marine's death are ranked; this one did not";
    }
    return v;
}

bool isDay(const std::string& t) {
    if (t.size() != 10 || t[4] != '-' || t[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (t[i] < '0' || t[i] > '9') return false;
    int y = std::stoi(t.substr(0, 4)), m = std::stoi(t.substr(5, 2)), d = std::stoi(t.substr(8));
    static const int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return y >= 1 && m >= 1 && m <= 12 && d >= 1 && d <= days[m - 1] && (m != 2 || d < 29 || leap);
}

// What the verifier read from the file besides the result; anything not as
// expected is left out rather than stored.
void readFacts(const nlohmann::json& line, Verdict& v) {
    auto number = [&](const char* key, int64_t lo, int64_t hi) -> int64_t {
        if (!line.contains(key) || !line[key].is_number_integer()) return -1;
        int64_t n = line[key].get<int64_t>();
        return n >= lo && n <= hi ? n : -1;
    };
    v.generation = static_cast<int>(std::max<int64_t>(0, number("generation", 1, 1000)));
    v.seed = number("seed", 0, 0xffffffffLL);
    if (line.contains("end") && line["end"].is_string()) {
        std::string end = line["end"].get<std::string>();
        if (end == "death" || end == "new-game" || end == "exit" || end == "program-end")
            v.end = end;
    }
    if (line.contains("day") && line["day"].is_string() && isDay(line["day"].get<std::string>()))
        v.day = line["day"].get<std::string>();
    if (line.contains("died") && line["died"].is_boolean()) v.died = line["died"].get<bool>();
}

} // namespace

int releaseDeadWorkers(pqxx::connection& conn, const std::string& host, bool atStart) {
    pqxx::work tx(conn);
    auto held = tx.exec_params("SELECT DISTINCT worker FROM jobs WHERE worker LIKE $1 "
                               "AND lease_until >= now()",
                               host + ":%");
    int released = 0;
    for (const auto& row : held) {
        std::string worker = row[0].c_str();
        pid_t pid = pidOf(worker, host);
        // At start, names with this process's id are an earlier process's
        // that had the same id (a restarted container).
        bool dead = pid == getpid() ? atStart : pid > 0 && kill(pid, 0) == -1 && errno == ESRCH;
        if (dead) released += static_cast<int>(tx.exec_params(kGiveBack, worker).affected_rows());
    }
    tx.commit();
    return released;
}

void giveBackJobs(pqxx::connection& conn, const std::string& worker) {
    pqxx::work tx(conn);
    tx.exec_params(kGiveBack, worker);
    tx.commit();
}

Verdict judgeVerifier(const ChildResult& child, const ChildLimits& limits) {
    Verdict v;
    if (!child.started) {
        v.reason = "the verifier could not be started";
        return v;
    }
    if (child.cpuExceeded) {
        Verdict over = simpleVerdict(Verdict::Rejected, "over the limits: more than " +
                                                            std::to_string(limits.cpuSeconds) +
                                                            " CPU seconds to replay");
        over.code = "over_the_limits";
        return over;
    }
    if (child.timedOut) {
        v.reason = "the verifier ran past " + std::to_string(limits.wallSeconds) + " s";
        return v;
    }
    if (child.exitCode < 0 || child.exitCode > 2) {
        v.reason = child.signal != 0
                       ? "the verifier was ended by signal " + std::to_string(child.signal)
                       : "the verifier crashed";
        return v;
    }
    nlohmann::json line =
        nlohmann::json::parse(child.output.substr(0, child.output.find('\n')), nullptr, false);
    if (!line.is_object() || !line.contains("status") || !line["status"].is_string()) {
        v.reason = "the verifier's answer could not be read";
        return v;
    }
    auto text = [&](const char* key) {
        return line.contains(key) && line[key].is_string() ? line[key].get<std::string>()
                                                           : std::string();
    };
    v.version = text("version");
    v.fingerprint = text("fingerprint");
    v.replayed = line.contains("replayed") ? line["replayed"] : nlohmann::json();
    readFacts(line, v);
    std::string status = text("status");
    if (status == "unusable" && line.contains("other_platform") &&
        line["other_platform"].is_boolean() && line["other_platform"].get<bool>()) {
        v.kind = Verdict::Elsewhere;
        v.reason = text("reason").empty() ? "this verifier cannot replay it" : text("reason");
        return v;
    }
    nlohmann::json recorded = line.contains("recorded") ? line["recorded"] : nlohmann::json();
    if (status == "verified" && recorded.is_object() && recorded == v.replayed) {
        v.kind = Verdict::Verified;
        // The game's result is what it came to at the Marine's death: frames
        // after it (his body shoved onto a bonus) count in the file's own
        // result, never on the board. Verifiers before it said nothing of it.
        const nlohmann::json result = line.contains("result") ? line["result"] : nlohmann::json();
        if (result.is_object() && result.value("score", nlohmann::json()).is_number_unsigned() &&
            result.value("time", nlohmann::json()).is_number() &&
            result.value("kills", nlohmann::json()).is_number_integer())
            for (const char* key : {"score", "time", "kills"})
                v.replayed[key] = result[key];
        return v;
    }
    v.kind = Verdict::Rejected;
    if (status == "unusable") {
        v.reason = text("reason").empty() ? "unusable" : text("reason");
        return v;
    }
    v.reason = "differs";
    if (line.contains("differs_from") && line["differs_from"].is_number_integer() &&
        line["differs_from"].get<int64_t>() >= 0)
        v.reason += " from " + std::to_string(line["differs_from"].get<int64_t>()) + " s on";
    if (recorded.is_object() && v.replayed.is_object()) {
        for (const char* key : {"score", "time", "kills", "frames", "checksum"}) {
            if (recorded.value(key, nlohmann::json()) != v.replayed.value(key, nlohmann::json())) {
                v.reason += std::string(": ") + key + " recorded " + recorded[key].dump() +
                            ", replayed " + v.replayed[key].dump();
                break;
            }
        }
    }
    return v;
}

void runWorker(const WorkerConfig& config, const std::atomic<bool>& stop) {
    // A verdict reached while the database went away is recorded after
    // reconnecting, as long as the lease still holds.
    std::optional<std::pair<Job, Verdict>> unrecorded;
    while (!stop) {
        try {
            pqxx::connection conn(config.conninfo);
            JobListener listener(conn);
            if (unrecorded) {
                recordVerdict(conn, config, unrecorded->first, unrecorded->second);
                unrecorded.reset();
            }
            int64_t lookedAt = 0;
            while (!stop) {
                if (config.first && std::time(nullptr) - lookedAt >= 5) {
                    // A process on this host that died leaves no lease behind for long.
                    lookedAt = std::time(nullptr);
                    if (int n = releaseDeadWorkers(conn, config.host, false))
                        std::fprintf(stderr,
                                     "quorvex-server: took up %d job%s of a stopped "
                                     "process\n",
                                     n, n == 1 ? "" : "s");
                }
                std::optional<Job> job = claimJob(conn, config);
                if (stop && job) {
                    // Stopping: the next process takes it up at once.
                    giveBackJobs(conn, config.name);
                    break;
                }
                if (!job) {
                    // Woken by a new job; the timeout also finds expired leases.
                    conn.await_notification(1, 0);
                    continue;
                }
                Verdict v;
                if (job->attempts > 1 + config.retries) {
                    v = simpleVerdict(Verdict::Rejected, "verifier failed");
                } else {
                    v = verifyJob(config, *job);
                    if (v.kind == Verdict::Verified && v.generation != 0 &&
                        v.generation != job->generation) {
                        // The server and the verifier read the file's version apart.
                        v = simpleVerdict(Verdict::Rejected, "the verifier read generation " +
                                                                 std::to_string(v.generation) +
                                                                 " where the server read " +
                                                                 std::to_string(job->generation));
                    }
                    if (v.kind == Verdict::Elsewhere) {
                        std::fprintf(stderr,
                                     "quorvex-server: %s: run %lld: %s; left in the queue for "
                                     "a worker that can replay it\n",
                                     config.name.c_str(), static_cast<long long>(job->runId),
                                     v.reason.c_str());
                    }
                    if (v.kind == Verdict::Retry) {
                        std::fprintf(stderr, "quorvex-server: %s: run %lld: %s (attempt %d)\n",
                                     config.name.c_str(), static_cast<long long>(job->runId),
                                     v.reason.c_str(), job->attempts);
                        if (job->attempts >= 1 + config.retries)
                            v = simpleVerdict(Verdict::Rejected, "verifier failed");
                    }
                }
                unrecorded.emplace(std::move(*job), v);
                recordVerdict(conn, config, unrecorded->first, unrecorded->second);
                unrecorded.reset();
            }
            giveBackJobs(conn, config.name);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quorvex-server: %s: %s\n", config.name.c_str(), e.what());
            for (int i = 0; i < 10 && !stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}
