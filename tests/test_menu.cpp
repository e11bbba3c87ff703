// The main menu: hover boxes, clicks acted on at the release, Escape with
// the cursor, the credits panel and the title picture over the world.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/input.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rules_math.h"
#include "platform/platform.h"
#include "session/aim_cursor.h"
#include "session/menu_items.h"
#include "session/session.h"
#include "ui/menu.h"

namespace {

// Points well inside each item, clear of its label and of the slanted ends.
constexpr float kNewGameX = 0.5f, kNewGameY = -0.05f;
constexpr float kDailyX = 0.5f, kDailyY = -0.2f;
constexpr float kCreditsX = 0.5f, kCreditsY = -0.55f;
constexpr float kExitX = 0.5f, kExitY = -0.7f;
// Over the logo, far from every item.
constexpr float kNowhereX = -0.5f, kNowhereY = -0.6f;

class Menu : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(harness::boot());
        ASSERT_TRUE(harness::frame());
        ASSERT_TRUE(session().input.menuShown);
    }

    // Moves the cursor, lets one frame find the hovered item, then clicks.
    static void clickAt(float x, float y) {
        harness::cursorArena(x, y);
        harness::frame();
        harness::leftDown();
        harness::leftUp();
        harness::frame();
    }

    // The hovered item as the menu finds it for an exact arena point.
    static int hoverAt(float x, float y) {
        world().cursorArena = Vec2(x, y);
        settleMenuHover();
        return session().input.menuHover;
    }
};

int near(int got, double want) {
    return std::abs(got - static_cast<int>(want + 0.5));
}

} // namespace

TEST_F(Menu, HoverBoxesAreOpenAndLeaveTheGapsAndSlantsEmpty) {
    // Each generation's menu: the second's plates are wider and stacked
    // lower, with the Options plate (no item of the rules) moved between
    // Daily Challenge and Credits.
    struct Point {
        float x, y;
        int item;
    };
    const Point second[] = {
        {kNewGameX, kNewGameY, 1},
        {kDailyX, kDailyY, 2},
        {kCreditsX, kCreditsY, 3},
        {kExitX, kExitY, 4},
        // Every edge of every box selects nothing.
        {0.3f, 0.0f, 0},
        {0.3f, -0.15f, 0},
        {0.6f, -0.05f, 0},
        {-0.4f, -0.05f, 0},
        {-0.35f, -0.2f, 0},
        {0.3f, -0.16f, 0},
        {0.3f, -0.31f, 0},
        {0.3f, -0.48f, 0},
        {0.3f, -0.63f, 0},
        {0.3f, -0.64f, 0},
        {0.3f, -0.79f, 0},
        {-0.4f, -0.7f, 0},
        {0.6f, -0.7f, 0},
        // The gaps, the Options plate, the slanted ends, and left of the old
        // plates, where the new ones reach.
        {0.3f, -0.155f, 0},
        {0.5f, -0.4f, 0},
        {0.3f, -0.635f, 0},
        {-0.43f, -0.02f, 0},
        {-0.38f, -0.55f, 0},
        {-0.43f, -0.77f, 0},
        {-0.39f, -0.1f, 1},
        {-0.39f, -0.7f, 4},
        {-0.3f, -0.2f, 2},
    };
    const Point first[] = {
        {kNewGameX, kNewGameY, 1}, {0.5f, -0.36f, 2},  {0.5f, -0.52f, 3},  {0.3f, 0.0f, 0},
        {0.3f, -0.15f, 0},         {0.6f, -0.05f, 0},  {0.1f, -0.05f, 0},  {0.15f, -0.36f, 0},
        {0.3f, -0.32f, 0},         {0.3f, -0.47f, 0},  {0.3f, -0.48f, 0},  {0.3f, -0.63f, 0},
        {0.1f, -0.56f, 0},         {0.6f, -0.56f, 0},  {0.3f, -0.155f, 0}, {0.5f, -0.2f, 0},
        {0.3f, -0.475f, 0},        {0.07f, -0.02f, 0}, {0.12f, -0.36f, 0}, {0.07f, -0.61f, 0},
        {0.11f, -0.1f, 1},         {0.11f, -0.56f, 3}, {0.7f, -0.05f, 0},
    };
    for (const Point& p : second)
        EXPECT_EQ(hoverAt(p.x, p.y), p.item) << p.x << ", " << p.y;
    followGeneration(kFirstGeneration);
    for (const Point& p : first)
        EXPECT_EQ(hoverAt(p.x, p.y), p.item) << "first generation " << p.x << ", " << p.y;
    followGeneration(kCurrentGeneration);
}

