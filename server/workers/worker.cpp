#include "server/workers/worker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <pqxx/pqxx>
#include <thread>
#include <unistd.h>

namespace {

struct Job {
    int64_t runId = 0;
    int attempts = 0;
    int generation = 1; // as the file's version says
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

Verdict simpleVerdict(Verdict::Kind kind, const std::string& reason) {
    Verdict v;
    v.kind = kind;
    v.reason = reason;
    return v;
}

std::optional<Job> claimJob(pqxx::connection& conn, const WorkerConfig& config) {
    pqxx::work tx(conn);
    auto r = tx.exec_params(
        "WITH next AS (SELECT run_id FROM jobs WHERE not_before <= now() "
        "  AND (lease_until IS NULL OR lease_until < now()) AND NOT ($1 = ANY (passed_by)) "
        "  ORDER BY run_id LIMIT 1 FOR UPDATE SKIP LOCKED) "
        "UPDATE jobs SET attempts = jobs.attempts + 1, worker = $1, "
        "  lease_until = now() + make_interval(secs => $2) "
        "FROM next WHERE jobs.run_id = next.run_id RETURNING jobs.run_id, jobs.attempts",
        config.name, config.leaseSeconds);
    if (r.empty()) return std::nullopt;
    Job job{r[0][0].as<int64_t>(), r[0][1].as<int>(), 1, {}};
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
                   "seed = NULLIF($8, -1), game_end = NULLIF($9, ''), "
                   "day = NULLIF($10, '')::date WHERE id = $1",
                   job.runId, verified ? "verified" : "rejected", v.reason,
                   v.replayed.is_null() ? std::string() : v.replayed.dump(), v.version,
                   v.fingerprint, config.name, v.seed, v.end, v.day);
    if (verified) {
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
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvex-run-XXXXXX.qvr";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemps(name.data(), 4);
    if (fd < 0) return simpleVerdict(Verdict::Retry, "no room for the replay file");
    bool written =
        write(fd, job.replay.data(), job.replay.size()) == static_cast<ssize_t>(job.replay.size());
    close(fd);
    Verdict v;
    if (!written) {
        v = simpleVerdict(Verdict::Retry, "no room for the replay file");
    } else {
        ChildResult child =
            runChild({config.verifier, "--json", "--data", config.data, name.data()},
                     {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "ALSOFT_DRIVERS=null"},
                     config.limits);
        v = judgeVerifier(child, config.limits);
    }
    unlink(name.data());
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
}

} // namespace

Verdict judgeVerifier(const ChildResult& child, const ChildLimits& limits) {
    Verdict v;
    if (!child.started) {
        v.reason = "the verifier could not be started";
        return v;
    }
    if (child.cpuExceeded) {
        return simpleVerdict(Verdict::Rejected, "over the limits: more than " +
                                                    std::to_string(limits.cpuSeconds) +
                                                    " CPU seconds to replay");
    }
    if (child.timedOut) {
        v.reason = "the verifier ran past " + std::to_string(limits.wallSeconds) + " s";
        return v;
    }
    if (child.exitCode < 0 || child.exitCode > 2) {
        v.reason = "the verifier crashed";
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
            while (!stop) {
                std::optional<Job> job = claimJob(conn, config);
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
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quorvex-server: %s: %s\n", config.name.c_str(), e.what());
            for (int i = 0; i < 10 && !stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}
