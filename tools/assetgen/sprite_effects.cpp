// Small effect pictures: blood splat, scorch mark, bonus token and crosshair.
#include "paint.h"
#include "sprites.h"

void drawBlood(Canvas& cv, double) {
    // A central splash merged with satellite drops and streaks thrown outward.
    Prng rng(9001);
    struct Drop {
        Vec a, b;
        double r0, r1;
    };
    Drop drops[24];
    for (Drop& d : drops) {
        double ang = rng.range(0.0, dm::kTau);
        double dist = rng.range(0.35, 0.85);
        double len = rng.range(0.02, 0.2);
        d.a = rotated({dist, 0.0}, ang);
        d.b = rotated({dist + len, 0.0}, ang);
        d.r0 = rng.range(0.04, 0.09) * (1.0 - dist * 0.5);
        d.r1 = d.r0 * rng.range(0.4, 0.9);
    }
    auto splat = [&](Vec p) {
        double d = length(p) - 0.42 - (fbm(p.x * 2.5, p.y * 2.5, 4, 5) - 0.5) * 0.5;
        for (const Drop& q : drops)
            d = sdf::smoothUnite(d, sdf::capsule(p, q.a, q.b, q.r0, q.r1), 0.08);
        return d;
    };
    cv.fill(kWhole, splat, [&](Vec p, double d) {
        Rgba c = mix(rgb(176, 14, 12), rgb(96, 4, 6), dm::clamp01(-d * 5.0));
        c = grain(c, fbm(p.x * 8, p.y * 8, 3, 17), 0.12);
        return lit(c, bevelNormal(splat, p, d, 0.06), 0.65, 0.55, 40);
    });
}

Image8 makeBlood() {
    return renderSprite(64, 4, drawBlood, 0.0, 0.0, {});
}

void drawScorch(Canvas& cv, double) {
    // Soot burnt into the ground: rays of ash around a dark centre, with a ragged edge.
    auto mark = [](Vec p) {
        double ang = dm::atan2(p.y, p.x);
        double rays = fbm(dm::cos(ang) * 3.0 + 5.0, dm::sin(ang) * 3.0 + 5.0, 4, 23);
        double rim = 0.5 + 0.45 * rays;
        return length(p) - rim + (fbm(p.x * 6, p.y * 6, 3, 29) - 0.5) * 0.25;
    };
    cv.fill(kWhole, mark, [](Vec p, double d) {
        double r = length(p);
        double ash = fbm(p.x * 9.0, p.y * 9.0, 4, 31);
        Rgba c =
            mix(rgb(22, 18, 16), rgb(74, 62, 50), dm::smoothstep(0.1, 0.85, r) * 0.7 + ash * 0.3);
        c = mix(c, rgb(96, 82, 64), dm::smoothstep(-0.06, 0.0, d) * 0.6);
        // A few embers still glowing near the middle.
        if (ash > 0.72 && r < 0.45) c = mix(c, rgb(255, 120, 30), dm::smoothstep(0.72, 0.8, ash));
        return c;
    });
}

Image8 makeSpotExplosion() {
    return renderSprite(128, 2, drawScorch, 0.0, 0.0, {});
}

namespace {

void drawBonusToken(Canvas& cv, double) {
    // A glowing medallion: light rays, a gold rim and a bright star on green glass.
    for (int k = 0; k < 16; ++k) {
        double ang = k * dm::kTau / 16.0 + dm::kTau / 32.0;
        Vec a = rotated({0.6, 0.0}, ang), b = rotated({k % 2 ? 0.8 : 0.96, 0.0}, ang);
        auto ray = [=](Vec p) { return sdf::capsule(p, a, b, 0.05, 0.015); };
        cv.fill(span(a, b, 0.1), ray, [=](Vec p, double) {
            double t = dm::clamp01((length(p) - 0.55) / 0.4);
            return mix(rgb(255, 250, 190), rgb(255, 170, 30), t);
        });
    }
    auto rimShape = [](Vec p) { return sdf::circle(p, {0, 0}, 0.72); };
    solid(cv, around({0, 0}, 0.75), rimShape,
          Surface{rgb(226, 172, 40), 0.12, 0.0, 1.0, 1, 0.7, 0.5});
    auto glass = [](Vec p) { return sdf::circle(p, {0, 0}, 0.56); };
    cv.fill(around({0, 0}, 0.6), glass, [](Vec p, double) {
        double r = length(p) / 0.56;
        Rgba c = mix(rgb(210, 255, 200), rgb(20, 120, 40), dm::smoothstep(0.0, 1.0, r));
        return lit(c, domeNormal(p, {0, 0}, 0.56, 0.56), 0.85, 0.6, 30);
    });
    Vec star[10];
    for (int k = 0; k < 10; ++k)
        star[k] = rotated({0.0, k % 2 ? 0.17 : 0.42}, k * dm::kPi / 5.0);
    auto starShape = [&](Vec p) { return sdf::polygon(p, star, 10); };
    cv.fill(around({0, 0}, 0.45), starShape, [](Vec p, double) {
        return mix(rgb(255, 255, 255), rgb(255, 236, 120), length(p) / 0.42);
    });
}

void drawCellRing(Canvas& cv, double) {
    // Crosshair: a ring with four ticks pointing in, and a small centre dot.
    auto ring = [](Vec p) {
        double d = dm::abs(length(p) - 0.62) - 0.075;
        for (int k = 0; k < 4; ++k) {
            Vec dir = rotated({1.0, 0.0}, k * dm::kPi / 2.0);
            d = sdf::unite(d, sdf::capsule(p, dir * 0.30, dir * 0.92, 0.06, 0.06));
        }
        return d;
    };
    cv.fill(kWhole, ring, [](Vec p, double) {
        double r = length(p);
        return r < 0.55 ? rgb(255, 90, 60) : rgb(230, 255, 230);
    });
    auto dot = [](Vec p) { return sdf::circle(p, {0, 0}, 0.09); };
    flat(cv, around({0, 0}, 0.1), dot, rgb(255, 70, 40));
}

} // namespace

void drawCell(Canvas& cv, double phase) {
    drawCellRing(cv, phase);
}

Image8 makeBonus() {
    return renderSprite(64, 4, drawBonusToken, 0.0, 1.2, rgb(70, 40, 6));
}
Image8 makeCell() {
    return renderSprite(64, 4, drawCellRing, 0.0, 1.5, rgb(16, 24, 16));
}
