// What the rules ask of the world outside them: sounds, the pad's rumble and
// problems worth telling the player. The front end connects each to the
// sound card, the pad and a message box; without it (the verifier) they go
// nowhere, except problems, which go to standard error.
#pragma once

#include <cstdint>

// A sound's index is its place in the load order.
enum SoundIndex : int {
#include "game/world/effects.h"
    SoundPistolShot = 0,
    SoundAKShot = 1,
    SoundShotGun = 2,
    SoundGrenadeGun = 3,
    SoundDamage = 4,
    SoundExplosion = 5,
    SoundPickUp = 6,
    SoundMarineHm = 7,
    SoundMarineDeath = 8,
    SoundSpecial = 9,
};

struct EffectHooks {
    void (*playSound)(int index) = nullptr;
    void (*reclaimSounds)() = nullptr;
    void (*stopSounds)() = nullptr;
    void (*rumble)(float low, float high, uint32_t ms) = nullptr;
    void (*problem)(const char* text, const char* caption) = nullptr;
};

extern EffectHooks effectHooks;

// Starts sound `index` once.
void cueSound(int index);
// Lets the sound card take back the voices of finished sounds.
void cueSoundReclaim();
// A new game: every sound still playing stops.
void cueSoundsStop();
// Rumbles the pad; (0, 0, 0) stops it.
void cueRumble(float low, float high, uint32_t ms);
// A data file the game could not use: a message box, or one line on
// standard error.
void reportProblem(const char* text, const char* caption);
