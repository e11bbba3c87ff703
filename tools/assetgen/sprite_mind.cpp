// The Mind: a throbbing brain that drags itself along on tentacles.
#include "monster_parts.h"
#include "paint.h"
#include "sprites.h"

namespace {

const Rgba kRim = rgb(34, 12, 40);
const Rgba kFlesh = rgb(230, 146, 176);
const Rgba kFold = rgb(140, 56, 104);
const Rgba kTentacle = rgb(118, 58, 134);
const Rgba kGlow = rgb(120, 250, 255);

// Two quick beats and a rest, like a heart.
double beat(double phase) {
    double a = dm::exp(-dm::pow((phase - 0.10) / 0.07, 2.0));
    double b = 0.6 * dm::exp(-dm::pow((phase - 0.32) / 0.07, 2.0));
    return a + b;
}

} // namespace

double brainFolds(Vec p) {
    double wx = fbm(p.x * 2.2, p.y * 2.2, 3, 5) - 0.5;
    double wy = fbm(p.x * 2.2 + 7.7, p.y * 2.2, 3, 6) - 0.5;
    return dm::sin((p.x + wx * 0.9) * 19.0 + dm::sin((p.y + wy * 0.9) * 11.0) * 2.2);
}

void drawMind(Canvas& cv, double phase) {
    double pulse = beat(phase);
    double k = 0.94 + 0.09 * pulse;
    // Tentacles reach out to the sides and back and writhe.
    for (int t = 0; t < 7; ++t) {
        double base = dm::kPi * (0.95 + 1.1 * t / 6.0) - dm::kPi * 0.05;
        Vec prev = rotated({0.45, 0.0}, base);
        for (int seg = 1; seg <= 6; ++seg) {
            double u = seg / 6.0;
            double wave = 0.35 * u * dm::sin(phase * dm::kTau + t * 1.7 - u * 4.0);
            Vec next = rotated({0.45 + 0.5 * u, 0.0}, base + wave);
            double r0 = 0.085 * (1.0 - 0.75 * (u - 1.0 / 6.0)), r1 = 0.085 * (1.0 - 0.75 * u);
            auto limb = [=](Vec p) { return sdf::capsule(p, prev, next, r0, r1); };
            Rgba col = mix(kTentacle, rgb(200, 120, 200), u * 0.7);
            cv.fill(span(prev, next, 0.12), limb, [&](Vec p, double d) {
                return lit(col, bevelNormal(limb, p, d, 0.05), 0.45, 0.3, 20);
            });
            prev = next;
        }
    }
    // Two hemispheres, wrinkled, split by a deep fissure.
    auto brain = [=](Vec p) {
        double l = sdf::ellipse(p, {-0.27 * k, -0.02}, 0.34 * k, 0.62 * k, -0.05);
        double r = sdf::ellipse(p, {0.27 * k, -0.02}, 0.34 * k, 0.62 * k, 0.05);
        return sdf::smoothUnite(l, r, 0.08);
    };
    auto folds = [](Vec p) { return brainFolds(p); };
    cv.fill(around({0, 0}, 0.8), brain, [&](Vec p, double d) {
        double f = folds(p);
        double groove = dm::smoothstep(0.75, 0.05, dm::abs(f));
        double fissure = dm::smoothstep(0.06, 0.0, dm::abs(p.x));
        Rgba col = mix(kFlesh, kFold, dm::max(groove * 0.85, fissure));
        // The folds bulge between the grooves.
        Vec3 n = bevelNormal(brain, p, d, 0.22);
        double e = 0.01;
        double gx = (dm::abs(folds({p.x + e, p.y})) - dm::abs(f)) / e;
        double gy = (dm::abs(folds({p.x, p.y + e})) - dm::abs(f)) / e;
        n.x -= gx * 0.02;
        n.y -= gy * 0.02;
        double nl = dm::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        n = {n.x / nl, n.y / nl, n.z / nl};
        Rgba c = lit(col, n, 0.5, 0.35, 24);
        // Veins light up with every beat.
        double vein = dm::abs(fbm(p.x * 3.0 + 1.3, p.y * 3.0, 4, 17) - 0.5);
        double glow = dm::smoothstep(0.025, 0.0, vein) * (0.35 + 0.65 * pulse);
        return mix(c, kGlow, glow * 0.85);
    });
    // A crown of eyes at the front.
    for (int e = -1; e <= 1; ++e) {
        Vec eye{0.17 * e, 0.5 * k - 0.05 * e * e};
        double r = e == 0 ? 0.07 : 0.055;
        auto ball = [=](Vec p) { return sdf::circle(p, eye, r); };
        cv.fill(around(eye, r + 0.02), ball, [=](Vec p, double) {
            double t = length(p - eye) / r;
            Rgba c = t < 0.45 ? rgb(20, 40, 10) : mix(rgb(200, 255, 120), rgb(90, 170, 40), t);
            return lit(c, domeNormal(p, eye, r, r), 0.7, 0.6, 30);
        });
    }
}

Image8 makeMind() {
    return renderStrip(128, 3, drawMind, 1.5, kRim);
}
