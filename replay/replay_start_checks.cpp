#include "replay/replay_start_checks.h"

#include <cmath>

#include "input/option_ranges.h"
#include "math/seed_streams.h"

namespace {

bool finite(float v) {
    return std::isfinite(v);
}

bool allZero(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// Since version 3 a game starts from its seed alone: nothing held, no timer
// or notice carried over from the game before.
const char* nonCanonicalStart(const ReplayStart& s) {
    if (s.rngState != streamsForSeed(s.seed).main) return "its random state is not its seed's";
    if (s.spawnTimer != 0.0f || s.hmSoundTimer != 0.0f || s.runFactor != 0.0f)
        return "it starts with a timer running";
    if (s.pickupMessage[0] != '\0' || s.pickupMessageAlpha != 0.0f)
        return "it starts with a notice shown";
    if (!allZero(s.keyDown, sizeof s.keyDown) || s.leftButtonDown || s.rightButtonDown ||
        !allZero(s.padHeld, sizeof s.padHeld) ||
        !allZero(reinterpret_cast<const uint8_t*>(s.padAxis), sizeof s.padAxis))
        return "it starts with input held";
    if (s.menuHover != 0 || s.padAiming || s.padInUse || s.padCrosshairX != 0.0f ||
        s.padCrosshairY != 0.0f)
        return "it starts with the menu or the pad's aim of another game";
    return nullptr;
}

} // namespace

bool validReplayDay(uint32_t day) {
    uint32_t year = day / 10000, month = day / 100 % 100, date = day % 100;
    if (year < 2000 || year > 9999 || month < 1 || month > 12 || date < 1) return false;
    static constexpr uint8_t kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && !leap) return date <= 28;
    return date <= kDays[month - 1];
}

const char* absurdReplayStart(const ReplayStart& s, uint32_t version) {
    if (s.screenWidth != 640 && s.screenWidth != 800 && s.screenWidth != 1024)
        return "screen width out of range";
    if (s.screenHeight <= 0 || s.screenHeight > 16384) return "screen height out of range";
    if (!finite(s.spawnAcceleration) || !finite(s.spawnTimer) || !finite(s.hmSoundTimer) ||
        !finite(s.pickupMessageAlpha) || !finite(s.cursorArenaX) || !finite(s.cursorArenaY) ||
        !finite(s.padCrosshairX) || !finite(s.padCrosshairY))
        return "a start value is not a number";
    if (s.runFactor != 0.0f && s.runFactor != 1.0f) return "run factor out of range";
    if (s.menuHover < 0 || s.menuHover > (version < 3 ? 3 : 4)) return "menu item out of range";
    if (s.pickupMessage[sizeof s.pickupMessage - 1] != '\0') return "pick-up notice too long";
    if (s.groundScheme > 2) return "ground scheme out of range";
    if (!(s.padDeadZone >= 0.0f && s.padDeadZone < 1.0f)) return "pad dead zone out of range";
    if (!(s.padAimReach > 0.0f && s.padAimReach <= 2.0f)) return "pad aim reach out of range";
    if (version >= 3) return nonCanonicalStart(s);
    return nullptr;
}

const char* settingsOutOfRange(const ReplayStart& s) {
    if (s.screenWidth < kMinScreenWidth || s.screenWidth > kMaxScreenWidth)
        return "its screen width is not one the game's options allow";
    // Settings.ini's height is taken as written (any positive one, which
    // absurdReplayStart bounds); the rules only scale the cursor by it.
    if (!(s.spawnAcceleration >= kMinSpawnAcceleration &&
          s.spawnAcceleration <= kMaxSpawnAcceleration) ||
        std::signbit(s.spawnAcceleration))
        return "its spawn acceleration is not one the game's options allow";
    if (!(s.padDeadZone >= kMinDeadZone && s.padDeadZone <= kMaxDeadZone))
        return "its pad dead zone is not one the game's options allow";
    if (!(s.padAimReach >= kMinAimReach && s.padAimReach <= kMaxAimReach))
        return "its pad aim reach is not one the game's options allow";
    if (s.groundScheme >= kGroundSchemes) return "its ground scheme is not one the game has";
    return nullptr;
}
