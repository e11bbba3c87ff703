// Building blocks for the synthesised sounds.
#pragma once

#include <cstdint>
#include <vector>

#include "noise.h"

constexpr int kRate = 22050;

using Signal = std::vector<double>;

// Second-order filter (RBJ cookbook forms); set() may be called per sample to sweep it.
class Biquad {
  public:
    enum Kind { LowPass, HighPass, BandPass };
    Biquad(Kind kind, double freq, double q) : kind_(kind) { set(freq, q); }
    void set(double freq, double q);
    double operator()(double x);

  private:
    Kind kind_;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

inline int samplesFor(double seconds) {
    return static_cast<int>(seconds * kRate + 0.5);
}
inline double timeOf(int i) {
    return static_cast<double>(i) / kRate;
}

// exp(-t / tau) after t >= 0, with a short linear attack to avoid clicks.
double decay(double t, double tau, double attack = 0.0015);

// One sample of a glottal pulse train (the buzz of a voice) at phase 0..1.
double glottal(double phase);

// Adds a small room to the signal: a few feedback delays, mixed in by `wet`.
void reverb(Signal& s, double wet, double size, double feedback);

double softClip(double x);

// Removes the mean, fades both ends and scales the peak to `peak` of full scale.
std::vector<std::int16_t> finish(Signal s, double fadeIn, double fadeOut, double peak = 0.89);