TEST_F(Menu, HoverIsForgottenByTheNextHudPass) {
    harness::cursorArena(kCreditsX, kCreditsY);
    harness::frame();
    EXPECT_EQ(session().input.menuHover, 3);
    harness::cursorArena(kNowhereX, kNowhereY);
    harness::frame();
    EXPECT_EQ(session().input.menuHover, 0);
}

TEST_F(Menu, CursorOnTheTopEdgeOfNewGameSelectsNothing) {
    // Pixel row 384 of 768 maps to y = 0 exactly.
    harness::cursor(800, 384);
    harness::frame();
    EXPECT_EQ(world().cursorArena.y, 0.0f);
    EXPECT_EQ(session().input.menuHover, 0);
    harness::leftDown();
    harness::leftUp();
    harness::frame();
    EXPECT_TRUE(session().input.menuShown);
    EXPECT_FALSE(session().input.creditsShown);
    EXPECT_FALSE(harness::quitRequested());
}

TEST_F(Menu, ReleaseActsOnTheItemUnderTheCursorThen) {
    harness::cursorArena(kExitX, kExitY);
    harness::frame();
    harness::leftDown();
    harness::frame();
    harness::cursorArena(kCreditsX, kCreditsY);
    harness::frame();
    harness::leftUp();
    EXPECT_TRUE(harness::frame());
    EXPECT_TRUE(session().input.creditsShown);
    EXPECT_TRUE(session().input.menuShown);

    // Pressed on Credits, released on New Game: a new game, credits kept.
    harness::leftDown();
    harness::frame();
    harness::cursorArena(kNewGameX, kNewGameY);
    harness::frame();
    harness::leftUp();
    EXPECT_TRUE(harness::frame());
    EXPECT_FALSE(session().input.menuShown);
    EXPECT_TRUE(session().input.creditsShown);
}

TEST_F(Menu, ClicksDuringPlayDoNothing) {
    clickAt(kNewGameX, kNewGameY);
    ASSERT_FALSE(session().input.menuShown);
    // The cursor still sits where the items were drawn.
    for (float y : {kNewGameY, kCreditsY, kExitY}) {
        harness::cursorArena(kExitX, y);
        harness::frame();
        EXPECT_EQ(session().input.menuHover, 0);
        harness::leftDown();
        harness::leftUp();
        EXPECT_TRUE(harness::frame());
    }
    EXPECT_FALSE(session().input.menuShown);
    EXPECT_FALSE(session().input.creditsShown);
    EXPECT_FALSE(harness::quitRequested());
}

