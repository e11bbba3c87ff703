// One frame: the game's steps and the interface described in painter's
// order, drawn by the back end, then the swap.
#pragma once

#include "game/world/world.h"

void runFrame();
// Observers (tests, the benchmark) that read the finished frame before the
// swap; nullptr in the game.
extern void (*beforeSwap)();
