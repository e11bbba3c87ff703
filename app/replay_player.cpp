#include "app/replay_player.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/frame.h"
#include "app/input.h"
#include "app/replay_recorder.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "game/player/marine.h"
#include "game/world/checksum.h"
#include "input/pad_state.h"
#include "platform/gamepad.h"
#include "platform/process.h"
#include "platform/user_files.h"

namespace {

// The replay being shown.
Replay shown;
std::optional<ReplayReader> reader;
bool showing = false;
uint32_t startTicks = 0;
double dueMs = 0.0; // play time of the recorded frames run so far
bool havePending = false;
bool capBefore = true;
ReplayEvent pending;

void fail(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "quorvex: %s: %s\n", path.c_str(), why.c_str());
}

bool sameRulesOrSay(const Replay& replay, const std::string& path) {
    if (rulesFingerprint() == replay.rulesFingerprint) return true;
    fail(path, "made with other rule data (bullet, monster or particle templates) than the "
               "installed game's");
    return false;
}

// The game as it was right after the recording's New Game.
void restartAsRecorded(const Replay& replay) {
    setRecordingEnabled(false);
    replayDriving = true;
    resetGame();
    menuShown = 0;
    applyReplayStart(replay.start);
}

void play(const ReplayEvent& e) {
    if (e.kind == ReplayEvent::Message) {
        windowProc(e.msg);
        return;
    }
    beginFrame(e.tickDelta, e.cursorX, e.cursorY);
    runFrame();
}

bool sameResult(const ReplayResult& a, const ReplayResult& b) {
    return a.score == b.score && std::memcmp(&a.gameTime, &b.gameTime, sizeof a.gameTime) == 0 &&
           a.kills == b.kills && a.checksum == b.checksum;
}

} // namespace

bool loadReplayFile(const std::string& path, Replay& out) {
    std::string bytes;
    std::string why;
    switch (platform::readFileLimited(path, kMaxReplayFileBytes, bytes, &why)) {
    case platform::ReadStatus::Ok:
        break;
    case platform::ReadStatus::Missing:
        fail(path, "no such file");
        return false;
    case platform::ReadStatus::TooBig:
        fail(path, "too large to be a replay");
        return false;
    default:
        fail(path, why.empty() ? "cannot be read" : why);
        return false;
    }
    if (!decodeReplay(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out, why)) {
        fail(path, why);
        return false;
    }
    return true;
}

ReplayResult playReplayNow(const Replay& replay) {
    restartAsRecorded(replay);
    ReplayReader events(replay.events, replay.start.cursorX, replay.start.cursorY);
    ReplayEvent e;
    while (events.next(e))
        play(e);
    replayDriving = false;
    ReplayResult result = currentResult();
    result.frames = replay.result.frames;
    return result;
}

int verifyReplay(const std::string& path) {
    Replay replay;
    if (!loadReplayFile(path, replay)) return 2;
    platform::runHeadless();
    platform::setFrameCap(false); // as fast as the machine allows
    applyReplayStart(replay.start);
    // The picture is not looked at: a small one keeps the drawing cheap.
    if (!platform::createWindow("Quorvex Game", 64, 48)) return 2;
    windowProc(Message{MsgType::Create, 0});
    if (!sameRulesOrSay(replay, path)) return 2;
    platform::discardDrawing(true);

    ReplayResult got = playReplayNow(replay);
    // One line of output: OpenAL would note a device left open at exit.
    closeAudio();
    std::printf("score %" PRIu32 " time %.2f kills %" PRId32 " checksum %016" PRIx64 "\n",
                got.score, static_cast<double>(got.gameTime), got.kills, got.checksum);
    if (sameResult(got, replay.result)) return 0;
    std::fprintf(stderr,
                 "quorvex: %s: the replay does not reproduce its game (recorded: score %" PRIu32
                 " time %.2f kills %" PRId32 " checksum %016" PRIx64 ")\n",
                 path.c_str(), replay.result.score, static_cast<double>(replay.result.gameTime),
                 replay.result.kills, replay.result.checksum);
    return 1;
}

bool beginShowingReplay(const Replay& replay, const std::string& path) {
    if (!sameRulesOrSay(replay, path)) return false;
    shown = replay;
    restartAsRecorded(shown);
    reader.emplace(shown.events, shown.start.cursorX, shown.start.cursorY);
    havePending = false;
    showing = true;
    // The replay keeps its own time (each recorded frame at its moment), so
    // a display slower than the recording's does not slow it down.
    capBefore = platform::frameCapOn();
    platform::setFrameCap(false);
    startTicks = platform::tickCount();
    dueMs = 0.0;
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
    if (!showing) return false;
    for (;;) {
        if (!havePending) {
            if (!reader->next(pending)) {
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
        double now = static_cast<double>(platform::tickCount() - startTicks);
        if (now + 0.5 < due) {
            double wait = due - now;
            platform::sleepMs(static_cast<uint32_t>(wait > 5.0 ? 5.0 : wait));
            return false;
        }
        dueMs = due;
        play(pending);
        havePending = false;
        return true;
    }
}

void endShowingReplay() {
    if (!showing) return;
    showing = false;
    replayDriving = false;
    platform::setFrameCap(capBefore);
    reader.reset();
    // Back to the menu, over the replay's last picture, with the world
    // standing still from the next frame on.
    menuShown = 1;
    runFactor = 0.0f;
    previousTicks = static_cast<float>(platform::tickCount());
    releaseHeldInput();
    padState.connected = platform::padConnected(); // the real pad, not the replay's
    setRecordingEnabled(true);
}
