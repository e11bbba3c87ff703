// The difficulty figure: how long a decent player lasts with the shipped
// data. The bot plays seeded games with a human's limits (a quarter second
// to pick a target, a bounded swing of the mouse, a few degrees of error) at
// 60 frames a second, and the survival times are summed up as median,
// quartiles and range, with kills and damage by monster kind and size and
// what dealt the fatal hit. Disabled in the suite (it takes a while); run:
//   ./build/tests/quorvex_tests --gtest_also_run_disabled_tests --gtest_filter=Difficulty.*
// QUORVEX_DIFFICULTY_GAMES sets the number of games (default 30),
// QUORVEX_DIFFICULTY_FIRST the first seed (default 1) and
// QUORVEX_DIFFICULTY_DATA another data folder to measure (default the
// shipped one).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/input.h"
#include "bot.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rng.h"

namespace {

int envInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// The shipped settings in a small window: the picture's size changes
// nothing in play but the cost of drawing it and the cursor's step (1/60 of
// the arena's height here, fine enough for aiming).
std::string dataInSmallWindow() {
    std::string dir = harness::scratchDataDir(false);
    const char* from = std::getenv("QUORVEX_DIFFICULTY_DATA");
    std::filesystem::copy(from ? from : QUORVEX_DATA_DIR, dir,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    std::ifstream in(dir + "/Settings.ini");
    std::vector<std::string> fields;
    for (std::string field; in >> field;)
        fields.push_back(field);
    in.close();
    if (fields.size() < 6) return {};
    fields[1] = "640";
    fields[2] = "120";
    std::ofstream out(dir + "/Settings.ini");
    for (const std::string& field : fields)
        out << field << " ";
    out << "\n";
    return dir;
}

float quantile(std::vector<float> sorted, float q) {
    float pos = q * static_cast<float>(sorted.size() - 1);
    size_t k = static_cast<size_t>(pos);
    if (k + 1 >= sorted.size()) return sorted.back();
    return sorted[k] + (sorted[k + 1] - sorted[k]) * (pos - static_cast<float>(k));
}

std::string minutes(float seconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%d:%02d", static_cast<int>(seconds) / 60,
                  static_cast<int>(seconds) % 60);
    return text;
}

} // namespace

