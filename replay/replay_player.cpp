#include "replay/replay_player.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "game/player/marine.h"
#include "game/rules/game_frame.h"
#include "game/world/world.h"
#include "input/input.h"
#include "math/rules_math.h"
#include "platform/file_read.h"
#include "replay/replay_recorder.h"
#include "session/messages.h"
#include "session/session.h"

const char* const kOtherRulesReason =
    "made with other rule data (bullet, monster or particle templates) than the installed game's";

bool readReplayFile(const std::string& path, Replay& out, std::string& why) {
    std::string bytes;
    std::string reason;
    switch (platform::readFileLimited(path, kMaxReplayFileBytes, bytes, &reason)) {
    case platform::ReadStatus::Ok:
        break;
    case platform::ReadStatus::Missing:
        why = "no such file";
        return false;
    case platform::ReadStatus::TooBig:
        why = "too large to be a replay";
        return false;
    default:
        why = reason.empty() ? "cannot be read" : reason;
        return false;
    }
    return decodeReplay(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out, why);
}

void restartAsRecorded(const Replay& replay) {
    setRecordingEnabled(false);
    session().replayDriving = true;
    followGeneration(generationOf(replay.version));
    resetGame();
    session().input.menuShown = 0;
    applyReplayStart(replay.start);
}

namespace {

// Plays `replay` from its start until its events end or, when `until` is
// finite, the game time reaches it, noting each whole second's checksum in `secondSums`
// when given. Returns the frames played.
uint32_t playEvents(const Replay& replay, float until, std::vector<uint64_t>* secondSums) {
    World& w = world();
    restartAsRecorded(replay);
    if (secondSums) secondSums->clear();
    ReplayReader events(replay.events, replay.start.cursorX, replay.start.cursorY);
    ReplayEvent e;
    uint32_t frames = 0;
    const bool bounded = std::isfinite(until);
    while ((!bounded || w.gameTime < until) && events.next(e)) {
        if (e.kind == ReplayEvent::Message) {
            handleGameMessage(e.msg);
            continue;
        }
        beginFrame(session().input, e.tickDelta, e.cursorX, e.cursorY);
        runGameFrame();
        ++frames;
        if (secondSums && replay.version >= 3) noteSecondSums(*secondSums);
    }
    session().replayDriving = false;
    return frames;
}

} // namespace

ReplayResult playReplayNow(const Replay& replay, std::vector<uint64_t>* secondSums) {
    playEvents(replay, std::numeric_limits<float>::infinity(), secondSums);
    ReplayResult result = currentResult();
    result.frames = replay.result.frames;
    return result;
}

uint32_t playReplayTo(const Replay& replay, float seconds) {
    return playEvents(replay, seconds, nullptr);
}

bool sameResult(const ReplayResult& a, const ReplayResult& b) {
    return a.score == b.score && std::memcmp(&a.gameTime, &b.gameTime, sizeof a.gameTime) == 0 &&
           a.kills == b.kills && a.checksum == b.checksum;
}
