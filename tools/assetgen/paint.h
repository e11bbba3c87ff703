// Painting helpers shared by the sprites: shaded solid parts and strip rendering.
#pragma once

#include <cstdint>

#include "canvas.h"
#include "noise.h"
#include "shapes.h"

inline Box around(Vec c, double r) {
    return {c.x - r, c.y - r, c.x + r, c.y + r};
}
inline Box span(Vec a, Vec b, double r) {
    return {dm::min(a.x, b.x) - r, dm::min(a.y, b.y) - r, dm::max(a.x, b.x) + r,
            dm::max(a.y, b.y) + r};
}
constexpr Box kWhole{-1.0, -1.0, 1.0, 1.0};

struct Surface {
    Rgba base;
    double bevel = 0.1;       // how far in from the edge the surface rounds off
    double grainAmount = 0.0; // brightness variation from noise
    double grainScale = 6.0;
    std::uint32_t seed = 1;
    double specular = 0.2;
    double ambient = 0.45;
};

// A raised, lit part in the shape of f.
template <class Sdf> void solid(Canvas& cv, Box b, Sdf f, const Surface& s) {
    cv.fill(b, f, [&](Vec p, double d) {
        Rgba c = s.base;
        if (s.grainAmount > 0.0)
            c = grain(c, fbm(p.x * s.grainScale, p.y * s.grainScale, 3, s.seed), s.grainAmount);
        return lit(c, bevelNormal(f, p, d, s.bevel), s.ambient, s.specular);
    });
}

// A flat, unlit part.
template <class Sdf> void flat(Canvas& cv, Box b, Sdf f, Rgba c) {
    cv.fill(b, f, [&](Vec, double) { return c; });
}

// Draws the enclosed figure larger (k > 1) or smaller about the local origin.
class ScopedScale {
  public:
    ScopedScale(Canvas& cv, double k, Vec shift = {}) : cv_(cv), saved_(cv.transform()) {
        // local' = k * local + shift, then the saved transform.
        Affine m = saved_;
        Vec origin = saved_.apply(shift);
        m.a *= k;
        m.b *= k;
        m.c *= k;
        m.d *= k;
        m.tx = origin.x;
        m.ty = origin.y;
        cv.setTransform(m);
    }
    ~ScopedScale() { cv_.setTransform(saved_); }
    ScopedScale(const ScopedScale&) = delete;
    ScopedScale& operator=(const ScopedScale&) = delete;

  private:
    Canvas& cv_;
    Affine saved_;
};

using FrameFn = void (*)(Canvas&, double phase);

// Renders one picture of size x size pixels from local [-1, 1], with a dark rim.
Image8 renderSprite(int size, int ss, FrameFn draw, double phase, double rim, Rgba rimColor);

// Sixteen frames side by side, phase i / 16 for frame i.
Image8 renderStrip(int size, int ss, FrameFn draw, double rim, Rgba rimColor);
