// Verifier workers: each claims a queued job, replays the stored game in a
// child quorvex-verify and records the verdict.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>
#include <pqxx/pqxx>

#include "server/workers/child_process.h"

struct WorkerConfig {
    std::string conninfo;
    std::string verifier;
    std::string data;
    ChildLimits limits;
    int retries = 3;
    int leaseSeconds = 360;
    std::string name; // shown in jobs.worker while it holds one: "host:pid/n"
    std::string host;
    bool first = false; // looks now and then for jobs of stopped processes
    // While other addresses' jobs wait, one address's jobs hold at most
    // this many of the workers (half of this process's).
    int perAddress = 1;
};

struct Verdict {
    // Elsewhere: this verifier cannot replay the file's generation; the job
    // is left for a worker whose verifier can.
    enum Kind { Verified, Rejected, Retry, Elsewhere } kind = Retry;
    std::string reason;
    std::string code;        // machine-readable, for the refusals the game shows
    nlohmann::json replayed; // null unless the game was played
    std::string version;
    std::string fingerprint;
    // What the verifier read from the file, where it says (0, -1, "": not said).
    int generation = 0;
    int64_t seed = -1;
    std::string end; // death, new-game, exit, program-end
    std::string day; // YYYY-MM-DD, daily games only
    int died = -1;   // whether the replayed game ended in death: 1, 0, -1 not said
};

// What one run of the verifier means for the run.
Verdict judgeVerifier(const ChildResult& child, const ChildLimits& limits);

// Gives back the jobs leased by workers of processes on `host` that are no
// longer running (a restart takes them up at once, not when the lease ends).
// Returns how many.
// At start, the names with this process's own id are dead ones too.
int releaseDeadWorkers(pqxx::connection& conn, const std::string& host, bool atStart);
// Gives back whatever `worker` holds.
void giveBackJobs(pqxx::connection& conn, const std::string& worker);

// Works until `stop` is set, then gives back what it holds; survives
// database restarts.
void runWorker(const WorkerConfig& config, const std::atomic<bool>& stop);
