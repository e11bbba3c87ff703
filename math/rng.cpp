#include "math/rng.h"

#include "math/rules_math.h"
#include "math/vec2.h"

Rng rng;
Rng spawnRng;
Rng dropRng;

Rng& spawnRandom() {
    return rulesGeneration == kFirstGeneration ? rng : spawnRng;
}

Rng& dropRandom() {
    return rulesGeneration == kFirstGeneration ? rng : dropRng;
}

void seedGameStreams(uint32_t seed) {
    GameStreams s = streamsForSeed(seed);
    rng.seed(s.main);
    spawnRng.seed(s.spawn);
    dropRng.seed(s.drop);
}

float randomSpreadAngle(int spread) {
    if (spread <= 0) spread = 1;
    int d = rng.next() % spread - spread / 2;
    return static_cast<float>(d) * kDegToRad;
}
