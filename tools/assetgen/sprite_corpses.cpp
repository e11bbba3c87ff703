// What the monsters leave behind: each corpse lies in a pool of its own kind of blood.
#include "monster_parts.h"
#include "paint.h"
#include "sprites.h"

namespace {

const Rgba kRim = rgb(18, 12, 10);

// A glossy puddle: an ellipse with a ragged, noisy edge and a few drops around it.
void puddle(Canvas& cv, Vec c, double rx, double ry, Rgba light, Rgba dark, std::uint32_t seed) {
    auto pool = [=](Vec p) {
        double d = sdf::ellipse(p, c, rx, ry);
        return d + (fbm(p.x * 3.5, p.y * 3.5, 4, seed) - 0.5) * 0.45;
    };
    auto shade = [&](Vec p, double d) {
        Rgba col = mix(light, dark, dm::clamp01(-d * 4.0));
        return lit(col, bevelNormal(pool, p, d, 0.04), 0.6, 0.5, 40);
    };
    cv.fill(kWhole, pool, shade);
    Prng rng(seed);
    for (int i = 0; i < 9; ++i) {
        double ang = rng.range(0.0, dm::kTau), dist = rng.range(0.75, 1.05);
        Vec drop = c + Vec{dm::cos(ang) * rx * dist * 1.15, dm::sin(ang) * ry * dist * 1.15};
        double r = rng.range(0.025, 0.06);
        auto blob = [=](Vec p) { return sdf::circle(p, drop, r); };
        cv.fill(around(drop, r), blob, [&](Vec p, double d) {
            return lit(light, bevelNormal(blob, p, d, r), 0.6, 0.5, 40);
        });
    }
}

template <class Sdf> void skinPart(Canvas& cv, Box b, Sdf f) {
    cv.fill(b, f, [&](Vec p, double d) {
        return lit(zombieSkin(p, 9), bevelNormal(f, p, d, 0.08), 0.45, 0.1);
    });
}

} // namespace

void drawZombieDead(Canvas& cv, double) {
    puddle(cv, {0.02, 0.05}, 0.72, 0.66, rgb(120, 20, 14), rgb(64, 8, 8), 101);
    for (int side = -1; side <= 1; side += 2) {
        Vec hip{0.15 * side, -0.22}, knee{0.30 * side, -0.50}, foot{0.26 * side + 0.1, -0.82};
        if (side > 0) foot = {0.55, -0.62};
        auto leg = [=](Vec p) {
            return sdf::unite(sdf::capsule(p, hip, knee, 0.12, 0.11),
                              sdf::capsule(p, knee, foot, 0.11, 0.10));
        };
        solid(cv, span(hip, foot, 0.2), leg, Surface{rgb(62, 66, 86), 0.1, 0.2, 9.0, 5, 0.1, 0.45});
        Vec toe = foot + (foot - knee) * 0.25;
        skinPart(cv, around(toe, 0.15), [=](Vec p) { return sdf::circle(p, toe, 0.09); });
    }
    Vec arms[2][3] = {{{-0.33, 0.22}, {-0.58, 0.42}, {-0.66, 0.74}},
                      {{0.33, 0.22}, {0.62, 0.10}, {0.84, -0.12}}};
    for (auto& a : arms) {
        skinPart(cv, span(a[0], a[2], 0.15), [=](Vec p) {
            return sdf::unite(sdf::capsule(p, a[0], a[1], 0.10, 0.085),
                              sdf::capsule(p, a[1], a[2], 0.085, 0.07));
        });
        skinPart(cv, around(a[2], 0.1), [=](Vec p) { return sdf::circle(p, a[2], 0.08); });
    }
    auto torso = [](Vec p) { return sdf::ellipse(p, {0.0, 0.02}, 0.36, 0.32, 0.1); };
    cv.fill(around({0, 0}, 0.45), torso, [&](Vec p, double d) {
        double rip = fbm(p.x * 5.0 + 3.0, p.y * 5.0, 4, 21);
        Rgba c = grain(rgb(92, 80, 70), fbm(p.x * 14, p.y * 14, 2, 3), 0.15);
        if (rip > 0.6) c = zombieSkin(p, 9);
        if (length(p - Vec{0.08, -0.02}) < 0.06 + 0.16 * fbm(p.x * 7, p.y * 7, 3, 4))
            c = mix(rgb(150, 20, 24), rgb(70, 10, 10), fbm(p.x * 20, p.y * 20, 2, 5));
        return lit(c, bevelNormal(torso, p, d, 0.14), 0.45, 0.15);
    });
    Vec head{0.06, 0.48};
    auto skull = [=](Vec p) { return sdf::ellipse(p, head, 0.17, 0.19, 0.3); };
    cv.fill(around(head, 0.22), skull, [&](Vec p, double) {
        return lit(zombieSkin(p, 57), domeNormal(p, head, 0.17, 0.19), 0.45, 0.15);
    });
}

