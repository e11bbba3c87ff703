// Bitmap fonts as display lists, rasterised with FreeType from the face that
// fontconfig matches, sized the way GDI's CreateFont sizes a font.
#include "platform/platform.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

constexpr int firstCode = 32;
constexpr int codeCount = 96;

// Loaded once and kept: both fonts come from the same face.
FT_Library library = nullptr;
FT_Face cachedFace = nullptr;
std::string cachedName;

// The file of the bold face fontconfig picks for `name`, falling back to
// any monospaced face, like GDI's font mapper.
bool matchFace(const char* name, std::string& file, int& index) {
    if (FcInit() == FcFalse) return false;
    std::string query = std::string(name) + ":bold";
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(query.c_str()));
    if (pattern == nullptr) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;
    FcChar8* path = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (found) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    }
    FcPatternDestroy(match);
    return found;
}

FT_Face loadFace(const char* name) {
    if (cachedFace != nullptr && cachedName == name) return cachedFace;
    if (library == nullptr && FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        std::fprintf(stderr, "Font: FreeType could not start\n");
        return nullptr;
    }
    std::string file;
    int index = 0;
    if (!matchFace(name, file, index)) {
        std::fprintf(stderr, "Font: no face found for \"%s\"\n", name);
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), index, &face) != 0) {
        std::fprintf(stderr, "Font: cannot load \"%s\"\n", file.c_str());
        return nullptr;
    }
    if (cachedFace != nullptr) FT_Done_Face(cachedFace);
    cachedFace = face;
    cachedName = name;
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

// Mesa's list compiler reports GL_OUT_OF_MEMORY for a null bitmap, even an
// empty one, so empty glyphs point here.
const GLubyte noBits[1] = {0};

void emptyLists(unsigned listBase, int advance) {
    for (int k = 0; k < codeCount; ++k) {
        glNewList(listBase + k, GL_COMPILE);
        glBitmap(0, 0, 0, 0, static_cast<GLfloat>(advance), 0, noBits);
        glEndList();
    }
}

} // namespace

bool prepareFontFace(const char* face) {
    return loadFace(face != nullptr ? face : "") != nullptr;
}

bool buildFontLists(const char* face, int height, int width, unsigned listBase) {
    if (face == nullptr) face = "";
    if (height == 0 || width < 0 || height < -1000 || height > 1000 || width > 1000) {
        std::fprintf(stderr, "Font: unusable size %i x %i for \"%s\"\n", width, height, face);
        emptyLists(listBase, 0);
        return false;
    }
    FT_Face ft = loadFace(face);
    if (ft == nullptr || !sizeFace(ft, height, width)) {
        emptyLists(listBase, width);
        return false;
    }
    bool monospaced = FT_IS_FIXED_WIDTH(ft);

    GLint oldAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<GLubyte> bits;
    bool allRendered = true;
    for (int k = 0; k < codeCount; ++k) {
        glNewList(listBase + k, GL_COMPILE);
        FT_UInt glyph = FT_Get_Char_Index(ft, static_cast<FT_ULong>(firstCode + k));
        // The face's own hints break some glyphs at GDI's stretched sizes
        // ('<' and '>' turn into bars); the auto-hinter keeps them.
        if (FT_Load_Glyph(ft, glyph,
                          FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_FORCE_AUTOHINT) != 0) {
            allRendered = false;
            glBitmap(0, 0, 0, 0, static_cast<GLfloat>(width), 0, noBits);
            glEndList();
            continue;
        }
        FT_GlyphSlot slot = ft->glyph;
        // A monospaced face keeps every advance at the asked width, as GDI does.
        GLfloat advance = monospaced && width > 0
                              ? static_cast<GLfloat>(width)
                              : static_cast<GLfloat>((slot->advance.x + 32) >> 6);
        const FT_Bitmap& bmp = slot->bitmap;
        int w = static_cast<int>(bmp.width);
        int rows = static_cast<int>(bmp.rows);
        if (w == 0 || rows == 0 || bmp.pixel_mode != FT_PIXEL_MODE_MONO) {
            glBitmap(0, 0, 0, 0, advance, 0, noBits);
            glEndList();
            continue;
        }
        // OpenGL wants the bottom row first and rows packed to whole bytes.
        int rowBytes = (w + 7) / 8;
        int pitch = std::abs(bmp.pitch);
        bits.assign(static_cast<size_t>(rowBytes) * rows, 0);
        for (int r = 0; r < rows; ++r) {
            const unsigned char* src =
                bmp.pitch >= 0 ? bmp.buffer + r * pitch : bmp.buffer + (rows - 1 - r) * pitch;
            for (int b = 0; b < rowBytes; ++b)
                bits[(rows - 1 - r) * rowBytes + b] = src[b];
        }
        glBitmap(w, rows, static_cast<GLfloat>(-slot->bitmap_left),
                 static_cast<GLfloat>(rows - slot->bitmap_top), advance, 0, bits.data());
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
    return allRendered;
}

} // namespace platform
