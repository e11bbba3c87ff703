// Vectors, random numbers, the settings file, start-up and the menu toggle.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "app/input.h"
#include "app/settings.h"
#include "draw/texture_bank.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rng.h"
#include "math/vec2.h"
#include "render/texture_bank_gl.h"
#include "session/aim_cursor.h"
#include "session/session.h"

namespace {

TEST(Vec2, PerpUnitTurnsClockwiseToUnitLength) {
    Vec2 p = Vec2(3, 4).perpUnit();
    EXPECT_FLOAT_EQ(p.x, 0.8f);
    EXPECT_FLOAT_EQ(p.y, -0.6f);
    Vec2 zero = Vec2().perpUnit();
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    Vec2 up = Vec2(0, 1).perpUnit();
    EXPECT_FLOAT_EQ(up.x, 1.0f);
    EXPECT_FLOAT_EQ(up.y, 0.0f);
}

TEST(Vec2, CosAngleTreatsZeroLengthAsOne) {
    EXPECT_EQ(Vec2(1, 0).cosAngle(Vec2()), 0.0f);
    EXPECT_EQ(Vec2(1, 0).cosAngle(Vec2(0, 1)), 0.0f);
    EXPECT_FLOAT_EQ(Vec2(2, 0).cosAngle(Vec2(5, 0)), 1.0f);
}

TEST(Vec2, RotateIsCounterClockwiseFromTheOldValues) {
    Vec2 v(1, 0);
    v.rotate(3.1415926535f / 2);
    EXPECT_NEAR(v.x, 0.0f, 1e-6f);
    EXPECT_NEAR(v.y, 1.0f, 1e-6f);
    Vec2 w(1, 0);
    w.rotate(-3.1415926535f / 2);
    EXPECT_NEAR(w.y, -1.0f, 1e-6f);
}

TEST(Vec2, OrientedQuadCornersFollowDirection) {
    Vec2 c[4];
    orientedQuad(Vec2(0, 0), Vec2(1, 0), 0.1f, c);
    EXPECT_FLOAT_EQ(c[0].x, 0.1f);
    EXPECT_FLOAT_EQ(c[0].y, -0.1f);
    EXPECT_FLOAT_EQ(c[1].x, 0.1f);
    EXPECT_FLOAT_EQ(c[1].y, 0.1f);
    EXPECT_FLOAT_EQ(c[2].x, -0.1f);
    EXPECT_FLOAT_EQ(c[2].y, 0.1f);
    EXPECT_FLOAT_EQ(c[3].x, -0.1f);
    EXPECT_FLOAT_EQ(c[3].y, -0.1f);
}

TEST(SegmentsCross, StrictAndSymmetric) {
    Vec2 a(-1, 0), b(1, 0), c(0, -1), d(0, 1);
    EXPECT_TRUE(segmentsCross(a, b, c, d));
    EXPECT_FALSE(segmentsCross(a, b, Vec2(0, 0), d));          // end point on the other
    EXPECT_FALSE(segmentsCross(a, b, Vec2(2, 0), Vec2(3, 0))); // one line
    EXPECT_FALSE(segmentsCross(a, b, a, d));                   // shared end
    // Order of segments and of their ends never matters.
    EXPECT_TRUE(segmentsCross(c, d, a, b));
    EXPECT_TRUE(segmentsCross(b, a, d, c));
    EXPECT_FALSE(segmentsCross(d, Vec2(0, 0), b, a));
}

TEST(Rng, KnownSequenceFromStateOne) {
    Rng r;
    EXPECT_EQ(r.next(), 41);
    EXPECT_EQ(r.next(), 18467);
    EXPECT_EQ(r.next(), 6334);
}

TEST(Rng, SpreadAngleRange) {
    world().rng.seed(1);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(randomSpreadAngle(world().rng, 1), 0.0f);
    float lo = 1, hi = -1;
    for (int i = 0; i < 2000; ++i) {
        float a = randomSpreadAngle(world().rng, 10) / kDegToRad;
        lo = std::min(lo, a);
        hi = std::max(hi, a);
    }
    EXPECT_NEAR(lo, -5.0f, 1e-3f);
    EXPECT_NEAR(hi, 4.0f, 1e-3f);
    // A spread of 0 or less must not divide by zero.
    EXPECT_EQ(randomSpreadAngle(world().rng, 0), 0.0f);
    EXPECT_EQ(randomSpreadAngle(world().rng, -7), 0.0f);
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::test::enable();
        platform::test::clearBoxes();
    }
    void read(const char* text) { parseSettings(text); }
};

