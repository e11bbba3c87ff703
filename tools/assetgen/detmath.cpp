#include "detmath.h"

#include <cmath>

namespace dm {

namespace {

// pi/2 split in two parts so that k * kPio2Hi is exact for the ranges used here.
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;

// Taylor series on |r| <= pi/4 in Horner form, with coefficients folded at compile time.
struct Coefficients {
    double sin[10], cos[10], exp[17];
};

constexpr Coefficients makeCoefficients() {
    Coefficients c{};
    double f = 1.0; // running factorial
    for (int n = 0; n <= 19; ++n) {
        if (n > 0) f *= n;
        double sign = (n / 2) % 2 == 0 ? 1.0 : -1.0;
        if (n % 2 == 1)
            c.sin[n / 2] = sign / f;
        else
            c.cos[n / 2] = sign / f;
        if (n <= 16) c.exp[n] = 1.0 / f;
    }
    return c;
}

constexpr Coefficients kCoef = makeCoefficients();

double sinPoly(double r) {
    double r2 = r * r, p = kCoef.sin[9];
    for (int k = 8; k >= 0; --k)
        p = kCoef.sin[k] + r2 * p;
    return r * p;
}

double cosPoly(double r) {
    double r2 = r * r, p = kCoef.cos[9];
    for (int k = 8; k >= 0; --k)
        p = kCoef.cos[k] + r2 * p;
    return p;
}

double sinCos(double x, bool wantCos) {
    double k = floor(x / (kPio2Hi + kPio2Lo) + 0.5);
    double r = (x - k * kPio2Hi) - k * kPio2Lo;
    long q = static_cast<long>(k) & 3;
    if (wantCos) q = (q + 1) & 3;
    switch (q) {
    case 0:
        return sinPoly(r);
    case 1:
        return cosPoly(r);
    case 2:
        return -sinPoly(r);
    default:
        return -cosPoly(r);
    }
}

double scaleByPow2(double x, int e) {
    // Exact: multiplying by powers of two only changes the exponent.
    while (e > 60) {
        x *= 1152921504606846976.0;
        e -= 60;
    }
    while (e < -60) {
        x /= 1152921504606846976.0;
        e += 60;
    }
    double p = 1.0;
    if (e >= 0)
        for (int i = 0; i < e; ++i)
            p *= 2.0;
    else
        for (int i = 0; i < -e; ++i)
            p /= 2.0;
    return x * p;
}

double atanPoly(double x) {
    // atan on [0, 1] after reducing to |t| <= tan(pi/12).
    bool invert = false;
    if (x > 1.0) {
        x = 1.0 / x;
        invert = true;
    }
    constexpr double kTan15 = 0.26794919243112270;
    bool shifted = false;
    if (x > kTan15) {
        x = (x * 1.73205080756887729 - 1.0) / (x + 1.73205080756887729);
        shifted = true;
    }
    double x2 = x * x, term = x, sum = x;
    for (int n = 1; n <= 14; ++n) {
        term *= -x2;
        sum += term / (2.0 * n + 1.0);
    }
    if (shifted) sum += kPi / 6.0;
    if (invert) sum = kPi / 2.0 - sum;
    return sum;
}

} // namespace

double sin(double x) {
    return sinCos(x, false);
}
double cos(double x) {
    return sinCos(x, true);
}

double exp(double x) {
    if (x < -700.0) return 0.0;
    if (x > 700.0) x = 700.0;
    constexpr double kLn2 = 0.69314718055994530942;
    double k = floor(x / kLn2 + 0.5);
    double r = x - k * kLn2;
    double sum = kCoef.exp[16];
    for (int n = 15; n >= 0; --n)
        sum = kCoef.exp[n] + r * sum;
    return scaleByPow2(sum, static_cast<int>(k));
}

double log(double x) {
    if (x <= 0.0) return -745.0;
    int e = 0;
    while (x >= 2.0) {
        x /= 2.0;
        ++e;
    }
    while (x < 1.0) {
        x *= 2.0;
        --e;
    }
    if (x > 1.41421356237309505) {
        x /= 2.0;
        ++e;
    }
    double s = (x - 1.0) / (x + 1.0), s2 = s * s, term = s, sum = s;
    for (int n = 1; n <= 20; ++n) {
        term *= s2;
        sum += term / (2.0 * n + 1.0);
    }
    return 2.0 * sum + e * 0.69314718055994530942;
}

double pow(double x, double y) {
    if (x <= 0.0) return 0.0;
    return exp(y * log(x));
}

double atan2(double y, double x) {
    if (x == 0.0 && y == 0.0) return 0.0;
    double ax = abs(x), ay = abs(y);
    double a = ax >= ay ? atanPoly(ay / ax) : kPi / 2.0 - atanPoly(ax / ay);
    if (x < 0.0) a = kPi - a;
    return y < 0.0 ? -a : a;
}

} // namespace dm
