#include "online/sender.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "online/api.h"
#include "online/http_client.h"
#include "online/outbox.h"
#include "platform/user_files.h"

namespace online {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr size_t kMaxReplayBytes = 1024 * 1024;
constexpr int kMaxBackoffSeconds = 60;
constexpr auto kPollEvery = seconds(2);
constexpr auto kBestEvery = seconds(120);

struct Shared {
    std::mutex m;
    std::condition_variable wake;
    Status status;
    OnlineConfig config;
    std::string configFile;
    std::string outbox;
    std::string lastFile; // the game that ended last, in the outbox
    bool changed = false;
    bool forget = false;
    bool stop = false;
    std::thread thread;
};

Shared& shared() {
    static Shared s;
    return s;
}

// Rises to abandon the transfer in flight: at exit, or when Online goes off.
std::atomic<bool> abandon{false};

void setReason(Status& s, const std::string& reason) {
    std::snprintf(s.reason, sizeof s.reason, "%s", reason.c_str());
}

void publish(RunState run, const std::string& reason = "", int rank = -1) {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.status.run = run;
    setReason(sh.status, reason);
    if (rank >= 0) sh.status.rank = rank;
}

float accelerationOfBoard(const std::string& board) {
    size_t dash = board.rfind('-');
    return dash == std::string::npos ? -1.0f : std::strtof(board.c_str() + dash + 1, nullptr);
}

// The thread's own state: only it touches this.
struct Worker {
    Account account;
    bool enabled = false;
    std::string outbox;
    Clock::time_point nextSend = Clock::now();
    int failures = 0;
    std::string lastFile;
    int64_t followId = 0; // the last game's run, until it has its verdict
    Clock::time_point nextPoll = Clock::now();
    Clock::time_point nextBest = Clock::now();
    bool nameTaken = false;
    bool haveWork = false; // files wait and may be sent

    void backOff(long retryAfter) {
        ++failures;
        long wait = std::min<long>(kMaxBackoffSeconds, 1L << std::min(failures - 1, 10));
        if (retryAfter >= 0) wait = std::max<long>(retryAfter, 1);
        nextSend = Clock::now() + seconds(wait);
    }

    void refreshBest() {
        nextBest = Clock::now() + kBestEvery;
        if (account.name.empty()) return;
        PlayerInfo info = playerInfo(account.server, account.name, &abandon);
        if (!info.ok) return;
        Shared& sh = shared();
        std::lock_guard<std::mutex> lock(sh.m);
        Status& s = sh.status;
        s.boardCount = 0;
        for (const BestRun& b : info.best) {
            if (s.boardCount == Status::kMaxBoards || b.rank <= 0) continue;
            s.boardAcceleration[s.boardCount] = accelerationOfBoard(b.board);
            s.boardRank[s.boardCount] = b.rank;
            ++s.boardCount;
        }
    }

    void poll() {
        nextPoll = Clock::now() + kPollEvery;
        RunInfo info = runInfo(account.server, followId, &abandon);
        if (!info.ok) return;
        if (info.status == "verified") {
            {
                Shared& sh = shared();
                std::lock_guard<std::mutex> lock(sh.m);
                sh.status.spawnAcceleration = info.spawnAcceleration;
            }
            publish(RunState::Verified, "", info.rank);
            followId = 0;
            refreshBest();
        } else if (info.status == "rejected") {
            publish(RunState::Refused, info.reason);
            followId = 0;
        } else {
            publish(RunState::Verifying);
        }
    }

    // One file to the server. False when the server cannot be reached now.
    bool send(const std::string& file) {
        bool last = file == lastFile;
        std::string path = outbox + "/" + file;
        std::string bytes;
        std::string why;
        platform::ReadStatus st = platform::readFileLimited(path, kMaxReplayBytes, bytes, &why);
        if (st == platform::ReadStatus::Missing) return true; // another copy sent it
        if (st == platform::ReadStatus::TooBig) {
            markRefused(outbox, file, "larger than the server takes (1 MiB)");
            return true;
        }
        if (st != platform::ReadStatus::Ok) {
            std::fprintf(stderr, "quorvex: cannot read %s: %s\n", path.c_str(), why.c_str());
            return true;
        }
        if (last) publish(RunState::Sending);
        SubmitResult r = submitRun(account, bytes, &abandon);
        switch (r.kind) {
        case SubmitResult::Taken:
            markSent(outbox, file);
            failures = 0;
            if (last) {
                lastFile.clear();
                followId = r.id;
                nextPoll = Clock::now() + milliseconds(300);
                publish(RunState::Verifying);
            }
            return true;
        case SubmitResult::Refused:
            markRefused(outbox, file, r.reason);
            if (last) publish(RunState::Refused, r.reason);
            return true;
        case SubmitResult::NameTaken: {
            // Nothing goes until the player chooses another name.
            nameTaken = true;
            Shared& sh = shared();
            std::lock_guard<std::mutex> lock(sh.m);
            sh.status.nameTaken = true;
            if (last) {
                sh.status.run = RunState::Refused;
                setReason(sh.status, "the name " + account.name + " is taken: choose another");
            }
            return false;
        }
        case SubmitResult::Stopped:
            if (last) publish(RunState::Saved);
            return false;
        case SubmitResult::Again:
            break;
        }
        backOff(r.retryAfterSeconds);
        if (last) publish(RunState::Saved);
        return false;
    }

