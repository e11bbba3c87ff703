// The ten sound effects, synthesised from noise, oscillators and filters.
#include "assets.h"
#include "detmath.h"
#include "dsp.h"
#include "writers.h"

namespace {

// A gunshot: a bright crack, a band of body noise, a low thump and a room tail.
struct Shot {
    double length, crackTau, crackCut, bodyTau, bodyFreq, thumpTau, thumpFrom, thumpTo;
    double room, roomSize;
};

Signal gunshot(const Shot& k, std::uint64_t seed) {
    Prng rng(seed);
    Signal s(samplesFor(k.length));
    Biquad crackHp(Biquad::HighPass, k.crackCut, 0.7), bodyBp(Biquad::BandPass, k.bodyFreq, 0.9);
    Biquad bodyLp(Biquad::LowPass, 5000.0, 0.7);
    double phase = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double t = timeOf(int(i));
        double w = rng.range(-1.0, 1.0);
        double crack = crackHp(w) * decay(t, k.crackTau, 0.0003);
        double body = bodyLp(bodyBp(w)) * decay(t, k.bodyTau, 0.0008) * 2.2;
        double f = k.thumpTo + (k.thumpFrom - k.thumpTo) * dm::exp(-t / 0.02);
        phase += f / kRate;
        double thump = dm::sin(dm::kTau * phase) * decay(t, k.thumpTau, 0.001);
        s[i] = softClip(1.4 * (0.9 * crack + body + 0.8 * thump));
    }
    reverb(s, k.room, k.roomSize, 0.55);
    return s;
}

Signal pistol() {
    return gunshot({0.42, 0.004, 1800.0, 0.03, 900.0, 0.045, 170.0, 65.0, 0.3, 1.0}, 1);
}

Signal ak() {
    return gunshot({0.1, 0.003, 2200.0, 0.016, 700.0, 0.024, 140.0, 60.0, 0.12, 0.5}, 2);
}

// A clack of metal on metal, for the shotgun's pump.
void clack(Signal& s, double at, double level, std::uint64_t seed) {
    Prng rng(seed);
    Biquad bp(Biquad::BandPass, 2600.0, 3.0), ring(Biquad::BandPass, 1700.0, 12.0);
    for (int i = samplesFor(at); i < int(s.size()); ++i) {
        double t = timeOf(i) - at;
        if (t > 0.08) break;
        double w = rng.range(-1.0, 1.0) * decay(t, 0.006, 0.0003);
        s[i] += level * (bp(w) * 2.0 + ring(w) * 3.0);
    }
}

Signal shotgun() {
    Signal s = gunshot({0.95, 0.006, 1200.0, 0.08, 500.0, 0.12, 110.0, 42.0, 0.38, 1.3}, 3);
    clack(s, 0.55, 0.35, 31);
    clack(s, 0.68, 0.45, 32);
    return s;
}

Signal grenadeLauncher() {
    // A hollow "thoonk": a falling tone in a tube, a puff of air and a rattle.
    Prng rng(4);
    Signal s(samplesFor(0.5));
    std::vector<double> tube(samplesFor(1.0 / 180.0), 0.0);
    std::size_t tp = 0;
    Biquad puffLp(Biquad::LowPass, 900.0, 0.7);
    double phase = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double t = timeOf(int(i));
        double f = 85.0 + 160.0 * dm::exp(-t / 0.03);
        phase += f / kRate;
        double tone = dm::sin(dm::kTau * phase) * decay(t, 0.07, 0.002);
        double puff = puffLp(rng.range(-1.0, 1.0)) * decay(t, 0.035, 0.001) * 2.5;
        double y = puff + tube[tp] * 0.82;
        tube[tp] = y;
        tp = (tp + 1) % tube.size();
        s[i] = tone * 0.9 + y * 0.5;
    }
    clack(s, 0.16, 0.12, 41);
    reverb(s, 0.2, 0.7, 0.5);
    return s;
}

