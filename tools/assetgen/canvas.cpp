#include "canvas.h"

#include <algorithm>

Vec Affine::invert(Vec w) const {
    double det = a * d - b * c;
    double x = w.x - tx, y = w.y - ty;
    return {(d * x - b * y) / det, (-c * x + a * y) / det};
}

Affine Affine::place(Vec centre, double scale, double angle) {
    Affine m;
    double cs = dm::cos(angle) * scale, sn = dm::sin(angle) * scale;
    m.a = cs;
    m.b = -sn;
    m.c = sn;
    m.d = cs;
    m.tx = centre.x;
    m.ty = centre.y;
    return m;
}

Canvas::Canvas(int outW, int outH, int ss, Box view)
    : outW_(outW), outH_(outH), ss_(ss), sw_(outW * ss), sh_(outH * ss), view_(view),
      sampleSize_((view.x1 - view.x0) / (outW * ss)), data_(std::size_t(sw_) * sh_ * 4, 0.0f) {}

Vec Canvas::samplePos(int i, int j) const {
    return {view_.x0 + (i + 0.5) * (view_.x1 - view_.x0) / sw_,
            view_.y1 - (j + 0.5) * (view_.y1 - view_.y0) / sh_};
}

void Canvas::sampleRange(Box lb, int& i0, int& j0, int& i1, int& j1) const {
    Vec c[4] = {xf_.apply({lb.x0, lb.y0}), xf_.apply({lb.x1, lb.y0}), xf_.apply({lb.x0, lb.y1}),
                xf_.apply({lb.x1, lb.y1})};
    double wx0 = c[0].x, wx1 = c[0].x, wy0 = c[0].y, wy1 = c[0].y;
    for (const Vec& v : c) {
        wx0 = dm::min(wx0, v.x);
        wx1 = dm::max(wx1, v.x);
        wy0 = dm::min(wy0, v.y);
        wy1 = dm::max(wy1, v.y);
    }
    double fx = sw_ / (view_.x1 - view_.x0), fy = sh_ / (view_.y1 - view_.y0);
    i0 = std::max(0, static_cast<int>(dm::floor((wx0 - view_.x0) * fx)) - 1);
    i1 = std::min(sw_, static_cast<int>(dm::floor((wx1 - view_.x0) * fx)) + 2);
    j0 = std::max(0, static_cast<int>(dm::floor((view_.y1 - wy1) * fy)) - 1);
    j1 = std::min(sh_, static_cast<int>(dm::floor((view_.y1 - wy0) * fy)) + 2);
    if (i1 < i0) i1 = i0;
    if (j1 < j0) j1 = j0;
}

void Canvas::over(int i, int j, Rgba c) {
    float* p = px(i, j);
    double a = dm::clamp01(c.a), k = 1.0 - a;
    p[0] = static_cast<float>(c.r * a + p[0] * k);
    p[1] = static_cast<float>(c.g * a + p[1] * k);
    p[2] = static_cast<float>(c.b * a + p[2] * k);
    p[3] = static_cast<float>(a + p[3] * k);
}

void Canvas::under(int i, int j, Rgba c) {
    float* p = px(i, j);
    double a = dm::clamp01(c.a), k = 1.0 - p[3];
    p[0] = static_cast<float>(p[0] + c.r * a * k);
    p[1] = static_cast<float>(p[1] + c.g * a * k);
    p[2] = static_cast<float>(p[2] + c.b * a * k);
    p[3] = static_cast<float>(p[3] + a * k);
}

namespace {

// One dimension of the exact squared distance transform (Felzenszwalb and Huttenlocher).
void edt1d(const float* f, float* out, int n, std::vector<int>& v, std::vector<float>& z) {
    const float inf = 1e20f;
    int k = 0;
    v[0] = 0;
    z[0] = -inf;
    z[1] = inf;
    for (int q = 1; q < n; ++q) {
        int r = v[k];
        float s = ((f[q] + float(q) * q) - (f[r] + float(r) * r)) / float(2 * q - 2 * r);
        while (s <= z[k]) {
            --k;
            r = v[k];
            s = ((f[q] + float(q) * q) - (f[r] + float(r) * r)) / float(2 * q - 2 * r);
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = inf;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < float(q))
            ++k;
        float d = float(q - v[k]);
        out[q] = d * d + f[v[k]];
    }
}

} // namespace