void drawMindDead(Canvas& cv, double) {
    puddle(cv, {0.0, 0.0}, 0.66, 0.60, rgb(156, 64, 150), rgb(80, 24, 86), 202);
    // Limp tentacles sprawled in loose curves.
    for (int t = 0; t < 7; ++t) {
        double ang = dm::kPi * (0.9 + 1.2 * t / 6.0) + 0.3 * dm::sin(t * 2.1);
        Vec prev = rotated({0.3, 0.0}, ang);
        for (int seg = 1; seg <= 5; ++seg) {
            double u = seg / 5.0;
            Vec next = rotated({0.3 + 0.55 * u, 0.0}, ang + 0.35 * u * u * (t % 2 ? 1.0 : -1.0));
            double r0 = 0.075 * (1.0 - 0.6 * (u - 0.2)), r1 = 0.075 * (1.0 - 0.6 * u);
            auto limb = [=](Vec p) { return sdf::capsule(p, prev, next, r0, r1); };
            solid(cv, span(prev, next, 0.1), limb,
                  Surface{rgb(104, 58, 112), 0.05, 0.1, 9.0, 7, 0.3, 0.45});
            prev = next;
        }
    }
    // The brain has burst into two sagging halves.
    for (int side = -1; side <= 1; side += 2) {
        Vec c{0.27 * side, -0.02 + 0.04 * side};
        double ang = side * 0.25;
        auto half = [=](Vec p) {
            double d = sdf::ellipse(p, c, 0.26, 0.5, ang);
            return d + (fbm(p.x * 5, p.y * 5, 3, 31) - 0.5) * 0.12;
        };
        cv.fill(around(c, 0.6), half, [&](Vec p, double d) {
            double f = brainFolds(p * 1.1);
            Rgba col =
                mix(rgb(196, 132, 158), rgb(110, 50, 86), dm::smoothstep(0.7, 0.05, dm::abs(f)));
            return lit(col, bevelNormal(half, p, d, 0.15), 0.5, 0.3, 20);
        });
    }
    // A torn-out eye, gone dull.
    Vec eye{0.05, 0.6};
    auto ball = [=](Vec p) { return sdf::circle(p, eye, 0.07); };
    cv.fill(around(eye, 0.1), ball, [=](Vec p, double) {
        Rgba c = length(p - eye - Vec{0.02, 0.01}) < 0.03 ? rgb(20, 30, 10) : rgb(150, 170, 110);
        return lit(c, domeNormal(p, eye, 0.07, 0.07), 0.6, 0.5, 30);
    });
}

void drawToothDead(Canvas& cv, double) {
    puddle(cv, {0.0, 0.0}, 0.6, 0.62, rgb(150, 156, 34), rgb(86, 92, 16), 303);
    // Legs curled up in death.
    for (int i = 0; i < 6; ++i) {
        int side = i < 3 ? -1 : 1;
        int row = i % 3;
        Vec root{0.34 * side, 0.02 - 0.24 * row};
        Vec knee = root + Vec{0.22 * side, 0.08 - 0.05 * row};
        Vec foot = knee + Vec{-0.10 * side, -0.14};
        auto leg = [=](Vec p) {
            return sdf::unite(sdf::capsule(p, root, knee, 0.06, 0.05),
                              sdf::capsule(p, knee, foot, 0.05, 0.02));
        };
        solid(cv, span(root, foot, 0.1), leg,
              Surface{rgb(74, 30, 20), 0.05, 0.1, 10.0, 3, 0.3, 0.45});
    }
    // The shell is split by cracks running out from the killing blow.
    Vec cracks[5][4];
    Prng rng(77);
    for (auto& c : cracks) {
        double ang = rng.range(0.0, dm::kTau);
        c[0] = {0.08, -0.1};
        for (int k = 1; k < 4; ++k) {
            ang += rng.range(-0.6, 0.6);
            c[k] = c[k - 1] + rotated({0.16, 0.0}, ang);
        }
    }
    auto body = [](Vec p) { return sdf::ellipse(p, {0.0, -0.14}, 0.48, 0.48); };
    cv.fill(around({0.0, -0.14}, 0.52), body, [&](Vec p, double d) {
        double crack = 1.0;
        for (auto& c : cracks)
            for (int k = 1; k < 4; ++k)
                crack = dm::min(crack, sdf::capsule(p, c[k - 1], c[k], 0.022 - 0.005 * k));
        double band = dm::fract((p.y + 0.9) * 4.2);
        Rgba c = grain(rgb(136, 44, 26), fbm(p.x * 9, p.y * 9, 3, 13), 0.2);
        c = mix(c, rgb(80, 20, 12), dm::smoothstep(0.75, 1.0, band));
        if (crack < 0.0)
            c = rgb(170, 180, 50);
        else if (crack < 0.02)
            c = scaled(c, 0.5);
        return lit(c, bevelNormal(body, p, d, 0.3), 0.45, 0.4, 24);
    });
    auto head = [](Vec p) { return sdf::ellipse(p, {0.0, 0.28}, 0.34, 0.22); };
    solid(cv, around({0.0, 0.28}, 0.4), head,
          Surface{rgb(86, 24, 14), 0.12, 0.2, 8.0, 15, 0.4, 0.45});
    // Jaws torn wide open.
    toothJaw(cv, -1, 0.95, {0.0, -0.06}, 0.8);
    toothJaw(cv, 1, 1.05, {0.0, -0.06}, 0.8);
}

Image8 makeZombieDead() {
    return renderSprite(128, 4, drawZombieDead, 0.0, 1.0, kRim);
}
Image8 makeMindDead() {
    return renderSprite(128, 4, drawMindDead, 0.0, 1.0, kRim);
}
Image8 makeToothDead() {
    return renderSprite(128, 4, drawToothDead, 0.0, 1.0, kRim);
}