Signal damage() {
    // A wet smack: a thud under noise whose colour slides down, broken up into squelches.
    Prng rng(5);
    Signal s(samplesFor(0.24));
    Biquad bp(Biquad::BandPass, 1800.0, 2.2);
    Biquad lp(Biquad::LowPass, 3000.0, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        double t = timeOf(int(i));
        bp.set(250.0 + 1600.0 * dm::exp(-t / 0.035), 2.2);
        double squelch = 0.55 + 0.45 * dm::sin(dm::kTau * (38.0 * t + 6.0 * t * t * 40.0));
        double wet = bp(rng.range(-1.0, 1.0)) * decay(t, 0.05, 0.002) * squelch * 3.0;
        double thud = dm::sin(dm::kTau * (95.0 * t - 90.0 * t * t)) * decay(t, 0.035, 0.002);
        s[i] = lp(wet + thud * 0.9);
    }
    // A few drops spattering afterwards.
    for (int k = 0; k < 4; ++k) {
        double at = 0.06 + 0.03 * k + rng.range(0.0, 0.02);
        Biquad drop(Biquad::BandPass, rng.range(1400.0, 2600.0), 6.0);
        for (int i = samplesFor(at); i < int(s.size()) && timeOf(i) < at + 0.03; ++i)
            s[i] += drop(rng.range(-1.0, 1.0)) * decay(timeOf(i) - at, 0.006) * 0.6;
    }
    return s;
}

Signal explosion() {
    Prng rng(6);
    Signal s(samplesFor(1.45));
    Biquad lp(Biquad::LowPass, 4000.0, 0.8), rumble(Biquad::LowPass, 110.0, 0.9);
    Biquad crackHp(Biquad::HighPass, 2500.0, 0.7), crackle(Biquad::BandPass, 1800.0, 2.0);
    double brown = 0.0, phase = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double t = timeOf(int(i));
        double w = rng.range(-1.0, 1.0);
        lp.set(150.0 + 3800.0 * dm::exp(-t / 0.18), 0.8);
        double blast = lp(w) * decay(t, 0.26, 0.004) * 1.6;
        double crack = crackHp(w) * decay(t, 0.012, 0.0005);
        brown = brown * 0.995 + w * 0.1;
        double tail = rumble(brown) * decay(t, 0.45, 0.02) * 3.5;
        phase += (32.0 + 30.0 * dm::exp(-t / 0.08)) / kRate;
        double sub = dm::sin(dm::kTau * phase) * decay(t, 0.22, 0.004);
        // Debris: sparse pops that thin out.
        double pop = rng.uniform() < 0.002 * dm::exp(-t / 0.3) ? rng.range(-1.0, 1.0) * 3.0 : 0.0;
        s[i] = softClip(blast + crack * 0.8 + tail + sub * 0.9 + crackle(pop) * 0.5);
    }
    reverb(s, 0.3, 1.6, 0.6);
    return s;
}

Signal pickUp() {
    // A bright three-note bell arpeggio rising an octave.
    Signal s(samplesFor(0.55), 0.0);
    const double notes[3] = {1318.5, 1975.5, 2637.0};
    for (int n = 0; n < 3; ++n) {
        double at = 0.065 * n;
        for (int i = samplesFor(at); i < int(s.size()); ++i) {
            double t = timeOf(i) - at;
            double f = notes[n];
            double bell = dm::sin(dm::kTau * f * t) + 0.35 * dm::sin(dm::kTau * f * 2.0 * t) +
                          0.12 * dm::sin(dm::kTau * f * 2.76 * t);
            s[i] += bell * decay(t, n == 2 ? 0.16 : 0.09, 0.002) * (n == 2 ? 1.0 : 0.7);
        }
    }
    reverb(s, 0.25, 0.8, 0.5);
    return s;
}

// A voice: glottal buzz shaped by three formant resonances.
struct Voice {
    double length;
    double (*pitch)(double t);
    double (*loud)(double t);
    double f1a, f2a, f3a, f1b, f2b, f3b; // formants at the start and at the end
    double breath, rasp;
};

