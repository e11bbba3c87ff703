// The game's random sequences. Each draws in a fixed order, so a seeded run
// replays exactly.
#pragma once

#include <cstdint>

#include "math/seed_streams.h"

struct Rng {
    uint32_t state = 1;

    void seed(uint32_t s) { state = s; }
    // 0 to 32767.
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// A whole-degree spread turned into a random angle in radians, from
// -spread/2 up to spread - 1 - spread/2 degrees, drawn from `random`. A spread of 0 or less is
// taken as 1 (no deviation) instead of dividing by zero.
float randomSpreadAngle(Rng& random, int spread);
