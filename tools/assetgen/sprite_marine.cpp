// The soldier: walking strip, speed-trail silhouette and the fallen body.
#include "paint.h"
#include "sprites.h"

namespace {

const Rgba kRim = rgb(22, 24, 18);
const Rgba kArmour = rgb(86, 122, 170);
const Rgba kCloth = rgb(58, 70, 88);
const Rgba kBoot = rgb(52, 44, 36);
const Rgba kGlove = rgb(58, 50, 42);
const Rgba kPack = rgb(104, 92, 66);
const Rgba kGunDark = rgb(46, 48, 54);
const Rgba kSteel = rgb(128, 134, 146);

Surface camo(Rgba base, std::uint32_t seed) {
    Surface s;
    s.base = base;
    s.bevel = 0.12;
    s.grainAmount = 0.18;
    s.grainScale = 5.0;
    s.seed = seed;
    return s;
}

Surface plain(Rgba base, double bevel, double specular = 0.2) {
    Surface s;
    s.base = base;
    s.bevel = bevel;
    s.specular = specular;
    return s;
}

// The rifle lies on the centre line, muzzle at the top.
void drawRifle(Canvas& cv) {
    auto stock = [](Vec p) { return sdf::box(p, {0.0, 0.20}, 0.055, 0.09, 0.03); };
    solid(cv, {-0.1, 0.05, 0.1, 0.35}, stock, plain(rgb(70, 52, 38), 0.04));
    auto body = [](Vec p) { return sdf::box(p, {0.0, 0.44}, 0.075, 0.17, 0.02); };
    solid(cv, {-0.1, 0.2, 0.1, 0.65}, body, plain(kGunDark, 0.05, 0.35));
    auto guard = [](Vec p) { return sdf::box(p, {0.0, 0.62}, 0.065, 0.07, 0.02); };
    solid(cv, {-0.1, 0.5, 0.1, 0.72}, guard, plain(rgb(62, 66, 60), 0.04));
    auto barrel = [](Vec p) { return sdf::box(p, {0.0, 0.78}, 0.042, 0.13, 0.01); };
    solid(cv, {-0.08, 0.6, 0.08, 0.98}, barrel, plain(kSteel, 0.04, 0.5));
    auto brake = [](Vec p) { return sdf::box(p, {0.0, 0.89}, 0.055, 0.035, 0.01); };
    solid(cv, {-0.08, 0.8, 0.08, 0.98}, brake, plain(rgb(100, 104, 112), 0.03, 0.5));
}

} // namespace

