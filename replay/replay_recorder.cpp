#include "replay/replay_recorder.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "input/pad_state.h"
#include "input/settings_values.h"
#include "math/rng.h"
#include "math/rules_math.h"
#include "platform/utc_time.h"
#include "session/aim_cursor.h"
#include "session/session.h"

RecordingHooks recordingHooks;

namespace {

bool enabled = true;
bool active = false;
// The message that started the recording belongs to the game before it.
bool skipMessage = false;
Replay current;
std::optional<ReplayWriter> writer;
Replay finished;
bool dispatching = false;
// The death of the game being recorded has been entered in the score table,
// with the replay to be saved under this name.
bool deathNoted = false;
std::string deathName;
void (*deathHandler)(const Replay&) = nullptr;
// Kept between deaths so that its buffers are reused.
Replay atDeath;
// The day of the daily game the next recording is, or 0.
uint32_t nextDay = 0;

} // namespace

ReplayStart captureReplayStart() {
    World& w = world();
    ReplayStart s;
    s.screenWidth = world().screenWidth;
    s.screenHeight = world().screenHeight;
    s.spawnAcceleration = world().spawnAcceleration;
    s.showFps = world().showFps;
    s.rngState = w.rng.state;
    s.spawnTimer = w.spawnTimer;
    s.hmSoundTimer = w.hmSoundTimer;
    s.runFactor = w.runFactor;
    s.pickupMessageAlpha = w.pickupMessageAlpha;
    // Files keep the notice's words, as they always did.
    std::snprintf(s.pickupMessage, sizeof s.pickupMessage, "%s", noticeText(w.pickupNotice));
    std::memcpy(s.keyDown, session().input.keyDown, sizeof s.keyDown);
    s.leftButtonDown = session().input.leftButtonDown;
    s.rightButtonDown = session().input.rightButtonDown;
    s.creditsShown = session().input.creditsShown;
    s.menuHover = session().input.menuHover;
    s.cursorX = session().input.frameInput.cursorX;
    s.cursorY = session().input.frameInput.cursorY;
    s.cursorArenaX = w.cursorArena.x;
    s.cursorArenaY = w.cursorArena.y;
    s.padConnected = session().input.padState.connected ? 1 : 0;
    for (uint32_t i = 0; i < PadButtonCount; ++i)
        s.padHeld[i] = session().input.padState.held[i] ? 1 : 0;
    std::memcpy(s.padAxis, session().input.padState.axis, sizeof s.padAxis);
    s.padAiming = session().input.padAiming;
    s.padInUse = session().input.padInUse;
    s.padCrosshairX = session().padCrosshair.x;
    s.padCrosshairY = session().padCrosshair.y;
    s.groundScheme = static_cast<uint8_t>(w.groundScheme);
    s.padDeadZone = world().padDeadZone;
    s.padAimReach = world().padAimReach;
    s.seed = w.gameSeed;
    return s;
}

void applyReplayStart(const ReplayStart& s) {
    World& w = world();
    world().screenWidth = s.screenWidth;
    world().screenHeight = s.screenHeight;
    world().spawnAcceleration = s.spawnAcceleration;
    world().showFps = s.showFps;
    w.rng.state = s.rngState;
    w.spawnTimer = s.spawnTimer;
    w.hmSoundTimer = s.hmSoundTimer;
    w.runFactor = s.runFactor;
    w.pickupMessageAlpha = s.pickupMessageAlpha;
    // Words no pick-up of this game writes show as no notice; the notice
    // is picture only, so the game plays the same.
    w.pickupNotice = noticeFromText(s.pickupMessage);
    std::memcpy(session().input.keyDown, s.keyDown, sizeof session().input.keyDown);
    session().input.leftButtonDown = s.leftButtonDown;
    session().input.rightButtonDown = s.rightButtonDown;
    session().input.creditsShown = s.creditsShown;
    session().input.menuHover = s.menuHover;
    session().input.frameInput.cursorX = s.cursorX;
    session().input.frameInput.cursorY = s.cursorY;
    w.cursorArena.x = s.cursorArenaX;
    w.cursorArena.y = s.cursorArenaY;
    session().input.padState.connected = s.padConnected != 0;
    for (uint32_t i = 0; i < PadButtonCount; ++i)
        session().input.padState.held[i] = s.padHeld[i] != 0;
    std::memcpy(session().input.padState.axis, s.padAxis, sizeof session().input.padState.axis);
    session().input.padAiming = s.padAiming;
    session().input.padInUse = s.padInUse;
    session().padCrosshair = Vec2(s.padCrosshairX, s.padCrosshairY);
    w.groundScheme = s.groundScheme;
    world().padDeadZone = s.padDeadZone;
    world().padAimReach = s.padAimReach;
    if (rulesGeneration != kFirstGeneration) {
        w.gameSeed = s.seed;
        seedGameStreams(s.seed);
        w.rng.state = s.rngState;
    }
    // A new game starts with these cleared.
    session().chosenWeapon = -1;
    session().input.padMenuCursor = 0;
    session().input.padChoosing = 0;
}

