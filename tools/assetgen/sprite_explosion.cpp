// The explosion strip: a white flash, a boiling fireball, then smoke that tears apart.
#include "paint.h"
#include "sprites.h"

namespace {

// Fire colour by heat: deep red through orange and yellow to white.
Rgba fireColor(double h) {
    const Rgba stops[] = {rgb(70, 12, 6), rgb(180, 36, 8), rgb(245, 110, 20), rgb(255, 200, 60),
                          rgb(255, 250, 210)};
    h = dm::clamp01(h) * 4.0;
    int i = static_cast<int>(dm::floor(h));
    if (i >= 4) return stops[4];
    return mix(stops[i], stops[i + 1], h - i);
}

struct Puff {
    double ang, dist, size, lasting, seed;
};

void drawBlast(Canvas& cv, double phase);

} // namespace

void drawBlastFrame(Canvas& cv, double phase) {
    drawBlast(cv, phase);
}

namespace {

void drawBlast(Canvas& cv, double phase) {
    double t = phase * 16.0 / 15.0; // 0 at the first frame, 1 at the last
    double reach = 0.52 * (1.0 - dm::exp(-t * 5.0)) + 0.14 * t;
    // Billowing puffs, the outer ones first so that the hot core lies on top.
    Prng rng(4242);
    Puff puffs[30];
    for (Puff& pf : puffs) {
        pf.ang = rng.range(0.0, dm::kTau);
        pf.dist = dm::sqrt(rng.uniform());
        pf.size = rng.range(0.17, 0.30);
        pf.lasting = rng.uniform();
        pf.seed = rng.range(0.0, 50.0);
    }
    for (int a = 0; a < 30; ++a)
        for (int b = a + 1; b < 30; ++b)
            if (puffs[b].dist > puffs[a].dist) {
                Puff tmp = puffs[a];
                puffs[a] = puffs[b];
                puffs[b] = tmp;
            }
    for (const Puff& pf : puffs) {
        double grow = 0.45 + 1.25 * (1.0 - dm::exp(-t * 7.0));
        double fade = 1.0 - 0.8 * dm::smoothstep(0.5 + 0.45 * pf.lasting, 1.1, t);
        double r = pf.size * grow * fade * (1.0 - 0.25 * pf.dist);
        if (r < 0.02) continue;
        Vec c = rotated({pf.dist * reach, 0.0}, pf.ang) + Vec{0.0, 0.10 * t * t};
        double heat = dm::exp(-t * (1.5 + 1.8 * pf.dist)) * (1.45 - 0.5 * pf.dist);
        auto ball = [=](Vec p) {
            Vec q = (p - c) * (1.0 / r);
            return length(p - c) - r * (0.8 + 0.4 * fbm(q.x * 1.6 + pf.seed, q.y * 1.6, 2, 51));
        };
        cv.fill(around(c, r * 1.25), ball, [&](Vec p, double d) {
            double depth = dm::clamp01(-d / r);
            double n = fbm((p.x - c.x) / r * 2.5 + pf.seed, (p.y - c.y) / r * 2.5, 3, 53);
            double h = heat * (0.55 + 0.6 * depth + 0.5 * (n - 0.5));
            Vec3 nn = domeNormal(p, c, r * 1.1, r * 1.1);
            Rgba smoke = lit(mix(rgb(52, 48, 46), rgb(112, 104, 98), n), nn, 0.5, 0.05, 8);
            Rgba fire = fireColor(h);
            double share = dm::smoothstep(0.12, 0.42, h);
            Rgba col = mix(smoke, fire, share);
            // Smoke still close to the fire glows red from below.
            return mix(col, rgb(160, 44, 10), (1.0 - share) * dm::clamp01(heat * 1.6) * 0.6);
        });
    }
    // The first frames: a white-hot flash with short spikes.
    if (t < 0.25) {
        double f = 1.0 - t / 0.25;
        auto flash = [&](Vec p) {
            double ang = dm::atan2(p.y, p.x);
            double spikes = 0.5 + 0.5 * dm::cos(ang * 6.0 + 0.4);
            return length(p) - f * (0.22 + 0.30 * spikes * spikes * spikes);
        };
        cv.fill(kWhole, flash, [&](Vec p, double) {
            return mix(rgb(255, 255, 255), rgb(255, 236, 140), dm::clamp01(length(p) / 0.5));
        });
    }
    // Embers fly out and cool.
    for (int k = 0; k < 28; ++k) {
        double ang = rng.range(0.0, dm::kTau), speed = rng.range(0.55, 1.0);
        double size = rng.range(0.012, 0.028);
        if (t < 0.06 || t > 0.85) continue;
        double dist = 0.15 + speed * 0.8 * (1.0 - dm::exp(-t * 3.0));
        Vec at = rotated({dist, 0.0}, ang);
        Vec tail = rotated({dist - 0.07 * (1.0 - t), 0.0}, ang);
        auto spark = [=](Vec p) { return sdf::capsule(p, tail, at, size * 0.6, size); };
        Rgba c = fireColor(0.95 - t * 0.8);
        cv.fill(span(tail, at, 0.05), spark, [=](Vec, double) { return c; });
    }
}

} // namespace

Image8 makeExplosion() {
    return renderStrip(256, 2, drawBlast, 0.0, {});
}
