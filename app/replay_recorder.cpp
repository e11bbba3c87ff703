#include "app/replay_recorder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "game/monsters/monsters.h"
#include "game/player/aim_cursor.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/checksum.h"
#include "game/world/world_state.h"
#include "input/pad_state.h"
#include "input/settings_values.h"
#include "platform/user_files.h"
#include "render/rng.h"

namespace {

// Games that end in a death are kept under their own names, this many.
constexpr size_t kKeptReplays = 10;

std::string folder;
bool enabled = true;
bool active = false;
// The message that started the recording belongs to the game before it.
bool skipMessage = false;
Replay current;
ReplayWriter* writer = nullptr;
Replay finished;
std::string finishedName;
bool cannotSaveSaid = false;
bool dispatching = false;

void sayCannotSave(const std::string& why) {
    if (cannotSaveSaid) return;
    cannotSaveSaid = true;
    std::fprintf(stderr, "quorvex: replays cannot be saved (%s); the game goes on\n", why.c_str());
}

bool isKeptReplayName(const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".qvr") == 0 && name != "last.qvr";
}

// Keeps the newest kept replays (their names sort by time) and removes the
// rest.
void pruneKept() {
    std::vector<std::string> names;
    if (!platform::listFiles(folder, names)) return;
    std::vector<std::string> kept;
    for (const std::string& name : names)
        if (isKeptReplayName(name)) kept.push_back(name);
    std::sort(kept.begin(), kept.end());
    while (kept.size() > kKeptReplays) {
        platform::removeFile(folder + "/" + kept.front());
        kept.erase(kept.begin());
    }
}

void save(const Replay& replay, bool died) {
    finishedName.clear();
    if (folder.empty()) return;
    std::string why;
    if (!platform::makePrivateDirs(folder, &why)) {
        sayCannotSave(why);
        return;
    }
    std::vector<uint8_t> bytes = encodeReplay(replay);
    if (!platform::writeFileSafely(folder + "/last.qvr", bytes.data(), bytes.size(), &why)) {
        sayCannotSave(why);
        return;
    }
    if (!died) return;
    // 2026-12-08T12:34:56Z -> 20261208-123456-<score>.qvr
    std::string stamp = platform::utcTimestamp(replay.result.endTime);
    std::string name;
    for (char c : stamp)
        if (c >= '0' && c <= '9') name += c;
    if (name.size() >= 14) name.insert(8, "-");
    name += "-" + std::to_string(replay.result.score) + ".qvr";
    if (!platform::writeFileSafely(folder + "/" + name, bytes.data(), bytes.size(), &why)) {
        sayCannotSave(why);
        return;
    }
    finishedName = name;
    pruneKept();
}

} // namespace

void setReplayFolder(const std::string& f) {
    folder = f;
}
const std::string& replayFolder() {
    return folder;
}

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
    // A new game starts with these cleared.
    padMenuCursor = 0;
    padChoosing = 0;
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
    current.rulesFingerprint = rulesFingerprint();
    current.start = captureReplayStart();
    writer = new ReplayWriter(current.events, current.start.cursorX, current.start.cursorY);
    active = true;
    skipMessage = dispatching;
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
    if (marine.marineDead && menuShown) endRecording();
}

void recordFrame(const FrameInput& input) {
    skipMessage = false;
    if (!active) return;
    writer->frame(input.tickDelta, input.cursorX, input.cursorY);
}

void endRecording() {
    if (!active) return;
    current.result = currentResult();
    current.result.frames = writer->frames();
    bool died = marine.marineDead;
    finished = current;
    discardRecording();
    save(finished, died);
}

void discardRecording() {
    delete writer;
    writer = nullptr;
    active = false;
    skipMessage = false;
}

bool recording() {
    return active;
}

const Replay& lastReplay() {
    return finished;
}
const std::string& lastReplayName() {
    return finishedName;
}

void setRecordingEnabled(bool on) {
    enabled = on;
    if (!on) discardRecording();
}