void noteSecondSums(std::vector<uint64_t>& sums) {
    while (sums.size() < kMaxSecondSums && world().gameTime >= static_cast<float>(sums.size() + 1))
        sums.push_back(worldChecksum());
}

int firstDifferingSecond(const std::vector<uint64_t>& recorded,
                         const std::vector<uint64_t>& replayed) {
    size_t n = recorded.size() < replayed.size() ? recorded.size() : replayed.size();
    for (size_t i = 0; i < n; ++i)
        if (recorded[i] != replayed[i]) return static_cast<int>(i);
    return recorded.size() == replayed.size() ? -1 : static_cast<int>(n);
}

ReplayResult currentResult() {
    World& w = world();
    ReplayResult r;
    r.score = w.score;
    r.gameTime = w.gameTime;
    r.kills = w.monstersKilled;
    r.checksum = worldChecksum();
    r.endTime = platform::unixTimeNow();
    return r;
}

void beginRecording() {
    if (!enabled) return;
    discardRecording();
    current = Replay{};
    current.version = rulesGeneration == kFirstGeneration ? 2 : kReplayVersion;
    current.rulesFingerprint = rulesFingerprint();
    current.start = captureReplayStart();
    current.result.day = current.version >= 3 ? nextDay : 0;
    writer.emplace(current.events, current.start.cursorX, current.start.cursorY);
    active = true;
    skipMessage = dispatching;
    deathNoted = false;
    deathName.clear();
}

void beginMessage() {
    dispatching = true;
}

void recordMessage(const Message& msg) {
    World& w = world();
    dispatching = false;
    if (!active) return;
    if (skipMessage) {
        skipMessage = false;
        return;
    }
    if (msg.type == MsgType::Create || msg.type == MsgType::Destroy || msg.type == MsgType::Quit)
        return;
    writer->message(msg);
    // A key after his death has brought back the menu: the game is over.
    if (w.marine.marineDead && session().input.menuShown) endRecording(GameEnd::Death);
}

void recordFrame(const FrameInput& input) {
    skipMessage = false;
    if (!active) return;
    writer->frame(input.tickDelta, input.cursorX, input.cursorY);
}

void recordFrameDone() {
    World& w = world();
    if (!active) return;
    if (current.version >= 3) noteSecondSums(current.secondSums);
    if (deathNoted || !w.marine.marineDead) return;
    // He has just died: the game enters the table now, so Game Over can show
    // it; its replay follows when the recording ends.
    deathNoted = true;
    ScoreEntry entry;
    entry.score = w.score;
    entry.gameTime = w.gameTime;
    entry.kills = w.monstersKilled;
    entry.spawnAcceleration = world().spawnAcceleration;
    entry.endTime = platform::unixTimeNow();
    deathName = recordingHooks.deathNoted ? recordingHooks.deathNoted(entry) : std::string();
    if (!deathHandler) return;
    atDeath.version = current.version;
    atDeath.rulesFingerprint = current.rulesFingerprint;
    atDeath.start = current.start;
    atDeath.events = current.events;
    atDeath.result = currentResult();
    atDeath.result.frames = writer->frames();
    atDeath.result.end = current.version >= 3 ? GameEnd::Death : GameEnd::Unknown;
    atDeath.result.day = current.result.day;
    atDeath.secondSums = current.secondSums;
    deathHandler(atDeath);
}

void setDeathReplayHandler(void (*handler)(const Replay& replay)) {
    deathHandler = handler;
}

void setNextGameDay(uint32_t day) {
    nextDay = day;
}

void endRecording(GameEnd how) {
    if (!active) return;
    uint32_t day = current.result.day;
    current.result = currentResult();
    current.result.day = day;
    current.result.frames = writer->frames();
    if (world().marine.marineDead) how = GameEnd::Death;
    current.result.end = current.version >= 3 ? how : GameEnd::Unknown;
    finished = current;
    discardRecording();
    if (recordingHooks.finished) recordingHooks.finished(finished, deathName);
    deathNoted = false;
    deathName.clear();
}

void discardRecording() {
    writer.reset();
    active = false;
    skipMessage = false;
}

bool recording() {
    return active;
}

const Replay& lastReplay() {
    return finished;
}

void setRecordingEnabled(bool on) {
    // Already so: nothing is written (the verifier's threads each ask for
    // it as they start a replay).
    if (on == enabled && (on || !active)) return;
    enabled = on;
    if (!on) discardRecording();
}