TEST(Difficulty, DISABLED_SurvivalFigure) {
    const int games = envInt("QUORVEX_DIFFICULTY_GAMES", 30);
    const int first = envInt("QUORVEX_DIFFICULTY_FIRST", 1);
    std::string dir = dataInSmallWindow();
    ASSERT_FALSE(dir.empty()) << "the data folder's Settings.ini is unreadable";

    constexpr uint32_t kFrameMs = 16;
    constexpr float kLongestGameMs = 20.0f * 60000.0f;
    std::vector<float> survival;
    int kills[32] = {};
    float damage[32] = {};
    int killers[33] = {};
    std::vector<std::string> names;

    for (int g = 0; g < games; ++g) {
        const uint32_t seed = static_cast<uint32_t>(first + g);
        ASSERT_TRUE(harness::boot(dir.c_str()));
        world().rng.seed(seed);
        if (names.empty())
            for (int t = 0; t < templateCount; ++t)
                names.push_back(monsterTemplates[t].name + 7); // less "Monster"

        bot::Player player;
        player.begin(bot::kHuman, seed * 7919u);
        float played = 0.0f;
        while (played < kLongestGameMs) {
            player.act(static_cast<float>(kFrameMs));
            ASSERT_TRUE(harness::frame(kFrameMs));
            player.observe();
            played += static_cast<float>(kFrameMs);
            if (player.gamesStarted > 0 && world().marine.marineDead) break;
        }
        survival.push_back(world().gameTime);

        std::string line;
        for (int t = 0; t < templateCount; ++t) {
            kills[t] += player.tally.kills[t];
            damage[t] += player.tally.damage[t];
            line += " " + std::to_string(player.tally.kills[t]);
        }
        ++killers[player.tally.killer + 1];
        std::printf("[ game     ] seed %3u: %s (%6.1f s), score %6u, weapons %d, bonuses %2d, "
                    "specials %2d, kills%s, killed by %s\n",
                    seed, minutes(world().gameTime).c_str(), world().gameTime, world().score,
                    world().marine.ownedCount, player.tally.bonuses, player.tally.specials,
                    line.c_str(),
                    player.tally.killer >= 0 ? names[player.tally.killer].c_str() : "-");
        std::fflush(stdout);
    }

    std::vector<float> sorted = survival;
    std::sort(sorted.begin(), sorted.end());
    std::printf("\nSurvival over %d games (seeds %d to %d), 16 ms frames:\n", games, first,
                first + games - 1);
    std::printf("  median %s (%.0f s); min %s, lower quartile %s, upper quartile %s, max %s\n",
                minutes(quantile(sorted, 0.5f)).c_str(), quantile(sorted, 0.5f),
                minutes(sorted.front()).c_str(), minutes(quantile(sorted, 0.25f)).c_str(),
                minutes(quantile(sorted, 0.75f)).c_str(), minutes(sorted.back()).c_str());
    std::printf("  %-14s %8s %14s %12s\n", "monster", "kills", "damage dealt", "fatal hits");
    for (size_t t = 0; t < names.size(); ++t)
        std::printf("  %-14s %8d %14.0f %12d\n", names[t].c_str(), kills[t], damage[t],
                    killers[t + 1]);
    if (killers[0] > 0) std::printf("  (no fatal hit seen in %d games)\n", killers[0]);
}

// Pictures for the README: one seeded game of the bot at the shipped
// window size; the busiest moment after the Large monsters have joined,
// while the Marine still stands well (showcase_play.png), and the Game Over
// screen (showcase_game_over.png).
//   ./build/tests/quorvex_tests --gtest_also_run_disabled_tests
//   --gtest_filter=Difficulty.DISABLED_Showcase
TEST(Difficulty, DISABLED_Showcase) {
    ASSERT_TRUE(harness::boot());
    const uint32_t seed = static_cast<uint32_t>(envInt("QUORVEX_DIFFICULTY_FIRST", 3));
    world().rng.seed(seed);
    bot::Player player;
    player.begin(bot::kHuman, seed * 7919u);
    float best = -1.0f;
    float sinceLook = 0.0f;
    for (int f = 0; f < 20 * 60 * 60; ++f) {
        player.act(16.0f);
        ASSERT_TRUE(harness::frame(16));
        if (player.gamesStarted > 0 && world().marine.marineDead) break;
        sinceLook += 16.0f;
        if (world().spawnInterval >= 500.0f || sinceLook < 250.0f || world().marine.health < 35.0f)
            continue;
        sinceLook = 0.0f;
        int onScreen = 0;
        for (int i = 0; i < world().monsterCount; ++i)
            if (std::fabs(world().monsters[i].position.x) < 0.95f &&
                std::fabs(world().monsters[i].position.y) < 0.95f)
                ++onScreen;
        int blasts = 0;
        for (int i = 0; i < world().spriteLayer.count; ++i)
            if (world().spriteLayer.sprites[i].fadeRate > 0.0f) ++blasts;
        float busy = static_cast<float>(onScreen + 15 * blasts + world().bonusCount * 3) +
                     static_cast<float>(world().particleLayer.count) * 0.2f;
        if (busy > best) {
            best = busy;
            harness::screenshot("showcase_play");
        }
    }
    ASSERT_TRUE(world().marine.marineDead);
    // Let the body settle and the monsters walk on a little.
    ASSERT_TRUE(harness::frames(40, 16));
    harness::screenshot("showcase_game_over");
    std::printf("showcase: seed %u, game over at %.1f s\n", seed, world().gameTime);
}
