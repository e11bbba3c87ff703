// What a replay's start and day may hold: values the game could have
// recorded, and since version 3 the canonical start of its seed.
#pragma once

#include <cstdint>

#include "replay/replay_file.h"

// The reason a start is one the game never records, or nullptr.
const char* absurdReplayStart(const ReplayStart& start, uint32_t version);
// A date the calendar has, as YYYYMMDD.
bool validReplayDay(uint32_t day);
// The reason a game was played with settings the game's options do not
// allow (a hand-made file), or nullptr.
const char* settingsOutOfRange(const ReplayStart& start);
