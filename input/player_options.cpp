#include "input/player_options.h"

namespace {

bool sameBindings(const Bindings& a, const Bindings& b) {
    for (int i = 0; i < KeyActionCount; ++i)
        if (a.key[i] != b.key[i]) return false;
    for (int i = 0; i < PadActionCount; ++i)
        if (a.pad[i] != b.pad[i]) return false;
    return true;
}

} // namespace

Difficulty difficultyOf(float spawnAcceleration) {
    for (int i = 0; i < 3; ++i)
        if (spawnAcceleration == kDifficultyAcceleration[i]) return static_cast<Difficulty>(i);
    return Difficulty::Custom;
}

const char* difficultyName(Difficulty d) {
    switch (d) {
    case Difficulty::Easy:
        return "Easy";
    case Difficulty::Normal:
        return "Normal";
    case Difficulty::Hard:
        return "Hard";
    default:
        return "Custom";
    }
}

bool sameOptions(const PlayerOptions& a, const PlayerOptions& b) {
    return a.fullScreen == b.fullScreen && a.width == b.width && a.height == b.height &&
           a.spawnAcceleration == b.spawnAcceleration && a.fpsCounter == b.fpsCounter &&
           a.volume == b.volume && a.mute == b.mute && a.muteUnfocused == b.muteUnfocused &&
           a.frameCap == b.frameCap && a.scaleFilter == b.scaleFilter &&
           a.runToggle == b.runToggle && a.fireToggle == b.fireToggle && a.aimLine == b.aimLine &&
           a.aimLineColour == b.aimLineColour && a.padDeadZone == b.padDeadZone &&
           a.padAimReach == b.padAimReach && a.rumble == b.rumble && a.touchSize == b.touchSize &&
           a.touchOpacity == b.touchOpacity && a.touchLeftHanded == b.touchLeftHanded &&
           a.touchVibration == b.touchVibration && sameBindings(a.bindings, b.bindings);
}