    void sendWaiting() {
        std::vector<std::string> files = waitingRuns(outbox);
        {
            Shared& sh = shared();
            std::lock_guard<std::mutex> lock(sh.m);
            sh.status.waiting = static_cast<int>(files.size());
        }
        haveWork = !files.empty() && !nameTaken;
        if (!haveWork) return;
        if (Clock::now() < nextSend) {
            if (!lastFile.empty() && failures > 0) publish(RunState::Saved);
            return;
        }
        // Two copies of the game: the one holding the lock sends, so that
        // a file goes once.
        platform::TryLock lock(outbox + "/.sending.lock");
        if (!lock.held()) {
            nextSend = Clock::now() + seconds(5);
            return;
        }
        // Listed again under the lock: the other copy may have sent some.
        files = waitingRuns(outbox);
        for (const std::string& f : files) {
            if (abandon.load() || !send(f)) break;
        }
        haveWork = !nameTaken && !waitingRuns(outbox).empty();
    }

    void forget() {
        std::string message;
        bool gone = forgetPlayer(account, message, &abandon);
        Shared& sh = shared();
        OnlineConfig c;
        std::string file;
        {
            std::lock_guard<std::mutex> lock(sh.m);
            sh.forget = false;
            sh.changed = true;
            if (gone) {
                sh.config.token.clear();
                sh.config.enabled = false;
                sh.status.enabled = false;
                sh.status.boardCount = 0;
            }
            c = sh.config;
            file = sh.configFile;
        }
        // Written outside the lock: the game loop reads the status meanwhile.
        std::string why;
        if (gone && !saveConfig(file, c, &why)) message += "; " + why;
        std::lock_guard<std::mutex> lock(sh.m);
        setReason(sh.status, (gone ? "Forgotten: " : "Not forgotten: ") + message);
    }

    void run() {
        Shared& sh = shared();
        for (;;) {
            bool doForget = false;
            {
                std::unique_lock<std::mutex> lock(sh.m);
                if (sh.stop) return;
                if (sh.changed) {
                    sh.changed = false;
                    abandon.store(false);
                    OnlineConfig c = sh.config;
                    bool accountChanged = c.name != account.name || c.server != account.server;
                    account = Account{c.server, c.name, c.token};
                    enabled = c.enabled && !c.token.empty() && checkServer(c.server).empty() &&
                              checkName(c.name).empty();
                    outbox = sh.outbox;
                    if (!sh.lastFile.empty()) lastFile = sh.lastFile;
                    sh.lastFile.clear();
                    if (accountChanged) {
                        nameTaken = false;
                        sh.status.nameTaken = false;
                        failures = 0;
                        nextSend = nextBest = Clock::now();
                    }
                }
                doForget = sh.forget && !account.server.empty() && !account.token.empty();
                if (sh.forget && !doForget) {
                    sh.forget = false;
                    setReason(sh.status, "Forgotten: there was no token to forget");
                }
            }
            if (doForget) forget();
            if (enabled) {
                sendWaiting();
                if (followId != 0 && Clock::now() >= nextPoll) poll();
                if (!account.name.empty() && Clock::now() >= nextBest) refreshBest();
            }
            std::unique_lock<std::mutex> lock(sh.m);
            auto until = Clock::now() + seconds(30);
            if (enabled) {
                // An empty outbox waits for the next game (noteFinishedGame wakes it).
                if (haveWork)
                    until = std::min(until, std::max(nextSend, Clock::now() + milliseconds(100)));
                if (followId != 0) until = std::min(until, nextPoll);
            }
            sh.wake.wait_until(lock, until, [&] { return sh.stop || sh.changed || sh.forget; });
        }
    }
};

void saveLocked(Shared& sh, std::string* why, bool& ok) {
    ok = saveConfig(sh.configFile, sh.config, why);
    sh.changed = true;
    sh.status.enabled = sh.config.enabled;
    sh.wake.notify_all();
}

} // namespace

