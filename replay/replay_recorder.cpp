#include "replay/replay_recorder.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "game/monsters/monsters.h"
#include "game/player/aim_cursor.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/checksum.h"
#include "game/world/world_state.h"
#include "input/pad_state.h"
#include "input/settings_values.h"
#include "math/rng.h"
#include "math/rules_math.h"
#include "platform/utc_time.h"

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
    ReplayStart s;
    s.screenWidth = screenWidth;
    s.screenHeight = screenHeight;
    s.spawnAcceleration = spawnAcceleration;
    s.showFps = showFps;
    s.rngState = rng.state;
    s.spawnTimer = spawnTimer;
    s.hmSoundTimer = hmSoundTimer;
    s.runFactor = runFactor;
    s.pickupMessageAlpha = pickupMessageAlpha;
    std::memcpy(s.pickupMessage, pickupMessage, sizeof s.pickupMessage);
    s.pickupMessage[sizeof s.pickupMessage - 1] = '\0';
    std::memcpy(s.keyDown, keyDown, sizeof s.keyDown);
    s.leftButtonDown = leftButtonDown;
    s.rightButtonDown = rightButtonDown;
    s.creditsShown = creditsShown;
    s.menuHover = menuHover;
    s.cursorX = frameInput.cursorX;
    s.cursorY = frameInput.cursorY;
    s.cursorArenaX = cursorArena.x;
    s.cursorArenaY = cursorArena.y;
    s.padConnected = padState.connected ? 1 : 0;
    for (uint32_t i = 0; i < PadButtonCount; ++i)
        s.padHeld[i] = padState.held[i] ? 1 : 0;
    std::memcpy(s.padAxis, padState.axis, sizeof s.padAxis);
    s.padAiming = padAiming;
    s.padInUse = padInUse;
    s.padCrosshairX = padCrosshair.x;
    s.padCrosshairY = padCrosshair.y;
    s.groundScheme = static_cast<uint8_t>(groundScheme);
    s.padDeadZone = padDeadZone;
    s.padAimReach = padAimReach;
    s.seed = gameSeed;
    return s;
}

void applyReplayStart(const ReplayStart& s) {
    screenWidth = s.screenWidth;
    screenHeight = s.screenHeight;
    spawnAcceleration = s.spawnAcceleration;
    showFps = s.showFps;
    rng.state = s.rngState;
    spawnTimer = s.spawnTimer;
    hmSoundTimer = s.hmSoundTimer;
    runFactor = s.runFactor;
    pickupMessageAlpha = s.pickupMessageAlpha;
    std::memcpy(pickupMessage, s.pickupMessage, sizeof pickupMessage);
    std::memcpy(keyDown, s.keyDown, sizeof keyDown);
    leftButtonDown = s.leftButtonDown;
    rightButtonDown = s.rightButtonDown;
    creditsShown = s.creditsShown;
    menuHover = s.menuHover;
    frameInput.cursorX = s.cursorX;
    frameInput.cursorY = s.cursorY;
    cursorArena.x = s.cursorArenaX;
    cursorArena.y = s.cursorArenaY;
    padState.connected = s.padConnected != 0;
    for (uint32_t i = 0; i < PadButtonCount; ++i)
        padState.held[i] = s.padHeld[i] != 0;
    std::memcpy(padState.axis, s.padAxis, sizeof padState.axis);
    padAiming = s.padAiming;
    padInUse = s.padInUse;
    padCrosshair = Vec2(s.padCrosshairX, s.padCrosshairY);
    groundScheme = s.groundScheme;
    padDeadZone = s.padDeadZone;
    padAimReach = s.padAimReach;
    if (rulesGeneration != kFirstGeneration) {
        gameSeed = s.seed;
        seedGameStreams(s.seed);
        rng.state = s.rngState;
    }
    // A new game starts with these cleared.
    padMenuCursor = 0;
    padChoosing = 0;
}

void noteSecondSums(std::vector<uint64_t>& sums) {
    while (sums.size() < kMaxSecondSums && gameTime >= static_cast<float>(sums.size() + 1))
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
    ReplayResult r;
    r.score = score;
    r.gameTime = gameTime;
    r.kills = monstersKilled;
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
    if (marine.marineDead && menuShown) endRecording(GameEnd::Death);
}

void recordFrame(const FrameInput& input) {
    skipMessage = false;
    if (!active) return;
    writer->frame(input.tickDelta, input.cursorX, input.cursorY);
}

void recordFrameDone() {
    if (!active) return;
    if (current.version >= 3) noteSecondSums(current.secondSums);
    if (deathNoted || !marine.marineDead) return;
    // He has just died: the game enters the table now, so Game Over can show
    // it; its replay follows when the recording ends.
    deathNoted = true;
    ScoreEntry entry;
    entry.score = score;
    entry.gameTime = gameTime;
    entry.kills = monstersKilled;
    entry.spawnAcceleration = spawnAcceleration;
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
    if (marine.marineDead) how = GameEnd::Death;
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
    enabled = on;
    if (!on) discardRecording();
}
