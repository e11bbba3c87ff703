// Where recorded games go on the player's disk: every finished game as
// last.qvr in the replay folder, a game that made the score table also under
// its entry's name. The program connects these to the recorder's hooks; the
// verifier links none of it.
#pragma once

#include <string>

#include "game/scores/score_table.h"
#include "replay/replay_file.h"

// Where replays go; "" keeps them in memory only (tests, replays being
// shown). Set by the entry from the user's data folder.
void setReplayFolder(const std::string& folder);

// Enters a game whose Marine died in the score table; returns the name its
// replay will be kept under, "" when there is no replay folder.
std::string enterDeathInScores(ScoreEntry& entry);
// Saves a finished recording: last.qvr always, and under `deathName` while
// the table names it. A folder that cannot be written costs one line on
// standard error, once; the game goes on.
void saveFinishedReplay(const Replay& replay, const std::string& deathName);
