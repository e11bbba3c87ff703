// quorvex-checksums: a seeded game played by a bot through the rules alone,
// the world's fingerprint printed after every frame. Every build of the game,
// on every compiler and CPU, must print the same lines: the committed
// sequence (tests/golden/rules_checksums.txt) pins them.
//
//   quorvex-checksums [--data DIR] [--frames N]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "draw/draw_list.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/session/game_frame.h"
#include "game/session/messages.h"
#include "game/session/rule_data.h"
#include "game/world/checksum.h"
#include "game/world/world_state.h"
#include "input/input.h"
#include "input/settings_values.h"
#include "math/rng.h"
#include "rules_bot.h"

namespace {

constexpr uint32_t kGameSeed = 20240611;
constexpr uint32_t kBotSeed = 11;

void deliver(const checksums::Turn& turn) {
    for (int i = 0; i < turn.count; ++i)
        handleGameMessage(turn.messages[i]);
}

} // namespace

int main(int argc, char** argv) {
    std::string data = ".";
    long frames = 4000;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--data" && i + 1 < argc) {
            data = argv[++i];
        } else if (arg == "--frames" && i + 1 < argc) {
            frames = std::strtol(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: quorvex-checksums [--data DIR] [--frames N]\n");
            return 2;
        }
    }
    std::error_code ec;
    std::filesystem::current_path(data, ec);
    if (ec) {
        std::fprintf(stderr, "quorvex-checksums: %s: no such data folder\n", data.c_str());
        return 2;
    }
    if (const char* unread = startRules()) {
        std::fprintf(stderr, "quorvex-checksums: %s is missing or damaged\n", unread);
        return 2;
    }
    drawList.recording = false;
    // A short picture, and a spawn interval that falls fast: a busy game
    // that ends in a death well within the frames.
    screenWidth = 640;
    screenHeight = 120;
    spawnAcceleration = 0.03f;
    rng.seed(kGameSeed);

    checksums::RulesBot bot;
    bot.begin(kBotSeed);
    for (long f = 0; f < frames; ++f) {
        const float ms = f % 7 == 0 ? 33.0f : 16.0f;
        checksums::Turn turn;
        // The menu opened and closed once in the middle of the first game.
        if (f == 900 || f == 960) {
            turn.add(MsgType::KeyDown, VkEscape);
            turn.add(MsgType::KeyUp, VkEscape);
            turn.cursorX = frameInput.cursorX;
            turn.cursorY = frameInput.cursorY;
        } else if (f > 900 && f < 960) {
            turn.cursorX = frameInput.cursorX;
            turn.cursorY = frameInput.cursorY;
        } else {
            bot.act(ms, turn);
        }
        deliver(turn);
        beginFrame(ms, turn.cursorX, turn.cursorY);
        runGameFrame();
        std::printf("%016" PRIx64 "\n", worldChecksum());
    }
    std::fprintf(stderr, "quorvex-checksums: %ld frames, %d games started, score %u, %d kills\n",
                 frames, bot.gamesStarted, static_cast<unsigned>(score), monstersKilled);
    return 0;
}
