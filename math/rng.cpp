#include "math/rng.h"

#include "math/vec2.h"

float randomSpreadAngle(Rng& random, int spread) {
    if (spread <= 0) spread = 1;
    int d = random.next() % spread - spread / 2;
    return static_cast<float>(d) * kDegToRad;
}
