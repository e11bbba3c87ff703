#include "game/world/effects.h"

#include <cstdio>

EffectHooks effectHooks;

void cueSound(int index) {
    if (effectHooks.playSound) effectHooks.playSound(index);
}

void cueSoundReclaim() {
    if (effectHooks.reclaimSounds) effectHooks.reclaimSounds();
}

void cueSoundsStop() {
    if (effectHooks.stopSounds) effectHooks.stopSounds();
}

void cueRumble(float low, float high, uint32_t ms) {
    if (effectHooks.rumble) effectHooks.rumble(low, high, ms);
}

void reportProblem(const char* text, const char* caption) {
    if (effectHooks.problem) {
        effectHooks.problem(text, caption);
        return;
    }
    std::fprintf(stderr, "quorvex: %s: %s\n", caption, text);
}
