// The game's two fonts (0 small, 1 large) as glyphs in one texture: the
// platform renders them into a glyph atlas, this uploads it and lays text
// out as one quad a character, at whole pixels, as bitmaps were placed.
#pragma once

#include <cstdint>

void createFont(const char* face, int height, int width, int index);
// Renders a font's glyphs into the atlas for a later createFont of the same
// size, without GL: it may run on another thread while nothing else here
// runs.
void prepareFont(const char* face, int height, int width);

namespace render {

// A character's quad: window pixels (origin bottom-left) and the part of
// the glyph texture it shows.
struct GlyphQuad {
    float x0, y0, x1, y1;
    float u0, v0, u1, v1;
};

// The glyph texture, 0 before any font was made.
uint32_t glyphTexture();
// True once font `index` has glyphs.
bool fontReady(int index);
// Quads for `count` characters of `text` in font `index`, the first
// baseline starting at window pixel (x, y); characters with no ink give
// none. At most `room` quads; returns how many were written.
int layoutText(int index, float x, float y, const char* text, uint32_t count, GlyphQuad* out,
               int room);
// Deletes the glyph texture (tests that start the game more than once).
void clearFonts();

} // namespace render
