// quorvex-checksums: a seeded game played by a bot through the rules alone,
// the world's fingerprint printed after every frame. Every build of the game,
// on every compiler and CPU, must print the same lines: the committed
// sequence (tests/golden/rules_checksums.txt) pins them. With --replays the
// games are recorded as the program records them and written there as
// game-1.qvr, game-2.qvr...: replays made by one build for the others to
// verify.
//
//   quorvex-checksums [--data DIR] [--frames N] [--replays DIR]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "draw/draw_list.h"
#include "game/player/weapons.h"
#include "game/rules/game_frame.h"
#include "game/rules/rule_data.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "input/input.h"
#include "input/settings_values.h"
#include "replay/replay_recorder.h"
#include "rules_bot.h"
#include "session/messages.h"
#include "session/session.h"

namespace {

constexpr uint32_t kGameSeed = 20240611;
constexpr uint32_t kBotSeed = 11;

std::string replayFolder; // absolute; "" when nothing is recorded
int replaysWritten = 0;
bool writeFailed = false;

void writeReplay(const Replay& replay, const std::string&) {
    std::vector<uint8_t> bytes = encodeReplay(replay);
    std::string path = replayFolder + "/game-" + std::to_string(++replaysWritten) + ".qvr";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "quorvex-checksums: cannot write %s\n", path.c_str());
        writeFailed = true;
    }
}

// As the program's loop hands messages to the game, recording them.
void deliver(const checksums::Turn& turn) {
    for (int i = 0; i < turn.count; ++i) {
        beginMessage();
        handleGameMessage(turn.messages[i]);
        recordMessage(turn.messages[i]);
    }
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
        } else if (arg == "--replays" && i + 1 < argc) {
            std::error_code ec;
            replayFolder = std::filesystem::absolute(argv[++i], ec).string();
        } else {
            std::fprintf(stderr,
                         "usage: quorvex-checksums [--data DIR] [--frames N] [--replays DIR]\n");
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
    if (!replayFolder.empty()) {
        sessionHooks.afterNewGame = beginRecording;
        recordingHooks.finished = writeReplay;
    }
    // A short picture, and a spawn interval that falls fast: a busy game
    // that ends in a death well within the frames.
    world().screenWidth = 640;
    world().screenHeight = 120;
    world().spawnAcceleration = 0.03f;

    checksums::RulesBot bot;
    bot.begin(kBotSeed);
    for (long f = 0; f < frames; ++f) {
        const float ms = f % 7 == 0 ? 33.0f : 16.0f;
        checksums::Turn turn;
        // The menu opened and closed once in the middle of the first game.
        if (f == 900 || f == 960) {
            turn.add(MsgType::KeyDown, VkEscape);
            turn.add(MsgType::KeyUp, VkEscape);
            turn.cursorX = session().input.frameInput.cursorX;
            turn.cursorY = session().input.frameInput.cursorY;
        } else if (f > 900 && f < 960) {
            turn.cursorX = session().input.frameInput.cursorX;
            turn.cursorY = session().input.frameInput.cursorY;
        } else {
            bot.act(ms, turn);
        }
        // Each New Game from a seed of its own.
        world().nextGameSeed = kGameSeed + static_cast<uint32_t>(bot.gamesStarted);
        deliver(turn);
        beginFrame(session().input, ms, turn.cursorX, turn.cursorY);
        recordFrame(session().input.frameInput);
        runGameFrame();
        recordFrameDone();
        std::printf("%016" PRIx64 "\n", worldChecksum());
    }
    endRecording(GameEnd::ProgramEnd);
    std::fprintf(stderr, "quorvex-checksums: %ld frames, %d games started, score %u, %d kills\n",
                 frames, bot.gamesStarted, static_cast<unsigned>(world().score),
                 world().monstersKilled);
    return writeFailed ? 1 : 0;
}
