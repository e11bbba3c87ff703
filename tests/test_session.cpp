// One whole session as a player would go through it, from the menu at
// start-up to Exit Win, with a picture of every step.
#include <gtest/gtest.h>

#include "app/frame.h"
#include "app/input.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "platform/platform.h"
#include "session/session.h"

namespace {

constexpr float kNewGameX = 0.5f, kNewGameY = -0.05f;
constexpr float kCreditsX = 0.5f, kCreditsY = -0.55f;
constexpr float kExitX = 0.5f, kExitY = -0.7f;

bool clickAt(float x, float y) {
    harness::cursorArena(x, y);
    if (!harness::frame()) return false;
    harness::leftDown();
    harness::leftUp();
    return harness::frame();
}

} // namespace

TEST(Session, MenuPlayDeathAndExit) {
    ASSERT_TRUE(harness::boot());
    ASSERT_TRUE(harness::frame());
    EXPECT_TRUE(session().input.menuShown);
    harness::screenshot("session_01_start_menu");

    ASSERT_TRUE(clickAt(kCreditsX, kCreditsY));
    EXPECT_TRUE(session().input.creditsShown);
    harness::screenshot("session_02_credits_open");
    ASSERT_TRUE(clickAt(kCreditsX, kCreditsY));
    EXPECT_FALSE(session().input.creditsShown);
    harness::screenshot("session_03_credits_closed");

    ASSERT_TRUE(clickAt(kNewGameX, kNewGameY));
    EXPECT_FALSE(session().input.menuShown);
    EXPECT_FALSE(world().marine.marineDead);
    EXPECT_EQ(world().gameTime, 0.0f);

    // Play: walk up a little, aiming at the top right.
    harness::cursorArena(0.6f, 0.6f);
    harness::keyDown('W');
    ASSERT_TRUE(harness::frames(30));
    harness::keyUp('W');
    ASSERT_TRUE(harness::frames(30));
    EXPECT_GT(world().gameTime, 0.5f);
    harness::screenshot("session_04_playing");

    // Escape freezes the world under the menu; Escape again brings it back.
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame());
    EXPECT_TRUE(session().input.menuShown);
    ASSERT_TRUE(harness::frames(10));
    float frozenAt = world().gameTime;
    ASSERT_TRUE(harness::frames(30));
    EXPECT_EQ(world().gameTime, frozenAt);
    harness::screenshot("session_05_paused_menu");
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frames(2));
    EXPECT_FALSE(session().input.menuShown);
    ASSERT_TRUE(harness::frames(10));
    EXPECT_GT(world().gameTime, frozenAt);
    harness::screenshot("session_06_back_in_play");

    // Death: the clock stops and "Game Over" is up.
    world().marine.health = 0.0f;
    ASSERT_TRUE(harness::frames(5));
    EXPECT_TRUE(world().marine.marineDead);
    harness::screenshot("session_07_game_over");

    // Escape and keys in the first two seconds do nothing.
    harness::key(VkEscape);
    harness::key('A');
    ASSERT_TRUE(harness::frames(10));
    EXPECT_FALSE(session().input.menuShown);
    ASSERT_TRUE(harness::frames(130));
    ASSERT_GE(world().deathTime, 2000.0f);
    EXPECT_FALSE(session().input.menuShown);
    harness::key('A');
    ASSERT_TRUE(harness::frame());
    EXPECT_TRUE(session().input.menuShown);
    harness::screenshot("session_08_menu_after_death");

    // From here only New Game or Exit Win leave the menu.
    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame());
    EXPECT_TRUE(session().input.menuShown);
    ASSERT_TRUE(clickAt(kNewGameX, kNewGameY));
    EXPECT_FALSE(session().input.menuShown);
    EXPECT_FALSE(world().marine.marineDead);
    EXPECT_EQ(world().marine.health, 100.0f);
    ASSERT_TRUE(harness::frames(20));
    harness::screenshot("session_09_second_game");

    harness::key(VkEscape);
    ASSERT_TRUE(harness::frame());
    ASSERT_TRUE(session().input.menuShown);
    harness::cursorArena(kExitX, kExitY);
    ASSERT_TRUE(harness::frame());
    harness::screenshot("session_10_exit_hovered");
    harness::leftDown();
    harness::leftUp();
    EXPECT_FALSE(harness::frame());
    EXPECT_TRUE(harness::quitRequested());
}
