#include "render/text.h"

#include <cmath>
#include <vector>

#include "platform/glyph_atlas.h"
#include "platform/platform.h"
#include "render/gl_api.h"

namespace {

constexpr int kFontCount = 2;

platform::GlyphAtlas atlas;
int fontOf[kFontCount] = {-1, -1}; // the atlas's font behind each of ours
GLuint texture = 0;
uint32_t textureContext = 0;
int uploadedW = 0, uploadedH = 0; // the atlas's size when last uploaded

// White texels with the glyphs' coverage as alpha; nearest sampling keeps
// every glyph pixel whole.
void upload() {
    std::vector<uint8_t> rgba(atlas.alpha.size() * 4);
    for (size_t i = 0; i < atlas.alpha.size(); ++i) {
        rgba[i * 4] = rgba[i * 4 + 1] = rgba[i * 4 + 2] = 255;
        rgba[i * 4 + 3] = atlas.alpha[i];
    }
    // A texture of an earlier context went with it.
    if (textureContext != platform::contextSerial()) texture = 0;
    if (texture == 0) glGenTextures(1, &texture);
    textureContext = platform::contextSerial();
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, atlas.width, atlas.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba.data());
    uploadedW = atlas.width;
    uploadedH = atlas.height;
}

} // namespace

void createFont(const char* face, int height, int width, int index) {
    if (index < 0 || index >= kFontCount) return;
    // Without a usable face the font draws nothing.
    fontOf[index] = platform::addFontToAtlas(atlas, face, height, width);
    if (atlas.width <= 0 || atlas.height <= 0) return;
    // Fonts rendered ahead are in the texture already once it was made.
    const bool current = texture != 0 && textureContext == platform::contextSerial();
    if (!current || atlas.width != uploadedW || atlas.height != uploadedH) upload();
}

void prepareFont(const char* face, int height, int width) {
    platform::addFontToAtlas(atlas, face, height, width);
}

namespace render {

uint32_t glyphTexture() {
    return texture;
}

bool fontReady(int index) {
    return index >= 0 && index < kFontCount && fontOf[index] >= 0 && texture != 0;
}

int layoutText(int index, float x, float y, const char* text, uint32_t count, GlyphQuad* out,
               int room) {
    if (!fontReady(index)) return 0;
    const platform::AtlasFont& font = atlas.fonts[fontOf[index]];
    const float w = static_cast<float>(atlas.width);
    const float h = static_cast<float>(atlas.height);
    int made = 0;
    float pen = x;
    for (uint32_t i = 0; i < count; ++i) {
        const int code = static_cast<unsigned char>(text[i]) - platform::GlyphAtlas::kFirstCode;
        if (code < 0 || code >= platform::GlyphAtlas::kCodes) continue;
        const platform::Glyph& g = font.glyphs[code];
        if (g.w > 0 && g.h > 0 && made < room) {
            // A bitmap's lower-left corner lands on the whole pixel below
            // and left of the pen plus its offset.
            const float left = std::floor(pen + g.left);
            const float bottom = std::floor(y + g.top - g.h);
            out[made++] = GlyphQuad{left,    bottom,          left + g.w,      bottom + g.h,
                                    g.x / w, (g.y + g.h) / h, (g.x + g.w) / w, g.y / h};
        }
        pen += g.advance;
    }
    return made;
}

void clearFonts() {
    if (texture != 0 && textureContext == platform::contextSerial()) glDeleteTextures(1, &texture);
    texture = 0;
    atlas = platform::GlyphAtlas{};
    uploadedW = uploadedH = 0;
    fontOf[0] = fontOf[1] = -1;
}

} // namespace render
