// The second generation of the rules: a seed decides the monsters and the
// drops whatever the player does, and a version-3 replay says from which
// second it parts from its game, refusing starts, frames and ends the game
// never makes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bot.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rng.h"
#include "math/rules_math.h"
#include "platform/platform.h"
#include "replay/replay_file.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "replay/verifier.h"

namespace {

// What one game showed of its seed: the spawn stream after every frame that
// spawned (by frame), and the drop stream after every kill count.
struct SeedTrace {
    uint32_t seed = 0;
    std::vector<std::pair<int, uint32_t>> spawns;
    std::map<int, uint32_t> drops;
    int killsAt30s = -1;
    float lasted = 0.0f;
};

// A bot of the given skill and seed plays from New Game for at most a
// minute of game time, or until it dies.
SeedTrace playFromTheMenu(const bot::Skill& skill, uint32_t botSeed) {
    SeedTrace trace;
    EXPECT_TRUE(harness::boot());
    harness::skipRendering();
    bot::Player player;
    player.begin(skill, botSeed);
    player.restartGames = true;
    uint32_t spawnState = 0;
    for (int f = 0; f < 60 * 70; ++f) {
        if (player.gamesStarted == 0) {
            player.act(16.0f);
            harness::frame(16);
            player.observe();
            spawnState = world().spawnRng.state;
            trace.seed = world().gameSeed;
            continue;
        }
        player.restartGames = false;
        player.act(16.0f);
        harness::frame(16);
        player.observe();
        if (world().spawnRng.state != spawnState)
            trace.spawns.emplace_back(f, world().spawnRng.state);
        spawnState = world().spawnRng.state;
        trace.drops[world().monstersKilled] = world().dropRng.state;
        if (trace.killsAt30s < 0 && world().gameTime >= 30.0f)
            trace.killsAt30s = world().monstersKilled;
        if (world().marine.marineDead || world().gameTime >= 60.0f) break;
    }
    trace.lasted = world().gameTime;
    player.releaseAll();
    return trace;
}

Replay committedReplay(const char* name) {
    Replay replay;
    std::string why;
    EXPECT_TRUE(
        readReplayFile(std::string(QUORVEX_SOURCE_DIR) + "/tests/replays/" + name, replay, why))
        << why;
    return replay;
}

// The replay after a trip through the file format, as a forger would write
// it (the file's own checksum made anew).
bool reencode(const Replay& in, Replay& out, std::string& why) {
    std::vector<uint8_t> bytes = encodeReplay(in);
    return decodeReplay(bytes.data(), bytes.size(), out, why);
}

} // namespace

TEST(Generations, TwoGamesFromOneSeedMeetTheSameMonstersAndDropsHoweverTheyPlay) {
    SeedTrace sharp = playFromTheMenu(bot::kSharp, 3);
    SeedTrace human = playFromTheMenu(bot::kHuman, 11);
    ASSERT_EQ(sharp.seed, human.seed) << "both games start from the same clock";
    ASSERT_GT(std::min(sharp.lasted, human.lasted), 20.0f) << "a bot died too soon to compare";
    // Played differently...
    EXPECT_NE(sharp.killsAt30s, human.killsAt30s);
    // ...the same monsters came at the same frames while both lived.
    size_t common = std::min(sharp.spawns.size(), human.spawns.size());
    ASSERT_GT(common, 15u);
    for (size_t i = 0; i < common; ++i) {
        EXPECT_EQ(sharp.spawns[i], human.spawns[i]) << "spawn " << i;
        if (sharp.spawns[i] != human.spawns[i]) break;
    }
    // And the n-th kill left the same as the other game's n-th.
    int compared = 0;
    for (const auto& [kills, state] : sharp.drops) {
        auto other = human.drops.find(kills);
        if (other == human.drops.end()) continue;
        EXPECT_EQ(state, other->second) << "after " << kills << " kills";
        ++compared;
    }
    EXPECT_GT(compared, 10);
}

TEST(Generations, EditedSecondSumsNameTheSecondTheReplayPartsFrom) {
    ASSERT_TRUE(harness::boot());
    const Replay good = committedReplay("gen2-seed03.qvr");
    ASSERT_GT(good.secondSums.size(), 40u);
    const int n = static_cast<int>(good.secondSums.size());

    struct Case {
        const char* name;
        void (*edit)(Replay&);
        int from;
    } cases[] = {
        {"untouched", [](Replay&) {}, -1},
        {"one edited", [](Replay& r) { r.secondSums[12] ^= 1; }, 12},
        {"two swapped", [](Replay& r) { std::swap(r.secondSums[20], r.secondSums[21]); }, 20},
        {"the last cut", [](Replay& r) { r.secondSums.pop_back(); }, n - 1},
        {"half cut", [](Replay& r) { r.secondSums.resize(r.secondSums.size() / 2); }, n / 2},
        {"one added", [](Replay& r) { r.secondSums.push_back(7); }, n},
        {"the end's checksum", [](Replay& r) { r.result.checksum ^= 1; }, n},
    };
    for (const Case& c : cases) {
        Replay edited = good;
        c.edit(edited);
        Replay read;
        std::string why;
        ASSERT_TRUE(reencode(edited, read, why)) << c.name << ": " << why;
        VerifyOutcome v = verifyReplay(read);
        EXPECT_EQ(v.differsFrom, c.from) << c.name;
        EXPECT_EQ(v.status, c.from < 0 ? VerifyStatus::Verified : VerifyStatus::Differs) << c.name;
        if (c.from >= 0) {
            EXPECT_NE(v.reason.find("differs from " + std::to_string(c.from) + " s on"),
                      std::string::npos)
                << c.name << ": " << v.reason;
        }
    }
}

