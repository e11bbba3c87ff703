// The title picture: the soldier holding off monsters on a night-time arena floor,
// with the name lettered across the upper right. The game lays its menu plates, the
// credits panel, a red rule and a footer line over it, so those areas stay dark and calm.
#include <algorithm>

#include "lettering.h"
#include "paint.h"
#include "sprites.h"

namespace {

// Picture coordinates: y from -1 (bottom) to 1 (top), x from -4/3 to 4/3, so that one
// unit is the same length both ways. The game's arena x is picture x * 3/4.
constexpr double kAspect = 4.0 / 3.0;
const Box kView{-kAspect, -1.0, kAspect, 1.0};

struct Light {
    Vec at;
    double radius;
    Rgba color;
};

const Vec kMarineAt{-0.70, -0.58};
const double kAim = -0.12; // radians from the +x axis, toward the monsters on the right
const Vec kBlastAt{1.16, -0.86};

constexpr double kMarineSize = 0.25;

Vec muzzle() {
    return kMarineAt + rotated({0.0, 0.93 * kMarineSize}, kAim - dm::kPi / 2.0);
}

// Cold moonlight everywhere, warm pools around the muzzle and the blast.
Rgba lightAt(Vec p) {
    const Light lights[] = {
        {muzzle(), 0.42, rgb(200, 150, 90)},
        {kMarineAt, 0.35, rgb(90, 74, 60)},
        {kBlastAt, 0.75, rgb(255, 120, 40)},
        {{-1.3, -1.0}, 0.5, rgb(90, 70, 60)},
    };
    Rgba sum{0.16, 0.19, 0.27, 1.0};
    for (const Light& l : lights) {
        double d = length(p - l.at) / l.radius;
        double k = 1.0 / (1.0 + d * d * d * d);
        sum.r += l.color.r * k * 1.2;
        sum.g += l.color.g * k * 1.2;
        sum.b += l.color.b * k * 1.2;
    }
    return sum;
}

Rgba applyLight(Rgba c, Rgba l) {
    return {c.r * l.r, c.g * l.g, c.b * l.b, c.a};
}

// Dark steel deck plates with seams, rivets, grime and rust.
void paintFloor(Canvas& cv) {
    const double tile = 0.42;
    cv.each(kView, [&](int i, int j, Vec p, float*) {
        double tx = p.x / tile + 0.37, ty = p.y / tile + 0.21;
        int ix = static_cast<int>(dm::floor(tx)), iy = static_cast<int>(dm::floor(ty));
        double fx = tx - ix, fy = ty - iy;
        double shade = 0.85 + 0.3 * hash2(ix, iy, 11);
        Rgba c = scaled(rgb(62, 66, 72), shade);
        // Worn tread: a faint diagonal pattern.
        double tread = dm::abs(dm::sin((p.x + p.y) * 70.0) * dm::sin((p.x - p.y) * 70.0));
        c = scaled(c, 0.92 + 0.12 * tread);
        double grime = fbm(p.x * 2.2, p.y * 2.2, 4, 13);
        c = mix(c, rgb(40, 34, 30), dm::smoothstep(0.45, 0.75, grime) * 0.7);
        double rust = fbm(p.x * 5.0 + 3.0, p.y * 5.0, 3, 17);
        c = mix(c, rgb(96, 52, 30), dm::smoothstep(0.62, 0.8, rust) * 0.5);
        c = grain(c, fbm(p.x * 60.0, p.y * 60.0, 2, 19), 0.06);
        double edge = dm::min(dm::min(fx, 1.0 - fx), dm::min(fy, 1.0 - fy)) * tile;
        if (edge < 0.005)
            c = scaled(c, 0.55);
        else if (edge < 0.009)
            c = scaled(c, 1.15); // bevelled edge catching light
        for (double cx : {0.08, 0.92})
            for (double cy : {0.08, 0.92}) {
                double r = length({(fx - cx) * tile, (fy - cy) * tile});
                if (r < 0.011) c = scaled(c, r < 0.006 ? 1.45 : 0.5);
            }
        // Night haze thickening toward the top of the picture.
        Rgba lit = applyLight(c, lightAt(p));
        double haze =
            dm::smoothstep(-0.4, 1.0, p.y) * (0.5 + 0.5 * fbm(p.x * 1.5, p.y * 3.0, 3, 23));
        cv.over(i, j, mix(lit, rgb(14, 16, 24), haze * 0.55));
    });
}

// Draws one picture of the game (local -1..1) into the scene at `at`, `scale` units per
// local unit, turned by `angle`, lit by the scene; with a shadow when `shadow` is set.
void placeSprite(Canvas& cv, FrameFn draw, double phase, Vec at, double scale, double angle,
                 bool shadow, bool emissive = false, double alpha = 1.0) {
    // Work in a small layer covering just the sprite, aligned with the picture's pixels.
    double reach = scale * 1.6;
    double px = cv.outW() / (kView.x1 - kView.x0);
    int x0 = std::max(0, static_cast<int>(dm::floor((at.x - reach - kView.x0) * px)));
    int x1 = std::min(cv.outW(), static_cast<int>(dm::floor((at.x + reach - kView.x0) * px)) + 1);
    int y0 = std::max(0, static_cast<int>(dm::floor((kView.y1 - at.y - reach) * px)));
    int y1 = std::min(cv.outH(), static_cast<int>(dm::floor((kView.y1 - at.y + reach) * px)) + 1);
    if (x1 <= x0 || y1 <= y0) return;
    Box sub{kView.x0 + x0 / px, kView.y1 - y1 / px, kView.x0 + x1 / px, kView.y1 - y0 / px};
    Canvas layer(x1 - x0, y1 - y0, cv.ss(), sub);
    layer.setTransform(Affine::place(at, scale, angle));
    draw(layer, phase);
    layer.outline(1.0, rgb(10, 10, 12));
    int ss = cv.ss();
    int si = static_cast<int>(0.025 * scale / 0.22 / cv.sampleSize());
    int sj = static_cast<int>(0.035 * scale / 0.22 / cv.sampleSize());
    for (int j = 0; j < layer.sh(); ++j)
        for (int i = 0; i < layer.sw(); ++i) {
            int ci = x0 * ss + i, cj = y0 * ss + j;
            if (shadow) {
                int ki = i - si, kj = j - sj;
                if (ki >= 0 && kj >= 0 && ki < layer.sw() && kj < layer.sh()) {
                    float a = layer.px(ki, kj)[3];
                    if (a > 0.0f) cv.over(ci, cj, withAlpha(rgb(2, 2, 4), a * 0.55 * alpha));
                }
            }
            const float* s = layer.px(i, j);
            if (s[3] <= 0.0f) continue;
            Rgba c{s[0] / s[3], s[1] / s[3], s[2] / s[3], s[3] * alpha};
            if (!emissive) {
                // Figures keep their colours: light no brighter than daylight.
                Rgba l = lightAt(cv.samplePos(ci, cj));
                c = applyLight(c, {dm::min(l.r, 1.0), dm::min(l.g, 1.0), dm::min(l.b, 1.0), 1.0});
            }
            cv.over(ci, cj, c);
        }
}

// A soft glow: colour over the scene with alpha falling off from the centre.
void glow(Canvas& cv, Vec at, double radius, Rgba color, double strength) {
    cv.each({at.x - radius, at.y - radius, at.x + radius, at.y + radius},
            [&](int i, int j, Vec p, float*) {
                double d = length(p - at) / radius;
                if (d >= 1.0) return;
                double k = (1.0 - d) * (1.0 - d);
                cv.over(i, j, withAlpha(color, k * strength));
            });
}

void drawExplosionFrame(Canvas& cv, double) {
    // Frame 5 of the blast strip, drawn straight into the scene.
    drawBlastFrame(cv, 5.0 / 16.0);
}

void tracer(Canvas& cv, Vec from, Vec to, double width) {
    auto line = [=](Vec p) { return sdf::capsule(p, from, to, width * 0.4, width); };
    cv.fill(span(from, to, width * 2.0), line, [=](Vec p, double d) {
        double along = dot(p - from, to - from) / dot(to - from, to - from);
        double core = dm::clamp01(-d / width);
        Rgba c = mix(rgb(255, 170, 60), rgb(255, 250, 220), core);
        return withAlpha(c, dm::clamp01(along * 1.4) * (0.4 + 0.6 * core));
    });
}

void vignette(Canvas& cv) {
    cv.each(kView, [&](int i, int j, Vec p, float* px) {
        double d = length({p.x / kAspect, p.y});
        double k = 1.0 - 0.55 * dm::smoothstep(0.55, 1.45, d);
        // Keep the footer strip and the top band dark enough for text.
        k *= 1.0 - 0.35 * dm::smoothstep(-0.86, -0.98, p.y);
        for (int c = 0; c < 3; ++c)
            px[c] = static_cast<float>(px[c] * k);
        (void)i;
        (void)j;
    });
}

} // namespace

