// The player's high-score table on disk, $XDG_DATA_HOME/quorvex/scores.txt,
// and the replays it keeps in replays/ beside it. Several copies of the game
// may finish games at once: every save locks, re-reads, merges and writes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "game/scores/score_table.h"
#include "saving/score_text.h"

// Reads the table once at start. A table that cannot be read is moved aside
// (one line on standard error names both files) and a fresh one starts; a
// missing one is simply empty. Calling it again reloads.
void loadScoreTable();

// A game has ended with the Marine's death. Adds it to the table in memory
// and on disk, and returns its rank index in scoreTable() (-1 when it does
// not make the table). When replay bytes are given they are written, under
// the same lock, as replays/last.qvr and, if the game made the table, under
// entry.replay (a name is made up when it is "-"). Replays that no entry
// names are then removed, last.qvr excepted. Nothing here stops the game: an
// unwritable folder costs one line on standard error and the entry still
// shows for this session.
int recordFinishedGame(const ScoreEntry& entry, const void* replayData = nullptr,
                       size_t replaySize = 0);

// A replay file name, game-<UTC end time>[-n].qvr, that no file in the
// replays folder and no entry uses yet; "" with no usable home.
std::string unusedReplayName(int64_t endTime);

// The table as drawn: best first (loaded on first use if need be).
const ScoreTable& scoreTable();
// Rank index of the game recorded last in this session, -1 when none (or it
// did not make the table).
int newestScoreIndex();

// `quorvex --scores`: a readable table, or a line saying it is empty.
void printScores(std::FILE* out);
// `--replay best`: the best entry's replay file, "" when there is none.
const char* bestReplayPath();

// $XDG_DATA_HOME/quorvex (or ~/.local/share/quorvex); "" with no usable home.
const std::string& scoresFolder();
// <scoresFolder>/replays, "" with no usable home.
std::string replaysFolder();

// Forgets the table and every one-time message (tests).
void resetScoreStore();