TEST(Generations, StartsFramesAndEndsTheGameNeverMakesAreRefused) {
    ASSERT_TRUE(harness::boot());
    const Replay good = committedReplay("gen2-seed01.qvr");

    // What the reader refuses outright.
    struct Bad {
        const char* name;
        void (*edit)(Replay&);
        const char* why;
    } bad[] = {
        {"a held key", [](Replay& r) { r.start.keyDown['W'] = 1; }, "input held"},
        {"a running spawn timer", [](Replay& r) { r.start.spawnTimer = 250.0f; }, "timer"},
        {"a notice", [](Replay& r) { r.start.pickupMessageAlpha = 0.5f; }, "notice"},
        {"another seed", [](Replay& r) { r.start.seed += 1; }, "seed"},
        {"a hovered item", [](Replay& r) { r.start.menuHover = 1; }, "menu"},
        {"no end", [](Replay& r) { r.result.end = GameEnd::Unknown; }, "ended"},
        {"a day that is no date", [](Replay& r) { r.result.day = 20261331; }, "no date"},
        {"a frame of no length",
         [](Replay& r) {
             // The first frame's whole milliseconds, as a varint, become 0.
             for (size_t i = 0; i + 1 < r.events.size(); ++i)
                 if (r.events[i] == 0x80 || r.events[i] == 0x81) {
                     r.events[i + 1] = 0;
                     break;
                 }
         },
         "shorter than a millisecond"},
    };
    for (const Bad& b : bad) {
        Replay edited = good;
        b.edit(edited);
        Replay read;
        std::string why;
        EXPECT_FALSE(reencode(edited, read, why)) << b.name;
        EXPECT_NE(why.find(b.why), std::string::npos) << b.name << ": " << why;
    }

    // Ends that the game it replays does not show: he died in this one.
    for (GameEnd end : {GameEnd::NewGame, GameEnd::ExitWin, GameEnd::ProgramEnd}) {
        Replay edited = good;
        edited.result.end = end;
        Replay read;
        std::string why;
        ASSERT_TRUE(reencode(edited, read, why)) << why;
        VerifyOutcome v = verifyReplay(read);
        EXPECT_EQ(v.status, VerifyStatus::Unusable) << gameEndName(end);
        EXPECT_NE(v.reason.find("is not how the game it replays ends"), std::string::npos)
            << v.reason;
    }
}

TEST(Generations, AGameMadeWithTheOldRulesButCalledVersionThreeDiffers) {
    // A build that records version 3 while it still plays by the first
    // generation's math and single random sequence.
    ASSERT_TRUE(harness::boot());
    harness::skipRendering();
    bot::Player player;
    player.begin(bot::kHuman, 5);
    for (int f = 0; f < 60 * 20 && !world().marine.marineDead; ++f) {
        if (player.gamesStarted > 0) {
            player.restartGames = false;
            followGeneration(kFirstGeneration);
        }
        player.act(16.0f);
        harness::frame(16);
        player.observe();
    }
    player.releaseAll();
    endRecording(GameEnd::ProgramEnd);
    followGeneration(kCurrentGeneration);
    const Replay& made = lastReplay();
    ASSERT_EQ(made.version, 3u);
    ASSERT_GT(made.secondSums.size(), 5u);
    VerifyOutcome v = verifyReplay(made);
    EXPECT_EQ(v.status, VerifyStatus::Differs);
    EXPECT_GE(v.differsFrom, 0);
    EXPECT_LT(v.differsFrom, static_cast<int>(made.secondSums.size()));
}

TEST(Generations, FirstGenerationFilesAreRefusedOnlyWhereTheMathLibraryDiffers) {
    ASSERT_TRUE(harness::boot());
    VerifyOutcome v = verifyReplay(committedReplay("bot-seed01.qvr"));
    EXPECT_EQ(v.generation, 1);
    if (platformReplaysGeneration1()) {
        EXPECT_EQ(v.status, VerifyStatus::Verified) << v.reason;
        EXPECT_FALSE(v.otherPlatform);
    } else {
        EXPECT_EQ(v.status, VerifyStatus::Unusable);
        EXPECT_TRUE(v.otherPlatform);
        EXPECT_EQ(v.reason, kOtherPlatformReason);
    }
}
