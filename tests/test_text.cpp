// Text from the glyph atlas, drawn in the real game's GL context and read back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/frame.h"
#include "draw/draw_list.h"
#include "harness.h"
#include "platform/platform.h"
#include "render/gl_backend.h"
#include "render/text.h"

namespace {

void (*captureFrame)() = nullptr;
uint32_t emptyTextQuads = 1;

// Drawn at the end of a frame, over everything, just before the read-back.
void drawTestTexts() {
    constexpr Colour kBlack{0.0f, 0.0f, 0.0f, 1.0f};
    constexpr Colour kRed{1.0f, 0.0f, 0.0f, 1.0f};
    draw::clear();
    draw::rect(-0.6f, -0.3f, 0.6f, 0.3f, kBlack, kNoTexture, false);
    draw::rect(-1.0f, -0.6f, -0.5f, -0.4f, kBlack, kNoTexture, false);
    draw::text(1, -0.25f, 0.0f, kRed, "Game Over");
    // Starts left of the window: nothing of it may show.
    draw::text(1, -1.2f, -0.5f, kRed, "Game Over");
    // The same word, once wrapped in codes the font has no lists for.
    draw::text(1, -0.5f, -0.2f, kRed, "Game");
    draw::text(1, 0.0f, -0.2f, kRed, "%cGame\x80\xff%c", 1, 31);
    // No such fonts.
    draw::text(2, 0.3f, 0.2f, kRed, "Game Over");
    draw::text(-1, 0.3f, 0.2f, kRed, "Game Over");
    // Far longer than the buffer; it is cut, not overrun.
    std::string tooLong(400, 'W');
    draw::text(0, 0.65f, -0.8f, kRed, "%s%s", tooLong.c_str(), tooLong.c_str());
    render::submitDrawList(drawList);

    draw::clear();
    const char* empty = "";
    draw::text(1, 0.5f, 0.5f, kRed, empty, 0);
    draw::text(1, 0.5f, 0.5f, kRed, "%s", "");
    draw::text(1, 0.5f, 0.5f, kRed, "\n\t");
    render::submitDrawList(drawList);
    emptyTextQuads = render::lastSubmitStats().quads;
    captureFrame();
}

bool isRed(harness::Pixel p) {
    return p.r > 200 && p.g < 60 && p.b < 60;
}
bool isWhite(harness::Pixel p) {
    return p.r > 200 && p.g > 200 && p.b > 200;
}

int countPixels(int x0, int y0, int x1, int y1, bool (*match)(harness::Pixel)) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (match(harness::pixel(x, y))) ++n;
    return n;
}

// Window pixel of an arena point, top-left origin as the harness reads it.
int px(float x) {
    return static_cast<int>((x + 1.0f) * 0.5f * harness::width());
}
int py(float y) {
    return static_cast<int>((1.0f - y) * 0.5f * harness::height());
}

} // namespace

TEST(Text, DrawsAtItsPlaceInTheCurrentColour) {
    ASSERT_TRUE(harness::boot());
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame(16));
    ASSERT_TRUE(render::fontReady(0));
    ASSERT_TRUE(render::fontReady(1));

    // The frame driver's own game time, opaque white in font 0.
    int timeX = px(0.55f), timeY = py(0.9f);
    EXPECT_GT(countPixels(timeX, timeY - 14, timeX + 130, timeY + 3, isWhite), 30);
    EXPECT_EQ(countPixels(timeX - 40, timeY - 14, timeX - 2, timeY + 3, isWhite), 0);

    captureFrame = beforeSwap;
    beforeSwap = drawTestTexts;
    bool ran = harness::frame(16);
    beforeSwap = captureFrame;
    ASSERT_TRUE(ran);
    harness::screenshot("text_game_over");

    // "Game Over" in font 1 from (-0.25, 0): red pixels right of its start
    // and above its baseline, none before it.
    int x = px(-0.25f), y = py(0.0f);
    EXPECT_GT(countPixels(x, y - 30, x + 9 * 20, y + 8, isRed), 150);
    EXPECT_EQ(countPixels(x - 60, y - 30, x - 3, y + 8, isRed), 0);
    EXPECT_EQ(countPixels(x, y + 10, x + 9 * 20, py(-0.12f), isRed), 0);

    // Off-window start: the whole text is dropped, not just its first part.
    EXPECT_EQ(countPixels(0, py(-0.4f), px(-0.5f), py(-0.6f), isRed), 0);

    // Bad font indices draw nothing.
    EXPECT_EQ(countPixels(px(0.3f), py(0.28f), px(0.6f), py(0.1f), isRed), 0);

    // Codes without a list are skipped: both words are the same picture.
    int ax = px(-0.5f), bx = px(0.0f), top = py(-0.1f), bottom = py(-0.25f);
    int litA = 0;
    for (int row = top; row < bottom; ++row)
        for (int col = -4; col < 100; ++col) {
            harness::Pixel a = harness::pixel(ax + col, row);
            harness::Pixel b = harness::pixel(bx + col, row);
            if (isRed(a)) ++litA;
            ASSERT_EQ(isRed(a), isRed(b)) << "at column " << col << ", row " << row;
        }
    EXPECT_GT(litA, 50);

    // An empty text draws nothing at all.
    EXPECT_EQ(emptyTextQuads, 0u);

    // Only fonts 0 and 1 exist.
    const uint32_t texture = render::glyphTexture();
    createFont("Courier new", 30, 30, 2);
    createFont("Courier new", 30, 30, -1);
    EXPECT_EQ(render::glyphTexture(), texture);
    EXPECT_TRUE(render::fontReady(0));
    EXPECT_FALSE(render::fontReady(2));
}
