// The rules' own sine and cosine against the double-precision library,
// over every float angle the rules can use. Optimised builds try each one;
// unoptimised (sanitizer) builds a stride of them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "math/det_math.h"
#include "math/rules_math.h"
#include "math/vec2.h"

namespace {

float floatOf(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint32_t bitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Distance in units in the last place, across zero too.
int64_t ulpsApart(float a, float b) {
    auto ordered = [](float f) {
        int64_t b = bitsOf(f) & 0x7FFFFFFFu;
        return (bitsOf(f) >> 31) ? -b : b;
    };
    int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

struct Sweep {
    int64_t worst = 0;
    uint64_t inexact = 0; // results not the correctly rounded one
    uint64_t asymmetric = 0;
};

void sweep(uint32_t from, uint32_t to, uint32_t stride, Sweep& out) {
    for (uint64_t b = from; b <= to; b += stride) {
        float x = floatOf(static_cast<uint32_t>(b));
        float s, c;
        detSinCos(x, s, c);
        float rs = static_cast<float>(std::sin(static_cast<double>(x)));
        float rc = static_cast<float>(std::cos(static_cast<double>(x)));
        int64_t d = std::max(ulpsApart(s, rs), ulpsApart(c, rc));
        out.worst = std::max(out.worst, d);
        if (d != 0) ++out.inexact;
        // Odd and even, bit for bit, so the negative half needs no sweep.
        float ns, nc;
        detSinCos(-x, ns, nc);
        if (bitsOf(ns) != (bitsOf(s) ^ 0x80000000u) || bitsOf(nc) != bitsOf(c)) ++out.asymmetric;
        if (b % 4099 == 0 && (bitsOf(detSin(x)) != bitsOf(s) || bitsOf(detCos(x)) != bitsOf(c)))
            ++out.asymmetric;
    }
}

} // namespace

TEST(DetMath, WithinAnUlpOfTheTrueValueForEveryAngleUpToEight) {
#ifdef NDEBUG
    const uint32_t stride = 1;
#else
    const uint32_t stride = 97;
#endif
    const uint32_t last = bitsOf(8.0f);
    Sweep halves[2];
    std::thread other(sweep, last / 2 + 1, last, stride, std::ref(halves[1]));
    sweep(0, last / 2, stride, halves[0]);
    other.join();
    for (const Sweep& h : halves) {
        EXPECT_LE(h.worst, 1);
        // Nearly always the correctly rounded float (about 33,000 of the
        // billion are one step off, nearly all in the cosine).
        EXPECT_LT(h.inexact, 100000u);
        EXPECT_EQ(h.asymmetric, 0u);
    }
}

TEST(DetMath, EdgesAndValuesTheRulesRelyOn) {
    struct Case {
        float x, sin, cos;
    } cases[] = {
        {0.0f, 0.0f, 1.0f},
        {1.5707963705062866f, 1.0f, -4.371139e-08f},
        {3.1415927410125732f, -8.742278e-08f, -1.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detSin(c.x), c.sin) << c.x;
        EXPECT_EQ(detCos(c.x), c.cos) << c.x;
    }
    // -0 stays -0; what is not a number gives what is not a number.
    EXPECT_EQ(bitsOf(detSin(-0.0f)), 0x80000000u);
    EXPECT_TRUE(std::isnan(detSin(INFINITY)));
    EXPECT_TRUE(std::isnan(detCos(NAN)));
    // Far outside the rules' range the values are still sines.
    for (float x : {1000.0f, -12345.678f, 3.0e6f}) {
        EXPECT_NEAR(detSin(x), std::sin(static_cast<double>(x)), 1e-6) << x;
        EXPECT_NEAR(detCos(x), std::cos(static_cast<double>(x)), 1e-6) << x;
    }
}

TEST(DetMath, RotateUsesTheGenerationsOwnFunctions) {
    const int before = rulesGeneration;
    const float angle = 0.7853982f;
    rulesGeneration = kCurrentGeneration;
    Vec2 portable = Vec2(1.0f, 0.0f).rotate(angle);
    EXPECT_EQ(portable.x, detCos(angle));
    EXPECT_EQ(portable.y, detSin(angle));
    rulesGeneration = kFirstGeneration;
    Vec2 platform = Vec2(1.0f, 0.0f).rotate(angle);
    EXPECT_EQ(platform.x, std::cos(angle));
    EXPECT_EQ(platform.y, std::sin(angle));
    rulesGeneration = before;
}
