#include "verify_speed.h"

#include <GL/gl.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstring>

#include "app/entry.h"
#include "app/input.h"
#include "app/replay_show.h"
#include "app/settings.h"
#include "draw/draw_list.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "saving/replay_saving.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// The spawn interval starts at 1000 ms; at this rate it is down to a monster
// a frame after one second of play.
constexpr float kSpawnAcceleration = 1.0f;
constexpr int kFullField = 900;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A message as the loop hands it on: recorded around the window procedure.
void send(MsgType type) {
    const Message msg{type, 0};
    beginMessage();
    windowProc(msg);
    recordMessage(msg);
}

} // namespace

VerifySpeed measureVerifySpeed(int frames, uint32_t frameMs) {
    World& w = world();
    VerifySpeed out;
    resetProgramState();
    setReplayFolder(""); // keep the recording in memory
    readSettings("Settings.ini");
    w.spawnAcceleration = kSpawnAcceleration;
    platform::runHeadless();
    platform::setFrameCap(false);
    // The picture is not looked at, in the recording or the replay; the
    // game's own screen size (the cursor mapping) stays the settings' one.
    if (!platform::createWindow("Quorvex Game", 64, 48)) return out;
    windowProc(Message{MsgType::Create, 0});
    previousTicks = static_cast<float>(platform::tickCount());

    const Clock::time_point recordStart = Clock::now();
    startNewGame();
    send(MsgType::LButtonDown);
    const float centreX = 0.5f * static_cast<float>(w.screenWidth);
    const float centreY = 0.5f * static_cast<float>(w.screenHeight);
    const float radius = 0.3f * static_cast<float>(w.screenHeight);
    for (int i = 0; i < frames; ++i) {
        // A turn every two seconds.
        const float angle = static_cast<float>(i * frameMs) * (6.2831853f / 2000.0f);
        platform::test::setCursor(static_cast<int>(centreX + radius * std::cos(angle)),
                                  static_cast<int>(centreY + radius * std::sin(angle)));
        platform::test::advanceTicks(frameMs);
        while (loopPass() == LoopPass::Message) {
        }
        if (w.monsterCount > out.peakMonsters) out.peakMonsters = w.monsterCount;
        if (w.monsterCount >= kFullField) ++out.fullFrames;
        if (w.marine.marineDead && out.deathGameTime < 0.0f) out.deathGameTime = w.gameTime;
    }
    endRecording(GameEnd::ProgramEnd);
    glFinish();
    out.recordSeconds = secondsSince(recordStart);

    const Replay replay = lastReplay();
    out.recorded = replay.result;
    out.frames = replay.result.frames;
    out.opened = out.frames > 0;
    if (!out.opened) return out;
    out.playSeconds = static_cast<double>(out.frames) * frameMs * 0.001;

    const double cpuStart = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double processStart = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const Clock::time_point start = Clock::now();
    // As quorvex-verify plays it: the rules alone, nothing drawn or described.
    drawList.recording = false;
    out.replayed = playReplayNow(replay);
    drawList.recording = true;
    out.wallSeconds = secondsSince(start);
    out.cpuSeconds = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    out.processSeconds = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
    out.reproduced = sameResult(out.replayed, out.recorded);
    return out;
}

} // namespace bench
