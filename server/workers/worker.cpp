#include "server/workers/worker.h"

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
    std::string replay;
};

class JobListener : public pqxx::notification_receiver {
  public:
    explicit JobListener(pqxx::connection_base& conn)
        : pqxx::notification_receiver(conn, "quorvex_jobs") {}
    void operator()(const std::string&, int) override {}
};

std::optional<Job> claimJob(pqxx::connection& conn, const WorkerConfig& config) {
    pqxx::work tx(conn);
    auto r = tx.exec_params(
        "WITH next AS (SELECT run_id FROM jobs WHERE not_before <= now() "
        "  AND (lease_until IS NULL OR lease_until < now()) "
        "  ORDER BY run_id LIMIT 1 FOR UPDATE SKIP LOCKED) "
        "UPDATE jobs SET attempts = jobs.attempts + 1, worker = $1, "
        "  lease_until = now() + make_interval(secs => $2) "
        "FROM next WHERE jobs.run_id = next.run_id RETURNING jobs.run_id, jobs.attempts",
        config.name, config.leaseSeconds);
    if (r.empty()) return std::nullopt;
    Job job{r[0][0].as<int64_t>(), r[0][1].as<int>(), {}};
    auto run = tx.exec_params("UPDATE runs SET status = 'verifying' WHERE id = $1 RETURNING replay",
                              job.runId);
    if (!run.empty()) job.replay = pqxx::binarystring(run[0][0]).str();
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
    if (tx.exec_params("DELETE FROM jobs WHERE run_id = $1 AND worker = $2 RETURNING 1", job.runId,
                       config.name)
            .empty())
        return;
    bool verified = v.kind == Verdict::Verified;
    tx.exec_params("UPDATE runs SET status = $2, reason = $3, replayed = NULLIF($4, '')::jsonb, "
                   "verdict_at = now(), verifier_version = NULLIF($5, ''), "
                   "verdict_fingerprint = NULLIF($6, ''), verdict_worker = $7 WHERE id = $1",
                   job.runId, verified ? "verified" : "rejected", v.reason,
                   v.replayed.is_null() ? std::string() : v.replayed.dump(), v.version,
                   v.fingerprint, config.name);
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
    if (fd < 0) return {Verdict::Retry, "no room for the replay file", {}, {}, {}};
    bool written =
        write(fd, job.replay.data(), job.replay.size()) == static_cast<ssize_t>(job.replay.size());
    close(fd);
    Verdict v;
    if (!written) {
        v = {Verdict::Retry, "no room for the replay file", {}, {}, {}};
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

} // namespace

Verdict judgeVerifier(const ChildResult& child, const ChildLimits& limits) {
    Verdict v;
    if (!child.started) {
        v.reason = "the verifier could not be started";
        return v;
    }
    if (child.cpuExceeded) {
        return {Verdict::Rejected,
                "over the limits: more than " + std::to_string(limits.cpuSeconds) +
                    " CPU seconds to replay",
                {},
                {},
                {}};
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
    std::string status = text("status");
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
                    v = {Verdict::Rejected, "verifier failed", {}, {}, {}};
                } else {
                    v = verifyJob(config, *job);
                    if (v.kind == Verdict::Retry) {
                        std::fprintf(stderr, "quorvex-server: %s: run %lld: %s (attempt %d)\n",
                                     config.name.c_str(), static_cast<long long>(job->runId),
                                     v.reason.c_str(), job->attempts);
                        if (job->attempts >= 1 + config.retries)
                            v = {Verdict::Rejected, "verifier failed", {}, {}, {}};
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
