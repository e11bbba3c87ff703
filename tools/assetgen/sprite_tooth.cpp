// The Tooth: a scuttling armoured maw that snaps its jaws.
#include "monster_parts.h"
#include "paint.h"
#include "sprites.h"

namespace {

const Rgba kRim = rgb(30, 10, 6);
const Rgba kShell = rgb(168, 52, 30);
const Rgba kShellDark = rgb(96, 26, 16);
const Rgba kBone = rgb(236, 222, 188);
const Rgba kLeg = rgb(74, 30, 20);
const Rgba kMaw = rgb(60, 6, 12);

// Jaw opening over one cycle: slow gape, sudden snap, short rest.
double gape(double t) {
    if (t < 0.12) return 0.0;
    if (t < 0.70) return 0.62 * dm::smoothstep(0.12, 0.70, t);
    if (t < 0.82) {
        double u = 1.0 - (t - 0.70) / 0.12;
        return 0.62 * u * u;
    }
    return 0.0;
}

// The right mandible in its closed position; the left one mirrors it.
const Vec kJaw[] = {{0.28, 0.20}, {0.45, 0.38}, {0.46, 0.60}, {0.36, 0.80}, {0.16, 0.94},
                    {0.0, 0.98},  {0.05, 0.86}, {0.14, 0.68}, {0.17, 0.48}, {0.13, 0.30}};
constexpr int kJawPoints = 10;
const Vec kHinge{0.24, 0.28};

} // namespace

void drawTooth(Canvas& cv, double phase) {
    double t = phase;
    double a = gape(t);
    // Six legs in two alternating tripods.
    for (int i = 0; i < 6; ++i) {
        int side = i < 3 ? -1 : 1;
        int row = i % 3;
        bool groupA = (row == 1) == (side < 0);
        double swing = 0.32 * dm::sin(t * dm::kTau * 2.0 + (groupA ? 0.0 : dm::kPi));
        Vec root{0.36 * side, 0.05 - 0.26 * row};
        double ang = (side < 0 ? dm::kPi : 0.0) + side * (0.55 - 0.5 * row + swing);
        Vec knee = root + rotated({0.30, 0.0}, ang);
        Vec foot = knee + rotated({0.26, 0.0}, ang - side * 0.9);
        auto leg = [=](Vec p) {
            return sdf::unite(sdf::capsule(p, root, knee, 0.06, 0.05),
                              sdf::capsule(p, knee, foot, 0.05, 0.02));
        };
        Surface s{kLeg, 0.05, 0.1, 10.0, 3, 0.4, 0.45};
        solid(cv, span(root, foot, 0.1), leg, s);
    }
    // Open mouth behind the jaws.
    auto maw = [](Vec p) { return sdf::ellipse(p, {0.0, 0.58}, 0.26, 0.32); };
    cv.fill(around({0.0, 0.58}, 0.4), maw, [](Vec p, double d) {
        Rgba c = mix(kMaw, rgb(150, 40, 50), dm::smoothstep(-0.02, -0.25, d) * 0.6);
        if (dm::abs(p.x) < 0.07 && p.y < 0.6) c = rgb(170, 70, 82);
        return c;
    });
    // Armoured body with overlapping plates and a ridge of bone spikes.
    for (int sp = 0; sp < 7; ++sp) {
        double ang = -dm::kPi / 2 + (sp - 3) * 0.36;
        Vec rootP = Vec{0.0, -0.2} + rotated({0.42, 0.0}, ang);
        Vec tip = Vec{0.0, -0.2} + rotated({0.75 - 0.04 * dm::abs(sp - 3.0), 0.0}, ang);
        auto spike = [=](Vec p) { return sdf::capsule(p, rootP, tip, 0.09, 0.01); };
        solid(cv, span(rootP, tip, 0.12), spike, Surface{kBone, 0.06, 0.1, 12.0, 9, 0.3, 0.5});
    }
    auto body = [](Vec p) { return sdf::ellipse(p, {0.0, -0.16}, 0.50, 0.52); };
    cv.fill(around({0.0, -0.16}, 0.55), body, [&](Vec p, double d) {
        double band = dm::fract((p.y + 0.9) * 4.2);
        Rgba c = grain(kShell, fbm(p.x * 9, p.y * 9, 3, 13), 0.2);
        c = mix(c, kShellDark, dm::smoothstep(0.75, 1.0, band));
        if (dm::abs(p.x) < 0.05) c = scaled(c, 1.25);
        Vec3 n = bevelNormal(body, p, d, 0.3);
        n.y += (band - 0.5) * 0.4;
        double nl = dm::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        return lit(c, {n.x / nl, n.y / nl, n.z / nl}, 0.45, 0.45, 24);
    });
    auto head = [](Vec p) { return sdf::ellipse(p, {0.0, 0.28}, 0.38, 0.24); };
    solid(cv, around({0.0, 0.28}, 0.4), head, Surface{kShellDark, 0.15, 0.2, 8.0, 15, 0.4, 0.45});
    // Eyes on stalks of the head, yellow and beady.
    for (int e = 0; e < 4; ++e) {
        int side = e < 2 ? -1 : 1;
        Vec eye{side * (e % 2 ? 0.24 : 0.12), e % 2 ? 0.30 : 0.38};
        auto ball = [=](Vec p) { return sdf::circle(p, eye, 0.045); };
        cv.fill(around(eye, 0.06), ball, [=](Vec p, double) {
            Rgba c = length(p - eye) < 0.018 ? rgb(30, 10, 0) : rgb(255, 214, 40);
            return lit(c, domeNormal(p, eye, 0.045, 0.045), 0.6, 0.7, 30);
        });
    }
    // The two mandibles with their teeth, each turned about its hinge.
    toothJaw(cv, -1, a, {0.0, 0.0}, 1.0);
    toothJaw(cv, 1, a, {0.0, 0.0}, 1.0);
}

