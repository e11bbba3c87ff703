// Packs the game's pictures into one large picture, so that a frame draws
// nearly everything from one texture. No GL here: the back end uploads what
// this makes.
//
// Each picture keeps a border of its own opposite edges (two texels wide),
// so that linear filtering at its edges blends exactly what a texture of its
// own with the default repeating wrap blended: nothing bleeds in from a
// neighbour and every picture looks as it did.
#pragma once

#include <cstdint>
#include <vector>

namespace render {

struct AtlasPicture {
    int width = 0;
    int height = 0;
    const uint8_t* rgba = nullptr; // width * height texels, first row first
};

// Where a picture went, in texels (its own area, without the border).
struct AtlasPlace {
    bool placed = false; // false: too large for the atlas; give it a texture of its own
    int x = 0;
    int y = 0;
};

// Where everything goes; the texels themselves go straight from each
// picture to the GPU (no copy of the whole atlas is ever made, which on a
// software driver costs as much as the upload).
struct TextureAtlas {
    static constexpr int kBorder = 2;
    int width = 0;
    int height = 0;
    std::vector<AtlasPlace> places; // one per picture given, in the same order
    // A small block of opaque white, for what is drawn without a picture.
    int whiteX = 0, whiteY = 0;
    // A round spot, white with soft edges in its alpha, for round points.
    int spotX = 0, spotY = 0;
    static constexpr int kSpot = 16;
};

// Packs `pictures` (tallest first, each where its top is lowest; ties in the
// order given, so the layout is the same on every run) into an atlas no
// wider or taller than `maxSide`, of the width that wastes least. Pictures
// that cannot fit are left unplaced.
void packAtlas(const std::vector<AtlasPicture>& pictures, int maxSide, TextureAtlas& atlas);

// The texels of a rectangle of `picture` (x, y may lie outside it: the
// picture repeats), rows first, into `out`: the border strips around a
// picture's place.
void wrappedRect(const AtlasPicture& picture, int x, int y, int width, int height,
                 std::vector<uint8_t>& out);
// The white block (kWhiteSide square) and the round spot (kSpot square in a
// clear border of kBorder, placed kBorder up and left of spotX, spotY).
inline constexpr int kWhiteSide = 4;
void whiteTexels(std::vector<uint8_t>& out);
void spotTexels(std::vector<uint8_t>& out);

} // namespace render
