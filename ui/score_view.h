// The best games where players look: a table under "Game Over" and one line
// at the foot of the menu.
#pragma once

#include "game/scores/score_table.h"

// Below "Press any key...": rank, score, time (m:ss) and date (UTC) of each
// entry in font 0, the row at `highlight` (-1 for none) in gold, and
// "New best!" above the table when the highlighted game tops it.
void drawScoreTable(const ScoreTable& table, int highlight);
// The lowest point the table reaches: its last row's baseline, or the
// notice's when the table is empty.
float scoreTableBottom(const ScoreTable& table);
// "Best: <score> in <m:ss>" above the menu's footer, followed by
// "  Online #N" when `onlineRank` > 0; nothing when the table is empty.
void drawBestLine(const ScoreTable& table, int onlineRank = 0);
