// The sender's rules that do not depend on how it runs: the desktop's thread
// and the page's loop steps both keep the status and the back-off by these.
#pragma once

#include <cstddef>
#include <string>

#include "online/api.h"
#include "online/sender.h"

namespace online {

// The largest replay the server takes.
constexpr size_t kMaxReplayBytes = 1024 * 1024;

// Seconds to wait after the given number of failed sends in a row (1, 2, 4...
// up to a minute); the server's Retry-After, when it sent one, wins.
long backoffSeconds(int failures, long retryAfter);

// The player's best ranks on the boards of the rules this build plays.
void noteBestRanks(Status& s, const PlayerInfo& info);

// Today's daily as the menu's plate shows it. A server on other rules serves
// a day this build cannot play; with Online off the plate knows nothing.
void noteDaily(Status& s, bool onlineOn, DailyInfo d);

} // namespace online
