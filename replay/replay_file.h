// The replay file: what a recorded game needs to be played again exactly.
// A header with the state a new game does not reset, the settings and a
// fingerprint of the rule data, then every input in order (messages, and
// each frame's tick delta and cursor), then what the game came to.
// The layout is described in docs/REPLAYS.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/settings_values.h"
#include "platform/platform.h"

// Version 2 adds the ground scheme and the pad's dead zone and aim reach;
// version 1 files still play, on the green ground and the default pad.
// Version 3 is the second generation of the rules (portable math, a game
// started from its seed alone, separate random streams) and adds the seed,
// how the game ended, its day, and a checksum of the world every second.
constexpr uint32_t kReplayVersion = 3;
// Versions 1 and 2 are the first generation of the rules, 3 the second.
int generationOf(uint32_t version);
// The most per-second checksums a file may hold (days of play).
constexpr uint32_t kMaxSecondSums = 1u << 20;
// Far beyond any real game (hours of play at 1000 frames a second); a larger
// count in a file is refused before anything is allocated.
constexpr uint32_t kMaxReplayEventBytes = 64u << 20;
constexpr size_t kMaxReplayFileBytes = kMaxReplayEventBytes + 4096;

// Everything at New Game that a new game does not set itself.
struct ReplayStart {
    // Settings the rules or the picture depend on.
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    float spawnAcceleration = 0.0f;
    int32_t showFps = 0;
    // The world's leftovers.
    uint32_t rngState = 0;
    float spawnTimer = 0.0f;
    float hmSoundTimer = 0.0f;
    float runFactor = 0.0f;
    float pickupMessageAlpha = 0.0f;
    char pickupMessage[260] = {};
    // Input held at that moment, the menu's state and the cursor.
    uint8_t keyDown[256] = {};
    uint8_t leftButtonDown = 0;
    uint8_t rightButtonDown = 0;
    uint8_t creditsShown = 0;
    int32_t menuHover = 0;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    float cursorArenaX = 0.0f;
    float cursorArenaY = 0.0f;
    // The pad's held state, and whether it aims and is in use.
    uint8_t padConnected = 0;
    uint8_t padHeld[PadButtonCount] = {};
    int16_t padAxis[PadAxisCount] = {};
    uint8_t padAiming = 0;
    uint8_t padInUse = 0;
    float padCrosshairX = 0.0f;
    float padCrosshairY = 0.0f;
    // Version 2.
    uint8_t groundScheme = 0;
    float padDeadZone = kDefaultPadDeadZone;
    float padAimReach = kDefaultPadAimReach;
    // Version 3: the seed every random stream starts from.
    uint32_t seed = 0;
};

// How a recorded game ended (version 3; older files say nothing).
enum class GameEnd : uint8_t {
    Unknown = 0,
    Death = 1,      // the Marine died
    NewGame = 2,    // a new game replaced it
    ExitWin = 3,    // "Exit Win" was chosen
    ProgramEnd = 4, // the program ended (closed, or stopped)
};
// "death", "new-game", "exit", "program-end"; nullptr for Unknown.
const char* gameEndName(GameEnd end);

// What the game came to when the recording ended.
struct ReplayResult {
    uint32_t score = 0;
    float gameTime = 0.0f; // seconds
    int32_t kills = 0;
    uint64_t checksum = 0;
    uint32_t frames = 0;
    int64_t endTime = 0; // Unix seconds, UTC
    // Version 3.
    GameEnd end = GameEnd::Unknown;
    uint32_t day = 0; // a daily game's day as YYYYMMDD; 0 for any other game
};

struct Replay {
    uint32_t version = kReplayVersion; // as read, and as written back
    uint64_t rulesFingerprint = 0;
    ReplayStart start;
    std::vector<uint8_t> events; // see ReplayWriter / ReplayReader
    ReplayResult result;
    // Version 3: the world checksum each time the game time reached a whole
    // second (the first after 1 s of play).
    std::vector<uint64_t> secondSums;
};

// Appends inputs to a replay's event stream.
class ReplayWriter {
  public:
    // The cursor starts where the recording's did.
    ReplayWriter(std::vector<uint8_t>& out, int32_t cursorX, int32_t cursorY)
        : out_(out), cursorX_(cursorX), cursorY_(cursorY) {}
    void message(const Message& msg);
    void frame(float tickDelta, int32_t cursorX, int32_t cursorY);
    uint32_t frames() const { return frames_; }

  private:
    std::vector<uint8_t>& out_;
    int32_t cursorX_;
    int32_t cursorY_;
    uint32_t frames_ = 0;
};

// One input taken back out of the stream.
struct ReplayEvent {
    enum Kind { Message, Frame } kind = Frame;
    ::Message msg;
    float tickDelta = 0.0f;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
};

class ReplayReader {
  public:
    // The cursor starts where the recording's did.
    ReplayReader(const std::vector<uint8_t>& events, int32_t cursorX, int32_t cursorY)
        : events_(events), cursorX_(cursorX), cursorY_(cursorY) {}
    // False at the end of the stream, or at a broken event (error() says).
    bool next(ReplayEvent& out);
    const char* error() const { return error_; }

  private:
    const std::vector<uint8_t>& events_;
    size_t at_ = 0;
    int32_t cursorX_;
    int32_t cursorY_;
    const char* error_ = nullptr;
};

std::vector<uint8_t> encodeReplay(const Replay& replay);
// Reads a whole file's bytes; on failure returns false and `why` holds the
// reason in a few words. Every event is checked, so a replay that decodes
// plays to its end.
bool decodeReplay(const uint8_t* data, size_t size, Replay& out, std::string& why);
