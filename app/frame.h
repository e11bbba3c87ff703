// One frame: every subsystem's step in painter's order, then the swap.
#pragma once

#include "game/world/world_state.h"

void runFrame();
// Observers (tests, the benchmark) that read the finished frame before the
// swap; nullptr in the game.
extern void (*beforeSwap)();
void drawNotice();
void drawFps();
