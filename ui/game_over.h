// Game Over: the title, the notice and the best games of the difficulty
// played, on a dark panel so the swarm underneath cannot drown them.
#pragma once

#include "game/scores/score_table.h"

// Drawn over the world and the status panel, under the menu. `onlineLine`,
// when not empty, is the game's online state, one row below the table.
void drawGameOver(const ScoreTable& table, int highlight, const char* onlineLine = "");