std::vector<float> Canvas::distanceField(bool inside) const {
    const float inf = 1e20f;
    int n = std::max(sw_, sh_);
    std::vector<float> grid(std::size_t(sw_) * sh_), col(n), res(n);
    std::vector<int> v(n);
    std::vector<float> z(n + 1);
    for (int j = 0; j < sh_; ++j)
        for (int i = 0; i < sw_; ++i) {
            bool in = px(i, j)[3] >= 0.5f;
            grid[std::size_t(j) * sw_ + i] = (in == inside) ? inf : 0.0f;
        }
    for (int i = 0; i < sw_; ++i) {
        for (int j = 0; j < sh_; ++j)
            col[j] = grid[std::size_t(j) * sw_ + i];
        edt1d(col.data(), res.data(), sh_, v, z);
        for (int j = 0; j < sh_; ++j)
            grid[std::size_t(j) * sw_ + i] = res[j];
    }
    for (int j = 0; j < sh_; ++j) {
        edt1d(&grid[std::size_t(j) * sw_], res.data(), sw_, v, z);
        for (int i = 0; i < sw_; ++i)
            grid[std::size_t(j) * sw_ + i] = static_cast<float>(dm::sqrt(res[i]));
    }
    return grid;
}

void Canvas::outline(double width, Rgba color) {
    std::vector<float> dist = distanceField(false);
    double limit = width * ss_;
    for (int j = 0; j < sh_; ++j)
        for (int i = 0; i < sw_; ++i) {
            float d = dist[std::size_t(j) * sw_ + i];
            if (d > 0.0f && d <= limit) under(i, j, color);
        }
}

namespace {

std::uint8_t toByte(double v) {
    v = dm::clamp01(v) * 255.0 + 0.5;
    return static_cast<std::uint8_t>(dm::floor(v));
}

} // namespace

Image8 Canvas::resolveSprite() const {
    Image8 out(outW_, outH_);
    double n = double(ss_) * ss_;
    for (int y = 0; y < outH_; ++y)
        for (int x = 0; x < outW_; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < ss_; ++j)
                for (int i = 0; i < ss_; ++i) {
                    const float* p = px(x * ss_ + i, y * ss_ + j);
                    r += p[0];
                    g += p[1];
                    b += p[2];
                    a += p[3];
                }
            std::uint8_t* o = out.at(x, y);
            if (a / n < 0.5) continue;
            o[0] = toByte(r / a);
            o[1] = toByte(g / a);
            o[2] = toByte(b / a);
            if (o[0] == 0 && o[1] == 0 && o[2] == 0) o[0] = o[1] = o[2] = 1;
        }
    return out;
}

Image8 Canvas::resolveOpaque(Rgba bg) const {
    Image8 out(outW_, outH_);
    double n = double(ss_) * ss_;
    for (int y = 0; y < outH_; ++y)
        for (int x = 0; x < outW_; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < ss_; ++j)
                for (int i = 0; i < ss_; ++i) {
                    const float* p = px(x * ss_ + i, y * ss_ + j);
                    r += p[0];
                    g += p[1];
                    b += p[2];
                    a += p[3];
                }
            double k = 1.0 - a / n;
            std::uint8_t* o = out.at(x, y);
            o[0] = toByte(r / n + bg.r * k);
            o[1] = toByte(g / n + bg.g * k);
            o[2] = toByte(b / n + bg.b * k);
            if (o[0] == 0 && o[1] == 0 && o[2] == 0) o[0] = o[1] = o[2] = 1;
        }
    return out;
}

std::vector<std::uint8_t> Canvas::resolveRgba() const {
    std::vector<std::uint8_t> out(std::size_t(outW_) * outH_ * 4, 0);
    double n = double(ss_) * ss_;
    for (int y = 0; y < outH_; ++y)
        for (int x = 0; x < outW_; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < ss_; ++j)
                for (int i = 0; i < ss_; ++i) {
                    const float* p = px(x * ss_ + i, y * ss_ + j);
                    r += p[0];
                    g += p[1];
                    b += p[2];
                    a += p[3];
                }
            std::uint8_t* o = &out[(std::size_t(y) * outW_ + x) * 4];
            if (a <= 0.0) continue;
            o[0] = toByte(r / a);
            o[1] = toByte(g / a);
            o[2] = toByte(b / a);
            o[3] = toByte(a / n);
        }
    return out;
}

void blit(Image8& dst, const Image8& src, int x, int y) {
    for (int r = 0; r < src.h; ++r)
        for (int c = 0; c < src.w; ++c) {
            const std::uint8_t* s = src.at(c, r);
            std::uint8_t* d = dst.at(x + c, y + r);
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
}
