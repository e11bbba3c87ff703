// The glyph atlas: the fonts rendered into it, the same bits the display
// lists draw, its file refusing what it did not write, the baking tool, and
// the fontconfig fallback when the shipped face is missing.
#include <GLES3/gl3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "draw/draw_list.h"
#include "platform/glyph_atlas.h"
#include "platform/platform.h"
#include "render/gl_backend.h"
#include "render/text.h"

namespace fs = std::filesystem;
using platform::GlyphAtlas;

namespace {

const char* const kFace = "Courier new";
// Both fonts of each screen size, in the order the game makes them.
const int kScreenSizes[] = {8, 18, 12, 23, 15, 30};
// In the file: the header, the first font's size, then seven numbers a glyph.
constexpr size_t kFontBytes = 8 + 96 * 14;
constexpr size_t kGlyphA = 12 + 8 + ('A' - 32) * 14;

std::string scratchDir(const char* what) {
    fs::path dir = fs::temp_directory_path() /
                   ("quorvex-glyphs-" + std::string(what) + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

bool sameAtlas(const GlyphAtlas& a, const GlyphAtlas& b) {
    if (a.width != b.width || a.height != b.height || a.alpha != b.alpha ||
        a.fontCount != b.fontCount)
        return false;
    for (int f = 0; f < a.fontCount; ++f) {
        if (a.fonts[f].height != b.fonts[f].height || a.fonts[f].width != b.fonts[f].width)
            return false;
        for (int k = 0; k < GlyphAtlas::kCodes; ++k) {
            const platform::Glyph &x = a.fonts[f].glyphs[k], &y = b.fonts[f].glyphs[k];
            if (x.x != y.x || x.y != y.y || x.w != y.w || x.h != y.h || x.left != y.left ||
                x.top != y.top || x.advance != y.advance)
                return false;
        }
    }
    return true;
}

bool inkIn(const GlyphAtlas& atlas, const platform::Glyph& g) {
    for (int r = 0; r < g.h; ++r)
        for (int c = 0; c < g.w; ++c)
            if (atlas.alpha[static_cast<size_t>(g.y + r) * atlas.width + g.x + c]) return true;
    return false;
}

// Runs with the data folder as the working folder, as the game does.
class GlyphAtlasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        oldDir = buffer;
        ASSERT_EQ(chdir(QUORVEX_DATA_DIR), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(oldDir.c_str()), 0);
        for (const std::string& dir : scratch)
            fs::remove_all(dir);
    }
    std::string scratchFor(const char* what) {
        scratch.push_back(scratchDir(what));
        return scratch.back();
    }
    static GlyphAtlas screenFonts() {
        GlyphAtlas atlas;
        for (int size : kScreenSizes)
            EXPECT_GE(platform::addFontToAtlas(atlas, kFace, size, size), 0) << size;
        return atlas;
    }

    std::string oldDir;
    std::vector<std::string> scratch;
};

TEST_F(GlyphAtlasTest, TheScreenFontsGetSeparateInkedBoxesInsideTheAtlas) {
    GlyphAtlas atlas = screenFonts();
    ASSERT_EQ(atlas.fontCount, 6);
    EXPECT_EQ(atlas.width, 512);
    EXPECT_EQ(platform::glyphAtlasProblem(atlas), "");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(atlas.find(kScreenSizes[i], kScreenSizes[i]), i);
    EXPECT_EQ(atlas.find(15, 0), -1);

    std::vector<platform::Glyph> boxes;
    for (int f = 0; f < atlas.fontCount; ++f) {
        const platform::AtlasFont& font = atlas.fonts[f];
        for (int k = 0; k < GlyphAtlas::kCodes; ++k) {
            const platform::Glyph& g = font.glyphs[k];
            int code = GlyphAtlas::kFirstCode + k;
            SCOPED_TRACE("size " + std::to_string(font.height) + ", code " + std::to_string(code));
            // A monospaced face advances by the asked width, as the display lists do.
            EXPECT_EQ(g.advance, font.width);
            if (code > 32 && code < 127) {
                EXPECT_TRUE(inkIn(atlas, g));
                EXPECT_LE(g.h, 2 * font.height);
            }
            if (g.w > 0 && g.h > 0) boxes.push_back(g);
        }
        // 'A' stands on the baseline, 'g' reaches below it.
        EXPECT_EQ(font.glyphs['A' - 32].top, font.glyphs['A' - 32].h);
        EXPECT_GT(font.glyphs['g' - 32].h, font.glyphs['g' - 32].top);
    }
    // Boxes keep an empty pixel between them, and there is no ink outside them.
    std::vector<uint8_t> covered(atlas.alpha.size(), 0);
    for (size_t i = 0; i < boxes.size(); ++i) {
        const platform::Glyph& a = boxes[i];
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const platform::Glyph& b = boxes[j];
            bool apart = a.x + a.w < b.x || b.x + b.w < a.x || a.y + a.h < b.y || b.y + b.h < a.y;
            EXPECT_TRUE(apart) << "boxes at " << a.x << "," << a.y << " and " << b.x << "," << b.y;
        }
        for (int r = 0; r < a.h; ++r)
            for (int c = 0; c < a.w; ++c)
                covered[static_cast<size_t>(a.y + r) * atlas.width + a.x + c] = 1;
    }
    for (size_t p = 0; p < atlas.alpha.size(); ++p)
        if (atlas.alpha[p] && !covered[p]) ADD_FAILURE() << "ink outside every box at " << p;
}

