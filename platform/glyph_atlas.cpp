#include "platform/glyph_atlas.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/file_read.h"

namespace platform {

namespace {

constexpr uint8_t kMagic[4] = {'Q', 'G', 'L', 'A'};
constexpr int kVersion = 1;
constexpr size_t kHeaderBytes = 12;
constexpr size_t kGlyphBytes = 7 * 2;
constexpr size_t kFontBytes = 8 + GlyphAtlas::kCodes * kGlyphBytes;
constexpr size_t kMaxFileBytes = kHeaderBytes + GlyphAtlas::kMaxFonts * kFontBytes +
                                 size_t(kGlyphAtlasMaxSide) * (kGlyphAtlasMaxSide / 8);

size_t rowBytes(int width) {
    return (static_cast<size_t>(width) + 7) / 8;
}

void put16(std::vector<uint8_t>& out, int value) {
    auto v = static_cast<uint16_t>(value);
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>((v >> shift) & 0xFF));
}

uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int32_t get32(const uint8_t* p) {
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
    return static_cast<int32_t>(v);
}

std::string glyphProblem(const GlyphAtlas& atlas, const Glyph& g) {
    if (g.w < 0 || g.h < 0) return "has a negative size";
    if (g.x < 0 || g.y < 0 || g.x + g.w > atlas.width || g.y + g.h > atlas.height)
        return "lies outside the " + std::to_string(atlas.width) + " x " +
               std::to_string(atlas.height) + " atlas";
    return {};
}

} // namespace

int GlyphAtlas::find(int height, int width) const {
    for (int i = 0; i < fontCount && i < kMaxFonts; ++i)
        if (fonts[i].height == height && fonts[i].width == width) return i;
    return -1;
}

bool usableFontSize(int height, int width) {
    return height != 0 && height >= -1000 && height <= 1000 && width >= 0 && width <= 1000;
}

std::string glyphAtlasProblem(const GlyphAtlas& atlas) {
    if (atlas.width < 0 || atlas.height < 0 || atlas.width > kGlyphAtlasMaxSide ||
        atlas.height > kGlyphAtlasMaxSide)
        return "the atlas size " + std::to_string(atlas.width) + " x " +
               std::to_string(atlas.height) + " is outside 0 to " +
               std::to_string(kGlyphAtlasMaxSide);
    if (atlas.alpha.size() != static_cast<size_t>(atlas.width) * atlas.height)
        return "the coverage does not match the atlas size";
    for (uint8_t a : atlas.alpha)
        if (a != 0 && a != 255) return "coverage other than 0 or 255";
    if (atlas.fontCount < 0 || atlas.fontCount > GlyphAtlas::kMaxFonts)
        return std::to_string(atlas.fontCount) + " fonts (at most " +
               std::to_string(GlyphAtlas::kMaxFonts) + ")";
    for (int f = 0; f < atlas.fontCount; ++f) {
        const AtlasFont& font = atlas.fonts[f];
        std::string name = "font " + std::to_string(f) + " (" + std::to_string(font.height) +
                           " / " + std::to_string(font.width) + ")";
        if (!usableFontSize(font.height, font.width)) return name + " has an unusable size";
        if (atlas.find(font.height, font.width) != f) return name + " repeats an earlier size";
        for (int k = 0; k < GlyphAtlas::kCodes; ++k) {
            std::string why = glyphProblem(atlas, font.glyphs[k]);
            if (!why.empty())
                return name + ": the glyph of code " + std::to_string(GlyphAtlas::kFirstCode + k) +
                       " " + why;
        }
    }
    return {};
}

