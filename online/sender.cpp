#include "online/sender.h"

#include <cstdio>
#include <mutex>
#include <thread>

#include "online/api.h"
#include "online/http_client.h"
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

} // namespace sending

using namespace sending;

namespace {

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
    sh.thread = std::thread(runSender);
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

void noteFinishedGame(const std::vector<uint8_t>& replay, float spawnAcceleration, uint32_t day) {
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
    sh.status.runDay = day;
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

void requestDaily() {
    Shared& sh = shared();
    std::lock_guard<std::mutex> lock(sh.m);
    if (!sh.config.enabled || !sh.thread.joinable()) return;
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
        sh.status.daily = DailyState::Unknown;
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
