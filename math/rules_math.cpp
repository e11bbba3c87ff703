#include "math/rules_math.h"

#include <cmath>

#include "math/det_math.h"

thread_local int rulesGeneration = kCurrentGeneration;

bool platformReplaysGeneration1() {
#if defined(__GLIBC__)
    return true;
#else
    return false;
#endif
}

float ruleSin(float x) {
    return rulesGeneration == kFirstGeneration ? std::sin(x) : detSin(x);
}

float ruleCos(float x) {
    return rulesGeneration == kFirstGeneration ? std::cos(x) : detCos(x);
}

void ruleSinCos(float x, float& s, float& c) {
    if (rulesGeneration == kFirstGeneration) {
        s = std::sin(x);
        c = std::cos(x);
    } else {
        detSinCos(x, s, c);
    }
}
