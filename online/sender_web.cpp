// The sender in the page: the desktop's outbox and API over the browser's
// fetch, stepped from the main loop. One request is in flight at a time;
// its answer arrives between frames and is read as the desktop reads it.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "online/api.h"
#include "online/outbox.h"
#include "online/sender.h"
#include "online/sender_rules.h"
#include "online/sender_web.h"
#include "online/web_fetch.h"
#include "platform/user_files.h"
#include "replay/replay_file.h"

namespace online {

namespace {

constexpr double kPollEveryMs = 2000.0;
constexpr double kBestEveryMs = 120000.0;
constexpr double kOutboxLookEveryMs = 2000.0;

enum class Job { None, Submit, Poll, Best, Daily, Forget };

struct WebSender {
    bool started = false;
    Status status;
    OnlineConfig config;
    std::string configFile;
    std::string outbox;
    std::string origin;
    // The game lost before Online was offered: sent only after a yes.
    std::vector<uint8_t> held;
    float heldAcceleration = 0.0f;
    uint32_t heldDay = 0;
    bool offer = false;
    // The outbox's rules, as on the desktop.
    std::string lastFile;
    int64_t followId = 0;
    double nextSend = 0.0;
    double nextPoll = 0.0;
    double nextBest = 0.0;
    double nextLook = 0.0;
    int failures = 0;
    bool nameTaken = false;
    bool forget = false;
    bool fetchDaily = false;
    // The request in flight; `epoch` tells an answer that outlived the
    // account it was asked for (Online turned off, another name).
    Job job = Job::None;
    std::string jobFile;
    unsigned epoch = 0;
    unsigned jobEpoch = 0;
};

WebSender web;

void setReason(const std::string& reason) {
    std::snprintf(web.status.reason, sizeof web.status.reason, "%s", reason.c_str());
}

void publish(RunState run, const std::string& reason = "", int rank = -1) {
    web.status.run = run;
    setReason(reason);
    if (rank >= 0) web.status.rank = rank;
}

bool ready() {
    return web.config.enabled && !web.config.token.empty() && checkName(web.config.name).empty();
}

bool save(std::string* why) {
    ++web.epoch;
    web.status.enabled = web.config.enabled;
    return saveConfig(web.configFile, web.config, why);
}

Account account() {
    // Relative paths: the page talks to its own origin only.
    return Account{"", web.config.name, web.config.token};
}

void backOff(long retryAfter) {
    ++web.failures;
    web.nextSend = emscripten_get_now() +
                   1000.0 * static_cast<double>(backoffSeconds(web.failures, retryAfter));
}

void answered(const HttpResponse& r);

void startRequest(Job job, HttpRequest req) {
    web.job = job;
    web.jobEpoch = web.epoch;
    fetchRequest(std::move(req), answered);
}

void submitAnswered(const SubmitResult& r) {
    bool last = web.jobFile == web.lastFile;
    switch (r.kind) {
    case SubmitResult::Taken:
        markSent(web.outbox, web.jobFile);
        web.failures = 0;
        web.nextSend = 0.0;
        if (last) {
            web.lastFile.clear();
            web.followId = r.id;
            web.nextPoll = emscripten_get_now() + 300.0;
            publish(RunState::Verifying);
        }
        break;
    case SubmitResult::Refused:
        markRefused(web.outbox, web.jobFile, r.reason);
        if (last) publish(RunState::Refused, r.reason);
        break;
    case SubmitResult::NameTaken:
        // Nothing goes until the player chooses another name.
        web.nameTaken = web.status.nameTaken = true;
        if (last)
            publish(RunState::Refused, "the name " + web.config.name + " is taken: choose another");
        break;
    default:
        backOff(r.retryAfterSeconds);
        if (last) publish(RunState::Saved);
        break;
    }
    web.nextLook = 0.0;
}

void pollAnswered(const RunInfo& info) {
    web.nextPoll = emscripten_get_now() + kPollEveryMs;
    if (!info.ok) return;
    if (info.status == "verified") {
        web.status.spawnAcceleration = info.spawnAcceleration;
        publish(RunState::Verified, "", info.rank);
        web.followId = 0;
        web.nextBest = 0.0;
    } else if (info.status == "rejected") {
        publish(RunState::Refused, info.reason);
        web.followId = 0;
    } else {
        publish(RunState::Verifying);
    }
}

void bestAnswered(const PlayerInfo& info) {
    if (info.ok) noteBestRanks(web.status, info);
}

void dailyAnswered(const DailyInfo& d) {
    noteDaily(web.status, web.config.enabled, d);
}

void forgetAnswered(const HttpResponse& r) {
    std::string message;
    bool gone = readForget(r, message);
    if (gone) {
        web.config.token.clear();
        web.config.enabled = false;
        web.status.boardCount = 0;
        std::string why;
        if (!save(&why)) message += "; " + why;
    }
    setReason((gone ? "Forgotten: " : "Not forgotten: ") + message);
}

void answered(const HttpResponse& r) {
    Job job = web.job;
    web.job = Job::None;
    // The outbox follows the server whatever the player did meanwhile.
    if (job == Job::Submit) {
        submitAnswered(readSubmit(r));
        return;
    }
    if (job == Job::Forget) {
        forgetAnswered(r);
        return;
    }
    if (web.jobEpoch != web.epoch) return;
    if (job == Job::Poll) pollAnswered(readRunInfo(r));
    if (job == Job::Best) {
        web.nextBest = emscripten_get_now() + kBestEveryMs;
        bestAnswered(readPlayerInfo(r));
    }
    if (job == Job::Daily) dailyAnswered(readDailyAnswer(r));
}

// The oldest waiting file, sent; false when none may go now.
bool sendNext(double now) {
    if (web.nameTaken || now < web.nextSend || now < web.nextLook) return false;
    web.nextLook = now + kOutboxLookEveryMs;
    std::vector<std::string> files = waitingRuns(web.outbox);
    web.status.waiting = static_cast<int>(files.size());
    for (const std::string& file : files) {
        std::string bytes;
        std::string why;
        std::string path = web.outbox + "/" + file;
        platform::ReadStatus st = platform::readFileLimited(path, kMaxReplayBytes, bytes, &why);
        if (st == platform::ReadStatus::TooBig) {
            markRefused(web.outbox, file, "larger than the server takes (1 MiB)");
            continue;
        }
        if (st != platform::ReadStatus::Ok) {
            std::fprintf(stderr, "quorvex: cannot read %s: %s\n", path.c_str(), why.c_str());
            continue;
        }
        if (file == web.lastFile) publish(RunState::Sending);
        web.jobFile = file;
        startRequest(Job::Submit, submitRequest(account(), bytes));
        return true;
    }
    return false;
}

// The game lost before the yes goes to the outbox now.
void keepHeld() {
    if (web.held.empty()) return;
    std::string file;
    std::string why;
    bool ok = addToOutbox(web.outbox, web.held, file, &why);
    web.status.spawnAcceleration = web.heldAcceleration;
    web.status.runDay = web.heldDay;
    web.status.rank = 0;
    web.held.clear();
    if (!ok) {
        publish(RunState::NotSaved, why);
        return;
    }
    publish(RunState::Sending);
    web.lastFile = file;
    web.nextLook = 0.0;
}

} // namespace

const std::string& pageServer() {
    if (web.origin.empty()) {
        char origin[256] = {};
        EM_ASM({ stringToUTF8(String(location.origin), $0, $1); }, origin, sizeof origin);
        web.origin = origin;
    }
    return web.origin;
}

void startSender(const std::string& configFile, const std::string& outboxDir) {
    if (web.started) return;
    web = WebSender{};
    web.started = true;
    web.configFile = configFile;
    web.outbox = outboxDir;
    std::string why;
    web.config = loadConfig(configFile, &why);
    if (!why.empty()) std::fprintf(stderr, "quorvex: %s\n", why.c_str());
    // Whatever the file says, the page sends to where it came from.
    web.config.server = pageServer();
    if (web.config.enabled && ensureToken(web.config) && !save(&why))
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
    web.status.enabled = web.config.enabled;
    if (web.config.enabled) web.fetchDaily = true;
}

void stopSender() {
    // A request in flight is answered into a sender that has stopped: its
    // file stays in the outbox for the next visit.
    web.started = false;
    ++web.epoch;
}

void stepSender() {
    if (!web.started || web.job != Job::None) return;
    double now = emscripten_get_now();
    if (web.forget) {
        web.forget = false;
        if (web.config.token.empty()) {
            setReason("Forgotten: there was no token to forget");
        } else {
            startRequest(Job::Forget, forgetRequest(account()));
            return;
        }
    }
    if (!ready()) return;
    if (web.fetchDaily) {
        web.fetchDaily = false;
        startRequest(Job::Daily, dailyRequest(""));
        return;
    }
    if (sendNext(now)) return;
    if (web.failures > 0 && !web.lastFile.empty() && web.status.run == RunState::Sending)
        publish(RunState::Saved);
    if (web.followId != 0 && now >= web.nextPoll) {
        startRequest(Job::Poll, runInfoRequest("", web.followId));
        return;
    }
    if (now >= web.nextBest) {
        web.nextBest = now + kBestEveryMs;
        startRequest(Job::Best, playerInfoRequest("", web.config.name));
    }
}

void readStatus(Status& out) {
    out = web.status;
}

int bestRankAt(const Status& s, float spawnAcceleration) {
    int best = 0;
    for (int i = 0; i < s.boardCount; ++i)
        if (std::fabs(s.boardAcceleration[i] - spawnAcceleration) < 1e-6f &&
            (best == 0 || s.boardRank[i] < best))
            best = s.boardRank[i];
    return best;
}

void noteFinishedGame(const std::vector<uint8_t>& replay, float spawnAcceleration, uint32_t day) {
    if (!web.started) return;
    if (!web.config.enabled) {
        // Nothing leaves before a yes; the first loss asks for one.
        if (web.config.asked) return;
        web.held = replay;
        web.heldAcceleration = spawnAcceleration;
        web.heldDay = day;
        web.offer = true;
        return;
    }
    web.held = replay;
    web.heldAcceleration = spawnAcceleration;
    web.heldDay = day;
    keepHeld();
    if (web.status.run == RunState::Sending && !ready()) publish(RunState::Saved);
}

void requestDaily() {
    if (!web.config.enabled) return;
    web.fetchDaily = true;
    web.status.daily = DailyState::Fetching;
}

OnlineConfig currentConfig() {
    return web.config;
}

bool setEnabled(bool on, std::string* why) {
    if (on) {
        std::string bad = checkName(web.config.name);
        if (!bad.empty()) {
            if (why) *why = bad;
            return false;
        }
        if (web.config.token.empty() && !ensureToken(web.config)) {
            if (why) *why = "no random source for the token";
            return false;
        }
    } else {
        web.status.run = RunState::None;
        web.status.daily = DailyState::Unknown;
    }
    web.config.enabled = on;
    web.config.asked = true;
    web.offer = false;
    bool ok = save(why);
    if (on) {
        web.fetchDaily = true;
        web.nextBest = 0.0;
        keepHeld();
    } else {
        web.held.clear();
    }
    return ok;
}

bool setServer(const std::string&, std::string* why) {
    if (why) *why = "the page sends only to " + pageServer();
    return false;
}

bool setName(const std::string& name, std::string* why) {
    std::string bad = checkName(name);
    if (!bad.empty()) {
        if (why) *why = bad;
        return false;
    }
    if (name != web.config.name) {
        web.nameTaken = web.status.nameTaken = false;
        web.failures = 0;
        web.nextSend = web.nextBest = 0.0;
    }
    web.config.name = name;
    return save(why);
}

void forgetMe() {
    web.forget = true;
}

bool takeOnlineOffer() {
    bool offer = web.offer;
    web.offer = false;
    return offer;
}

void declineOnline() {
    web.config.asked = true;
    web.offer = false;
    web.held.clear();
    std::string why;
    if (!save(&why)) std::fprintf(stderr, "quorvex: %s\n", why.c_str());
}

} // namespace online
