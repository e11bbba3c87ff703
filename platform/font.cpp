// Bitmap fonts rasterised with FreeType from the shipped face (or, without
// it, the face the system matches), sized the way GDI's CreateFont sizes
// a font, into the glyph atlas.
#include "platform/platform.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/file_read.h"
#include "platform/font_match.h"
#include "platform/glyph_atlas.h"

namespace platform {

namespace {

constexpr int firstCode = 32;
constexpr int codeCount = 96;

// Loaded once and kept: every font comes from the same face.
FT_Library library = nullptr;
FT_Face cachedFace = nullptr;
std::string cachedBytes;
std::string cachedFile;
int cachedIndex = 0;
// Font files are a few megabytes at most (a CJK face about twenty).
constexpr size_t kMostFontBytes = size_t{64} << 20;

// The open face when it is this one, else opens it; null when FreeType cannot.
// Read into memory by the game's own file reader, so that a path in any
// script opens on every system.
FT_Face openFace(const std::string& file, int index) {
    if (cachedFace != nullptr && cachedFile == file && cachedIndex == index) return cachedFace;
    std::string bytes;
    if (readFileLimited(file, kMostFontBytes, bytes, nullptr) != ReadStatus::Ok) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                           static_cast<FT_Long>(bytes.size()), index, &face) != 0)
        return nullptr;
    if (cachedFace != nullptr) FT_Done_Face(cachedFace);
    cachedFace = face;
    // FreeType reads the face from these bytes for as long as it is open.
    cachedBytes = std::move(bytes);
    cachedFile = file;
    cachedIndex = index;
    return face;
}

FT_Face loadFace(const char* name) {
    if (library == nullptr && FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        std::fprintf(stderr, "Font: FreeType could not start\n");
        return nullptr;
    }
    // By its full path: the working folder may change between fonts.
    std::error_code ec;
    std::filesystem::path shipped = std::filesystem::absolute(kShippedFontFile, ec);
    if (!ec && std::filesystem::is_regular_file(shipped, ec)) {
        if (FT_Face face = openFace(utf8Path(shipped), 0)) return face;
    }
    std::string file;
    int index = 0;
    if (!matchFontFace(name, file, index)) {
        std::fprintf(stderr, "Font: %s is missing and no face was found for \"%s\"\n",
                     kShippedFontFile, name);
        return nullptr;
    }
    bool opened = cachedFace != nullptr && cachedFile == file && cachedIndex == index;
    FT_Face face = openFace(file, index);
    if (face == nullptr) {
        std::fprintf(stderr, "Font: cannot load \"%s\"\n", file.c_str());
        return nullptr;
    }
    if (!opened)
        std::fprintf(stderr,
                     "Font: %s is missing or unreadable; using \"%s\" from the system's fonts\n",
                     kShippedFontFile, file.c_str());
    return face;
}

// GDI's positive height is the cell (ascent + descent), a negative one the
// em; its width is the average character width. Each axis is scaled on its
// own to meet both.
bool sizeFace(FT_Face face, int height, int width) {
    if (!FT_IS_SCALABLE(face)) return FT_Set_Pixel_Sizes(face, width, std::abs(height)) == 0;
    double em = face->units_per_EM;
    double cell = face->ascender - face->descender;
    double average = face->max_advance_width;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        if (os2->usWinAscent + os2->usWinDescent > 0) cell = os2->usWinAscent + os2->usWinDescent;
        if (!FT_IS_FIXED_WIDTH(face) && os2->xAvgCharWidth > 0) average = os2->xAvgCharWidth;
    }
    if (cell <= 0 || average <= 0) return false;
    double emHeight = height > 0 ? height * em / cell : -height;
    auto toFixed = [](double pixels) { return static_cast<FT_F26Dot6>(pixels * 64.0 + 0.5); };
    // Width 0 keeps the face's own proportions.
    double emWidth = width > 0 ? width * em / average : emHeight;
    return FT_Set_Char_Size(face, toFixed(emWidth), toFixed(emHeight), 72, 72) == 0;
}

// One glyph as FreeType renders it: coverage rows top first.
struct RenderedGlyph {
    int w = 0, h = 0, left = 0, top = 0, advance = 0;
    std::vector<uint8_t> alpha;
};

