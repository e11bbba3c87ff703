// The six values of "Settings.ini", as the game reads them. The application
// fills them once at start (or a replay does, with the values it was made
// under); the spawner and the cursor mapping depend on them. Each thread
// has its own, for the world it plays (quorvex-verify plays one on each
// core); the program's are its main thread's.
#pragma once

#include <cstdint>

extern thread_local int32_t fullScreen;
extern thread_local int32_t screenWidth;
extern thread_local int32_t screenHeight;
extern thread_local int32_t bitsPerPixel;
extern thread_local float spawnAcceleration;
extern thread_local int32_t showFps;
// The pad's stick travel, as a share of full scale, that still counts as
// resting, and how far from the Marine a full stick puts the crosshair.
// Replays carry both: they change what the same stick input does.
extern thread_local float padDeadZone;
extern thread_local float padAimReach;
inline constexpr float kDefaultPadDeadZone = 0.3f;
inline constexpr float kDefaultPadAimReach = 0.5f;
// What the player chose to see and feel; the picture and the pad only,
// never the rules. The aim line's colour: 0 red, 1 yellow, 2 cyan, 3 white.
extern thread_local uint8_t aimLineShown;
extern thread_local uint8_t aimLineColour;
extern thread_local uint8_t rumbleOn;

// The six numbers of a "Settings.ini" text as written: fields the text does
// not hold count as 0, and a spawn acceleration that is not a number as 0.
struct SettingsFields {
    int32_t fullScreen = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    float spawnAcceleration = 0.0f;
    int32_t showFps = 0;
};
SettingsFields settingsFieldsOf(const char* text);
