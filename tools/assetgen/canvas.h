// Supersampled RGBA drawing surface with shapes given as signed distance functions.
// A picture is drawn in its own "local" coordinates (x right, y up); the canvas maps
// them through an affine transform onto a grid of samples, and resolve() averages the
// samples down to pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "detmath.h"

struct Vec {
    double x = 0.0, y = 0.0;
};
inline Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(Vec a, double s) {
    return {a.x * s, a.y * s};
}
inline double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y;
}
inline double length(Vec a) {
    return dm::sqrt(a.x * a.x + a.y * a.y);
}
inline Vec rotated(Vec a, double ang) {
    double c = dm::cos(ang), s = dm::sin(ang);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
inline Vec lerp(Vec a, Vec b, double t) {
    return a + (b - a) * t;
}

// Straight (not premultiplied) colour, components 0..1.
struct Rgba {
    double r = 0.0, g = 0.0, b = 0.0, a = 1.0;
};
inline Rgba rgb(int r, int g, int b, double a = 1.0) {
    return {r / 255.0, g / 255.0, b / 255.0, a};
}
inline Rgba mix(Rgba x, Rgba y, double t) {
    return {dm::lerp(x.r, y.r, t), dm::lerp(x.g, y.g, t), dm::lerp(x.b, y.b, t),
            dm::lerp(x.a, y.a, t)};
}
inline Rgba scaled(Rgba c, double s) {
    return {c.r * s, c.g * s, c.b * s, c.a};
}
inline Rgba withAlpha(Rgba c, double a) {
    return {c.r, c.g, c.b, a};
}

struct Box {
    double x0, y0, x1, y1;
};

// local = m * (world - t): world to local; kept with its inverse.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0; // world = [a b; c d] * local + t
    Vec apply(Vec p) const { return {a * p.x + b * p.y + tx, c * p.x + d * p.y + ty}; }
    Vec invert(Vec w) const;
    static Affine place(Vec centre, double scale, double angle);
};

// 8-bit RGB picture, rows top to bottom.
struct Image8 {
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb;
    Image8() = default;
    Image8(int width, int height) : w(width), h(height), rgb(std::size_t(width) * height * 3, 0) {}
    std::uint8_t* at(int x, int y) { return &rgb[(std::size_t(y) * w + x) * 3]; }
    const std::uint8_t* at(int x, int y) const { return &rgb[(std::size_t(y) * w + x) * 3]; }
};

class Canvas {
  public:
    // outW x outH pixels, ss x ss samples each, showing the local box `view`.
    Canvas(int outW, int outH, int ss, Box view);

    int outW() const { return outW_; }
    int outH() const { return outH_; }
    int ss() const { return ss_; }
    int sw() const { return sw_; }
    int sh() const { return sh_; }
    double sampleSize() const { return sampleSize_; } // one sample, in world units

    // Transform used by fill() for local shape coordinates (identity by default).
    void setTransform(const Affine& xf) { xf_ = xf; }
    const Affine& transform() const { return xf_; }

    Vec samplePos(int i, int j) const; // world position of a sample centre

    // Composites shade(p, d) over every sample whose local point p has sdf(p) <= 0.
    template <class Sdf, class Shade> void fill(Box localBounds, Sdf sdf, Shade shade);

    // Calls f(i, j, p, pixel) for every sample in local bounds, p in local coordinates.
    template <class F> void each(Box localBounds, F f);

    // Premultiplied sample access.
    float* px(int i, int j) { return &data_[(std::size_t(j) * sw_ + i) * 4]; }
    const float* px(int i, int j) const { return &data_[(std::size_t(j) * sw_ + i) * 4]; }
    void over(int i, int j, Rgba c);  // c over the sample
    void under(int i, int j, Rgba c); // the sample over c

    // Distance, in samples, from each sample to the nearest sample with alpha >= 0.5
    // (0 inside). inside=true measures from inside samples to the nearest outside one.
    std::vector<float> distanceField(bool inside) const;

    // Dark rim of `width` output pixels around everything drawn so far.
    void outline(double width, Rgba color);

    // Average down to pixels. Sprite form: pixels less than half covered become pure
    // black (transparent for the game), all others are opaque and never pure black.
    Image8 resolveSprite() const;
    // Opaque form for full pictures: blends onto `background`, never pure black.
    Image8 resolveOpaque(Rgba background) const;
    // Straight RGBA bytes (for the icons), rows top to bottom.
    std::vector<std::uint8_t> resolveRgba() const;

  private:
    void sampleRange(Box localBounds, int& i0, int& j0, int& i1, int& j1) const;

    int outW_, outH_, ss_, sw_, sh_;
    Box view_;
    double sampleSize_;
    Affine xf_;
    std::vector<float> data_;
};

template <class F> void Canvas::each(Box localBounds, F f) {
    int i0, j0, i1, j1;
    sampleRange(localBounds, i0, j0, i1, j1);
    for (int j = j0; j < j1; ++j)
        for (int i = i0; i < i1; ++i)
            f(i, j, xf_.invert(samplePos(i, j)), px(i, j));
}

template <class Sdf, class Shade> void Canvas::fill(Box localBounds, Sdf sdf, Shade shade) {
    each(localBounds, [&](int i, int j, Vec p, float*) {
        double d = sdf(p);
        if (d <= 0.0) over(i, j, shade(p, d));
    });
}

// Copies a resolved frame into a strip at horizontal pixel offset x.
void blit(Image8& dst, const Image8& src, int x, int y);
