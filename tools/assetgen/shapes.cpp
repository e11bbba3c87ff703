#include "shapes.h"

namespace sdf {

double polygon(Vec p, const Vec* v, int n) {
    double d = dot(p - v[0], p - v[0]);
    double s = 1.0;
    for (int i = 0, j = n - 1; i < n; j = i, ++i) {
        Vec e = v[j] - v[i], w = p - v[i];
        double h = dm::clamp01(dot(w, e) / dot(e, e));
        Vec b = w - e * h;
        d = dm::min(d, dot(b, b));
        bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * dm::sqrt(d);
}

} // namespace sdf

Vec3 lightDir() {
    double x = -0.45, y = 0.55, z = 0.70;
    double l = dm::sqrt(x * x + y * y + z * z);
    return {x / l, y / l, z / l};
}

Rgba lit(Rgba base, Vec3 n, double ambient, double specular, double shine) {
    Vec3 l = lightDir();
    double nl = dm::max(0.0, n.x * l.x + n.y * l.y + n.z * l.z);
    // Half vector between the light and a viewer straight above.
    double hx = l.x, hy = l.y, hz = l.z + 1.0;
    double hl = dm::sqrt(hx * hx + hy * hy + hz * hz);
    double nh = dm::max(0.0, (n.x * hx + n.y * hy + n.z * hz) / hl);
    double k = ambient + (1.0 - ambient) * nl;
    // Integer exponents (all that the pictures use) by repeated multiplication.
    double s = specular;
    int whole = static_cast<int>(shine);
    if (whole == shine && whole >= 0 && whole < 64)
        for (int i = 0; i < whole; ++i)
            s *= nh;
    else
        s *= dm::pow(nh, shine);
    return {base.r * k + s, base.g * k + s, base.b * k + s, base.a};
}

Vec3 domeNormal(Vec p, Vec c, double rx, double ry) {
    double x = (p.x - c.x) / rx, y = (p.y - c.y) / ry;
    double r2 = x * x + y * y;
    if (r2 > 1.0) r2 = 1.0;
    double z = dm::sqrt(1.0 - r2);
    double l = dm::sqrt(x * x + y * y + z * z);
    if (l == 0.0) return {0.0, 0.0, 1.0};
    return {x / l, y / l, z / l};
}

Rgba grain(Rgba c, double n, double amount) {
    return scaled(c, 1.0 + amount * (n - 0.5) * 2.0);
}