std::vector<uint8_t> encodeGlyphAtlas(const GlyphAtlas& atlas) {
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    put16(out, kVersion);
    put16(out, atlas.fontCount);
    put16(out, atlas.width);
    put16(out, atlas.height);
    for (int f = 0; f < atlas.fontCount; ++f) {
        const AtlasFont& font = atlas.fonts[f];
        put32(out, font.height);
        put32(out, font.width);
        for (const Glyph& g : font.glyphs)
            for (int v : {g.x, g.y, g.w, g.h, g.left, g.top, g.advance})
                put16(out, v);
    }
    size_t stride = rowBytes(atlas.width);
    size_t bits = out.size();
    out.resize(bits + stride * atlas.height, 0);
    for (int y = 0; y < atlas.height; ++y)
        for (int x = 0; x < atlas.width; ++x)
            if (atlas.alpha[static_cast<size_t>(y) * atlas.width + x] != 0)
                out[bits + y * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return out;
}

bool decodeGlyphAtlas(const uint8_t* data, size_t size, GlyphAtlas& atlas, std::string& problem) {
    if (size < kHeaderBytes) {
        problem = "cut short: " + std::to_string(size) + " bytes, not even a header";
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (data[i] != kMagic[i]) {
            problem = "not a glyph atlas (it does not start with QGLA)";
            return false;
        }
    }
    int version = get16(data + 4);
    if (version != kVersion) {
        problem = "version " + std::to_string(version) + " is not one this game reads (" +
                  std::to_string(kVersion) + ")";
        return false;
    }
    GlyphAtlas made;
    made.fontCount = get16(data + 6);
    made.width = get16(data + 8);
    made.height = get16(data + 10);
    if (made.fontCount > GlyphAtlas::kMaxFonts) {
        problem = std::to_string(made.fontCount) + " fonts (at most " +
                  std::to_string(GlyphAtlas::kMaxFonts) + ")";
        return false;
    }
    if (made.width > kGlyphAtlasMaxSide || made.height > kGlyphAtlasMaxSide) {
        problem = "the atlas size " + std::to_string(made.width) + " x " +
                  std::to_string(made.height) + " is over " + std::to_string(kGlyphAtlasMaxSide);
        return false;
    }
    size_t stride = rowBytes(made.width);
    size_t expected = kHeaderBytes + made.fontCount * kFontBytes + stride * made.height;
    if (size != expected) {
        problem = (size < expected ? "cut short: " : "too long: ") + std::to_string(size) +
                  " bytes where the header promises " + std::to_string(expected);
        return false;
    }
    const uint8_t* p = data + kHeaderBytes;
    for (int f = 0; f < made.fontCount; ++f) {
        AtlasFont& font = made.fonts[f];
        font.height = get32(p);
        font.width = get32(p + 4);
        p += 8;
        for (Glyph& g : font.glyphs) {
            int16_t* fields[] = {&g.x, &g.y, &g.w, &g.h, &g.left, &g.top, &g.advance};
            for (int16_t* field : fields) {
                *field = static_cast<int16_t>(get16(p));
                p += 2;
            }
        }
    }
    made.alpha.assign(static_cast<size_t>(made.width) * made.height, 0);
    // Bits past a row's end are zero, so each atlas has exactly one file.
    uint8_t past = made.width % 8 ? static_cast<uint8_t>(0xFF >> (made.width % 8)) : 0;
    for (int y = 0; y < made.height; ++y) {
        const uint8_t* row = p + y * stride;
        if (past && (row[stride - 1] & past)) {
            problem = "ink past the end of row " + std::to_string(y);
            return false;
        }
        for (int x = 0; x < made.width; ++x)
            if (row[x / 8] & (0x80 >> (x % 8)))
                made.alpha[static_cast<size_t>(y) * made.width + x] = 255;
    }
    std::string why = glyphAtlasProblem(made);
    if (!why.empty()) {
        problem = why;
        return false;
    }
    atlas = std::move(made);
    return true;
}

bool writeGlyphAtlas(const char* path, const GlyphAtlas& atlas, std::string& problem) {
    std::string why = glyphAtlasProblem(atlas);
    if (!why.empty()) {
        problem = "not written: " + why;
        return false;
    }
    std::vector<uint8_t> bytes = encodeGlyphAtlas(atlas);
    // Written aside and renamed, so a reader never meets half a file.
    std::string temp = std::string(path) + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            problem = "cannot write " + temp;
            std::remove(temp.c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        problem = "cannot rename " + temp + " to " + path + ": " + ec.message();
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool readGlyphAtlas(const char* path, GlyphAtlas& atlas, std::string& problem) {
    std::string bytes, why;
    switch (readFileLimited(path, kMaxFileBytes, bytes, &why)) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::Missing:
        problem = std::string(path) + " is missing";
        return false;
    case ReadStatus::TooBig:
        problem = std::string(path) + " is larger than any glyph atlas";
        return false;
    case ReadStatus::Unreadable:
        problem = why.empty() ? std::string(path) + " cannot be read" : why;
        return false;
    }
    if (!decodeGlyphAtlas(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), atlas,
                          why)) {
        problem = std::string(path) + ": " + why;
        return false;
    }
    return true;
}

} // namespace platform
