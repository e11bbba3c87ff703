// The whole game, seeded and played by the bot, fingerprinted after every
// frame. The committed sequence pins the game's behaviour: a change that
// alters any frame of it changes how the game plays. Remake it, on purpose
// only, with QUORVEX_UPDATE_GOLDEN=1.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bot.h"
#include "game/player/marine.h"
#include "game/world/checksum.h"
#include "harness.h"
#include "platform/platform.h"

namespace {

const char* const kGolden = QUORVEX_SOURCE_DIR "/tests/golden/bot_world.txt";

// A short, busy game: the spawn interval falls fast, the bot fights, opens
// and closes the menu once, dies and starts the next game.
std::vector<uint64_t> playSeededGame() {
    std::string dir = harness::scratchDataDir();
    std::ofstream(dir + "/Settings.ini") << "0 640 120 32 0.03 0\n";
    std::vector<uint64_t> sums;
    harness::skipRendering();
    if (!harness::boot(dir.c_str())) return sums;
    bot::Player player;
    player.begin(bot::kHuman, 11);
    constexpr int kFrames = 4000;
    for (int f = 0; f < kFrames; ++f) {
        if (f == 900 || f == 960) harness::key(VkEscape);
        if (f < 900 || f >= 960) player.act(f % 7 == 0 ? 33.0f : 16.0f);
        if (!harness::frame(f % 7 == 0 ? 33 : 16)) break;
        player.observe();
        sums.push_back(worldChecksum());
    }
    player.releaseAll();
    // The sequence must cover a death and the next game.
    EXPECT_GE(player.gamesStarted, 2);
    return sums;
}

} // namespace

TEST(WorldChecksum, SeededBotGameMatchesTheCommittedSequence) {
    std::vector<uint64_t> sums = playSeededGame();
    ASSERT_EQ(sums.size(), 4000u);
    if (std::getenv("QUORVEX_UPDATE_GOLDEN") != nullptr) {
        std::FILE* out = std::fopen(kGolden, "w");
        ASSERT_NE(out, nullptr);
        for (uint64_t s : sums)
            std::fprintf(out, "%016" PRIx64 "\n", s);
        std::fclose(out);
        GTEST_SKIP() << "wrote " << kGolden;
    }
    std::ifstream in(kGolden);
    ASSERT_TRUE(in) << "missing " << kGolden;
    std::string line;
    size_t frame = 0;
    while (std::getline(in, line) && frame < sums.size()) {
        uint64_t want = std::strtoull(line.c_str(), nullptr, 16);
        ASSERT_EQ(sums[frame], want) << "the world differs first after frame " << frame;
        ++frame;
    }
    EXPECT_EQ(frame, sums.size()) << "the committed sequence is shorter";
}