TEST_F(GlyphAtlasTest, SizesAreReusedRefusedOrGrowTheAtlas) {
    GlyphAtlas atlas = screenFonts();
    GlyphAtlas before = atlas;
    // Known sizes come back as they are; bad ones change nothing.
    const struct {
        int height, width, index;
    } cases[] = {
        {15, 15, 4},
        {8, 8, 0},
        {0, 0, -1},
        {0, 10, -1},
        {-1001, 0, -1},
        {1001, 10, -1},
        {12, -1, -1},
        {12, 1001, -1},
        // Far too large for the atlas's side.
        {1000, 1000, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::addFontToAtlas(atlas, kFace, c.height, c.width), c.index)
            << c.height << " / " << c.width;
        EXPECT_TRUE(sameAtlas(atlas, before)) << c.height << " / " << c.width;
    }
    // A negative height asks for the em, not the cell: a font of its own.
    EXPECT_EQ(platform::addFontToAtlas(atlas, kFace, -15, 15), 6);
    // Glyphs wider than the atlas widen it and keep the earlier boxes' pixels.
    EXPECT_EQ(platform::addFontToAtlas(atlas, kFace, 30, 600), 7);
    EXPECT_GT(atlas.width, 512);
    EXPECT_EQ(platform::glyphAtlasProblem(atlas), "");
    for (int row = 0; row < before.height; ++row)
        for (int x = 0; x < atlas.width; ++x)
            ASSERT_EQ(atlas.alpha[static_cast<size_t>(row) * atlas.width + x],
                      x < before.width ? before.alpha[static_cast<size_t>(row) * before.width + x]
                                       : 0)
                << row << "," << x;
    // Eight fonts fill it.
    GlyphAtlas full = atlas;
    EXPECT_EQ(platform::addFontToAtlas(atlas, kFace, 10, 10), -1);
    EXPECT_TRUE(sameAtlas(atlas, full));
}

