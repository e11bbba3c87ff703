#include "noise.h"

#include "detmath.h"

std::uint64_t Prng::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Prng::uniform() {
    return static_cast<double>(next() >> 11) / 9007199254740992.0;
}

double Prng::range(double lo, double hi) {
    return lo + (hi - lo) * uniform();
}

int Prng::below(int n) {
    return static_cast<int>(next() % static_cast<std::uint64_t>(n));
}

double Prng::gauss() {
    double s = 0.0;
    for (int i = 0; i < 4; ++i)
        s += uniform();
    return (s - 2.0) * 1.7320508075688772;
}

double hash2(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^
                      static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<double>(h) / 4294967296.0;
}

double valueNoise(double x, double y, std::uint32_t seed, int period) {
    double fx = dm::floor(x), fy = dm::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6.0 - 15.0) + 10.0);
    ty = ty * ty * ty * (ty * (ty * 6.0 - 15.0) + 10.0);
    auto wrap = [period](int v) {
        if (period <= 0) return v;
        int m = v % period;
        return m < 0 ? m + period : m;
    };
    int x0 = wrap(ix), x1 = wrap(ix + 1);
    double a = hash2(x0, iy, seed), b = hash2(x1, iy, seed);
    double c = hash2(x0, iy + 1, seed), d = hash2(x1, iy + 1, seed);
    return dm::lerp(dm::lerp(a, b, tx), dm::lerp(c, d, tx), ty);
}

double fbm(double x, double y, int octaves, std::uint32_t seed, int period) {
    double sum = 0.0, amp = 0.5, norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise(x, y, seed + 101u * static_cast<std::uint32_t>(i), period);
        norm += amp;
        x = x * 2.0 + 17.31;
        y = y * 2.0 - 9.17;
        period *= 2;
        amp *= 0.5;
    }
    return sum / norm;
}

double cellular(double x, double y, std::uint32_t seed) {
    int ix = static_cast<int>(dm::floor(x)), iy = static_cast<int>(dm::floor(y));
    double best = 9.0;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            double px = ix + i + hash2(ix + i, iy + j, seed);
            double py = iy + j + hash2(ix + i, iy + j, seed ^ 0x5bd1e995u);
            double dx = px - x, dy = py - y;
            double d = dx * dx + dy * dy;
            if (d < best) best = d;
        }
    }
    return dm::sqrt(best);
}
