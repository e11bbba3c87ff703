#include "render/texture_atlas.h"

#include <algorithm>

namespace render {
namespace {

struct Box {
    int index; // into the pictures; -1 the white block, -2 the spot
    int width;
    int height;
};

struct Spot {
    int x, y;
};

int roundUp(int n, int step) {
    return (n + step - 1) / step * step;
}

// Bottom-left packing against a skyline: each box, in order, goes where its
// top is lowest (leftmost among equals). Returns the height used; boxes
// that cannot go under `maxSide` get x = -1.
int packSkyline(const std::vector<Box>& boxes, int width, int maxSide, std::vector<Spot>& at) {
    struct Step {
        int x, width, y;
    };
    std::vector<Step> sky = {{0, width, 0}};
    at.assign(boxes.size(), Spot{-1, -1});
    int height = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& box = boxes[i];
        int bestX = -1, bestY = 0;
        for (size_t s = 0; s < sky.size(); ++s) {
            const int x = sky[s].x;
            if (x + box.width > width) break;
            int y = 0;
            for (size_t t = s; t < sky.size() && sky[t].x < x + box.width; ++t)
                y = std::max(y, sky[t].y);
            if (bestX < 0 || y < bestY) {
                bestX = x;
                bestY = y;
            }
        }
        if (bestX < 0 || bestY + box.height > maxSide) continue;
        at[i] = {bestX, bestY};
        height = std::max(height, bestY + box.height);
        // The steps under the box give way to its top.
        std::vector<Step> next;
        const int end = bestX + box.width;
        for (const Step& s : sky) {
            const int se = s.x + s.width;
            if (se <= bestX || s.x >= end) {
                next.push_back(s);
                continue;
            }
            if (s.x < bestX) next.push_back({s.x, bestX - s.x, s.y});
            if (se > end) next.push_back({end, se - end, s.y});
        }
        next.push_back({bestX, box.width, bestY + box.height});
        std::sort(next.begin(), next.end(), [](const Step& l, const Step& r) { return l.x < r.x; });
        sky.clear();
        for (const Step& s : next) {
            if (!sky.empty() && sky.back().y == s.y && sky.back().x + sky.back().width == s.x)
                sky.back().width += s.width;
            else
                sky.push_back(s);
        }
    }
    return height;
}

} // namespace

void packAtlas(const std::vector<AtlasPicture>& pictures, int maxSide, TextureAtlas& atlas) {
    const int b = TextureAtlas::kBorder;
    atlas = TextureAtlas{};
    atlas.places.assign(pictures.size(), AtlasPlace{});

    std::vector<Box> boxes;
    int widest = kWhiteSide;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const AtlasPicture& p = pictures[i];
        if (p.width <= 0 || p.height <= 0 || p.rgba == nullptr) continue;
        if (p.width + 2 * b > maxSide || p.height + 2 * b > maxSide) continue;
        boxes.push_back({static_cast<int>(i), p.width + 2 * b, p.height + 2 * b});
        widest = std::max(widest, p.width + 2 * b);
    }
    std::stable_sort(boxes.begin(), boxes.end(), [](const Box& l, const Box& r) {
        return l.height != r.height ? l.height > r.height : l.width > r.width;
    });
    // The white block and the spot fill a gap at the end.
    boxes.push_back({-1, kWhiteSide, kWhiteSide});
    boxes.push_back({-2, TextureAtlas::kSpot + 2 * b, TextureAtlas::kSpot + 2 * b});

    // The width, among whole multiples of 64 from the widest picture up,
    // that places the most (the white block and the spot before anything)
    // in the least area; ties go to the narrower.
    auto worth = [&](const std::vector<Spot>& spots) {
        long long placed = 0;
        for (size_t i = 0; i < boxes.size(); ++i)
            if (spots[i].x >= 0) placed += boxes[i].index < 0 ? 1000000 : 1;
        return placed;
    };
    std::vector<Spot> at, tried;
    int width = 0, height = 0;
    long long least = -1, most = -1;
    for (int w = std::min(roundUp(widest, 64), maxSide); w <= maxSide; w += 64) {
        const int h = packSkyline(boxes, w, maxSide, tried);
        const long long area = static_cast<long long>(w) * h;
        const long long placed = worth(tried);
        if (placed > most || (placed == most && area < least)) {
            most = placed;
            least = area;
            width = w;
            height = h;
            at = tried;
        }
        if (w == maxSide) break;
        if (w + 64 > maxSide) w = maxSide - 64;
    }
    atlas.width = width;
    atlas.height = height;

    for (size_t i = 0; i < boxes.size(); ++i) {
        if (at[i].x < 0) continue;
        const Box& box = boxes[i];
        if (box.index == -1) {
            atlas.whiteX = at[i].x;
            atlas.whiteY = at[i].y;
        } else if (box.index == -2) {
            atlas.spotX = at[i].x + b;
            atlas.spotY = at[i].y + b;
        } else {
            atlas.places[box.index] = {true, at[i].x + b, at[i].y + b};
        }
    }
}

void wrappedRect(const AtlasPicture& picture, int x, int y, int width, int height,
                 std::vector<uint8_t>& out) {
    out.resize(static_cast<size_t>(width) * height * 4);
    const int w = picture.width, h = picture.height;
    for (int row = 0; row < height; ++row) {
        const int sy = ((y + row) % h + h) % h;
        for (int col = 0; col < width; ++col) {
            const int sx = ((x + col) % w + w) % w;
            std::copy_n(picture.rgba + (static_cast<size_t>(sy) * w + sx) * 4, 4,
                        &out[(static_cast<size_t>(row) * width + col) * 4]);
        }
    }
}

void whiteTexels(std::vector<uint8_t>& out) {
    out.assign(kWhiteSide * kWhiteSide * 4, 255);
}

// A disc filling the spot's square, its alpha the share of each texel it
// covers (16 samples a texel), in a border of clear texels.
void spotTexels(std::vector<uint8_t>& out) {
    const int n = TextureAtlas::kSpot;
    const int b = TextureAtlas::kBorder;
    const int side = n + 2 * b;
    out.assign(static_cast<size_t>(side) * side * 4, 0);
    const float r = n * 0.5f;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            int inside = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    float dx = x + (sx + 0.5f) * 0.25f - r;
                    float dy = y + (sy + 0.5f) * 0.25f - r;
                    if (dx * dx + dy * dy <= r * r) ++inside;
                }
            uint8_t* t = &out[(static_cast<size_t>(y + b) * side + x + b) * 4];
            t[0] = t[1] = t[2] = 255;
            t[3] = static_cast<uint8_t>((inside * 255 + 8) / 16);
        }
    }
}

} // namespace render
