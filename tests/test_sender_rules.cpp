// The sender's rules shared by the desktop's thread and the page's loop.
#include <gtest/gtest.h>

#include "online/sender_rules.h"
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
    EXPECT_FLOAT_EQ(online::accelerationOfBoard("nodash"), -1.0f);

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

} // namespace
