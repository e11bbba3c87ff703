#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "online/api.h"
#include "online/outbox.h"
#include "online/sender_rules.h"
#include "online/sender_state.h"
#include "platform/user_files.h"
#include "replay/replay_file.h"

namespace online::sending {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr auto kPollEvery = seconds(2);
constexpr auto kBestEvery = seconds(120);

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
        nextSend = Clock::now() + seconds(backoffSeconds(failures, retryAfter));
    }

    void refreshBest() {
        nextBest = Clock::now() + kBestEvery;
        if (account.name.empty()) return;
        PlayerInfo info = playerInfo(account.server, account.name, &abandon);
        if (!info.ok) return;
        Shared& sh = shared();
        std::lock_guard<std::mutex> lock(sh.m);
        noteBestRanks(sh.status, info);
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

    // Today's daily, for the menu's plate.
    void fetchDaily() {
        DailyInfo d;
        if (enabled)
            d = dailyInfo(account.server, &abandon);
        else
            d.error = "no server or name";
        Shared& sh = shared();
        std::lock_guard<std::mutex> lock(sh.m);
        noteDaily(sh.status, sh.config.enabled, d);
    }

    void run() {
        Shared& sh = shared();
        for (;;) {
            bool doForget = false;
            bool doDaily = false;
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
                    // The menu's plate learns the day's state without a click.
                    if (enabled && sh.status.daily == DailyState::Unknown) sh.fetchDaily = true;
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
                doDaily = sh.fetchDaily;
                sh.fetchDaily = false;
                if (sh.forget && !doForget) {
                    sh.forget = false;
                    setReason(sh.status, "Forgotten: there was no token to forget");
                }
            }
            if (doForget) forget();
            // Before the outbox: the player waits on the menu for this.
            if (doDaily) fetchDaily();
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
            sh.wake.wait_until(lock, until,
                               [&] { return sh.stop || sh.changed || sh.forget || sh.fetchDaily; });
        }
    }
};

} // namespace

void runSender() {
    Worker w;
    w.run();
}

} // namespace online::sending
