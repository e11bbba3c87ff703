// The texture atlas's packing: every picture apart from the others,
// framed by its own opposite edges (so linear filtering at an edge blends
// what a repeating texture of its own blended), and pictures too large for
// the atlas left to a texture of their own.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/texture_atlas.h"

namespace {

using render::AtlasPicture;
using render::TextureAtlas;

// A picture whose every texel says which picture and where it is.
std::vector<uint8_t> pattern(int id, int width, int height) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* t = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            t[0] = static_cast<uint8_t>(id);
            t[1] = static_cast<uint8_t>(x);
            t[2] = static_cast<uint8_t>(y);
            t[3] = 255;
        }
    return rgba;
}

} // namespace

TEST(TextureAtlas, PicturesArePlacedWholeApartAndFramedByTheirOppositeEdges) {
    const struct {
        const char* name;
        std::vector<std::pair<int, int>> sizes;
        int maxSide;
        std::vector<bool> placed;
    } cases[] = {
        {"the game's shapes",
         {{64, 64}, {200, 16}, {128, 128}, {1, 1}, {33, 7}},
         1024,
         {true, true, true, true, true}},
        {"one wider than the atlas", {{64, 64}, {300, 8}, {16, 16}}, 256, {true, false, true}},
        {"one taller than the atlas", {{8, 300}, {16, 16}}, 256, {false, true}},
        {"more than fits",
         {{100, 100}, {100, 100}, {100, 100}, {100, 100}, {100, 100}},
         256,
         {true, true, true, true, false}},
        {"empty and missing pictures", {{0, 5}, {5, 0}, {4, 4}}, 64, {false, false, true}},
    };
    const int b = TextureAtlas::kBorder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<uint8_t>> texels;
        std::vector<AtlasPicture> pictures;
        for (size_t i = 0; i < c.sizes.size(); ++i)
            texels.push_back(pattern(static_cast<int>(i) + 1, c.sizes[i].first, c.sizes[i].second));
        for (size_t i = 0; i < c.sizes.size(); ++i)
            pictures.push_back(
                {c.sizes[i].first, c.sizes[i].second,
                 c.sizes[i].first > 0 && c.sizes[i].second > 0 ? texels[i].data() : nullptr});
        TextureAtlas atlas;
        render::packAtlas(pictures, c.maxSide, atlas);
        ASSERT_LE(atlas.width, c.maxSide);
        ASSERT_LE(atlas.height, c.maxSide);
        ASSERT_EQ(atlas.places.size(), pictures.size());

        // Which picture owns each texel, border included: never two.
        std::vector<int> owner(static_cast<size_t>(atlas.width) * atlas.height, 0);
        auto claim = [&](int x0, int y0, int w, int h, int who) {
            ASSERT_GE(x0, 0);
            ASSERT_GE(y0, 0);
            ASSERT_LE(x0 + w, atlas.width);
            ASSERT_LE(y0 + h, atlas.height);
            for (int y = y0; y < y0 + h; ++y)
                for (int x = x0; x < x0 + w; ++x) {
                    int& o = owner[static_cast<size_t>(y) * atlas.width + x];
                    ASSERT_EQ(o, 0) << who << " overlaps " << o;
                    o = who;
                }
        };
        for (size_t i = 0; i < pictures.size(); ++i) {
            EXPECT_EQ(atlas.places[i].placed, c.placed[i]) << "picture " << i;
            if (!atlas.places[i].placed) continue;
            claim(atlas.places[i].x - b, atlas.places[i].y - b, pictures[i].width + 2 * b,
                  pictures[i].height + 2 * b, static_cast<int>(i) + 1);
            // The border strips repeat the picture: the texel the repeating
            // wrap would sample there.
            const AtlasPicture& p = pictures[i];
            std::vector<uint8_t> strip;
            render::wrappedRect(p, -b, -b, p.width + 2 * b, p.height + 2 * b, strip);
            for (int y = -b; y < p.height + b; ++y)
                for (int x = -b; x < p.width + b; ++x) {
                    const uint8_t* t =
                        &strip[(static_cast<size_t>(y + b) * (p.width + 2 * b) + x + b) * 4];
                    ASSERT_EQ(t[0], i + 1);
                    ASSERT_EQ(t[1], static_cast<uint8_t>((x + p.width) % p.width)) << x << "," << y;
                    ASSERT_EQ(t[2], static_cast<uint8_t>((y + p.height) % p.height))
                        << x << "," << y;
                }
        }
        // The white block and the round spot have places of their own.
        claim(atlas.whiteX, atlas.whiteY, render::kWhiteSide, render::kWhiteSide, -1);
        claim(atlas.spotX - b, atlas.spotY - b, TextureAtlas::kSpot + 2 * b,
              TextureAtlas::kSpot + 2 * b, -2);
    }
    std::vector<uint8_t> spot;
    render::spotTexels(spot);
    const int side = TextureAtlas::kSpot + 2 * b, middle = side / 2;
    EXPECT_EQ(spot[(static_cast<size_t>(middle) * side + middle) * 4 + 3], 255);
    EXPECT_EQ(spot[(static_cast<size_t>(b) * side + b) * 4 + 3], 0);
    EXPECT_EQ(spot[3], 0);
}

TEST(TextureAtlas, TheSamePicturesGiveTheSameAtlas) {
    std::vector<uint8_t> a = pattern(1, 40, 30), b = pattern(2, 40, 30), c = pattern(3, 10, 50);
    std::vector<AtlasPicture> pictures = {
        {40, 30, a.data()}, {40, 30, b.data()}, {10, 50, c.data()}};
    TextureAtlas first, second;
    render::packAtlas(pictures, 512, first);
    render::packAtlas(pictures, 512, second);
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(first.places[i].x, second.places[i].x);
        EXPECT_EQ(first.places[i].y, second.places[i].y);
    }
    // Ties in height keep the order given.
    EXPECT_LT(first.places[0].x + first.places[0].y * 1000,
              first.places[1].x + first.places[1].y * 1000);
}