void toothJaw(Canvas& cv, int side, double gape, Vec offset, double shade) {
    double turn = -side * gape;
    Vec hinge = Vec{kHinge.x * side, kHinge.y} + offset;
    auto local = [=](Vec p) {
        Vec q = hinge + rotated(p - hinge, -turn) - offset;
        return Vec{q.x * side, q.y};
    };
    Rgba shell = scaled(kShell, shade), dark = scaled(kShellDark, shade);
    auto jaw = [=](Vec p) { return sdf::polygon(local(p), kJaw, kJawPoints); };
    cv.fill(around(hinge, 0.85), jaw, [&](Vec p, double d) {
        Vec q = local(p);
        Rgba c = mix(shell, dark, dm::smoothstep(0.3, 0.9, q.y));
        Vec3 n = bevelNormal(jaw, p, d, 0.12);
        return lit(grain(c, fbm(q.x * 10, q.y * 10, 2, 19), 0.15), n, 0.45, 0.5, 26);
    });
    // Teeth along the inner edge, offset between the sides so that they interlock.
    for (int k = 0; k < 5; ++k) {
        double u = 0.08 + 0.18 * k + (side < 0 ? 0.09 : 0.0);
        Vec base = lerp(Vec{0.17, 0.40}, Vec{0.05, 0.86}, u);
        Vec tri[3] = {base + Vec{0.03, -0.05}, base + Vec{0.02, 0.05}, base + Vec{-0.12, 0.03}};
        auto tooth = [=](Vec p) { return sdf::polygon(local(p), tri, 3); };
        Vec at = hinge + rotated(Vec{base.x * side, base.y} + offset - hinge, turn);
        cv.fill(around(at, 0.16), tooth, [&](Vec p, double d) {
            return lit(scaled(kBone, shade), bevelNormal(tooth, p, d, 0.03), 0.55, 0.4, 20);
        });
    }
}

Image8 makeTooth() {
    return renderStrip(128, 3, drawTooth, 1.5, kRim);
}
