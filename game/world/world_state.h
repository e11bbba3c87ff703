// Game state that no one subsystem owns: the game time, the last pick-up
// notice and the kills, read by the frame, the HUD and the replays.
#pragma once

#include <cstdint>

extern float gameTime; // seconds played in the current game
extern char pickupMessage[260];
extern float pickupMessageAlpha;
extern int32_t monstersKilled; // in the current game
// Which of the three ground pictures this run shows (0 green, 1 grey,
// 2 yellow-grey): chosen at start-up, kept by a replay.
extern int32_t groundScheme;
// The seed the current game started from (second generation of the rules).
extern uint32_t gameSeed;
