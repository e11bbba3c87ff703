// The status panel: its colour, the bottom edge that follows the running
// bonuses, the bars and the texts, read back from the real frame.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>

#include "app/input.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/world.h"
#include "harness.h"
#include "render/gl_backend.h"
#include "session/session.h"
#include "ui/hud.h"

namespace {

// Grey panel at 0.75 over whatever lay there.
int panelOver(int ground) {
    return static_cast<int>(0.75 * 63.75 + 0.25 * ground + 0.5);
}

bool closeTo(int got, int want, int tolerance = 2) {
    return std::abs(got - want) <= tolerance;
}

bool samePixel(const harness::Pixel& a, const harness::Pixel& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool isPanelOver(const harness::Pixel& p, const harness::Pixel& ground) {
    return closeTo(p.r, panelOver(ground.r)) && closeTo(p.g, panelOver(ground.g)) &&
           closeTo(p.b, panelOver(ground.b));
}

class Hud : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(harness::boot());
        // New Game from the menu, then play a frame with the menu closed.
        harness::cursorArena(0.5f, -0.05f);
        ASSERT_TRUE(harness::frame());
        harness::leftDown();
        harness::leftUp();
        ASSERT_TRUE(harness::frame());
        ASSERT_FALSE(session().input.menuShown);
        ASSERT_TRUE(harness::frame(0));
    }

    // The bonuses as a pick-up would start them.
    static void startBothBonuses() {
        world().marine.fastSpeed = true;
        world().marine.fastShot = true;
        world().marine.fastSpeedTime = 0.0f;
        world().marine.fastShotTime = 0.0f;
        world().marine.timedBonusCount = 2;
    }
};

// Bright text pixels in a band of the panel (the panel itself is never
// brighter than 112 in any channel).
int brightPixels(float x0, float x1, float y0, float y1) {
    int count = 0;
    int px0 = static_cast<int>((x0 + 1.0f) * 0.5f * harness::width());
    int px1 = static_cast<int>((x1 + 1.0f) * 0.5f * harness::width());
    int py0 = static_cast<int>((1.0f - y1) * 0.5f * harness::height());
    int py1 = static_cast<int>((1.0f - y0) * 0.5f * harness::height());
    for (int y = py0; y <= py1; ++y)
        for (int x = px0; x <= px1; ++x) {
            harness::Pixel p = harness::pixel(x, y);
            if (p.r > 200 && p.g > 200 && p.b > 200) ++count;
        }
    return count;
}

// Right-most column holding a bright pixel in the band, in arena x; -2 if none.
float textEnd(float x0, float x1, float y0, float y1) {
    int px0 = static_cast<int>((x0 + 1.0f) * 0.5f * harness::width());
    int px1 = static_cast<int>((x1 + 1.0f) * 0.5f * harness::width());
    int py0 = static_cast<int>((1.0f - y1) * 0.5f * harness::height());
    int py1 = static_cast<int>((1.0f - y0) * 0.5f * harness::height());
    for (int x = px1; x >= px0; --x)
        for (int y = py0; y <= py1; ++y) {
            harness::Pixel p = harness::pixel(x, y);
            if (p.r > 200 && p.g > 200 && p.b > 200)
                return static_cast<float>(x) / (0.5f * harness::width()) - 1.0f;
        }
    return -2.0f;
}

} // namespace

