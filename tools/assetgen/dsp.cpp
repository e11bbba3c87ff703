#include "dsp.h"

#include <cstddef>

#include "detmath.h"

void Biquad::set(double freq, double q) {
    double w = dm::kTau * dm::clamp(freq, 10.0, kRate * 0.45) / kRate;
    double cw = dm::cos(w), alpha = dm::sin(w) / (2.0 * q);
    double a0 = 1.0 + alpha;
    switch (kind_) {
    case LowPass:
        b0_ = (1.0 - cw) / 2.0;
        b1_ = 1.0 - cw;
        b2_ = b0_;
        break;
    case HighPass:
        b0_ = (1.0 + cw) / 2.0;
        b1_ = -(1.0 + cw);
        b2_ = b0_;
        break;
    case BandPass: // constant 0 dB peak gain
        b0_ = alpha;
        b1_ = 0.0;
        b2_ = -alpha;
        break;
    }
    b0_ /= a0;
    b1_ /= a0;
    b2_ /= a0;
    a1_ = -2.0 * cw / a0;
    a2_ = (1.0 - alpha) / a0;
}

double Biquad::operator()(double x) {
    double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
}

double decay(double t, double tau, double attack) {
    if (t < 0.0) return 0.0;
    double a = attack > 0.0 && t < attack ? t / attack : 1.0;
    return a * dm::exp(-t / tau);
}

double glottal(double phase) {
    // Rosenberg-style flow: a smooth opening, a sharper closing, then a closed rest.
    if (phase < 0.45) return 0.5 * (1.0 - dm::cos(dm::kPi * phase / 0.45));
    if (phase < 0.65) return dm::cos(dm::kPi * 0.5 * (phase - 0.45) / 0.2);
    return 0.0;
}

void reverb(Signal& s, double wet, double size, double feedback) {
    const double delays[4] = {0.0297, 0.0371, 0.0411, 0.0437};
    Signal out(s.size(), 0.0);
    for (double base : delays) {
        int d = samplesFor(base * size);
        if (d < 1) d = 1;
        Signal line(s.size(), 0.0);
        double damp = 0.0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            double fb = i >= std::size_t(d) ? line[i - d] : 0.0;
            damp = damp * 0.3 + fb * 0.7; // darker with every echo
            line[i] = s[i] + damp * feedback;
            out[i] += line[i] * 0.25;
        }
    }
    // Each line carries the dry signal once; what it adds beyond that is the room.
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] += (out[i] - s[i]) * wet;
}

double softClip(double x) {
    double e = dm::exp(2.0 * dm::clamp(x, -20.0, 20.0));
    return (e - 1.0) / (e + 1.0);
}

std::vector<std::int16_t> finish(Signal s, double fadeIn, double fadeOut, double peak) {
    double mean = 0.0;
    for (double v : s)
        mean += v;
    mean /= static_cast<double>(s.size());
    for (double& v : s)
        v -= mean;
    int in = samplesFor(fadeIn), out = samplesFor(fadeOut), n = static_cast<int>(s.size());
    for (int i = 0; i < in && i < n; ++i)
        s[i] *= 0.5 - 0.5 * dm::cos(dm::kPi * i / in);
    for (int i = 0; i < out && i < n; ++i)
        s[n - 1 - i] *= 0.5 - 0.5 * dm::cos(dm::kPi * i / out);
    double top = 0.0;
    for (double v : s)
        top = dm::max(top, dm::abs(v));
    double k = top > 0.0 ? peak * 32767.0 / top : 0.0;
    std::vector<std::int16_t> pcm(s.size());
    for (int i = 0; i < n; ++i)
        pcm[i] = static_cast<std::int16_t>(dm::floor(s[i] * k + 0.5));
    return pcm;
}
