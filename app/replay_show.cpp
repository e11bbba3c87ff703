#include "app/replay_show.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/frame.h"
#include "app/input.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "input/pad_state.h"
#include "platform/gamepad.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "render/texture_bank_gl.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "replay/verifier.h"
#include "session/session.h"

namespace {

// The replay being shown.
Replay shown;
std::optional<ReplayReader> reader;
bool showing = false;
uint32_t lastTicks = 0;
double playedMs = 0.0; // the replay's own clock: real time, scaled, less pauses
double dueMs = 0.0;    // play time of the recorded frames run so far
double speed = 1.0;
bool paused = false;
bool waiting = false; // the last replayIdle found the next frame not yet due
void (*endHandler)(const ReplayResult&) = nullptr;
bool havePending = false;
bool capBefore = true;
ReplayEvent pending;

void fail(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "quorvex: %s: %s\n", path.c_str(), why.c_str());
}

bool sameRulesOrSay(const Replay& replay, const std::string& path) {
    if (rulesFingerprint() == replay.rulesFingerprint) return true;
    fail(path, kOtherRulesReason);
    return false;
}

void play(const ReplayEvent& e) {
    if (e.kind == ReplayEvent::Message) {
        windowProc(e.msg);
        return;
    }
    beginFrame(session().input, e.tickDelta, e.cursorX, e.cursorY);
    runFrame();
}

} // namespace

bool loadReplayFile(const std::string& path, Replay& out) {
    std::string why;
    if (readReplayFile(path, out, why)) return true;
    fail(path, why);
    return false;
}

int verifyCommand(const std::string& path) {
    Replay replay;
    if (!loadReplayFile(path, replay)) return 2;
    std::string why;
    if (!startVerifier(why)) {
        fail(path, why);
        return 2;
    }
    VerifyOutcome v = verifyReplay(replay);
    if (!v.played || v.status == VerifyStatus::Unusable) {
        fail(path, v.reason);
        return 2;
    }
    std::printf("score %" PRIu32 " time %.2f kills %" PRId32 " checksum %016" PRIx64 "\n",
                v.replayed.score, static_cast<double>(v.replayed.gameTime), v.replayed.kills,
                v.replayed.checksum);
    stopVerifier();
    if (v.status == VerifyStatus::Verified) return 0;
    std::fprintf(stderr,
                 "quorvex: %s: %s (recorded: score %" PRIu32 " time %.2f kills %" PRId32
                 " checksum %016" PRIx64 ")\n",
                 path.c_str(), v.reason.c_str(), replay.result.score,
                 static_cast<double>(replay.result.gameTime), replay.result.kills,
                 replay.result.checksum);
    return 1;
}

bool beginShowingReplay(const Replay& replay, const std::string& path) {
    World& w = world();
    if (!sameRulesOrSay(replay, path)) return false;
    shown = replay;
    restartAsRecorded(shown);
    // The ground the player saw.
    w.groundScheme = shown.start.groundScheme;
    render::remakeGround(w.groundScheme);
    reader.emplace(shown.events, shown.start.cursorX, shown.start.cursorY);
    havePending = false;
    showing = true;
    // The replay keeps its own time (each recorded frame at its moment), so
    // a display slower than the recording's does not slow it down.
    capBefore = platform::frameCapOn();
    platform::setFrameCap(false);
    lastTicks = platform::tickCount();
    playedMs = 0.0;
    dueMs = 0.0;
    paused = false;
    return true;
}

bool showingReplay() {
    return showing;
}

void replayWindowMessage(const Message& msg) {
    switch (msg.type) {
    case MsgType::KeyDown:
        if (msg.wParam == VkEscape) endShowingReplay();
        break;
    case MsgType::Create:
    case MsgType::Destroy:
        endShowingReplay();
        windowProc(msg);
        break;
    default:
        break; // the player's input does not reach the replayed world
    }
}

bool replayIdle() {
    waiting = false;
    if (!showing) return false;
    for (;;) {
        if (!havePending) {
            if (!reader->next(pending)) {
                if (endHandler != nullptr) endHandler(currentResult());
                endShowingReplay();
                return false;
            }
            havePending = true;
        }
        if (pending.kind == ReplayEvent::Message) {
            play(pending);
            havePending = false;
            continue;
        }
        // A frame runs once the real time since the start has caught up with
        // the recorded time up to it.
        double due = dueMs + pending.tickDelta;
        uint32_t ticks = platform::tickCount();
        if (!paused) playedMs += static_cast<double>(ticks - lastTicks) * speed;
        lastTicks = ticks;
        if (playedMs + 0.5 < due) {
            double wait = (due - playedMs) / speed;
            waiting = true;
            platform::sleepMs(static_cast<uint32_t>(wait > 5.0 ? 5.0 : wait));
            return false;
        }
        dueMs = due;
        play(pending);
        havePending = false;
        return true;
    }
}

bool replayWaiting() {
    return showing && waiting;
}

void setReplaySpeed(double factor) {
    speed = factor > 0.0 ? factor : 1.0;
}

void pauseReplay(bool on) {
    paused = on;
}

bool restartReplay() {
    if (shown.events.empty()) return false;
    Replay again = shown;
    endShowingReplay();
    return beginShowingReplay(again, "");
}

void setReplayEndHandler(void (*handler)(const ReplayResult& replayed)) {
    endHandler = handler;
}

void endShowingReplay() {
    World& w = world();
    if (!showing) return;
    showing = false;
    session().replayDriving = false;
    platform::setFrameCap(capBefore);
    reader.reset();
    // Back to the menu, over the replay's last picture, with the world
    // standing still from the next frame on.
    session().input.menuShown = 1;
    w.runFactor = 0.0f;
    previousTicks = static_cast<float>(platform::tickCount());
    releaseHeldInput(session().input);
    session().input.padState.connected = platform::padConnected(); // the real pad, not the replay's
    setRecordingEnabled(true);
}