void renderGlyph(FT_Face ft, int code, int width, RenderedGlyph& out) {
    out = RenderedGlyph{};
    FT_UInt glyph = FT_Get_Char_Index(ft, static_cast<FT_ULong>(code));
    if (FT_Load_Glyph(ft, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_FORCE_AUTOHINT) !=
        0) {
        out.advance = width;
        return;
    }
    FT_GlyphSlot slot = ft->glyph;
    out.advance =
        FT_IS_FIXED_WIDTH(ft) && width > 0 ? width : static_cast<int>((slot->advance.x + 32) >> 6);
    const FT_Bitmap& bmp = slot->bitmap;
    int w = static_cast<int>(bmp.width);
    int rows = static_cast<int>(bmp.rows);
    if (w == 0 || rows == 0 || bmp.pixel_mode != FT_PIXEL_MODE_MONO) return;
    out.w = w;
    out.h = rows;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.alpha.assign(static_cast<size_t>(w) * rows, 0);
    int pitch = std::abs(bmp.pitch);
    for (int r = 0; r < rows; ++r) {
        const unsigned char* src =
            bmp.pitch >= 0 ? bmp.buffer + r * pitch : bmp.buffer + (rows - 1 - r) * pitch;
        for (int c = 0; c < w; ++c)
            if (src[c / 8] & (0x80 >> (c % 8))) out.alpha[static_cast<size_t>(r) * w + c] = 255;
    }
}

} // namespace

bool prepareFontFace(const char* face) {
    return loadFace(face != nullptr ? face : "") != nullptr;
}

int addFontToAtlas(GlyphAtlas& atlas, const char* face, int height, int width) {
    if (face == nullptr) face = "";
    if (!usableFontSize(height, width)) {
        std::fprintf(stderr, "Font: unusable size %i x %i for \"%s\"\n", width, height, face);
        return -1;
    }
    int existing = atlas.find(height, width);
    if (existing >= 0) return existing;
    if (atlas.fontCount >= GlyphAtlas::kMaxFonts) {
        std::fprintf(stderr, "Font: the glyph atlas holds %i fonts already\n", atlas.fontCount);
        return -1;
    }
    FT_Face ft = loadFace(face);
    if (ft == nullptr) return -1;
    if (!sizeFace(ft, height, width)) {
        std::fprintf(stderr, "Font: \"%s\" cannot be sized %i x %i\n", face, width, height);
        return -1;
    }

    std::vector<RenderedGlyph> rendered(GlyphAtlas::kCodes);
    int atlasWidth = atlas.width > 0 ? atlas.width : 512;
    for (int k = 0; k < GlyphAtlas::kCodes; ++k) {
        renderGlyph(ft, GlyphAtlas::kFirstCode + k, width, rendered[k]);
        atlasWidth = std::max(atlasWidth, rendered[k].w);
    }

    // Shelves below what the atlas holds, one empty row and column between boxes.
    AtlasFont font;
    font.height = height;
    font.width = width;
    int x = 0, y = atlas.height > 0 ? atlas.height + 1 : 0, shelf = 0;
    int atlasHeight = atlas.height;
    for (int k = 0; k < GlyphAtlas::kCodes; ++k) {
        const RenderedGlyph& r = rendered[k];
        Glyph& g = font.glyphs[k];
        g.advance = static_cast<int16_t>(r.advance);
        if (r.w == 0) continue;
        if (x > 0 && x + r.w > atlasWidth) {
            x = 0;
            y += shelf + 1;
            shelf = 0;
        }
        shelf = std::max(shelf, r.h);
        atlasHeight = y + shelf;
        if (atlasWidth > kGlyphAtlasMaxSide || atlasHeight > kGlyphAtlasMaxSide) {
            std::fprintf(stderr, "Font: size %i x %i does not fit the glyph atlas\n", width,
                         height);
            return -1;
        }
        g.x = static_cast<int16_t>(x);
        g.y = static_cast<int16_t>(y);
        g.w = static_cast<int16_t>(r.w);
        g.h = static_cast<int16_t>(r.h);
        g.left = static_cast<int16_t>(r.left);
        g.top = static_cast<int16_t>(r.top);
        x += r.w + 1;
    }

    std::vector<uint8_t> alpha(static_cast<size_t>(atlasWidth) * atlasHeight, 0);
    for (int row = 0; row < atlas.height; ++row)
        std::copy_n(atlas.alpha.begin() + static_cast<ptrdiff_t>(row) * atlas.width, atlas.width,
                    alpha.begin() + static_cast<ptrdiff_t>(row) * atlasWidth);
    for (int k = 0; k < GlyphAtlas::kCodes; ++k) {
        const Glyph& g = font.glyphs[k];
        for (int row = 0; row < g.h; ++row)
            std::copy_n(rendered[k].alpha.begin() + static_cast<ptrdiff_t>(row) * g.w, g.w,
                        alpha.begin() + static_cast<ptrdiff_t>(g.y + row) * atlasWidth + g.x);
    }
    atlas.alpha = std::move(alpha);
    atlas.width = atlasWidth;
    atlas.height = atlasHeight;
    atlas.fonts[atlas.fontCount] = font;
    return atlas.fontCount++;
}

} // namespace platform
