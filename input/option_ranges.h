// What the game's options allow for the values a game is played with. The
// options file and screen keep to it, and the leaderboard ranks only games
// played within it: one table, so the two never drift apart.
#pragma once

#include <cstdint>

// The screen sizes the settings allow.
struct ScreenSize {
    int32_t width, height;
};
inline constexpr ScreenSize kScreenSizes[3] = {{640, 480}, {800, 600}, {1024, 768}};

// Ranges the file and the screen keep to.
inline constexpr int32_t kMinScreenWidth = 640, kMaxScreenWidth = 1024;
inline constexpr int32_t kMinScreenHeight = 240, kMaxScreenHeight = 4096;
inline constexpr float kMinDeadZone = 0.05f, kMaxDeadZone = 0.9f;
inline constexpr float kMinAimReach = 0.1f, kMaxAimReach = 1.5f;
inline constexpr float kMinSpawnAcceleration = 0.0f, kMaxSpawnAcceleration = 0.1f;
// Ground schemes 0 to kGroundSchemes - 1.
inline constexpr uint8_t kGroundSchemes = 3;
