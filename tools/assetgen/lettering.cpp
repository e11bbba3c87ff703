#include "lettering.h"

#include <vector>

#include "noise.h"
#include "paint.h"
#include "shapes.h"

namespace {

constexpr double kStem = 0.25;  // stroke thickness
constexpr double kCut = 0.2;    // outer corner chamfer
constexpr double kGap = 0.11;   // space between letters
constexpr double kSlant = 0.16; // italic lean, x per unit of height

struct Glyph {
    double width;
    double (*shape)(Vec p);
};

double poly(Vec p, std::initializer_list<Vec> pts) {
    return sdf::polygon(p, pts.begin(), static_cast<int>(pts.size()));
}

double ring(Vec p, double w) {
    const double s = kStem, c = kCut, ci = 0.06;
    double outer =
        poly(p, {{c, 0}, {w - c, 0}, {w, c}, {w, 1 - c}, {w - c, 1}, {c, 1}, {0, 1 - c}, {0, c}});
    double inner = poly(p, {{s + ci, s},
                            {w - s - ci, s},
                            {w - s, s + ci},
                            {w - s, 1 - s - ci},
                            {w - s - ci, 1 - s},
                            {s + ci, 1 - s},
                            {s, 1 - s - ci},
                            {s, s + ci}});
    return sdf::cut(outer, inner);
}

double glyphO(Vec p) {
    return ring(p, 0.8);
}

double glyphQ(Vec p) {
    double tail = poly(p, {{0.42, 0.34}, {0.64, 0.34}, {0.92, -0.12}, {0.70, -0.12}});
    return sdf::unite(ring(p, 0.8), tail);
}

double glyphU(Vec p) {
    const double w = 0.78, s = kStem, c = kCut, ci = 0.06;
    return poly(p, {{0, 1},
                    {0, c},
                    {c, 0},
                    {w - c, 0},
                    {w, c},
                    {w, 1},
                    {w - s, 1},
                    {w - s, s + ci},
                    {w - s - ci, s},
                    {s + ci, s},
                    {s, s + ci},
                    {s, 1}});
}

double glyphR(Vec p) {
    const double w = 0.76, s = kStem, c = kCut;
    double outer = poly(p, {{0, 0},
                            {s, 0},
                            {s, 0.40},
                            {w - c, 0.40},
                            {w, 0.40 + c * 0.6},
                            {w, 1 - c},
                            {w - c, 1},
                            {0, 1}});
    double hole = poly(p, {{s, 0.40 + 0.2}, {w - s, 0.40 + 0.2}, {w - s, 1 - s}, {s, 1 - s}});
    double leg =
        poly(p, {{0.34, 0.42}, {0.34 + s * 1.1, 0.42}, {w + 0.02, 0}, {w + 0.02 - s * 1.1, 0}});
    return sdf::unite(sdf::cut(outer, hole), leg);
}

double glyphV(Vec p) {
    const double w = 0.84, s = kStem * 1.15;
    return poly(p, {{0, 1},
                    {s, 1},
                    {w / 2, 0.34},
                    {w - s, 1},
                    {w, 1},
                    {w / 2 + s * 0.55, 0},
                    {w / 2 - s * 0.55, 0}});
}

double glyphE(Vec p) {
    const double w = 0.66, s = kStem, c = kCut * 0.6, m = s * 0.42;
    return poly(p, {{0, c},
                    {c, 0},
                    {w, 0},
                    {w, s},
                    {s, s},
                    {s, 0.5 - m},
                    {w * 0.86, 0.5 - m},
                    {w * 0.86, 0.5 + m},
                    {s, 0.5 + m},
                    {s, 1 - s},
                    {w, 1 - s},
                    {w, 1},
                    {c, 1},
                    {0, 1 - c}});
}

double glyphX(Vec p) {
    const double w = 0.84, s = kStem * 1.2;
    double a = poly(p, {{0, 1}, {s, 1}, {w, 0}, {w - s, 0}});
    double b = poly(p, {{w - s, 1}, {w, 1}, {s, 0}, {0, 0}});
    return sdf::unite(a, b);
}

const Glyph kWord[] = {{0.8, glyphQ},  {0.78, glyphU}, {0.8, glyphO}, {0.76, glyphR},
                       {0.84, glyphV}, {0.66, glyphE}, {0.84, glyphX}};

} // namespace

double titleWidth() {
    double w = 0.0;
    for (const Glyph& g : kWord)
        w += g.width + kGap;
    return w - kGap + kSlant;
}

double titleDistance(Vec p) {
    // Undo the lean, then find the letter under the point (and its neighbours).
    Vec q{p.x - p.y * kSlant, p.y};
    double d = 1e9, x = 0.0;
    for (const Glyph& g : kWord) {
        if (q.x > x - 0.6 && q.x < x + g.width + 0.6) d = sdf::unite(d, g.shape({q.x - x, q.y}));
        x += g.width + kGap;
    }
    return d;
}

void paintTitle(Canvas& cv, double x0, double y0, double x1, double h) {
    double k = (x1 - x0) / titleWidth(); // local units per letter unit along x
    auto toLetter = [=](Vec p) { return Vec{(p.x - x0) / k, (p.y - y0) / h}; };
    auto dist = [=](Vec p) {
        // Approximate local distance: scale by the smaller of the two stretches.
        return titleDistance(toLetter(p)) * dm::min(k, h);
    };
    Box box{x0 - 0.3 * h, y0 - 0.4 * h, x1 + 0.3 * h, y0 + 1.4 * h};
    // Red glow and a drop shadow first, then a dark rim, then the metal.
    double glow = 0.28 * h;
    cv.each(box, [&](int i, int j, Vec p, float*) {
        double d = dist(p);
        if (d > glow) return;
        double g = 1.0 - dm::clamp01(d / glow);
        cv.over(i, j, withAlpha(rgb(200, 24, 8), g * g * 0.75));
        double ds = dist(p + Vec{-0.025 * h, 0.04 * h});
        if (ds < 0.0) cv.over(i, j, withAlpha(rgb(8, 2, 2), 0.8));
    });
    double rim = 0.035 * h;
    cv.fill(
        box, [&](Vec p) { return dist(p) - rim; }, [](Vec, double) { return rgb(16, 4, 3); });
    double bevel = 0.09 * h;
    cv.fill(box, dist, [&](Vec p, double d) {
        Vec3 n = bevelNormal(dist, p, d, bevel);
        Vec l = toLetter(p);
        double y = dm::clamp01(l.y);
        Rgba top = rgb(255, 226, 140), mid = rgb(246, 132, 30), low = rgb(150, 22, 10);
        Rgba c = y > 0.5 ? mix(mid, top, (y - 0.5) * 2.0) : mix(low, mid, y * 2.0);
        // Brushed metal streaks and a few scratches.
        c = grain(c, fbm(l.x * 1.5, l.y * 40.0, 3, 91), 0.12);
        double scratch = dm::abs(fbm(l.x * 6.0 + l.y * 2.0, l.y * 1.5, 3, 93) - 0.5);
        if (scratch < 0.012) c = scaled(c, 0.6);
        Rgba out = lit(c, n, 0.55, 0.55, 22);
        return out;
    });
}
