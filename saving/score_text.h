// scores.txt as text: "quorvex-scores 2", then one tab-separated line per
// entry; "quorvex-scores 1" files (no difficulty column, all Normal) still
// read.
#pragma once

#include <cstddef>
#include <string>

#include "game/scores/score_table.h"

constexpr size_t kScoresFileMaxBytes = 16384;
std::string formatScores(const ScoreTable& table);
// Strict: anything but the exact format with values in range is refused,
// with the reason (line number included) in `why`.
bool parseScores(const char* text, size_t length, ScoreTable& out, std::string* why);