void drawMarine(Canvas& cv, double phase) {
    // Drawn large and low in the frame, so that the body fills it and the muzzle stays inside.
    ScopedScale big(cv, 1.2, {0.0, -0.18});
    double s = dm::sin(phase * dm::kTau);
    double stride = 0.50 * s;
    // Legs: each foot swings forward and back in turn.
    for (int side = -1; side <= 1; side += 2) {
        double step = side < 0 ? stride : -stride;
        Vec hip{0.20 * side, -0.10}, foot{0.28 * side, -0.14 + step};
        auto leg = [=](Vec p) { return sdf::capsule(p, hip, foot, 0.12, 0.11); };
        solid(cv, span(hip, foot, 0.2), leg, camo(kCloth, 11));
        Vec toe = foot + Vec{0.0, 0.07};
        auto boot = [=](Vec p) { return sdf::ellipse(p, toe, 0.11, 0.16); };
        solid(cv, around(toe, 0.2), boot, plain(kBoot, 0.08, 0.3));
    }
    // The upper body turns a little against the legs.
    double turn = -0.10 * s;
    Vec pivot{0.0, -0.06};
    auto twist = [&](Vec v) { return pivot + rotated(v - pivot, turn); };
    Vec packC = twist({0.0, -0.33});
    auto pack = [=](Vec p) { return sdf::box(p, packC, 0.27, 0.13, 0.07, turn); };
    solid(cv, around(packC, 0.35), pack, camo(kPack, 23));
    auto torso = [=](Vec p) { return sdf::ellipse(p, pivot, 0.50, 0.27, turn); };
    solid(cv, around(pivot, 0.55), torso, camo(kArmour, 5));
    for (int side = -1; side <= 1; side += 2) {
        Vec pad = twist({0.40 * side, -0.04});
        auto sh = [=](Vec p) { return sdf::circle(p, pad, 0.15); };
        solid(cv, around(pad, 0.2), sh, camo(scaled(kArmour, 0.88), 7));
        Vec pouch = twist({0.22 * side, 0.14});
        auto po = [=](Vec p) { return sdf::box(p, pouch, 0.08, 0.06, 0.02, turn); };
        solid(cv, around(pouch, 0.12), po, plain(scaled(kPack, 0.8), 0.03));
    }
    // Arms reach from the shoulders to the rifle.
    Vec shoulderR = twist({0.40, 0.02}), shoulderL = twist({-0.40, 0.02});
    Vec elbowR = Vec{0.42, 0.18} + Vec{0.02 * s, 0.0}, handR{0.08, 0.30};
    Vec elbowL = Vec{-0.30, 0.33} + Vec{0.02 * s, 0.0}, handL{-0.04, 0.55};
    Vec arms[2][3] = {{shoulderR, elbowR, handR}, {shoulderL, elbowL, handL}};
    for (auto& a : arms) {
        auto upper = [=](Vec p) { return sdf::capsule(p, a[0], a[1], 0.11, 0.095); };
        solid(cv, span(a[0], a[1], 0.15), upper, camo(scaled(kCloth, 1.08), 13));
        auto fore = [=](Vec p) { return sdf::capsule(p, a[1], a[2], 0.095, 0.08); };
        solid(cv, span(a[1], a[2], 0.15), fore, camo(scaled(kCloth, 1.15), 17));
    }
    drawRifle(cv);
    for (Vec h : {handR, handL}) {
        auto glove = [=](Vec p) { return sdf::circle(p, h, 0.08); };
        solid(cv, around(h, 0.1), glove, plain(kGlove, 0.06, 0.3));
    }
    // Helmet with a darker rim and a stripe of unit colour across the crown.
    Vec head{0.015 * s, -0.02};
    auto helmet = [=](Vec p) { return sdf::ellipse(p, head, 0.20, 0.22); };
    cv.fill(around(head, 0.25), helmet, [=](Vec p, double d) {
        Rgba c = grain(rgb(88, 122, 168), fbm(p.x * 7, p.y * 7, 3, 31), 0.12);
        if (dm::abs(p.x - head.x) < 0.045 && d < -0.03) c = rgb(214, 160, 40);
        if (d > -0.035) c = scaled(c, 0.7);
        return lit(c, domeNormal(p, head, 0.20, 0.22), 0.45, 0.18, 10);
    });
}

Image8 makeMarine() {
    return renderStrip(64, 4, drawMarine, 1.0, kRim);
}

Image8 makeMarineBlur() {
    // The standing soldier's outline, filled with a cold glow that is brightest inside.
    Canvas cv(64, 64, 4, kWhole);
    drawMarine(cv, 0.0);
    std::vector<float> depth = cv.distanceField(true);
    for (int j = 0; j < cv.sh(); ++j)
        for (int i = 0; i < cv.sw(); ++i) {
            float* p = cv.px(i, j);
            if (p[3] < 0.5f) {
                p[0] = p[1] = p[2] = p[3] = 0.0f;
                continue;
            }
            double t = dm::clamp01(depth[std::size_t(j) * cv.sw() + i] / (cv.ss() * 4.0));
            Rgba c = mix(rgb(150, 185, 255), rgb(240, 248, 255), t);
            p[0] = float(c.r);
            p[1] = float(c.g);
            p[2] = float(c.b);
            p[3] = 1.0f;
        }
    cv.outline(1.0, rgb(120, 150, 230));
    return cv.resolveSprite();
}