Signal voice(const Voice& v, std::uint64_t seed) {
    Prng rng(seed);
    Signal s(samplesFor(v.length));
    Biquad f1(Biquad::BandPass, v.f1a, 5.0), f2(Biquad::BandPass, v.f2a, 8.0);
    Biquad f3(Biquad::BandPass, v.f3a, 10.0);
    double phase = 0.0, prev = 0.0, jitter = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double t = timeOf(int(i));
        double u = t / v.length;
        jitter = jitter * 0.999 + rng.range(-1.0, 1.0) * 0.002;
        phase += v.pitch(t) * (1.0 + jitter * 4.0) / kRate;
        phase -= dm::floor(phase);
        double flow = glottal(phase);
        double src = (flow - prev) * 8.0 + rng.range(-1.0, 1.0) * v.breath;
        prev = flow;
        f1.set(dm::lerp(v.f1a, v.f1b, u), 5.0);
        f2.set(dm::lerp(v.f2a, v.f2b, u), 8.0);
        f3.set(dm::lerp(v.f3a, v.f3b, u), 10.0);
        double y = f1(src) * 1.0 + f2(src) * 0.6 + f3(src) * 0.3;
        s[i] = softClip(y * v.loud(t) * (1.0 + v.rasp));
    }
    return s;
}

double hmPitch(double t) {
    return 128.0 - 40.0 * t;
}
double hmLoud(double t) {
    double a = dm::smoothstep(0.0, 0.03, t);
    return a * (1.0 - dm::smoothstep(0.14, 0.3, t)) * 2.0;
}

Signal marineHm() {
    // A short pained grunt through a half-closed mouth.
    return voice({0.32, hmPitch, hmLoud, 420.0, 950.0, 2350.0, 360.0, 820.0, 2300.0, 0.05, 0.5}, 7);
}

double deathPitch(double t) {
    double f = t < 0.12 ? 210.0 + 700.0 * t : 294.0 * dm::exp(-(t - 0.12) * 0.95);
    return f * (1.0 + 0.035 * dm::sin(dm::kTau * 6.0 * t));
}
double deathLoud(double t) {
    double a = dm::smoothstep(0.0, 0.05, t);
    return a * (1.0 - dm::smoothstep(0.55, 1.15, t)) * 3.0;
}

Signal marineDeath() {
    // A long cry falling away, from an open "a" to a choked "o".
    return voice(
        {1.2, deathPitch, deathLoud, 780.0, 1250.0, 2650.0, 480.0, 880.0, 2400.0, 0.08, 1.5}, 8);
}

Signal special() {
    // A whoosh sweeping up and back down, with a rising shimmer on top.
    Prng rng(9);
    Signal s(samplesFor(0.8));
    Biquad bp1(Biquad::BandPass, 400.0, 2.5), bp2(Biquad::BandPass, 600.0, 2.5);
    double phase = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double t = timeOf(int(i));
        double u = t / 0.8;
        double sweep =
            u < 0.42 ? dm::smoothstep(0.0, 0.42, u) : 1.0 - 0.8 * dm::smoothstep(0.42, 1.0, u);
        bp1.set(350.0 + 3200.0 * sweep, 2.5);
        bp2.set(500.0 + 4200.0 * sweep, 3.5);
        double w = rng.range(-1.0, 1.0);
        double swell = dm::sin(dm::kPi * dm::pow(u, 0.8));
        swell *= swell;
        phase += (300.0 + 900.0 * u) / kRate;
        double zing = dm::sin(dm::kTau * phase) * 0.12 * swell;
        s[i] = (bp1(w) + bp2(w) * 0.6) * swell * 2.0 + zing;
    }
    reverb(s, 0.2, 0.9, 0.5);
    return s;
}

} // namespace

bool writeSounds(const std::string& dir) {
    if (!makeDirs(dir)) return false;
    struct Entry {
        const char* name;
        Signal (*make)();
        double fadeOut;
    };
    const Entry entries[] = {
        {"PistolShot.wav", pistol, 0.05},      {"AKShot.wav", ak, 0.02},
        {"ShotGun.wav", shotgun, 0.08},        {"GrenadeGun.wav", grenadeLauncher, 0.06},
        {"Damage.wav", damage, 0.03},          {"Explosion.wav", explosion, 0.15},
        {"PickUp.wav", pickUp, 0.06},          {"MarineHm.wav", marineHm, 0.03},
        {"MarineDeath.wav", marineDeath, 0.1}, {"Special.wav", special, 0.06},
    };
    for (const Entry& e : entries)
        if (!writeWav(dir + "/" + e.name, finish(e.make(), 0.002, e.fadeOut), kRate)) return false;
    return true;
}
