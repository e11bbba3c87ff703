// The rules' own sine and cosine, made of + - * / alone, so that every
// compiler, CPU and C library computes the same bits from the same angle.
// Within a unit in the last place of the float result for every angle the
// rules use (|x| <= 8 is checked exhaustively; nearly all are the correctly
// rounded float); larger angles still give the same bits everywhere, only
// less accurately.
//
// Inline, since the rules turn vectors every frame and a call costs as much
// as the arithmetic. Every target that includes this builds with the rules'
// float flags (quorvex_exact_floats), which the check below insists on.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>

// Wider intermediate floats (x87, some old targets) would round the rules
// differently from everyone else's.
static_assert(FLT_EVAL_METHOD == 0, "the rules need float and double evaluated at their own width");
// Fast-math lets the compiler reorder and fuse as it likes (the build's
// -ffp-contract=off keeps it from fusing multiply-adds).
#if defined(__FAST_MATH__)
#error "the rules must be built without fast-math"
#endif
#if !defined(QUORVEX_EXACT_FLOATS)
#error "code using the rules' math must link quorvex_exact_floats (-ffp-contract=off)"
#endif

namespace det_math_detail {

// pi/2 in two parts: k * kPio2Hi is exact for |k| < 2^20, and the rest
// keeps far more bits of the reduced angle than a float needs.
constexpr double kPio2Hi = 1.57079632673412561417e+00; // 33 bits of pi/2
constexpr double kPio2Lo = 6.07710050650619224932e-11; // the rest
constexpr double kTwoOverPi = 6.36619772367581382433e-01;
// Adding and taking away 1.5 * 2^52 rounds a double of magnitude under
// 2^51 to a whole number (ties to even), which lands in the low bits.
constexpr double kRoundShift = 0x1.8p52;
// Beyond this the quadrant is found the slow way (no rule turns that far).
constexpr double kQuickReach = 1.0e6;

// Polynomials in r^2 fitted to sin(r)/r and cos(r) on |r| <= pi/4 (written
// as hexadecimal, so every compiler reads the same bits): the sine off by
// less than 2^-35, the cosine by less than 2^-32, both well inside a float's
// last place.
constexpr double kS1 = -0x1.555555545e0acp-3;
constexpr double kS2 = 0x1.11110def2e1c9p-7;
constexpr double kS3 = -0x1.a013a793b98cep-13;
constexpr double kS4 = 0x1.6dbe0838a06e9p-19;
constexpr double kC1 = -0x1.fffffffab1da6p-2;
constexpr double kC2 = 0x1.55554cbb440f1p-5;
constexpr double kC3 = -0x1.6c0e087f57eebp-10;
constexpr double kC4 = 0x1.9a6f2bb019f50p-16;

// The whole number of quarter turns nearest `t`, and its quadrant, for
// angles out of quick reach (and NaN for what is not finite).
void farQuarterTurns(double t, double& k, unsigned& quadrant);

inline void sinCos(float angle, double& s, double& c) {
    const double x = angle;
    const double t = x * kTwoOverPi;
    double k;
    unsigned quadrant;
    if (t > -kQuickReach && t < kQuickReach) {
        const double shifted = t + kRoundShift;
        k = shifted - kRoundShift;
        uint64_t bits;
        std::memcpy(&bits, &shifted, sizeof bits);
        quadrant = static_cast<unsigned>(bits) & 3u;
    } else if (x - x == 0.0) {
        farQuarterTurns(t, k, quadrant);
    } else { // infinite or not a number
        s = c = x - x;
        return;
    }
    const double r = (x - k * kPio2Hi) - k * kPio2Lo;
    // Pairs of terms side by side (Estrin's scheme): shorter chains of
    // dependent operations than one term after another.
    const double r2 = r * r;
    const double r4 = r2 * r2;
    const double ps = (kS1 + kS2 * r2) + r4 * (kS3 + kS4 * r2);
    const double pc = (kC1 + kC2 * r2) + r4 * (kC3 + kC4 * r2);
    // The sine as a product, so that -0 stays -0.
    const double sr = r * (1.0 + r2 * ps);
    const double cr = 1.0 + r2 * pc;
    // Odd quadrants swap sine and cosine; the signs follow the quadrant.
    const bool odd = (quadrant & 1u) != 0;
    const double a = odd ? cr : sr;
    const double b = odd ? sr : cr;
    s = (quadrant & 2u) != 0 ? -a : a;
    c = ((quadrant + 1u) & 2u) != 0 ? -b : b;
}

} // namespace det_math_detail

inline float detSin(float x) {
    double s, c;
    det_math_detail::sinCos(x, s, c);
    return static_cast<float>(s);
}

inline float detCos(float x) {
    double s, c;
    det_math_detail::sinCos(x, s, c);
    return static_cast<float>(c);
}

// Both at once, as Vec2::rotate wants them.
inline void detSinCos(float x, float& s, float& c) {
    double sd, cd;
    det_math_detail::sinCos(x, sd, cd);
    s = static_cast<float>(sd);
    c = static_cast<float>(cd);
}