void drawMarineDead(Canvas& cv, double) {
    // Blood first, spreading from under the chest.
    auto pool = [&](Vec p) {
        double d = sdf::ellipse(p, {0.05, 0.05}, 0.78, 0.62);
        double wob = (fbm(p.x * 3.0, p.y * 3.0, 4, 77) - 0.5) * 0.5;
        return d + wob;
    };
    cv.fill(kWhole, pool, [&](Vec p, double d) {
        Rgba c = mix(rgb(120, 8, 8), rgb(72, 4, 6), dm::clamp01(-d * 3.0));
        return lit(c, bevelNormal(pool, p, d, 0.05), 0.6, 0.45, 30);
    });
    // Legs and boots toward the bottom, apart.
    for (int side = -1; side <= 1; side += 2) {
        Vec hip{0.15 * side, -0.18}, knee{0.27 * side, -0.48}, foot{0.33 * side, -0.74};
        auto leg = [=](Vec p) {
            return sdf::unite(sdf::capsule(p, hip, knee, 0.13, 0.12),
                              sdf::capsule(p, knee, foot, 0.12, 0.11));
        };
        solid(cv, span(hip, foot, 0.2), leg, camo(kCloth, 41));
        auto boot = [=](Vec p) {
            return sdf::ellipse(p, foot + Vec{0.02 * side, -0.08}, 0.12, 0.15);
        };
        solid(cv, around(foot, 0.3), boot, plain(kBoot, 0.08, 0.3));
    }
    // Arms flung out to the sides.
    for (int side = -1; side <= 1; side += 2) {
        Vec sh{0.36 * side, 0.28}, el{0.62 * side, 0.40}, hand{0.84 * side, 0.60};
        auto arm = [=](Vec p) {
            return sdf::unite(sdf::capsule(p, sh, el, 0.11, 0.10),
                              sdf::capsule(p, el, hand, 0.10, 0.085));
        };
        solid(cv, span(sh, hand, 0.15), arm, camo(scaled(kCloth, 1.1), 43));
        auto glove = [=](Vec p) { return sdf::circle(p, hand, 0.09); };
        solid(cv, around(hand, 0.12), glove, plain(kGlove, 0.06, 0.3));
    }
    auto torso = [](Vec p) { return sdf::box(p, {0.0, 0.08}, 0.36, 0.30, 0.16); };
    solid(cv, {-0.5, -0.3, 0.5, 0.45}, torso, camo(kArmour, 47));
    for (int side = -1; side <= 1; side += 2) {
        Vec pouch{0.17 * side, 0.02};
        auto po = [=](Vec p) { return sdf::box(p, pouch, 0.09, 0.1, 0.03); };
        solid(cv, around(pouch, 0.15), po, plain(scaled(kPack, 0.85), 0.03));
    }
    // Bare head, the helmet knocked off beside it.
    Vec head{0.0, 0.55};
    auto face = [=](Vec p) { return sdf::circle(p, head, 0.17); };
    cv.fill(around(head, 0.2), face, [=](Vec p, double) {
        Rgba c = p.y > head.y + 0.06 ? rgb(60, 42, 30) : rgb(196, 150, 120);
        return lit(c, domeNormal(p, head, 0.17, 0.17), 0.5, 0.2);
    });
    Vec lid{-0.48, 0.80};
    auto helmet = [=](Vec p) { return sdf::circle(p, lid, 0.16); };
    cv.fill(around(lid, 0.2), helmet, [=](Vec p, double d) {
        Rgba c = d > -0.035 ? rgb(60, 84, 118) : rgb(88, 122, 168);
        if (dm::abs(p.x - lid.x) < 0.04 && d < -0.035) c = rgb(214, 160, 40);
        return lit(c, domeNormal(p, lid, 0.16, 0.16), 0.45, 0.18, 10);
    });
    // The rifle dropped by his right hand.
    auto rifle = [](Vec p) { return sdf::box(p, {0.62, -0.02}, 0.05, 0.36, 0.02, 0.35); };
    solid(cv, {0.3, -0.45, 0.95, 0.4}, rifle, plain(kGunDark, 0.04, 0.4));
}

Image8 makeMarineDead() {
    return renderSprite(64, 4, drawMarineDead, 0.0, 1.0, kRim);
}
