#include "online/sender_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "protocol/api.h"
#include "replay/replay_file.h"

namespace online {

long backoffSeconds(int failures, long retryAfter) {
    constexpr long kMaxBackoffSeconds = 60;
    if (retryAfter >= 0) return std::max<long>(retryAfter, 1);
    return std::min<long>(kMaxBackoffSeconds, 1L << std::clamp(failures - 1, 0, 10));
}

void noteBestRanks(Status& s, const PlayerInfo& info) {
    s.boardCount = 0;
    for (const BestRun& b : info.best) {
        // Ranks in the rules this build plays; the older boards are history.
        if (s.boardCount == Status::kMaxBoards || b.rank <= 0 ||
            b.generation != generationOf(kReplayVersion))
            continue;
        s.boardAcceleration[s.boardCount] = protocol::accelerationOfBoard(b.board);
        s.boardRank[s.boardCount] = b.rank;
        ++s.boardCount;
    }
}

void noteDaily(Status& s, bool onlineOn, DailyInfo d) {
    if (d.ok && d.generation != 0 && d.generation != generationOf(kReplayVersion)) {
        d.ok = false;
        d.error = "server on other rules";
    }
    ++s.dailyAnswers;
    if (!onlineOn) {
        s.daily = DailyState::Unknown;
        return;
    }
    s.daily = d.ok ? DailyState::Ready : DailyState::Failed;
    if (d.ok) {
        s.dailyDay = d.day;
        s.dailySeed = d.seed;
        s.dailyAcceleration = d.spawnAcceleration;
    }
    std::snprintf(s.dailyReason, sizeof s.dailyReason, "%s", d.error.c_str());
}

} // namespace online
