// Math that gives the same bits on every machine: only +, -, *, / and sqrt,
// which IEEE 754 rounds exactly, so the generated files never depend on libm.
#pragma once

#include <cmath>

namespace dm {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTau = 2.0 * kPi;

double sin(double x);
double cos(double x);
double exp(double x);
double log(double x);
double pow(double x, double y);
double atan2(double y, double x);

// floor and sqrt are exact in IEEE arithmetic, so the library's versions are safe.
inline double floor(double x) {
    return std::floor(x);
}
inline double fract(double x) {
    return x - std::floor(x);
}
inline double sqrt(double x) {
    return x <= 0.0 ? 0.0 : std::sqrt(x);
}

inline double clamp(double x, double lo, double hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}
inline double clamp01(double x) {
    return clamp(x, 0.0, 1.0);
}
inline double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}
inline double abs(double x) {
    return x < 0.0 ? -x : x;
}
inline double min(double a, double b) {
    return a < b ? a : b;
}
inline double max(double a, double b) {
    return a > b ? a : b;
}
inline double smoothstep(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

} // namespace dm
