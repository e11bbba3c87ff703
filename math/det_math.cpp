#include "math/det_math.h"

#include <cstdint>
#include <cstring>

namespace {

// pi/2 in two parts: k * kPio2Hi is exact for |k| < 2^20, and the rest
// keeps far more bits of the reduced angle than a float needs.
constexpr double kPio2Hi = 1.57079632673412561417e+00; // 33 bits of pi/2
constexpr double kPio2Lo = 6.07710050650619224932e-11; // the rest
constexpr double kTwoOverPi = 6.36619772367581382433e-01;

// Polynomials in r^2 fitted to sin(r)/r and cos(r) on |r| <= pi/4 (written
// as hexadecimal, so every compiler reads the same bits). Off by less than
// 2^-35 of the result, far inside a float's last place.
constexpr double kS1 = -0x1.555555545e0acp-3;
constexpr double kS2 = 0x1.11110def2e1c9p-7;
constexpr double kS3 = -0x1.a013a793b98cep-13;
constexpr double kS4 = 0x1.6dbe0838a06e9p-19;
constexpr double kC1 = -0x1.fffffffffe697p-2;
constexpr double kC2 = 0x1.555555514f774p-5;
constexpr double kC3 = -0x1.6c16bae5ef6d4p-10;
constexpr double kC4 = 0x1.a01298d866458p-16;
constexpr double kC5 = -0x1.2474e1a97d143p-22;

// Pairs of terms side by side (Estrin's scheme): shorter chains of
// dependent operations than one term after another.
double sinPoly(double r) {
    double r2 = r * r;
    double r4 = r2 * r2;
    double p = (kS1 + kS2 * r2) + r4 * (kS3 + kS4 * r2);
    // As a product, so that -0 stays -0.
    return r * (1.0 + r2 * p);
}

double cosPoly(double r) {
    double r2 = r * r;
    double r4 = r2 * r2;
    double p = (kC1 + kC2 * r2) + r4 * ((kC3 + kC4 * r2) + r4 * kC5);
    return 1.0 + r2 * p;
}

// Beyond this the quadrant no longer fits an int (and no rule turns that far).
constexpr double kQuickReach = 1.0e6;

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
    double t = x * kTwoOverPi;
    double k;
    int quadrant;
    if (t > -kQuickReach && t < kQuickReach) {
        // Converting to int cuts toward zero, the same on every machine.
        int whole = static_cast<int>(t < 0.0 ? t - 0.5 : t + 0.5);
        k = whole;
        quadrant = whole & 3;
    } else if (x - x == 0.0) {
        k = nearestWhole(t);
        quadrant = quadrantOf(k);
    } else { // infinite or not a number
        s = c = x - x;
        return;
    }
    double r = (x - k * kPio2Hi) - k * kPio2Lo;
    double sr = sinPoly(r);
    double cr = cosPoly(r);
    // Odd quadrants swap sine and cosine; the signs follow the quadrant.
    const bool odd = (quadrant & 1) != 0;
    const double a = odd ? cr : sr;
    const double b = odd ? sr : cr;
    s = (quadrant & 2) != 0 ? -a : a;
    c = ((quadrant + 1) & 2) != 0 ? -b : b;
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
