// The sender's rules shared by the desktop's thread and the page's loop.
#include <gtest/gtest.h>

#include <string>

#include "online/online_config.h"
#include "online/sender_rules.h"
#include "protocol/api.h"
#include "protocol/player_name.h"
#include "replay/replay_file.h"

namespace {

TEST(SenderRules, BackOffDoublesToAMinuteAndTheServersRetryAfterWins) {
    const struct {
        int failures;
        long retryAfter;
        long seconds;
    } cases[] = {{1, -1, 1},   {2, -1, 2}, {3, -1, 4},  {6, -1, 32},   {7, -1, 60},
                 {40, -1, 60}, {1, 0, 1},  {3, 30, 30}, {9, 300, 300}, {0, -1, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(online::backoffSeconds(c.failures, c.retryAfter), c.seconds)
            << c.failures << " failures, Retry-After " << c.retryAfter;
}

TEST(SenderRules, RanksAndTheDailyKeepOnlyWhatThisBuildPlays) {
    const int mine = generationOf(kReplayVersion);
    online::PlayerInfo info;
    info.ok = true;
    auto best = [](const char* board, int generation, int rank) {
        online::BestRun b;
        b.board = board;
        b.generation = generation;
        b.rank = rank;
        return b;
    };
    info.best = {best("abc-0.25-g2", mine, 3), best("abc-0.5", mine + 1, 7),
                 best("abc-1", mine, 0)};
    online::Status s;
    online::noteBestRanks(s, info);
    ASSERT_EQ(s.boardCount, 1);
    EXPECT_EQ(s.boardRank[0], 3);
    EXPECT_FLOAT_EQ(s.boardAcceleration[0], 0.25f);
    EXPECT_FLOAT_EQ(protocol::accelerationOfBoard("nodash"), -1.0f);

    online::DailyInfo day;
    day.ok = true;
    day.generation = mine + 1;
    online::noteDaily(s, true, day);
    EXPECT_EQ(s.daily, online::DailyState::Failed);
    EXPECT_STREQ(s.dailyReason, "server on other rules");
    day.generation = mine;
    day.seed = 77;
    online::noteDaily(s, true, day);
    EXPECT_EQ(s.daily, online::DailyState::Ready);
    EXPECT_EQ(s.dailySeed, 77u);
    online::noteDaily(s, false, day);
    EXPECT_EQ(s.daily, online::DailyState::Unknown);
    EXPECT_EQ(s.dailyAnswers, 3);
}

// The game's check and the server's agree on a name's shape; only letters
// of other scripts are left to the server.
TEST(SenderRules, NamesAreStrictUtf8OfTwentyCharactersAtMost) {
    using protocol::NameShape;
    std::string twentyE;
    for (int i = 0; i < 20; ++i)
        twentyE += "\xC3\xA9";
    const struct {
        std::string name;
        NameShape shape;
    } cases[] = {
        {"Ann", NameShape::Ok},
        {"Zo\xC3\xAB \xE6\x9D\x8E.x_y-z", NameShape::Ok},
        {twentyE, NameShape::Ok},
        {twentyE + "e", NameShape::Length},
        {"a", NameShape::Length},
        {std::string(81, 'a'), NameShape::Length},
        {"x\xC0\xAF", NameShape::NotUtf8},         // overlong '/'
        {"x\xE0\x80\xAF", NameShape::NotUtf8},     // overlong, three bytes
        {"x\xED\xA0\x80", NameShape::NotUtf8},     // a surrogate
        {"x\xF4\x90\x80\x80", NameShape::NotUtf8}, // past U+10FFFF
        {"Ann\xC3", NameShape::NotUtf8},           // cut short
        {" Ann", NameShape::EdgeSpace},
        {"Ann ", NameShape::EdgeSpace},
        {"Ann<b>", NameShape::BadAscii},
        {"Ann\tB", NameShape::BadAscii},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char bad = 0;
        EXPECT_EQ(protocol::checkNameShape(c.name, nullptr, &bad), c.shape);
        EXPECT_EQ(online::checkName(c.name).empty(), c.shape == NameShape::Ok)
            << online::checkName(c.name);
        if (c.shape == NameShape::BadAscii) {
            EXPECT_TRUE(bad == '<' || bad == '\t');
        }
    }
    EXPECT_EQ(protocol::boardKey("00ff", "0.25", 1), "00ff-0.25");
    EXPECT_EQ(protocol::boardKey("00ff", "0.25", 3), "00ff-0.25-g3");
    EXPECT_EQ(protocol::generationOfBoard("00ff-0.25-g3"), 3);
    EXPECT_EQ(protocol::generationOfBoard("00ff-0.25"), 1);
    EXPECT_FLOAT_EQ(protocol::accelerationOfBoard("00ff-0.25-g3"), 0.25f);
}

} // namespace