Image8 makeLogo() {
    Canvas cv(1024, 768, 2, kView);
    paintFloor(cv);
    // Ground marks of the fight so far.
    placeSprite(cv, drawScorch, 0.0, kBlastAt + Vec{-0.06, 0.05}, 0.34, 0.4, false);
    placeSprite(cv, drawScorch, 0.0, {-0.12, -0.78}, 0.18, 1.3, false, false, 0.5);
    const struct {
        Vec at;
        double size, angle;
    } splats[] = {{{-0.30, -0.52}, 0.12, 0.3},
                  {{0.35, -0.70}, 0.14, 2.0},
                  {{-1.05, -0.30}, 0.10, 4.0},
                  {{0.95, -0.45}, 0.12, 1.0},
                  {{-0.55, -0.86}, 0.08, 5.1}};
    for (const auto& s : splats)
        placeSprite(cv, drawBlood, 0.0, s.at, s.size, s.angle, false);
    placeSprite(cv, drawToothDead, 0.0, {-0.20, -0.34}, 0.13, 2.2, false);
    placeSprite(cv, drawZombieDead, 0.0, {0.38, -0.70}, 0.15, -1.9, false);
    placeSprite(cv, drawMindDead, 0.0, {-1.18, -0.72}, 0.13, 0.7, false);
    // The soldier, firing toward the pack on the right.
    placeSprite(cv, drawMarine, 0.25, kMarineAt, kMarineSize, kAim - dm::kPi / 2.0, true);
    // Monsters closing in, each facing him.
    auto facing = [](Vec from) {
        Vec d = kMarineAt - from;
        return dm::atan2(d.y, d.x) - dm::kPi / 2.0;
    };
    const struct {
        FrameFn draw;
        Vec at;
        double size, phase;
    } pack[] = {{drawMind, {1.26, -0.12}, 0.24, 0.1},
                {drawTooth, {0.98, -0.30}, 0.17, 0.55},
                {drawZombie, {1.10, -0.64}, 0.30, 0.3},
                {drawZombie, {-1.26, 0.02}, 0.24, 0.7},
                {drawMind, {-1.05, -1.02}, 0.20, 0.2}};
    for (const auto& m : pack)
        placeSprite(cv, m.draw, m.phase, m.at, m.size, facing(m.at), true);
    // A grenade bursting among them, and the muzzle flash with tracers.
    placeSprite(cv, drawExplosionFrame, 0.0, kBlastAt, 0.36, 0.0, false, true);
    Vec m = muzzle();
    tracer(cv, m + Vec{0.12, -0.01}, {0.62, -0.72}, 0.006);
    tracer(cv, m + Vec{0.35, -0.03}, {0.92, -0.66}, 0.005);
    glow(cv, m + rotated({0.05, 0.0}, kAim), 0.15, rgb(255, 200, 120), 0.5);
    auto flash = [m](Vec p) {
        Vec q = rotated(p - m, -kAim);
        double ang = dm::atan2(q.y, q.x);
        double spikes = dm::pow(dm::abs(dm::cos(ang * 2.0)), 3.0) * (q.x > 0.0 ? 1.6 : 0.5);
        return length(q) - 0.018 - 0.05 * spikes;
    };
    cv.fill(span(m, m, 0.12), flash, [m](Vec p, double) {
        return mix(rgb(255, 255, 240), rgb(255, 200, 90), dm::clamp01(length(p - m) / 0.08));
    });
    vignette(cv);
    // The name, across the upper right, clear of the credits panel and the menu plates.
    paintTitle(cv, 0.03, 0.40, 1.27, 0.33);
    return cv.resolveOpaque(rgb(4, 4, 6));
}
