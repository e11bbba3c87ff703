// The game's side of the sender, the same on the desktop and in the page:
// what the game loop and the Options screen call. They change the shared
// state under its lock and return at once; the state machine does the rest
// when its thread (desktop) or the page's loop steps it.
#include "online/sender.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "online/outbox.h"
#include "online/sender_state.h"

namespace online {
namespace sending {

Shared& shared() {
    static Shared s;
    return s;
}

std::atomic<bool> abandon{false};

void setReason(Status& s, const std::string& reason) {
    std::snprintf(s.reason, sizeof s.reason, "%s", reason.c_str());
}

void publish(RunState run, const std::string& reason, int rank) {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.status.run = run;
    setReason(sh.status, reason);
    if (rank >= 0) sh.status.rank = rank;
}

bool readyToSend(const OnlineConfig& c, bool page) {
    return c.enabled && !c.token.empty() && (page || checkServer(c.server).empty()) &&
           checkName(c.name).empty();
}

void begin(const std::string& configFile, const std::string& outboxDir,
           const std::string& pageOrigin) {
    Shared& sh = shared();
    std::string why;
    OnlineConfig c = loadConfig(configFile, &why);
    if (!why.empty()) std::fprintf(stderr, "quorvex: %s\n", why.c_str());
    // Whatever the file says, the page sends to where it came from.
    if (!pageOrigin.empty()) c.server = pageOrigin;
    if (c.enabled) {
        std::string bad = pageOrigin.empty() ? checkServer(c.server) : std::string();
        if (bad.empty()) bad = checkName(c.name);
        if (!bad.empty())
            std::fprintf(stderr, "quorvex: Online waits: %s (%s)\n", bad.c_str(),
                         configFile.c_str());
    }
    // A player who wrote online.ini by hand gets a token the first time.
    bool madeToken = c.enabled && ensureToken(c);
    {
        std::lock_guard<std::mutex> lock(sh.m);
        sh.config = c;
        sh.configFile = configFile;
        sh.outbox = outboxDir;
        sh.pageOrigin = pageOrigin;
        sh.status = Status{};
        sh.status.enabled = c.enabled;
        sh.lastFile.clear();
        sh.held.clear();
        sh.offer = false;
        sh.changed = true;
        sh.stop = false;
        sh.forget = false;
        sh.fetchDaily = false;
        sh.started = true;
    }
    if (madeToken && !saveConfig(configFile, c, &why))
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
    abandon.store(false);
}

void end() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.stop = true;
    sh.started = false;
    sh.wake.notify_all();
}

} // namespace sending

using namespace sending;

namespace {

// Under the lock: every change to the account is saved and wakes the sender.
bool saveLocked(Shared& sh, std::string* why) {
    bool ok = saveConfig(sh.configFile, sh.config, why);
    ++sh.epoch;
    sh.changed = true;
    sh.status.enabled = sh.config.enabled;
    sh.wake.notify_all();
    return ok;
}

// A lost game written safely into the outbox, for the sender to find.
void keepInOutbox(const std::vector<uint8_t>& replay, float spawnAcceleration, uint32_t day) {
    Shared& sh = shared();
    std::string dir;
    {
        std::lock_guard<std::mutex> lock(sh.m);
        dir = sh.outbox;
    }
    std::string file;
    std::string why;
    bool ok = addToOutbox(dir, replay, file, &why);
    std::lock_guard<std::mutex> lock(sh.m);
    sh.status.spawnAcceleration = spawnAcceleration;
    sh.status.runDay = day;
    sh.status.rank = 0;
    if (!ok) {
        sh.status.run = RunState::NotSaved;
        setReason(sh.status, why);
        return;
    }
    // Without a usable address or name it waits in the outbox until the
    // player gives them.
    sh.status.run =
        readyToSend(sh.config, !sh.pageOrigin.empty()) ? RunState::Sending : RunState::Saved;
    sh.status.reason[0] = '\0';
    sh.lastFile = file;
    sh.changed = true;
    sh.wake.notify_all();
}

} // namespace

void readStatus(Status& out) {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    out = sh.status;
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
    Shared& sh = shared();
    {
        std::lock_guard<std::mutex> lock(sh.m);
        if (!sh.started) return;
        if (!sh.config.enabled) {
            // In the page nothing leaves before a yes; the first loss asks
            // for one.
            if (!sh.pageOrigin.empty() && !sh.config.asked) {
                sh.held = replay;
                sh.heldAcceleration = spawnAcceleration;
                sh.heldDay = day;
                sh.offer = true;
            }
            return;
        }
    }
    keepInOutbox(replay, spawnAcceleration, day);
}

void requestDaily() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    if (!sh.config.enabled || !sh.started) return;
    sh.fetchDaily = true;
    sh.status.daily = DailyState::Fetching;
    sh.wake.notify_all();
}

OnlineConfig currentConfig() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    return sh.config;
}

bool setEnabled(bool on, std::string* why) {
    Shared& sh = shared();
    std::vector<uint8_t> held;
    float heldAcceleration = 0.0f;
    uint32_t heldDay = 0;
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(sh.m);
        bool page = !sh.pageOrigin.empty();
        if (on) {
            std::string bad = page ? std::string() : checkServer(sh.config.server);
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
            sh.status.daily = DailyState::Unknown;
        }
        sh.config.enabled = on;
        if (page) {
            // The page's offer is answered, either way.
            sh.config.asked = true;
            sh.offer = false;
            if (on) {
                held.swap(sh.held);
                heldAcceleration = sh.heldAcceleration;
                heldDay = sh.heldDay;
            }
            sh.held.clear();
        }
        ok = saveLocked(sh, why);
    }
    // The game lost before the yes goes to the outbox now.
    if (!held.empty()) keepInOutbox(held, heldAcceleration, heldDay);
    return ok;
}

bool setServer(const std::string& server, std::string* why) {
    Shared& sh = shared();
    {
        std::lock_guard<std::mutex> lock(sh.m);
        if (!sh.pageOrigin.empty()) {
            if (why) *why = "the page sends only to " + sh.pageOrigin;
            return false;
        }
    }
    std::string bad = checkServer(server);
    if (!bad.empty()) {
        if (why) *why = bad;
        return false;
    }
    std::lock_guard<std::mutex> lock(sh.m);
    sh.config.server = server;
    while (!sh.config.server.empty() && sh.config.server.back() == '/')
        sh.config.server.pop_back();
    return saveLocked(sh, why);
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
    return saveLocked(sh, why);
}

void forgetMe() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    sh.forget = true;
    sh.wake.notify_all();
}

} // namespace online
