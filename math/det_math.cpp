#include "math/det_math.h"

#include <cstdint>
#include <cstring>

namespace {

// pi/2 in three parts: k * kPio2Hi and k * kPio2Mid are exact for |k| < 2^20,
// so the reduced angle keeps far more bits than a float needs.
constexpr double kPio2Hi = 1.57079632673412561417e+00;  // 33 bits of pi/2
constexpr double kPio2Mid = 6.07710050630396597660e-11; // the next 33
constexpr double kPio2Lo = 2.02226624879595063154e-21;  // the rest
constexpr double kTwoOverPi = 6.36619772367581382433e-01;

// Taylor coefficients 1/n! with alternating signs; on |r| <= pi/4 the first
// term left out is below 2^-40 of the result.
constexpr double kS1 = -1.0 / 6.0;
constexpr double kS2 = 1.0 / 120.0;
constexpr double kS3 = -1.0 / 5040.0;
constexpr double kS4 = 1.0 / 362880.0;
constexpr double kS5 = -1.0 / 39916800.0;
constexpr double kS6 = 1.0 / 6227020800.0;
constexpr double kC1 = -1.0 / 2.0;
constexpr double kC2 = 1.0 / 24.0;
constexpr double kC3 = -1.0 / 720.0;
constexpr double kC4 = 1.0 / 40320.0;
constexpr double kC5 = -1.0 / 3628800.0;
constexpr double kC6 = 1.0 / 479001600.0;
constexpr double kC7 = -1.0 / 87178291200.0;

double sinPoly(double r) {
    if (r == 0.0) return r; // keeps the sign of zero
    double r2 = r * r;
    return r + r * r2 * (kS1 + r2 * (kS2 + r2 * (kS3 + r2 * (kS4 + r2 * (kS5 + r2 * kS6)))));
}

double cosPoly(double r) {
    double r2 = r * r;
    return 1.0 +
           r2 * (kC1 + r2 * (kC2 + r2 * (kC3 + r2 * (kC4 + r2 * (kC5 + r2 * (kC6 + r2 * kC7))))));
}

// Rounds to the nearest whole number, ties away from zero, with plain
// arithmetic: adding and taking away 2^52 leaves no fraction.
double nearestWhole(double v) {
    constexpr double kShift = 4503599627370496.0;
    double a = v < 0.0 ? -v : v;
    if (!(a < kShift)) return v; // already whole (or not a number)
    double w = (a + kShift) - kShift;
    if (w - a > 0.5)
        w -= 1.0;
    else if (a - w >= 0.5)
        w += 1.0;
    return v < 0.0 ? -w : w;
}

// The quadrant (0 to 3) of a whole number k, without converting a huge k.
int quadrantOf(double k) {
    double q = k - 4.0 * nearestWhole(k * 0.25 - 0.375);
    // q is a whole number in [0, 4) for every finite k.
    return static_cast<int>(q) & 3;
}

void sinCos(float angle, double& s, double& c) {
    double x = angle;
    if (!(x - x == 0.0)) { // infinite or not a number
        s = c = x - x;
        return;
    }
    double k = nearestWhole(x * kTwoOverPi);
    double r = ((x - k * kPio2Hi) - k * kPio2Mid) - k * kPio2Lo;
    double sr = sinPoly(r);
    double cr = cosPoly(r);
    switch (quadrantOf(k)) {
    case 0:
        s = sr;
        c = cr;
        break;
    case 1:
        s = cr;
        c = -sr;
        break;
    case 2:
        s = -sr;
        c = -cr;
        break;
    default:
        s = -cr;
        c = sr;
        break;
    }
}

} // namespace

float detSin(float x) {
    double s, c;
    sinCos(x, s, c);
    return static_cast<float>(s);
}

float detCos(float x) {
    double s, c;
    sinCos(x, s, c);
    return static_cast<float>(c);
}

void detSinCos(float x, float& s, float& c) {
    double sd, cd;
    sinCos(x, sd, cd);
    s = static_cast<float>(sd);
    c = static_cast<float>(cd);
}
