// The Zombie: a shambling corpse with arms stretched toward its prey.
#include "monster_parts.h"
#include "paint.h"
#include "sprites.h"

namespace {

const Rgba kRim = rgb(20, 22, 16);
const Rgba kSkin = rgb(118, 152, 88);
const Rgba kRot = rgb(78, 98, 58);
const Rgba kShirt = rgb(92, 80, 70);
const Rgba kTrousers = rgb(62, 66, 86);
const Rgba kGore = rgb(110, 22, 18);

} // namespace

// Green skin with darker rotting blotches.
Rgba zombieSkin(Vec p, std::uint32_t seed) {
    double n = fbm(p.x * 6.0, p.y * 6.0, 4, seed);
    Rgba c = mix(kSkin, kRot, dm::smoothstep(0.5, 0.72, n));
    return grain(c, fbm(p.x * 18.0, p.y * 18.0, 2, seed + 7), 0.12);
}

void zombieLimbs(Canvas& cv, double s, double lean);

void drawZombie(Canvas& cv, double phase) {
    ScopedScale big(cv, 1.12);
    double s = dm::sin(phase * dm::kTau);
    double c = dm::cos(phase * dm::kTau);
    // A limping gait: the left leg strides, the right one drags behind.
    Vec feet[2] = {{-0.22, -0.14 + 0.34 * s}, {0.24, -0.30 - 0.14 * s}};
    for (int k = 0; k < 2; ++k) {
        int side = k == 0 ? -1 : 1;
        Vec hip{0.17 * side, -0.14};
        Vec foot = feet[k];
        auto leg = [=](Vec p) { return sdf::capsule(p, hip, foot, 0.12, 0.10); };
        cv.fill(span(hip, foot, 0.2), leg, [&](Vec p, double d) {
            Rgba col = grain(kTrousers, fbm(p.x * 9, p.y * 9, 3, 5), 0.2);
            return lit(col, bevelNormal(leg, p, d, 0.1), 0.45, 0.1);
        });
        Vec toe = foot + Vec{0.0, 0.08};
        auto foot2 = [=](Vec p) { return sdf::ellipse(p, toe, 0.09, 0.14); };
        cv.fill(around(toe, 0.2), foot2, [&](Vec p, double d) {
            return lit(zombieSkin(p, 9), bevelNormal(foot2, p, d, 0.08), 0.45, 0.1);
        });
    }
    double lean = 0.09 * s;
    Vec chest{0.0, -0.08};
    auto torso = [=](Vec p) { return sdf::ellipse(p, chest, 0.44, 0.25, lean); };
    cv.fill(around(chest, 0.5), torso, [&](Vec p, double d) {
        double rip = fbm(p.x * 5.0 + 3.0, p.y * 5.0, 4, 21);
        double stain = fbm(p.x * 4.0, p.y * 4.0 - 2.0, 3, 33);
        Rgba col = grain(kShirt, fbm(p.x * 14, p.y * 14, 2, 3), 0.15);
        if (stain > 0.6) col = mix(col, kGore, dm::smoothstep(0.6, 0.7, stain) * 0.8);
        if (rip > 0.64) col = zombieSkin(p, 41);
        if (rip > 0.72) col = mix(col, kGore, 0.6);
        return lit(col, bevelNormal(torso, p, d, 0.14), 0.45, 0.1);
    });
    zombieLimbs(cv, s, lean);
    // Bald, bruised head lolling from side to side.
    Vec head{0.05 * c, 0.06};
    auto skull = [=](Vec p) { return sdf::ellipse(p, head, 0.19, 0.21); };
    cv.fill(around(head, 0.25), skull, [&](Vec p, double) {
        Rgba col = zombieSkin(p, 57);
        double hair = fbm(p.x * 12.0, p.y * 12.0, 3, 61);
        if (hair > 0.66 && p.y < head.y) col = mix(col, rgb(60, 58, 40), 0.6);
        Vec gash = p - (head + Vec{0.07, 0.05});
        if (dm::abs(gash.y - gash.x * 0.6) < 0.02 && length(gash) < 0.08) col = kGore;
        return lit(col, domeNormal(p, head, 0.19, 0.21), 0.45, 0.15);
    });
    // Sunken, glowing eyes at the front of the face.
    for (int side = -1; side <= 1; side += 2) {
        Vec eye = head + Vec{0.075 * side, 0.16};
        auto e = [=](Vec p) { return sdf::circle(p, eye, 0.035); };
        cv.fill(around(eye, 0.05), e, [=](Vec p, double) {
            double t = 1.0 - length(p - eye) / 0.035;
            return mix(rgb(150, 120, 20), rgb(255, 250, 160), t);
        });
    }
}

void zombieLimbs(Canvas& cv, double s, double lean) {
    for (int side = -1; side <= 1; side += 2) {
        double sway = 0.07 * s * side;
        Vec shoulder = rotated({0.36 * side, -0.02}, lean) + Vec{0.0, -0.06};
        Vec elbow{0.33 * side + sway * 0.3, 0.28 + sway * 0.5};
        Vec hand{0.21 * side + sway * 0.4, 0.58 + sway};
        auto arm = [=](Vec p) {
            return sdf::unite(sdf::capsule(p, shoulder, elbow, 0.10, 0.085),
                              sdf::capsule(p, elbow, hand, 0.085, 0.07));
        };
        cv.fill(span(shoulder, hand, 0.15), arm, [&](Vec p, double d) {
            Rgba col = zombieSkin(p, 71);
            // A shredded sleeve on the upper arm.
            double along =
                dot(p - shoulder, elbow - shoulder) / dot(elbow - shoulder, elbow - shoulder);
            double edge = 0.45 + 0.15 * fbm(p.x * 20, p.y * 20, 2, 73);
            if (along < edge) col = grain(kShirt, fbm(p.x * 14, p.y * 14, 2, 3), 0.15);
            return lit(col, bevelNormal(arm, p, d, 0.08), 0.45, 0.1);
        });
        // Grasping fingers.
        Vec dir = hand - elbow;
        dir = dir * (1.0 / length(dir));
        for (int f = 0; f < 4; ++f) {
            double ang = (f - 1.5) * 0.32 + 0.05 * side;
            Vec tip = hand + rotated(dir, ang) * 0.15;
            auto finger = [=](Vec p) { return sdf::capsule(p, hand, tip, 0.035, 0.022); };
            cv.fill(span(hand, tip, 0.05), finger, [&](Vec p, double d) {
                return lit(zombieSkin(p, 79), bevelNormal(finger, p, d, 0.03), 0.45, 0.1);
            });
        }
        auto palm = [=](Vec p) { return sdf::circle(p, hand, 0.075); };
        cv.fill(around(hand, 0.1), palm, [&](Vec p, double d) {
            return lit(zombieSkin(p, 83), bevelNormal(palm, p, d, 0.07), 0.45, 0.1);
        });
    }
}

Image8 makeZombie() {
    return renderStrip(128, 3, drawZombie, 1.5, kRim);
}
