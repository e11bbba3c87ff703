// Replays end to end: a game recorded by the harness plays back to the same
// world; the committed bot replays (remade by scripts/make-replays.sh) are
// checked by CTest with the real program's --verify; damaged files are
// refused with exit status 2 and a line that names them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/replay_show.h"
#include "audio/sound_bank.h"
#include "bot.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "input/input.h"
#include "platform/platform.h"
#include "replay/replay_file.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"

namespace {

// What a bot game went through, for the committed replays' coverage.
struct Coverage {
    std::set<std::string> notices; // pick-up notices seen
    uint64_t sounds[10] = {};
    bool menuMidGame = false;
    bool died = false;
};

// Plays one seeded bot game from the menu until the menu returns after his
// death; the menu is opened and closed once after `menuAt` frames.
Replay playBotGame(uint32_t seed, float spawnAcceleration, int menuAt, Coverage& seen) {
    std::string dir = harness::scratchDataDir();
    std::ofstream(dir + "/Settings.ini") << "0 640 120 32 " << spawnAcceleration << " 0\n";
    harness::skipRendering();
    EXPECT_TRUE(harness::boot(dir.c_str()));
    // The game's seed comes from the clock at New Game: each bot seed its own.
    platform::test::advanceTicks(seed * 7919u);
    bot::Player player;
    player.begin(bot::kHuman, seed);
    uint64_t soundsBefore[10];
    for (int i = 0; i < 10; ++i)
        soundsBefore[i] = soundPlayCount[i];
    float lastAlpha = world().pickupMessageAlpha;
    for (int f = 0; f < 60 * 60 * 10; ++f) {
        bool pause = player.gamesStarted > 0 && f >= menuAt && f < menuAt + 40;
        if (player.gamesStarted > 0 && (f == menuAt || f == menuAt + 40)) {
            harness::key(VkEscape);
            seen.menuMidGame = true;
        }
        if (!pause) player.act(16.0f);
        harness::frame(f % 5 == 0 ? 17 : 16);
        player.observe();
        // A pick-up sets the notice at full strength; it only fades after.
        if (world().pickupMessageAlpha > lastAlpha)
            seen.notices.insert(noticeText(world().pickupNotice));
        lastAlpha = world().pickupMessageAlpha;
        if (player.gamesStarted > 0 && !recording()) break; // the menu is back
    }
    player.releaseAll();
    seen.died = world().marine.marineDead;
    for (int i = 0; i < 10; ++i)
        seen.sounds[i] += soundPlayCount[i] - soundsBefore[i];
    return lastReplay();
}

bool same(const ReplayResult& a, const ReplayResult& b) {
    return a.score == b.score && a.gameTime == b.gameTime && a.kills == b.kills &&
           a.checksum == b.checksum;
}

std::string quorvex() {
    return std::string(QUORVEX_BINARY_DIR) + "/quorvex";
}

// Runs the real program; returns its exit status and what it printed.
int run(const std::string& args, std::string& output) {
    std::string command = "cd " QUORVEX_DATA_DIR " && " + quorvex() + " " + args + " 2>&1";
    output.clear();
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string writeScratch(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = harness::scratchDataDir(false) + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace

// A recorded bot game, with the menu opened and closed in it, plays back to
// the very same world, and survives the trip through the file format.
TEST(Replays, ARecordedGamePlaysBackExactly) {
    Coverage seen;
    Replay recorded = playBotGame(5, 0.03f, 300, seen);
    ASSERT_TRUE(seen.died);
    ASSERT_GT(recorded.result.frames, 300u);
    std::vector<uint8_t> bytes = encodeReplay(recorded);
    // Well under 100 KB a minute of play.
    EXPECT_LT(bytes.size() * 60.0 / recorded.result.gameTime, 100000.0);

    Replay decoded;
    std::string why;
    ASSERT_TRUE(decodeReplay(bytes.data(), bytes.size(), decoded, why)) << why;
    ReplayResult replayed = playReplayNow(decoded);
    EXPECT_TRUE(same(replayed, recorded.result))
        << "recorded score " << recorded.result.score << " kills " << recorded.result.kills
        << ", replayed " << replayed.score << " " << replayed.kills;
}

// Remakes the committed replays when QUORVEX_MAKE_REPLAYS names a folder:
// seeded bot games are kept while they add something the others lack, until
// together they cover every weapon, every bonus, a grenade blast, the special
// attack, the menu mid-game and a death.
TEST(Replays, MakeCommittedReplays) {
    const char* out = std::getenv("QUORVEX_MAKE_REPLAYS");
    if (out == nullptr) GTEST_SKIP() << "set QUORVEX_MAKE_REPLAYS to a folder to remake them";
    Coverage all;
    int kept = 0;
    for (uint32_t seed = 1; seed < 40 && kept < 6; ++seed) {
        Coverage seen;
        Replay replay = playBotGame(seed, 0.01f, 600 + 97 * static_cast<int>(seed), seen);
        size_t before = all.notices.size();
        bool adds =
            seen.notices.size() > 0 && !std::includes(all.notices.begin(), all.notices.end(),
                                                      seen.notices.begin(), seen.notices.end());
        adds = adds || (all.sounds[3] == 0 && seen.sounds[3] > 0) ||
               (all.sounds[SoundSpecial] == 0 && seen.sounds[SoundSpecial] > 0) ||
               (all.sounds[SoundExplosion] == 0 && seen.sounds[SoundExplosion] > 0);
        if (!adds || !seen.died) continue;
        all.notices.insert(seen.notices.begin(), seen.notices.end());
        for (int i = 0; i < 10; ++i)
            all.sounds[i] += seen.sounds[i];
        std::vector<uint8_t> bytes = encodeReplay(replay);
        char name[64];
        std::snprintf(name, sizeof name, "%s/gen2-seed%02u.qvr", out, seed);
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        ++kept;
        std::printf("kept %s: score %u, %.2f s, %zu new notices\n", name, replay.result.score,
                    static_cast<double>(replay.result.gameTime), all.notices.size() - before);
        if (all.notices.size() >= 9 && all.sounds[SoundSpecial] > 0 &&
            all.sounds[SoundExplosion] > 0)
            break;
    }
    for (const std::string& n : all.notices)
        std::printf("covered: %s\n", n.c_str());
    for (int w = 0; w < 4; ++w)
        EXPECT_GT(all.sounds[w], 0u) << "weapon sound " << w << " never played";
    EXPECT_GT(all.sounds[SoundExplosion], 0u);
    EXPECT_GT(all.sounds[SoundSpecial], 0u);
    EXPECT_EQ(all.notices.size(), 9u) << "not every bonus kind was picked up";
}

// Files --verify must refuse, each with exit status 2 and a line that names
// the file and says why.
TEST(Replays, DamagedFilesAreRefusedWithTheirReason) {
    Coverage seen;
    Replay good = playBotGame(5, 0.05f, 100, seen);
    std::vector<uint8_t> bytes = encodeReplay(good);
    std::string output;
    std::string goodPath = writeScratch("good.qvr", bytes);
    ASSERT_EQ(run("--verify " + goodPath, output), 0) << output;
    EXPECT_NE(output.find("score " + std::to_string(good.result.score) + " time "),
              std::string::npos)
        << output;

    // The inputs' length comes right before them; the result, how the game
    // ended, the per-second checksums and the file's checksum follow them.
    const size_t lengthAt =
        bytes.size() - 8 - 32 - 9 - 8 * good.secondSums.size() - good.events.size() - 4;
    auto with = [&](auto change) {
        std::vector<uint8_t> b = bytes;
        change(b);
        return b;
    };
    Replay otherRules = good;
    otherRules.rulesFingerprint ^= 1;
    Replay otherResult = good;
    otherResult.result.score += 1;
    Replay absurd = good;
    absurd.start.screenWidth = 123456;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int status;
        const char* reason;
    } cases[] = {
        {"truncated", with([](auto& b) { b.resize(b.size() / 2); }), 2, "truncated"},
        {"empty", {}, 2, "not a replay"},
        {"garbage", std::vector<uint8_t>(300, 0x5a), 2, "not a replay"},
        {"version", with([](auto& b) { b[4] = 9; }), 2, "version 9"},
        {"flipped", with([](auto& b) { b[b.size() / 2] ^= 0x40; }), 2, "damaged"},
        {"length", with([&](auto& b) { b[lengthAt + 3] = 0xff; }), 2, "absurd length"},
        {"rules", encodeReplay(otherRules), 2, "other rule data"},
        {"absurd", encodeReplay(absurd), 2, "screen width"},
        {"differs", encodeReplay(otherResult), 1, "does not reproduce"},
    };
    for (const Case& c : cases) {
        std::string path = writeScratch(std::string(c.name) + ".qvr", c.bytes);
        EXPECT_EQ(run("--verify " + path, output), c.status) << c.name << ": " << output;
        EXPECT_NE(output.find(path), std::string::npos) << c.name << ": " << output;
        EXPECT_NE(output.find(c.reason), std::string::npos) << c.name << ": " << output;
    }
    EXPECT_EQ(run("--verify /nonexistent/x.qvr", output), 2);
    EXPECT_NE(output.find("no such file"), std::string::npos) << output;
}

// An idle menu stops drawing once a frame would change nothing, draws again
// when input comes, and a game with such a pause in it still replays exactly.
TEST(Replays, AnIdleMenuRestsAndTheGameStillReplaysExactly) {
    ASSERT_TRUE(harness::boot());
    restWhenIdle(true);
    static int drawn = 0;
    void (*capture)() = beforeSwap;
    static void (*chained)() = nullptr;
    chained = capture;
    beforeSwap = [] {
        ++drawn;
        chained();
    };
    // His aim swings toward the cursor a little each frame, then stops.
    harness::cursorArena(0.3f, 0.3f);
    harness::frames(60);
    drawn = 0;
    harness::frames(10);
    EXPECT_EQ(drawn, 0) << "the idle menu at start is drawn again";
    harness::cursorArena(0.2f, 0.3f);
    harness::frames(5);
    EXPECT_GE(drawn, 1) << "a moved cursor is not drawn";

    startNewGame();
    harness::keyDown('D');
    harness::leftDown();
    harness::frames(60);
    harness::key(VkEscape); // the menu over a running fight, long enough to rest
    harness::frames(200);
    harness::key(VkEscape);
    harness::frames(60);
    harness::keyUp('D');
    harness::leftUp();
    endRecording(GameEnd::ProgramEnd);
    beforeSwap = capture;
    restWhenIdle(false);
    ReplayResult replayed = playReplayNow(lastReplay());
    EXPECT_TRUE(same(replayed, lastReplay().result));
}
