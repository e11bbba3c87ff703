// One frame: every subsystem's step in painter's order, then the swap.
#pragma once

extern float gameTime; // seconds played in the current game
extern char pickupMessage[260];
extern float pickupMessageAlpha;

void runFrame();
// Observers (tests, the benchmark) that read the finished frame before the
// swap; nullptr in the game.
extern void (*beforeSwap)();
void drawNotice();
void drawFps();