TEST_F(Settings, AcceptedWidthsKeepTheirHeight) {
    read("0 800 600 32 0.5 1");
    EXPECT_EQ(world().screenWidth, 800);
    EXPECT_EQ(world().screenHeight, 600);
    EXPECT_FLOAT_EQ(world().spawnAcceleration, 0.5f);
    EXPECT_EQ(world().showFps, 1);
    read("0 640 512 16 0 0");
    EXPECT_EQ(world().screenWidth, 640);
    EXPECT_EQ(world().screenHeight, 512);
    EXPECT_TRUE(platform::test::boxes().empty());
}

TEST_F(Settings, BadWidthFallsBackWithOneBox) {
    read("0 1280 1024 32 0 0");
    EXPECT_EQ(world().screenWidth, 1024);
    EXPECT_EQ(world().screenHeight, 768);
    ASSERT_EQ(platform::test::boxes().size(), 1u);
    EXPECT_EQ(platform::test::boxes()[0].text, "Error screen mode");
    EXPECT_EQ(platform::test::boxes()[0].caption, "Settings.ini");
}

TEST_F(Settings, IntegerFieldsFollowOctalAndHex) {
    read("0 0640 480 32 0 0"); // octal 416: rejected
    EXPECT_EQ(world().screenWidth, 1024);
    read("0x1 0x400 0x300 32 0.25 0");
    EXPECT_EQ(fullScreen, 1);
    EXPECT_EQ(world().screenWidth, 1024);
    EXPECT_EQ(world().screenHeight, 768);
}

TEST_F(Settings, ShortOrGarbageFilesCountMissingFieldsAsZero) {
    read("0 800 600");
    EXPECT_EQ(world().screenWidth, 800);
    EXPECT_EQ(bitsPerPixel, 0);
    EXPECT_EQ(world().spawnAcceleration, 0.0f);
    EXPECT_EQ(world().showFps, 0);
    read("garbage \x01\x02 nonsense");
    EXPECT_EQ(world().screenWidth, 1024);
    EXPECT_EQ(world().screenHeight, 768);
    read("0 800 0 32 nan 0"); // no height, no usable acceleration
    EXPECT_EQ(world().screenHeight, 768);
    EXPECT_EQ(world().spawnAcceleration, 0.0f);
}

TEST_F(Settings, MissingFileShowsItsNameAndKeepsAUsableScreen) {
    world().screenWidth = world().screenHeight = 0;
    readSettings("/nonexistent/Settings.ini");
    ASSERT_EQ(platform::test::boxes().size(), 1u);
    EXPECT_EQ(platform::test::boxes()[0].text, "/nonexistent/Settings.ini");
    EXPECT_EQ(platform::test::boxes()[0].caption, "File not found!");
    EXPECT_EQ(world().screenWidth, 1024);
    EXPECT_EQ(world().screenHeight, 768);
}