TEST_F(Hud, PanelBottomFollowsTheRunningBonuses) {
    // Clear of texts and bars: right of the bars, inside the outline.
    const float x = -0.51f;
    harness::Pixel inside = harness::pixelArena(x, 0.69f);
    harness::Pixel edgeBand = harness::pixelArena(x, 0.66f); // below 0.675
    harness::Pixel midBand = harness::pixelArena(x, 0.605f);
    harness::Pixel below = harness::pixelArena(x, 0.585f); // below 0.595
    harness::screenshot("hud_new_game");

    startBothBonuses();
    ASSERT_TRUE(harness::frame(0));
    harness::screenshot("hud_both_bonuses");

    // The band that was ground now lies under the grey panel.
    EXPECT_TRUE(isPanelOver(harness::pixelArena(x, 0.66f), edgeBand));
    EXPECT_TRUE(isPanelOver(harness::pixelArena(x, 0.605f), midBand));
    // Above it the panel was already there; below 0.595 the ground stays.
    EXPECT_TRUE(samePixel(harness::pixelArena(x, 0.69f), inside));
    EXPECT_TRUE(samePixel(harness::pixelArena(x, 0.585f), below));
    // Ground never lies under the old panel: the two bands differ from it.
    EXPECT_FALSE(samePixel(edgeBand, harness::pixelArena(x, 0.66f)));

    // One bonus ends: the panel goes back up by one row.
    world().marine.fastShot = false;
    world().marine.timedBonusCount = 1;
    ASSERT_TRUE(harness::frame(0));
    EXPECT_TRUE(isPanelOver(harness::pixelArena(x, 0.66f), edgeBand));
    EXPECT_TRUE(samePixel(harness::pixelArena(x, 0.605f), midBand));
}

TEST_F(Hud, RunPowerBarShadesFromBlueToRedAndShrinks) {
    // The panel alone at the bar's places, then the bar over it at half
    // opacity: full is blue, half is purple and half as long, empty is gone.
    const float nearStart = -0.62f, nearEnd = -0.55f, y = 0.71f;
    world().marine.runPower = 0.0f;
    ASSERT_TRUE(harness::frame(0));
    harness::Pixel startPanel = harness::pixelArena(nearStart, y);
    harness::Pixel endPanel = harness::pixelArena(nearEnd, y);

    world().marine.runPower = 100.0f;
    ASSERT_TRUE(harness::frame(0));
    harness::Pixel full = harness::pixelArena(nearEnd, y);
    EXPECT_TRUE(closeTo(full.r, endPanel.r / 2));
    EXPECT_TRUE(closeTo(full.g, endPanel.g / 2));
    EXPECT_TRUE(closeTo(full.b, static_cast<int>(127.5 + endPanel.b / 2.0)));

    world().marine.runPower = 50.0f;
    ASSERT_TRUE(harness::frame(0));
    harness::Pixel half = harness::pixelArena(nearStart, y);
    EXPECT_TRUE(closeTo(half.r, static_cast<int>(63.75 + startPanel.r / 2.0)));
    EXPECT_TRUE(closeTo(half.g, startPanel.g / 2));
    EXPECT_TRUE(closeTo(half.b, static_cast<int>(63.75 + startPanel.b / 2.0)));
    EXPECT_TRUE(samePixel(harness::pixelArena(nearEnd, y), endPanel));
}

TEST_F(Hud, BonusBarsUseTheirOwnRows) {
    const float nearStart = -0.62f, nearEnd = -0.55f;
    // The two-row panel with no bars yet.
    world().marine.timedBonusCount = 2;
    ASSERT_TRUE(harness::frame(0));
    harness::Pixel row1Start = harness::pixelArena(nearStart, 0.67f);
    harness::Pixel row1End = harness::pixelArena(nearEnd, 0.67f);
    harness::Pixel row2End = harness::pixelArena(nearEnd, 0.63f);

    // A lone Fast Shot takes the first row, full and blue.
    world().marine.fastShot = true;
    world().marine.fastShotTime = 0.0f;
    ASSERT_TRUE(harness::frame(0));
    harness::Pixel shotAlone = harness::pixelArena(nearEnd, 0.67f);
    EXPECT_TRUE(closeTo(shotAlone.r, row1End.r / 2));
    EXPECT_TRUE(closeTo(shotAlone.b, static_cast<int>(127.5 + row1End.b / 2.0)));
    EXPECT_TRUE(samePixel(harness::pixelArena(nearEnd, 0.63f), row2End));
    harness::screenshot("hud_fast_shot");

    // Both: Fast Speed keeps the first row, half gone (purple, half long);
    // Fast Shot moves down to the second, three quarters gone.
    startBothBonuses();
    world().marine.fastSpeedTime = 5000.0f;
    world().marine.fastShotTime = 0.0f;
    ASSERT_TRUE(harness::frame(0));
    harness::Pixel speed = harness::pixelArena(nearStart, 0.67f);
    EXPECT_TRUE(closeTo(speed.r, static_cast<int>(63.75 + row1Start.r / 2.0)));
    EXPECT_TRUE(closeTo(speed.b, static_cast<int>(63.75 + row1Start.b / 2.0)));
    EXPECT_TRUE(samePixel(harness::pixelArena(nearEnd, 0.67f), row1End));
    harness::Pixel shot = harness::pixelArena(nearEnd, 0.63f);
    EXPECT_TRUE(closeTo(shot.r, row2End.r / 2));
    EXPECT_TRUE(closeTo(shot.b, static_cast<int>(127.5 + row2End.b / 2.0)));
    harness::screenshot("hud_both_bonuses_bars");
}

