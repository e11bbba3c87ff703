// Signed distance functions (negative inside) and the shading helpers built on them.
#pragma once

#include "canvas.h"

namespace sdf {

inline double circle(Vec p, Vec c, double r) {
    return length(p - c) - r;
}

// Ellipse with radii (rx, ry), turned by ang; a close approximation good for shading.
inline double ellipse(Vec p, Vec c, double rx, double ry, double ang = 0.0) {
    Vec q = rotated(p - c, -ang);
    double k0 = length({q.x / rx, q.y / ry});
    double k1 = length({q.x / (rx * rx), q.y / (ry * ry)});
    if (k1 == 0.0) return -dm::min(rx, ry);
    return k0 * (k0 - 1.0) / k1;
}

// Segment a-b thickened to radius ra at a and rb at b.
inline double capsule(Vec p, Vec a, Vec b, double ra, double rb) {
    Vec pa = p - a, ba = b - a;
    double len2 = dot(ba, ba);
    double h = len2 > 0.0 ? dm::clamp01(dot(pa, ba) / len2) : 0.0;
    return length(pa - ba * h) - dm::lerp(ra, rb, h);
}
inline double capsule(Vec p, Vec a, Vec b, double r) {
    return capsule(p, a, b, r, r);
}

// Rounded box with half sizes (hx, hy), corner radius rr, turned by ang.
inline double box(Vec p, Vec c, double hx, double hy, double rr = 0.0, double ang = 0.0) {
    Vec q = rotated(p - c, -ang);
    double dx = dm::abs(q.x) - hx + rr, dy = dm::abs(q.y) - hy + rr;
    double ox = dm::max(dx, 0.0), oy = dm::max(dy, 0.0);
    return dm::sqrt(ox * ox + oy * oy) + dm::min(dm::max(dx, dy), 0.0) - rr;
}

// Exact distance to a simple polygon of n points.
double polygon(Vec p, const Vec* pts, int n);

inline double unite(double a, double b) {
    return a < b ? a : b;
}
inline double cut(double a, double b) {
    return a > -b ? a : -b;
}
inline double intersect(double a, double b) {
    return a > b ? a : b;
}
inline double smoothUnite(double a, double b, double k) {
    double h = dm::clamp01(0.5 + 0.5 * (b - a) / k);
    return dm::lerp(b, a, h) - k * h * (1.0 - h);
}

} // namespace sdf

struct Vec3 {
    double x, y, z;
};

// Light from the upper left and above, in a sprite's own coordinates.
Vec3 lightDir();

// Surface normal of a raised shape whose edge rounds off over `bevel` units.
template <class Sdf> Vec3 bevelNormal(Sdf f, Vec p, double d, double bevel) {
    double depth = -d;
    if (depth >= bevel) return {0.0, 0.0, 1.0};
    double e = bevel * 0.05 + 1e-4;
    double gx = f(Vec{p.x + e, p.y}) - f(Vec{p.x - e, p.y});
    double gy = f(Vec{p.x, p.y + e}) - f(Vec{p.x, p.y - e});
    double gl = dm::sqrt(gx * gx + gy * gy);
    if (gl == 0.0) return {0.0, 0.0, 1.0};
    double q = 1.0 - dm::clamp01(depth / bevel);
    return {gx / gl * q, gy / gl * q, dm::sqrt(1.0 - q * q)};
}

// Diffuse plus specular lighting of a base colour.
Rgba lit(Rgba base, Vec3 n, double ambient = 0.45, double specular = 0.25, double shine = 18.0);

// Domed (spherical) normal inside an ellipse, for heads, eyes and bulbs.
Vec3 domeNormal(Vec p, Vec c, double rx, double ry);

// Multiplies a colour's brightness by (1 + amount * (n - 0.5) * 2).
Rgba grain(Rgba c, double n, double amount);
