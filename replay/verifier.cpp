#include "replay/verifier.h"

#include <cstdio>

#include "draw/draw_list.h"
#include "game/player/marine.h"
#include "game/rules/rule_data.h"
#include "game/world/checksum.h"
#include "game/world/effects.h"
#include "game/world/world.h"
#include "input/settings_values.h"
#include "math/rules_math.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "session/menu_items.h"
#include "session/session.h"

const char* const kOtherPlatformReason =
    "made by an older version of the game that only the Linux build replays";

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

// What the end of the replayed game shows against what the file says.
bool endMatches(GameEnd end) {
    World& w = world();
    if (end == GameEnd::Unknown) return true;
    if (w.marine.marineDead) return end == GameEnd::Death;
    switch (end) {
    case GameEnd::NewGame:
        return session().input.menuShown &&
               (hoveredAction() == MenuAction::NewGame || hoveredAction() == MenuAction::Daily);
    case GameEnd::ExitWin:
        return session().input.menuShown && hoveredAction() == MenuAction::Exit;
    case GameEnd::ProgramEnd:
        return true;
    default:
        return false;
    }
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
    // Nobody looks at the pictures, and nothing is recorded: from here on
    // the verifier's threads only read what is shared.
    drawList.recording = false;
    setRecordingEnabled(false);
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
    if (path == "-") {
        std::vector<uint8_t> bytes;
        uint8_t chunk[65536];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0 &&
               bytes.size() <= kMaxReplayFileBytes)
            bytes.insert(bytes.end(), chunk, chunk + n);
        if (!decodeReplay(bytes.data(), bytes.size(), replay, out.reason)) return out;
    } else if (!readReplayFile(path, replay, out.reason)) {
        return out;
    }
    return verifyReplay(replay);
}

VerifyOutcome verifyReplay(const Replay& replay) {
    VerifyOutcome out;
    out.decoded = true;
    out.recorded = replay.result;
    out.fingerprint = replay.rulesFingerprint;
    out.spawnAcceleration = replay.start.spawnAcceleration;
    out.generation = generationOf(replay.version);
    out.seed = replay.start.seed;
    if (out.generation == kFirstGeneration && !platformReplaysGeneration1()) {
        out.reason = kOtherPlatformReason;
        out.otherPlatform = true;
        return out;
    }
    if (replay.rulesFingerprint != rulesFingerprint()) {
        out.reason = kOtherRulesReason;
        return out;
    }
    std::vector<uint64_t> sums;
    out.replayed = playReplayNow(replay, &sums);
    out.replayed.end = replay.result.end;
    out.replayed.day = replay.result.day;
    out.played = true;
    out.died = world().marine.marineDead;
    out.result = resultOf(world());
    bool same = sameResult(out.replayed, replay.result);
    if (out.generation != kFirstGeneration) {
        out.differsFrom = firstDifferingSecond(replay.secondSums, sums);
        // Every second agreed, the end did not: it parted in the last one.
        if (out.differsFrom < 0 && !same) out.differsFrom = static_cast<int>(sums.size());
    }
    if (same && out.differsFrom < 0) {
        if (!endMatches(replay.result.end)) {
            out.reason = std::string("its recorded end (") + gameEndName(replay.result.end) +
                         ") is not how the game it replays ends";
            return out;
        }
        out.status = VerifyStatus::Verified;
    } else {
        out.status = VerifyStatus::Differs;
        out.reason = "the replay does not reproduce its game";
        if (out.differsFrom >= 0)
            out.reason += " (differs from " + std::to_string(out.differsFrom) + " s on)";
    }
    return out;
}