TEST_F(Hud, DrawBarReachesValuePercentOfTheWay) {
    // Drawn into the back buffer of the booted window and read at once.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    draw::clear();
    drawBar(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f), 25.0f, kWhite, 3.0f);
    drawBar(Vec2(-0.5f, 0.5f), Vec2(0.5f, 0.5f), 100.0f, kWhite, 3.0f);
    drawBar(Vec2(-0.5f, -0.5f), Vec2(0.5f, -0.5f), 0.0f, kWhite, 3.0f);
    render::submitDrawList(drawList);

    auto litAt = [](float x, float y) {
        int px = static_cast<int>((x + 1.0f) * 0.5f * harness::width());
        int py = static_cast<int>((1.0f + y) * 0.5f * harness::height());
        unsigned char rgba[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return rgba[0] > 128;
    };
    EXPECT_TRUE(litAt(-0.3f, 0.0f));
    EXPECT_FALSE(litAt(-0.2f, 0.0f));
    EXPECT_TRUE(litAt(0.45f, 0.5f));
    EXPECT_FALSE(litAt(-0.49f, -0.5f));
    EXPECT_FALSE(litAt(0.0f, -0.5f));
}

TEST_F(Hud, TextsSitInTheirRows) {
    if (brightPixels(-0.95f, -0.6f, 0.85f, 0.88f) == 0)
        GTEST_SKIP() << "the fonts draw nothing yet";
    // "Health     100.0" is sixteen characters and "Score      0" twelve,
    // from the same x: their ends give the font's advance.
    float health = textEnd(-0.95f, -0.2f, 0.85f, 0.875f);
    float scoreEnd = textEnd(-0.95f, -0.2f, 0.80f, 0.825f);
    float advance = (health - scoreEnd) / 4.0f;
    EXPECT_GT(advance, 4.0f / 512.0f);
    EXPECT_NEAR(scoreEnd + 0.95f, 12.0f * advance, 2.0f * advance);
    EXPECT_GT(brightPixels(-0.95f, -0.75f, 0.9f, 0.925f), 0);  // "Pistol"
    EXPECT_GT(brightPixels(-0.69f, -0.6f, 0.9f, 0.925f), 0);   // its rounds
    EXPECT_GT(brightPixels(-0.95f, -0.75f, 0.70f, 0.725f), 0); // "Run power"
    // No bonus lines without bonuses: the band below the panel is ground.
    EXPECT_EQ(brightPixels(-0.95f, -0.75f, 0.62f, 0.66f), 0);

    // A health below zero keeps its sign and its one decimal ("-12.5" is
    // as long as "100.0"); a six-digit score adds five characters.
    world().marine.health = -12.5f;
    world().score = 123456;
    ASSERT_TRUE(harness::frame(0));
    EXPECT_NEAR(textEnd(-0.95f, -0.2f, 0.85f, 0.875f), health, 0.5f * advance);
    EXPECT_NEAR(textEnd(-0.95f, -0.2f, 0.80f, 0.825f), scoreEnd + 5.0f * advance, 0.5f * advance);
    harness::screenshot("hud_negative_health");

    startBothBonuses();
    ASSERT_TRUE(harness::frame(0));
    EXPECT_GT(brightPixels(-0.95f, -0.75f, 0.66f, 0.685f), 0); // "Fast Speed"
    EXPECT_GT(brightPixels(-0.95f, -0.75f, 0.62f, 0.645f), 0); // "Fast Shot"
}
