#include "online/sender_machine.h"

#include <algorithm>
#include <cstdio>

#include "online/outbox.h"
#include "online/sender_rules.h"
#include "platform/user_files.h"

namespace online::sending {

namespace {

constexpr double kPollEveryMs = 2000.0;
constexpr double kFirstPollMs = 300.0;
constexpr double kBestEveryMs = 120000.0;
// An outbox with nothing that could be sent is looked at again after this.
constexpr double kLookEveryMs = 2000.0;
// Another copy of the game holds the outbox's lock.
constexpr double kLockedWaitMs = 5000.0;
constexpr double kIdleWaitMs = 30000.0;

} // namespace

Machine::Machine(Shared& shared) : sh_(shared) {}

Machine::~Machine() = default;

void Machine::takeChanges(double nowMs) {
    // Under the lock.
    sh_.changed = false;
    abandon.store(false);
    const OnlineConfig& c = sh_.config;
    bool page = !sh_.pageOrigin.empty();
    page_ = page;
    // The page sends by paths from the root: to its own origin only.
    Account next{page ? std::string() : c.server, c.name, c.token};
    bool accountChanged = next.name != account_.name || next.server != account_.server;
    bool wasEnabled = enabled_;
    account_ = next;
    enabled_ = readyToSend(c, page);
    outbox_ = sh_.outbox;
    // The menu's plate learns the day's state without a click.
    if (enabled_ && sh_.status.daily == DailyState::Unknown) sh_.fetchDaily = true;
    if (!sh_.lastFile.empty()) lastFile_ = sh_.lastFile;
    sh_.lastFile.clear();
    nextLook_ = 0.0; // a game may have come
    if (accountChanged) {
        nameTaken_ = false;
        sh_.status.nameTaken = false;
        failures_ = 0;
        nextSend_ = nowMs;
    }
    if (accountChanged || !wasEnabled) nextBest_ = nowMs;
    if (!enabled_) stopSending();
}

bool Machine::start(Job job, HttpRequest request, const Transport& t) {
    job_ = job;
    {
        std::lock_guard<std::mutex> lock(sh_.m);
        jobEpoch_ = sh_.epoch;
    }
    t.send(*this, std::move(request), t.context);
    return true;
}

void Machine::stopSending() {
    queue_.clear();
    outboxLock_.reset();
    nextLook_ = 0.0; // the next send lists the outbox afresh
}

bool Machine::step(double nowMs, const Transport& t) {
    if (busy()) return false;
    bool doForget = false;
    bool doDaily = false;
    {
        std::lock_guard<std::mutex> lock(sh_.m);
        if (sh_.stop) return false;
        if (sh_.changed) takeChanges(nowMs);
        if (sh_.forget) {
            sh_.forget = false;
            doForget =
                !account_.token.empty() && (!sh_.pageOrigin.empty() || !account_.server.empty());
            if (!doForget) setReason(sh_.status, "Forgotten: there was no token to forget");
        }
        // Before the outbox: the player waits on the menu for this.
        if (!doForget && sh_.fetchDaily) {
            sh_.fetchDaily = false;
            doDaily = true;
            if (!enabled_) {
                DailyInfo d;
                d.error = "no server or name";
                noteDaily(sh_.status, sh_.config.enabled, d);
                doDaily = false;
            }
        }
    }
    if (doForget) return start(Job::Forget, forgetRequest(account_), t);
    if (doDaily) return start(Job::Daily, dailyRequest(account_.server), t);
    if (!enabled_) return false;
    if (sendNext(nowMs, t)) return true;
    if (followId_ != 0 && nowMs >= nextPoll_)
        return start(Job::Poll, runInfoRequest(account_.server, followId_), t);
    if (!account_.name.empty() && nowMs >= nextBest_) {
        nextBest_ = nowMs + kBestEveryMs;
        return start(Job::Best, playerInfoRequest(account_.server, account_.name), t);
    }
    return false;
}

// The oldest waiting file, sent; false when none may go now.
bool Machine::sendNext(double nowMs, const Transport& t) {
    if (nameTaken_) {
        haveWork_ = false;
        return false;
    }
    if (nowMs < nextSend_) {
        if (!lastFile_.empty() && failures_ > 0) publish(RunState::Saved);
        return false;
    }
    if (queue_.empty()) {
        if (nowMs < nextLook_) return false;
        nextLook_ = nowMs + kLookEveryMs;
        std::vector<std::string> files = waitingRuns(outbox_);
        {
            std::lock_guard<std::mutex> lock(sh_.m);
            sh_.status.waiting = static_cast<int>(files.size());
        }
        haveWork_ = !files.empty();
        if (!haveWork_) {
            outboxLock_.reset();
            return false;
        }
        if (!outboxLock_ && !page_) {
            // Two copies of the game: the one holding the lock sends, so
            // that a file goes once. (The page's tabs have one owner of the
            // files already.)
            outboxLock_ = std::make_unique<platform::TryLock>(outbox_ + "/.sending.lock");
            if (!outboxLock_->held()) {
                outboxLock_.reset();
                nextSend_ = nowMs + kLockedWaitMs;
                return false;
            }
            // Listed again under the lock: the other copy may have sent some.
            files = waitingRuns(outbox_);
        }
        queue_ = std::move(files);
    }
    while (!queue_.empty()) {
        std::string file = queue_.front();
        queue_.erase(queue_.begin());
        std::string path = outbox_ + "/" + file;
        std::string bytes;
        std::string why;
        platform::ReadStatus st = platform::readFileLimited(path, kMaxReplayBytes, bytes, &why);
        if (st == platform::ReadStatus::Missing) continue; // another copy sent it
        if (st == platform::ReadStatus::TooBig) {
            markRefused(outbox_, file, "larger than the server takes (1 MiB)");
            continue;
        }
        if (st != platform::ReadStatus::Ok) {
            std::fprintf(stderr, "quorvex: cannot read %s: %s\n", path.c_str(), why.c_str());
            continue;
        }
        if (file == lastFile_) publish(RunState::Sending);
        jobFile_ = file;
        return start(Job::Submit, submitRequest(account_, bytes), t);
    }
    return false;
}

void Machine::answered(const HttpResponse& r, double nowMs) {
    Job job = job_;
    job_ = Job::None;
    bool current = false;
    {
        std::lock_guard<std::mutex> lock(sh_.m);
        current = jobEpoch_ == sh_.epoch;
    }
    switch (job) {
    case Job::None:
        break;
    case Job::Submit:
        // The outbox follows the server whatever the player did meanwhile.
        submitAnswered(readSubmit(r), nowMs);
        break;
    case Job::Forget:
        forgetAnswered(r);
        break;
    case Job::Poll:
        nextPoll_ = nowMs + kPollEveryMs;
        if (current) pollAnswered(readRunInfo(r), nowMs);
        break;
    case Job::Best: {
        PlayerInfo info = readPlayerInfo(r);
        if (current && info.ok) {
            std::lock_guard<std::mutex> lock(sh_.m);
            noteBestRanks(sh_.status, info);
        }
        break;
    }
    case Job::Daily: {
        // Always noted: the plate shows "fetching..." until an answer.
        DailyInfo d = readDailyAnswer(r);
        std::lock_guard<std::mutex> lock(sh_.m);
        noteDaily(sh_.status, sh_.config.enabled, d);
        break;
    }
    }
}

void Machine::submitAnswered(const SubmitResult& r, double nowMs) {
    bool last = jobFile_ == lastFile_;
    switch (r.kind) {
    case SubmitResult::Taken:
        markSent(outbox_, jobFile_);
        failures_ = 0;
        nextLook_ = 0.0;
        if (last) {
            lastFile_.clear();
            followId_ = r.id;
            nextPoll_ = nowMs + kFirstPollMs;
            publish(RunState::Verifying);
        }
        return;
    case SubmitResult::Refused:
        markRefused(outbox_, jobFile_, r.reason);
        nextLook_ = 0.0;
        if (last) {
            lastFile_.clear();
            publish(RunState::Refused, r.reason);
        }
        return;
    case SubmitResult::NameTaken: {
        // Nothing goes until the player chooses another name.
        nameTaken_ = true;
        haveWork_ = false;
        stopSending();
        std::lock_guard<std::mutex> lock(sh_.m);
        sh_.status.nameTaken = true;
        if (last) {
            sh_.status.run = RunState::Refused;
            setReason(sh_.status, "the name " + account_.name + " is taken: choose another");
        }
        return;
    }
    case SubmitResult::Stopped:
        stopSending();
        if (last) publish(RunState::Saved);
        return;
    case SubmitResult::Again:
        break;
    }
    ++failures_;
    nextSend_ =
        nowMs + 1000.0 * static_cast<double>(backoffSeconds(failures_, r.retryAfterSeconds));
    stopSending();
    if (last) publish(RunState::Saved);
}

void Machine::pollAnswered(const RunInfo& info, double nowMs) {
    if (!info.ok) return;
    if (info.status == "verified") {
        {
            std::lock_guard<std::mutex> lock(sh_.m);
            sh_.status.spawnAcceleration = info.spawnAcceleration;
        }
        publish(RunState::Verified, "", info.rank);
        followId_ = 0;
        nextBest_ = nowMs; // the new rank, at once
    } else if (info.status == "rejected") {
        publish(RunState::Refused, info.reason);
        followId_ = 0;
    } else {
        publish(RunState::Verifying);
    }
}

void Machine::forgetAnswered(const HttpResponse& r) {
    std::string message;
    bool gone = readForget(r, message);
    OnlineConfig c;
    std::string file;
    {
        std::lock_guard<std::mutex> lock(sh_.m);
        sh_.changed = true;
        if (gone) {
            sh_.config.token.clear();
            sh_.config.enabled = false;
            sh_.status.enabled = false;
            sh_.status.boardCount = 0;
            ++sh_.epoch;
        }
        c = sh_.config;
        file = sh_.configFile;
    }
    // Written outside the lock: the game loop reads the status meanwhile.
    std::string why;
    if (gone && !saveConfig(file, c, &why)) message += "; " + why;
    std::lock_guard<std::mutex> lock(sh_.m);
    setReason(sh_.status, (gone ? "Forgotten: " : "Not forgotten: ") + message);
}

double Machine::nextWork(double nowMs) const {
    double until = nowMs + kIdleWaitMs;
    if (!enabled_) return until;
    // An empty outbox waits for the next game (noteFinishedGame wakes it).
    if (haveWork_ && !nameTaken_)
        until =
            std::min(until, std::max({nextSend_, queue_.empty() ? nextLook_ : 0.0, nowMs + 100.0}));
    if (followId_ != 0) until = std::min(until, nextPoll_);
    if (!account_.name.empty()) until = std::min(until, nextBest_);
    return until;
}

} // namespace online::sending
