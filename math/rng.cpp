#include "math/rng.h"

#include "math/vec2.h"

Rng rng;

float randomSpreadAngle(int spread) {
    if (spread <= 0) spread = 1;
    int d = rng.next() % spread - spread / 2;
    return static_cast<float>(d) * kDegToRad;
}