TEST(Cursor, MapsWindowPixelsToArena) {
    platform::test::enable();
    world().screenWidth = 1024;
    world().screenHeight = 768;
    beginFrame(session().input, 0.0f, 512, 384);
    Vec2 aim = cursorAim(session(), world());
    EXPECT_FLOAT_EQ(aim.x, 0.0f);
    EXPECT_FLOAT_EQ(aim.y, 0.0f);
    beginFrame(session().input, 0.0f, 0, 0);
    aim = cursorAim(session(), world());
    EXPECT_FLOAT_EQ(aim.x, -1.0f);
    EXPECT_FLOAT_EQ(aim.y, 1.0f);
    beginFrame(session().input, 0.0f, 1023, 767);
    aim = cursorAim(session(), world());
    EXPECT_NEAR(aim.x, 0.998f, 1e-3f);
    EXPECT_NEAR(aim.y, -0.997f, 1e-3f);
}

TEST(StartUp, GroundCoversTheWholeWindow) {
    ASSERT_TRUE(harness::boot());
    // The shipped data folder loads whole: not one message box.
    EXPECT_TRUE(harness::boxes().empty()) << harness::boxes().front();
    ASSERT_TRUE(harness::frame());
    // The menu is up; close it to see the arena itself.
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame());
    EXPECT_EQ(harness::width(), 1024);
    EXPECT_EQ(harness::height(), 768);
    harness::screenshot("startup_ground");
    // GreenGrass is the first entry, in slot 1; bitmaps follow.
    EXPECT_EQ(textureBank.find("GreenGrass"), 0);
    EXPECT_EQ(textureBank.slotFor("GreenGrass"), 1);
    EXPECT_EQ(textureBank.entrySlot(1), 2);
    EXPECT_EQ(textureBank.find("textures/marine.bmp"), -1);
    // Every corner and the centre show ground, never the empty buffer.
    const int xs[] = {0, 1023, 0, 1023, 512};
    const int ys[] = {0, 0, 767, 767, 600};
    for (int i = 0; i < 5; ++i) {
        harness::Pixel p = harness::pixel(xs[i], ys[i]);
        EXPECT_GT(p.r + p.g + p.b, 20) << "pixel " << xs[i] << "," << ys[i];
    }
}

TEST(StartUp, EscapeTogglesTheMenuAndRestoresTheCursor) {
    ASSERT_TRUE(harness::boot());
    ASSERT_TRUE(harness::frame());
    EXPECT_EQ(session().input.menuShown, 1);
    // The first Escape closes the start-up menu and puts the cursor at the
    // initial saved point, the top-left corner.
    harness::cursor(300, 200);
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame());
    EXPECT_EQ(session().input.menuShown, 0);
    int x = -1, y = -1;
    harness::cursorPos(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    // Opening saves where the cursor is; closing brings it back.
    harness::cursor(700, 500);
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame());
    EXPECT_EQ(session().input.menuShown, 1);
    harness::cursor(10, 20);
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame());
    EXPECT_EQ(session().input.menuShown, 0);
    harness::cursorPos(x, y);
    EXPECT_EQ(x, 700);
    EXPECT_EQ(y, 500);
}

TEST(StartUp, MissingBitmapsShowTheirBoxesAndTheGameGoesOn) {
    std::string dir = harness::scratchDataDir(false);
    std::ofstream(dir + "/Settings.ini") << "0 1024 768 32 0.01 0\n";
    ASSERT_TRUE(harness::boot(dir.c_str()));
    std::vector<std::string> boxes = harness::boxes();
    int dibBoxes = 0;
    for (const std::string& b : boxes)
        if (b.rfind("Error: Failed to open DIB file Textures/", 0) == 0) ++dibBoxes;
    EXPECT_EQ(dibBoxes, 15);
    // A bitmap that failed still has its entry, which binds no texture.
    EXPECT_GE(textureBank.find("Textures/Marine.bmp"), 0);
    EXPECT_EQ(render::glTextureName(textureBank.slotFor("Textures/Marine.bmp")), 0u);
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frames(30));
    harness::Pixel p = harness::pixel(512, 700);
    EXPECT_GT(p.r + p.g + p.b, 20);
}

} // namespace
