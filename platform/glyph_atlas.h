// The game's bitmap fonts as one coverage picture and the boxes of their
// glyphs in it: what the text renderer draws textured quads from. Plain C++,
// so a build that bakes the atlas ahead (and ships it as a file) reads it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct Glyph {
    int16_t x = 0, y = 0, w = 0,
            h = 0;       // the glyph's box in the atlas, pixels; row 0 is the top row
    int16_t left = 0;    // pen to the box's left edge (FreeType's bitmap_left)
    int16_t top = 0;     // baseline up to the box's top row (FreeType's bitmap_top)
    int16_t advance = 0; // pen advance in pixels
};

struct AtlasFont {
    int32_t height = 0, width = 0; // the GDI-style size asked for (as createFont takes them)
    Glyph glyphs[96];              // codes 32..127
};

struct GlyphAtlas {
    static constexpr int kMaxFonts = 8, kFirstCode = 32, kCodes = 96;
    int width = 0, height = 0;  // pixels
    std::vector<uint8_t> alpha; // width*height coverage (0 or 255), top row first
    int fontCount = 0;
    AtlasFont fonts[kMaxFonts];
    // The font made for this size, or -1.
    int find(int height, int width) const;
};

// Neither side of an atlas grows beyond this (the file refuses more, too).
constexpr int kGlyphAtlasMaxSide = 4096;

// A font size the atlas takes: GDI's height (cell when positive, em when
// negative, never 0) and average width (0 keeps the face's proportions).
bool usableFontSize(int height, int width);

// Empty when the atlas holds together: alpha matches the size and is 0 or
// 255, every box lies inside, every font has a usable size of its own.
std::string glyphAtlasProblem(const GlyphAtlas& atlas);

// The file: "QGLA", version, sizes, the fonts' boxes, then the coverage as
// one bit a pixel, rows top first. Little-endian throughout.
std::vector<uint8_t> encodeGlyphAtlas(const GlyphAtlas& atlas);
// Fills `atlas` only when the bytes are a whole, valid atlas; otherwise says why.
bool decodeGlyphAtlas(const uint8_t* data, size_t size, GlyphAtlas& atlas, std::string& problem);

bool writeGlyphAtlas(const char* path, const GlyphAtlas& atlas, std::string& problem);
bool readGlyphAtlas(const char* path, GlyphAtlas& atlas, std::string& problem);

} // namespace platform
