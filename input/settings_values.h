// The values of "Settings.ini" and the Options that belong to the program,
// not to a game: the window's mode and what the player chose to see and
// feel. The rest (the picture's size, the spawn acceleration, the FPS
// counter, the pad's dead zone and aim reach) each world keeps as its own
// (game/world/world.h), since a replay carries them.
#pragma once

#include <cstdint>

extern int32_t fullScreen;
extern int32_t bitsPerPixel;
// The pad's stick travel, as a share of full scale, that still counts as
// resting, and how far from the Marine a full stick puts the crosshair, as
// a new world has them.
inline constexpr float kDefaultPadDeadZone = 0.3f;
inline constexpr float kDefaultPadAimReach = 0.5f;
// What the player chose to see and feel; the picture and the pad only,
// never the rules. The aim line's colour: 0 red, 1 yellow, 2 cyan, 3 white.
extern uint8_t aimLineShown;
extern uint8_t aimLineColour;
extern uint8_t rumbleOn;

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