void startSender(const std::string& configFile, const std::string& outboxDir) {
    Shared& sh = shared();
    if (sh.thread.joinable()) return;
    initHttp();
    std::string why;
    OnlineConfig c = loadConfig(configFile, &why);
    if (!why.empty()) std::fprintf(stderr, "quorvex: %s\n", why.c_str());
    if (c.enabled) {
        std::string bad = checkServer(c.server);
        if (bad.empty()) bad = checkName(c.name);
        if (!bad.empty())
            std::fprintf(stderr, "quorvex: Online waits: %s (%s)\n", bad.c_str(),
                         configFile.c_str());
    }
    {
        std::lock_guard<std::mutex> lock(sh.m);
        sh.config = c;
        sh.configFile = configFile;
        sh.outbox = outboxDir;
        sh.status = Status{};
        sh.status.enabled = c.enabled;
        sh.changed = true;
        sh.stop = false;
        sh.forget = false;
    }
    // A player who wrote online.ini by hand gets a token the first time.
    if (c.enabled && ensureToken(c)) {
        std::lock_guard<std::mutex> lock(sh.m);
        sh.config.token = c.token;
        if (!saveConfig(configFile, sh.config, &why))
            std::fprintf(stderr, "quorvex: %s\n", why.c_str());
    }
    abandon.store(false);
    sh.thread = std::thread([] {
        Worker w;
        w.run();
    });
}

void stopSender() {
    Shared& sh = shared();
    {
        std::lock_guard<std::mutex> lock(sh.m);
        sh.stop = true;
    }
    abandon.store(true);
    sh.wake.notify_all();
    if (sh.thread.joinable()) sh.thread.join();
}

void readStatus(Status& out) {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    out = sh.status;
}

int bestRankAt(const Status& s, float spawnAcceleration) {
    int best = 0;
    for (int i = 0; i < s.boardCount; ++i)
        if (std::abs(s.boardAcceleration[i] - spawnAcceleration) < 1e-6f &&
            (best == 0 || s.boardRank[i] < best))
            best = s.boardRank[i];
    return best;
}

void noteFinishedGame(const std::vector<uint8_t>& replay, float spawnAcceleration) {
    Shared& sh = shared();
    std::string dir;
    {
        std::lock_guard<std::mutex> lock(sh.m);
        if (!sh.config.enabled || !sh.thread.joinable()) return;
        dir = sh.outbox;
    }
    std::string file;
    std::string why;
    bool ok = addToOutbox(dir, replay, file, &why);
    std::lock_guard<std::mutex> lock(sh.m);
    sh.status.spawnAcceleration = spawnAcceleration;
    sh.status.rank = 0;
    if (!ok) {
        sh.status.run = RunState::NotSaved;
        setReason(sh.status, why);
        return;
    }
    // Without a usable address or name it waits in the outbox until the
    // player gives them.
    bool ready = checkServer(sh.config.server).empty() && checkName(sh.config.name).empty();
    sh.status.run = ready ? RunState::Sending : RunState::Saved;
    sh.status.reason[0] = '\0';
    sh.lastFile = file;
    sh.changed = true;
    sh.wake.notify_all();
}

OnlineConfig currentConfig() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    return sh.config;
}

bool setEnabled(bool on, std::string* why) {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    if (on) {
        std::string bad = checkServer(sh.config.server);
        if (bad.empty()) bad = checkName(sh.config.name);
        if (!bad.empty()) {
            if (why) *why = bad;
            return false;
        }
        if (sh.config.token.empty() && !ensureToken(sh.config)) {
            if (why) *why = "no random source for the token";
            return false;
        }
    } else {
        // A send in flight stops; its file stays in the outbox.
        abandon.store(true);
        sh.status.run = RunState::None;
    }
    sh.config.enabled = on;
    bool ok = false;
    saveLocked(sh, why, ok);
    return ok;
}

bool setServer(const std::string& server, std::string* why) {
    std::string bad = checkServer(server);
    if (!bad.empty()) {
        if (why) *why = bad;
        return false;
    }
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.config.server = server;
    while (!sh.config.server.empty() && sh.config.server.back() == '/')
        sh.config.server.pop_back();
    bool ok = false;
    saveLocked(sh, why, ok);
    return ok;
}

bool setName(const std::string& name, std::string* why) {
    std::string bad = checkName(name);
    if (!bad.empty()) {
        if (why) *why = bad;
        return false;
    }
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.config.name = name;
    bool ok = false;
    saveLocked(sh, why, ok);
    return ok;
}

void forgetMe() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.forget = true;
    sh.wake.notify_all();
}

} // namespace online
