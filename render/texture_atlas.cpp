#include "render/texture_atlas.h"

#include <algorithm>

namespace render {
namespace {

constexpr int kWhiteSide = 4;

struct Box {
    int index; // into the pictures; -1 the white block, -2 the spot
    int width;
    int height;
};

int powerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// Copies a picture with its border of wrapped texels.
void copyWrapped(const AtlasPicture& picture, int x0, int y0, TextureAtlas& atlas) {
    const int b = TextureAtlas::kBorder;
    for (int y = -b; y < picture.height + b; ++y) {
        const int sy = (y + picture.height * 4) % picture.height;
        for (int x = -b; x < picture.width + b; ++x) {
            const int sx = (x + picture.width * 4) % picture.width;
            const uint8_t* from = picture.rgba + (static_cast<size_t>(sy) * picture.width + sx) * 4;
            uint8_t* to = &atlas.rgba[(static_cast<size_t>(y0 + y) * atlas.width + x0 + x) * 4];
            std::copy(from, from + 4, to);
        }
    }
}

// A disc filling the spot's square, its alpha the share of each texel it
// covers (16 samples a texel).
void drawSpot(int x0, int y0, TextureAtlas& atlas) {
    const int n = TextureAtlas::kSpot;
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
            uint8_t* to = &atlas.rgba[(static_cast<size_t>(y0 + y) * atlas.width + x0 + x) * 4];
            to[0] = to[1] = to[2] = 255;
            to[3] = static_cast<uint8_t>((inside * 255 + 8) / 16);
        }
    }
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
    std::stable_sort(boxes.begin(), boxes.end(),
                     [](const Box& l, const Box& r) { return l.height > r.height; });
    // The white block and the spot first, so that they always fit.
    boxes.insert(boxes.begin(), {{-1, kWhiteSide, kWhiteSide},
                                 {-2, TextureAtlas::kSpot + 2 * b, TextureAtlas::kSpot + 2 * b}});

    // The narrowest power of two that holds the widest picture and keeps the
    // atlas from growing much taller than wide.
    long long area = 0;
    for (const Box& box : boxes)
        area += static_cast<long long>(box.width) * box.height;
    int width = powerOfTwoAtLeast(widest);
    while (width < maxSide && static_cast<long long>(width) * width < area)
        width *= 2;
    width = std::min(width, maxSide);

    // Shelves: left to right, a new shelf below when the row is full.
    struct Spot {
        int x, y;
    };
    std::vector<Spot> at(boxes.size(), Spot{-1, -1});
    int x = 0, y = 0, shelf = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& box = boxes[i];
        if (x + box.width > width) {
            y += shelf;
            x = 0;
            shelf = 0;
        }
        if (y + box.height > maxSide) continue; // full: this one goes without
        at[i] = {x, y};
        x += box.width;
        shelf = std::max(shelf, box.height);
    }
    atlas.width = width;
    atlas.height = y + shelf;
    atlas.rgba.assign(static_cast<size_t>(atlas.width) * atlas.height * 4, 0);

    for (size_t i = 0; i < boxes.size(); ++i) {
        if (at[i].x < 0) continue;
        const Box& box = boxes[i];
        if (box.index == -1) {
            atlas.whiteX = at[i].x;
            atlas.whiteY = at[i].y;
            for (int yy = 0; yy < kWhiteSide; ++yy)
                std::fill_n(&atlas.rgba[(static_cast<size_t>(at[i].y + yy) * width + at[i].x) * 4],
                            kWhiteSide * 4, uint8_t{255});
        } else if (box.index == -2) {
            atlas.spotX = at[i].x + b;
            atlas.spotY = at[i].y + b;
            drawSpot(atlas.spotX, atlas.spotY, atlas);
        } else {
            AtlasPlace& place = atlas.places[box.index];
            place = {true, at[i].x + b, at[i].y + b};
            copyWrapped(pictures[box.index], place.x, place.y, atlas);
        }
    }
}

} // namespace render
