// The game's one random sequence. Everything random draws from it in a fixed
// order, so a seeded run replays exactly.
#pragma once

#include <cstdint>

struct Rng {
    uint32_t state = 1;

    void seed(uint32_t s) { state = s; }
    // 0 to 32767.
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

extern Rng rng;

// A whole-degree spread turned into a random angle in radians, from
// -spread/2 up to spread - 1 - spread/2 degrees. A spread of 0 or less is
// taken as 1 (no deviation) instead of dividing by zero.
float randomSpreadAngle(int spread);
