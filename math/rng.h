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

// Everything random that is not below: spread, hits, particles, the ground.
extern Rng rng;
// Since the second generation of the rules, where and what monsters spawn,
// and what the dead leave, draw from streams of their own: two players given
// the same seed meet the same monsters and the same drops however they
// shoot. The first generation drew all three from `rng`.
extern Rng spawnRng;
extern Rng dropRng;
Rng& spawnRandom();
Rng& dropRandom();

// Puts every stream at its start for `seed`.
void seedGameStreams(uint32_t seed);

// A whole-degree spread turned into a random angle in radians, from
// -spread/2 up to spread - 1 - spread/2 degrees. A spread of 0 or less is
// taken as 1 (no deviation) instead of dividing by zero.
float randomSpreadAngle(int spread);
