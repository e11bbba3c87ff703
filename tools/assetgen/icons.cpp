// The desktop icon: the soldier on a glowing red badge, in the hicolor sizes.
#include "assets.h"
#include "paint.h"
#include "sprites.h"
#include "writers.h"

namespace {

std::vector<std::uint8_t> renderIcon(int size) {
    int ss = size <= 64 ? 8 : 4;
    Canvas cv(size, size, ss, kWhole);
    auto badge = [](Vec p) { return sdf::box(p, {0, 0}, 0.96, 0.96, 0.26); };
    cv.fill(kWhole, badge, [](Vec p, double d) {
        double r = length(p - Vec{0.1, 0.15});
        Rgba c = mix(rgb(170, 36, 14), rgb(28, 6, 6), dm::smoothstep(0.0, 1.2, r));
        if (d > -0.07) c = mix(rgb(255, 170, 60), rgb(120, 30, 10), dm::clamp01(-d / 0.07));
        return c;
    });
    // The crosshair ring behind him, then the soldier aiming to the upper right.
    Canvas layer(size, size, ss, kWhole);
    layer.setTransform(Affine::place({0.0, 0.0}, 0.62, 0.0));
    drawCell(layer, 0.0);
    layer.setTransform(Affine::place({-0.08, -0.06}, 0.92, -dm::kPi / 4.0));
    drawMarine(layer, 0.0);
    layer.outline(size <= 32 ? 0.6 : 1.0, rgb(12, 8, 8));
    for (int j = 0; j < cv.sh(); ++j)
        for (int i = 0; i < cv.sw(); ++i) {
            const float* s = layer.px(i, j);
            if (s[3] > 0.0f) cv.over(i, j, {s[0] / s[3], s[1] / s[3], s[2] / s[3], s[3]});
        }
    return cv.resolveRgba();
}

} // namespace

bool writeIcons(const std::string& dir) {
    for (int size : {16, 32, 48, 64, 128, 256}) {
        std::string sub = dir + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        if (!makeDirs(sub) || !writePng(sub + "/quorvex.png", size, size, renderIcon(size)))
            return false;
    }
    return true;
}
