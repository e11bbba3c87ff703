// The player's choices, as options.ini keeps them and the Options screen
// edits them. A plain record: the application applies it (sound, window,
// bindings) and hands the rule-changing values to the game at New Game.
#pragma once

#include <cstdint>

#include "input/bindings.h"
#include "input/option_ranges.h"

enum class ScaleFilter : uint8_t { Sharp, Smooth };
enum class AimColour : uint8_t { Red, Yellow, Cyan, White, Count };

// The page's touch controls: their size (a scale of the drawn size) and
// opacity, in steps between these ends.
inline constexpr float kMinTouchSize = 0.5f;
inline constexpr float kMaxTouchSize = 2.0f;
inline constexpr float kTouchSizeStep = 0.25f;
inline constexpr float kMinTouchOpacity = 0.2f;
inline constexpr float kMaxTouchOpacity = 1.0f;
inline constexpr float kTouchOpacityStep = 0.1f;

struct PlayerOptions {
    bool fullScreen = false;
    int32_t width = 1024;
    int32_t height = 768;
    float spawnAcceleration = 0.003f;
    bool fpsCounter = false;
    int32_t volume = 100; // 0 to 100, steps of 5
    bool mute = false;
    bool muteUnfocused = true;
    bool frameCap = true;
    ScaleFilter scaleFilter = ScaleFilter::Smooth;
    bool runToggle = false;
    bool fireToggle = false;
    bool aimLine = true;
    AimColour aimLineColour = AimColour::Red;
    float padDeadZone = 0.3f;
    float padAimReach = 0.5f;
    bool rumble = true;
    // Touch controls (the page only): the sticks swapped for the left-handed,
    // and the phone's vibration for the pad's rumble.
    float touchSize = 1.0f;
    float touchOpacity = 0.5f;
    bool touchLeftHanded = false;
    bool touchVibration = true;
    Bindings bindings = defaultBindings();
};

// The difficulty presets, by spawn acceleration; Normal is the shipped one.
enum class Difficulty : uint8_t { Easy, Normal, Hard, Custom };
inline constexpr float kDifficultyAcceleration[3] = {0.0015f, 0.003f, 0.006f};
Difficulty difficultyOf(float spawnAcceleration);
const char* difficultyName(Difficulty d);

bool sameOptions(const PlayerOptions& a, const PlayerOptions& b);