TEST_F(Menu, EscapeAtStartUpClosesAndPutsTheCursorTopLeft) {
    harness::cursor(700, 500);
    harness::frame();
    harness::key(VkEscape);
    harness::frame();
    EXPECT_FALSE(session().input.menuShown);
    int x = -1, y = -1;
    harness::cursorPos(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST_F(Menu, EscapeReopensAndRestoresTheSavedCursor) {
    clickAt(kNewGameX, kNewGameY);
    ASSERT_FALSE(session().input.menuShown);
    harness::cursor(123, 456);
    harness::frame();
    harness::key(VkEscape);
    harness::frame();
    EXPECT_TRUE(session().input.menuShown);
    harness::cursor(900, 700);
    harness::frame();
    harness::key(VkEscape);
    harness::frame();
    EXPECT_FALSE(session().input.menuShown);
    int x = -1, y = -1;
    harness::cursorPos(x, y);
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 456);
}

TEST_F(Menu, ExitWinEndsTheLoop) {
    harness::cursorArena(kExitX, kExitY);
    harness::frame();
    harness::leftDown();
    harness::leftUp();
    EXPECT_FALSE(harness::frame());
    EXPECT_TRUE(harness::quitRequested());
}

TEST_F(Menu, HoveredPlateIsDrawnBrighter) {
    // The same pixel of the Credits plate, away from its label, with the
    // cursor elsewhere and then on the item (the cursor's own quad kept
    // away from the pixel).
    const float px = 0.55f, py = -0.495f; // above the label
    harness::cursorArena(kNowhereX, kNowhereY);
    harness::frame();
    harness::Pixel plain = harness::pixelArena(px, py);
    harness::cursorArena(0.2f, -0.5f);
    harness::frame();
    ASSERT_EQ(session().input.menuHover, 3);
    harness::Pixel lit = harness::pixelArena(px, py);

    // Green at 0.5 over the logo L, then at 0.75 over the same L.
    double logoR = 2.0 * plain.r;
    double logoG = 2.0 * (plain.g - 0.5 * 191.25);
    EXPECT_LE(near(lit.r, 0.25 * logoR), 2);
    EXPECT_LE(near(lit.g, 0.75 * 191.25 + 0.25 * logoG), 2);
    EXPECT_LE(lit.r, plain.r);
    harness::screenshot("menu_hover_credits");
}

TEST_F(Menu, CreditsPanelTogglesWithEachClick) {
    // Inside the panel, below its last line and away from the cursor.
    const float px = -0.1f, py = 0.05f;
    harness::cursorArena(kCreditsX, kCreditsY);
    harness::frame();
    harness::Pixel logo = harness::pixelArena(px, py);

    harness::leftDown();
    harness::leftUp();
    harness::frame();
    ASSERT_TRUE(session().input.creditsShown);
    harness::Pixel panel = harness::pixelArena(px, py);
    EXPECT_LE(near(panel.r, 127.5 + 0.5 * logo.r), 2);
    EXPECT_LE(near(panel.g, 127.5 + 0.5 * logo.g), 2);
    EXPECT_LE(near(panel.b, 127.5 + 0.5 * logo.b), 2);
    harness::screenshot("menu_credits");

    harness::leftDown();
    harness::leftUp();
    harness::frame();
    EXPECT_FALSE(session().input.creditsShown);
    harness::Pixel gone = harness::pixelArena(px, py);
    EXPECT_EQ(gone.r, logo.r);
    EXPECT_EQ(gone.g, logo.g);
    EXPECT_EQ(gone.b, logo.b);
}

TEST_F(Menu, TitlePictureCoversTheWorld) {
    // The HUD panel changes size under the menu; nothing of it shows.
    const float px = -0.7f, py = 0.62f;
    harness::cursorArena(kNowhereX, kNowhereY);
    harness::frame();
    harness::Pixel before = harness::pixelArena(px, py);
    world().marine.timedBonusCount = 2;
    world().marine.health = 37.5f;
    harness::frame();
    harness::Pixel after = harness::pixelArena(px, py);
    EXPECT_EQ(before.r, after.r);
    EXPECT_EQ(before.g, after.g);
    EXPECT_EQ(before.b, after.b);

    // With the menu closed the same pixel belongs to the panel.
    harness::key(VkEscape);
    harness::frame();
    ASSERT_FALSE(session().input.menuShown);
    harness::Pixel panel = harness::pixelArena(px, py);
    harness::screenshot("menu_closed_panel");
    EXPECT_TRUE(panel.r != before.r || panel.g != before.g || panel.b != before.b);
}

TEST_F(Menu, WeaponKeysWaitForTheMenuToClose) {
    clickAt(kNewGameX, kNewGameY);
    addWeapon(WeaponAK);
    harness::key(VkEscape);
    harness::frame();
    ASSERT_TRUE(session().input.menuShown);
    harness::key('2');
    harness::frame();
    EXPECT_EQ(world().marine.currentWeapon, 0);

    harness::key(VkEscape);
    harness::frame();
    harness::key('2');
    harness::frame();
    EXPECT_EQ(world().marine.currentWeapon, 1);
    // Not owned: nothing changes.
    harness::key('4');
    harness::frame();
    EXPECT_EQ(world().marine.currentWeapon, 1);
}
