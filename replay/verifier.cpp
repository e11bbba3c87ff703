#include "replay/verifier.h"

#include <cstdio>

#include "draw/draw_list.h"
#include "game/session/rule_data.h"
#include "game/world/checksum.h"
#include "game/world/effects.h"
#include "input/settings_values.h"
#include "replay/replay_player.h"

namespace {

float shippedAcceleration = 0.0f;
bool started = false;

// The data folder's "Settings.ini" read as the game reads it.
float readShippedAcceleration() {
    std::FILE* file = std::fopen("Settings.ini", "r");
    if (!file) return 0.0f;
    char text[512] = {};
    size_t length = std::fread(text, 1, sizeof(text) - 1, file);
    text[length] = '\0';
    std::fclose(file);
    return settingsFieldsOf(text).spawnAcceleration;
}

} // namespace

bool startVerifier(std::string& why) {
    if (started) return true;
    // The loaders' own complaints name no file; the one line below does.
    void (*problem)(const char*, const char*) = effectHooks.problem;
    effectHooks.problem = [](const char*, const char*) {};
    const char* unread = startRules();
    effectHooks.problem = problem;
    if (unread) {
        why = std::string("the game's rule data could not be read: ") + unread +
              " is missing or damaged (run it in the game's data folder)";
        return false;
    }
    // Nobody looks at the pictures.
    drawList.recording = false;
    shippedAcceleration = readShippedAcceleration();
    started = true;
    return true;
}

void stopVerifier() {
    started = false;
    drawList.recording = true;
}

uint64_t verifierFingerprint() {
    return rulesFingerprint();
}

float shippedSpawnAcceleration() {
    return shippedAcceleration;
}

VerifyOutcome verifyFile(const std::string& path) {
    VerifyOutcome out;
    Replay replay;
    if (!readReplayFile(path, replay, out.reason)) return out;
    return verifyReplay(replay);
}

VerifyOutcome verifyReplay(const Replay& replay) {
    VerifyOutcome out;
    out.decoded = true;
    out.recorded = replay.result;
    out.fingerprint = replay.rulesFingerprint;
    out.spawnAcceleration = replay.start.spawnAcceleration;
    if (replay.rulesFingerprint != rulesFingerprint()) {
        out.reason = kOtherRulesReason;
        return out;
    }
    out.replayed = playReplayNow(replay);
    out.played = true;
    if (sameResult(out.replayed, replay.result)) {
        out.status = VerifyStatus::Verified;
    } else {
        out.status = VerifyStatus::Differs;
        out.reason = "the replay does not reproduce its game";
    }
    return out;
}
