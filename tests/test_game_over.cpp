// Game Over over a full arena: the title, the notice and the table stay
// readable on their dark panel, above the swarm and the status panel.
#include <gtest/gtest.h>

#include <fstream>

#include "bot.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "input/input.h"
#include "session/session.h"

namespace {

bool dark(const harness::Pixel& p) {
    return p.r < 64 && p.g < 64 && p.b < 64;
}

} // namespace

TEST(GameOver, TitleNoticeAndTableSitOnADarkPanelOverTheSwarm) {
    std::string dir = harness::scratchDataDir();
    std::ofstream(dir + "/Settings.ini") << "0 1024 768 32 0.1 0\n";
    if (!harness::boot(dir.c_str())) GTEST_SKIP() << "no display";
    bot::Player player;
    player.begin(bot::kHuman, 3);
    player.restartGames = false;
    harness::cursorArena(0.5f, -0.05f); // New Game
    harness::frame();
    harness::leftDown();
    harness::leftUp();
    harness::frame();
    ASSERT_FALSE(session().input.menuShown);
    int most = 0;
    for (int f = 0; f < 6000 && !world().marine.marineDead; ++f) {
        player.act(16.0f);
        harness::frame(16);
        player.observe();
        if (world().monsterCount > most) most = world().monsterCount;
    }
    ASSERT_TRUE(world().marine.marineDead);
    EXPECT_GE(most, 150) << "the arena never filled";
    player.releaseAll();
    harness::frames(130);
    harness::screenshot("game-over-swarm");

    // Inside the panel, clear of every text: dark whatever lies beneath.
    for (float y : {0.08f, -0.08f, -0.2f})
        EXPECT_TRUE(dark(harness::pixelArena(0.55f, y))) << "at y " << y;
    // "Game Over" itself: bright strokes on it.
    int bright = 0;
    for (float x = -0.25f; x < 0.2f; x += 0.004f)
        for (float y = 0.0f; y < 0.06f; y += 0.004f) {
            harness::Pixel p = harness::pixelArena(x, y);
            if (p.r > 150 && p.g > 150 && p.b > 150) ++bright;
        }
    EXPECT_GT(bright, 40);
}
