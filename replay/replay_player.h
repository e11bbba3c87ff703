// Plays recorded games into the game with no window: every recorded message
// and frame in order, as fast as the machine allows.
#pragma once

#include <string>
#include <vector>

#include "replay/replay_file.h"

// Reads and checks a replay file. On failure `why` holds the reason in a
// few words.
bool readReplayFile(const std::string& path, Replay& out, std::string& why);

// The reason a replay made with other rule data cannot be played.
extern const char* const kOtherRulesReason;

// The game as it was right after the recording's New Game (recording off,
// the replay driving).
void restartAsRecorded(const Replay& replay);

// Plays every input of `replay` into the game, frame after frame, with no
// pause (after the rules have started). Returns what the game came to;
// `secondSums`, when given, receives the checksum of each whole second.
ReplayResult playReplayNow(const Replay& replay, std::vector<uint64_t>* secondSums = nullptr);

// Plays `replay` up to the end of the first frame whose game time reaches
// `seconds` (or to its end), and returns the number of frames played. The
// world is left as it was at that moment.
uint32_t playReplayTo(const Replay& replay, float seconds);

// Score, time, kills and checksum equal (the time bit for bit).
bool sameResult(const ReplayResult& a, const ReplayResult& b);
