#include "app/options_apply.h"

#include "app/input_router.h"
#include "audio/sound_bank.h"
#include "game/world/world.h"
#include "input/settings_values.h"
#include "platform/platform.h"

namespace {

PlayerOptions active;
bool rulesPending = false;
bool focused = true;
// A daily game plays at the day's difficulty; the player's comes back after.
bool dailyPlaying = false;
float beforeDaily = 0.0f;

void applySound() {
    bool silent = active.mute || (active.muteUnfocused && !focused);
    setListenerGain(silent ? 0.0f : static_cast<float>(active.volume) / 100.0f);
}

void applyRules() {
    World& w = world();
    w.spawnAcceleration = active.spawnAcceleration;
    w.padDeadZone = active.padDeadZone;
    w.padAimReach = active.padAimReach;
    rulesPending = false;
}

} // namespace

const PlayerOptions& activeOptions() {
    return active;
}

void applyOptions(const PlayerOptions& options, bool rulesNow) {
    bool rulesChanged = options.spawnAcceleration != active.spawnAcceleration ||
                        options.padDeadZone != active.padDeadZone ||
                        options.padAimReach != active.padAimReach;
    active = options;
    applySound();
    setRouting(active.bindings, active.runToggle, active.fireToggle);
    platform::setFrameCap(active.frameCap);
    platform::setSmoothScaling(active.scaleFilter == ScaleFilter::Smooth);
    aimLineShown = active.aimLine ? 1 : 0;
    aimLineColour = static_cast<uint8_t>(active.aimLineColour);
    rumbleOn = active.rumble ? 1 : 0;
    world().showFps = active.fpsCounter ? 1 : 0;
    if (rulesNow)
        applyRules();
    else if (rulesChanged)
        rulesPending = true;
}

void applyDisplayOptions(const PlayerOptions& options) {
    active.fullScreen = options.fullScreen;
    active.width = options.width;
    active.height = options.height;
    platform::setWindowPixelSize(options.width, options.height);
    platform::setFullScreen(options.fullScreen);
}

void applyPendingRules() {
    if (dailyPlaying) world().spawnAcceleration = beforeDaily;
    dailyPlaying = false;
    if (rulesPending) applyRules();
}

void applyDailyRules(float dailyAcceleration) {
    World& w = world();
    if (!dailyPlaying) beforeDaily = w.spawnAcceleration;
    dailyPlaying = true;
    w.spawnAcceleration = dailyAcceleration;
}

void noteWindowFocus(bool nowFocused) {
    focused = nowFocused;
    applySound();
}

void resetActiveOptions() {
    active = PlayerOptions{};
    rulesPending = false;
    focused = true;
    dailyPlaying = false;
    setRouting(active.bindings, false, false);
    resetRouting();
    setListenerGain(1.0f);
    aimLineShown = 1;
    aimLineColour = 0;
    rumbleOn = 1;
}