// Each glyph drawn by the back end lands where a bitmap at the same pen
// position did (its box's lower-left corner at pen + (left, top - h)), with
// exactly the atlas's bits.
TEST_F(GlyphAtlasTest, TheBackEndDrawsEachGlyphsBitsWhereABitmapWent) {
    if (!platform::createWindow("Quorvex Game", 1024, 768)) GTEST_SKIP() << "no display";
    ASSERT_TRUE(render::prepareContext());
    GlyphAtlas atlas = screenFonts();
    glClearColor(0, 0, 0, 1);
    for (int f = 0; f < atlas.fontCount; ++f) {
        const platform::AtlasFont& font = atlas.fonts[f];
        SCOPED_TRACE("size " + std::to_string(font.height));
        createFont(kFace, font.height, font.width, 0);
        ASSERT_TRUE(render::fontReady(0));
        // Each glyph at its own pen position on a 16 x 6 grid (whole pixels,
        // exact in list units); the picture the atlas predicts beside it,
        // rows bottom first like GL's.
        glClear(GL_COLOR_BUFFER_BIT);
        draw::clear();
        std::vector<uint8_t> want(1024 * 768, 0);
        for (int k = 0; k < GlyphAtlas::kCodes; ++k) {
            int penX = 16 + (k % 16) * 63, penY = 696 - (k / 16) * 120;
            draw::text(0, penX / 512.0f - 1.0f, penY / 384.0f - 1.0f, kWhite, "%c",
                       static_cast<char>(GlyphAtlas::kFirstCode + k));
            const platform::Glyph& g = font.glyphs[k];
            for (int r = 0; r < g.h; ++r)
                for (int c = 0; c < g.w; ++c)
                    if (atlas.alpha[static_cast<size_t>(g.y + r) * atlas.width + g.x + c])
                        want[static_cast<size_t>(penY + g.top - 1 - r) * 1024 + penX + g.left + c] =
                            255;
        }
        render::submitDrawList(drawList);
        std::vector<uint8_t> got(1024 * 768 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
        int differ = 0;
        for (size_t p = 0; p < want.size(); ++p)
            differ += (got[p * 4] != 0) != (want[p] != 0);
        EXPECT_EQ(differ, 0);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    platform::destroyWindow();
}

TEST_F(GlyphAtlasTest, FilesReadBackTheAtlasAndRefuseAnythingElse) {
    GlyphAtlas atlas = screenFonts();
    std::string dir = scratchFor("file");
    std::string path = dir + "/fonts.qga";
    std::string problem;
    ASSERT_TRUE(platform::writeGlyphAtlas(path.c_str(), atlas, problem)) << problem;
    GlyphAtlas read;
    ASSERT_TRUE(platform::readGlyphAtlas(path.c_str(), read, problem)) << problem;
    EXPECT_TRUE(sameAtlas(read, atlas));
    EXPECT_FALSE(fs::exists(path + ".part"));

    const std::vector<uint8_t> good = platform::encodeGlyphAtlas(atlas);
    auto set16 = [](std::vector<uint8_t>& b, size_t at, int v) {
        b[at] = static_cast<uint8_t>(v & 0xFF);
        b[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    };
    const struct {
        const char* name;
        void (*edit)(std::vector<uint8_t>&, decltype(set16)&);
        const char* says;
    } cases[] = {
        {"empty", [](auto& b, auto&) { b.clear(); }, "cut short"},
        {"half a header", [](auto& b, auto&) { b.resize(7); }, "cut short"},
        {"cut in the fonts", [](auto& b, auto&) { b.resize(500); }, "cut short"},
        {"one byte short", [](auto& b, auto&) { b.pop_back(); }, "cut short"},
        {"a byte more", [](auto& b, auto&) { b.push_back(0); }, "too long"},
        {"other magic", [](auto& b, auto&) { b[0] = 'B'; }, "not a glyph atlas"},
        {"later version", [](auto& b, auto& s) { s(b, 4, 2); }, "version 2"},
        {"nine fonts", [](auto& b, auto& s) { s(b, 6, 9); }, "9 fonts"},
        {"too wide", [](auto& b, auto& s) { s(b, 8, 5000); }, "over 4096"},
        {"box past the right edge", [](auto& b, auto& s) { s(b, kGlyphA, 510); }, "outside"},
        {"box below the bottom", [](auto& b, auto& s) { s(b, kGlyphA + 2, 0x7FFF); }, "outside"},
        {"box left of the atlas", [](auto& b, auto& s) { s(b, kGlyphA, -3); }, "outside"},
        {"negative width", [](auto& b, auto& s) { s(b, kGlyphA + 4, -1); }, "negative"},
        {"size 0", [](auto& b, auto&) { b[12] = b[13] = b[14] = b[15] = 0; }, "unusable size"},
        {"size repeated",
         [](auto& b, auto&) {
             b[12 + kFontBytes] = 8;
             b[12 + kFontBytes + 4] = 8;
         },
         "repeats"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = good;
        c.edit(bytes, set16);
        GlyphAtlas kept = atlas;
        problem.clear();
        EXPECT_FALSE(platform::decodeGlyphAtlas(bytes.data(), bytes.size(), kept, problem));
        EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
        EXPECT_TRUE(sameAtlas(kept, atlas));
        // Through a file as well, naming it.
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        EXPECT_FALSE(platform::readGlyphAtlas(path.c_str(), kept, problem));
        EXPECT_NE(problem.find(path), std::string::npos) << problem;
        EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    }

    // Rows of a width that is no whole number of bytes: the bits past the
    // end are zero, and the pixels read back where they were.
    GlyphAtlas odd;
    odd.width = 10;
    odd.height = 2;
    odd.alpha.assign(20, 0);
    odd.alpha[9] = odd.alpha[10] = 255;
    std::vector<uint8_t> bytes = platform::encodeGlyphAtlas(odd);
    ASSERT_EQ(bytes.size(), 12u + 2 * 2);
    GlyphAtlas oddRead;
    EXPECT_TRUE(platform::decodeGlyphAtlas(bytes.data(), bytes.size(), oddRead, problem));
    EXPECT_TRUE(sameAtlas(oddRead, odd));
    bytes[13] |= 0x20;
    EXPECT_FALSE(platform::decodeGlyphAtlas(bytes.data(), bytes.size(), oddRead, problem));
    EXPECT_NE(problem.find("past the end of row 0"), std::string::npos) << problem;

    // Files that are no atlas at all, by size or kind.
    fs::resize_file(path, 3u << 20);
    const struct {
        std::string path, says;
    } files[] = {{path, "larger than"}, {dir + "/none.qga", "missing"}, {dir, "not a plain file"}};
    for (const auto& f : files) {
        EXPECT_FALSE(platform::readGlyphAtlas(f.path.c_str(), read, problem)) << f.path;
        EXPECT_NE(problem.find(f.says), std::string::npos) << problem;
    }

    // Atlases that do not hold together are not written.
    GlyphAtlas shortAlpha = atlas, greyAlpha = atlas, boxOut = atlas;
    shortAlpha.alpha.pop_back();
    greyAlpha.alpha[5] = 7;
    boxOut.fonts[2].glyphs[40].x = static_cast<int16_t>(atlas.width);
    const struct {
        const GlyphAtlas* atlas;
        std::string path, says;
    } writes[] = {{&shortAlpha, path, "does not match"},
                  {&greyAlpha, path, "0 or 255"},
                  {&boxOut, path, "outside"},
                  {&atlas, dir + "/no/such/folder.qga", "cannot write"}};
    for (const auto& w : writes) {
        EXPECT_FALSE(platform::writeGlyphAtlas(w.path.c_str(), *w.atlas, problem)) << w.says;
        EXPECT_NE(problem.find(w.says), std::string::npos) << problem;
    }
}

TEST_F(GlyphAtlasTest, TheBakingToolWritesTheScreenFonts) {
#ifndef QUORVEX_GLYPHBAKE
    GTEST_SKIP() << "the glyph baking tool is not part of this build";
#else
    std::string dir = scratchFor("bake");
    std::string out = dir + "/fonts.qga";
    // From elsewhere: the tool finds the data folder itself.
    ASSERT_EQ(chdir(dir.c_str()), 0);
    std::string cmd = std::string("\"") + QUORVEX_GLYPHBAKE + "\" fonts.qga > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    ASSERT_EQ(chdir(QUORVEX_DATA_DIR), 0);
    GlyphAtlas baked;
    std::string problem;
    ASSERT_TRUE(platform::readGlyphAtlas(out.c_str(), baked, problem)) << problem;
    EXPECT_TRUE(sameAtlas(baked, screenFonts()));

    // Without the face in the data folder it bakes nothing.
    std::string empty = scratchFor("bake-empty");
    cmd = std::string("\"") + QUORVEX_GLYPHBAKE + "\" --data \"" + empty + "\" \"" + dir +
          "/other.qga\" 2> /dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_FALSE(fs::exists(dir + "/other.qga"));
#endif
}

TEST_F(GlyphAtlasTest, WithoutTheShippedFaceFontconfigsMatchStandsIn) {
    const struct {
        const char* name;
        const char* contents; // null: no face file at all
    } cases[] = {{"missing", nullptr}, {"empty", ""}, {"garbage", "not a font, not at all"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The shipped face first, quietly, so the fallback opens a face anew.
        GlyphAtlas shipped;
        testing::internal::CaptureStderr();
        EXPECT_EQ(platform::addFontToAtlas(shipped, kFace, 15, 15), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

        std::string dir = scratchFor(c.name);
        if (c.contents != nullptr) {
            fs::create_directories(dir + "/Fonts");
            std::ofstream(dir + "/" + platform::kShippedFontFile) << c.contents;
        }
        ASSERT_EQ(chdir(dir.c_str()), 0);
        GlyphAtlas atlas;
        testing::internal::CaptureStderr();
        int index = platform::addFontToAtlas(atlas, kFace, 15, 15);
        std::string said = testing::internal::GetCapturedStderr();
        ASSERT_EQ(chdir(QUORVEX_DATA_DIR), 0);
        ASSERT_EQ(index, 0) << said;
        EXPECT_EQ(platform::glyphAtlasProblem(atlas), "");
        EXPECT_TRUE(inkIn(atlas, atlas.fonts[0].glyphs['A' - 32]));
        EXPECT_EQ(atlas.fonts[0].glyphs['A' - 32].advance, 15);
        // One line says so.
        EXPECT_NE(said.find("from the system's fonts"), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

} // namespace
