// The game's half of the window procedure: what each message does to the
// game. Turns messages into the input record's held state, opens and closes
// the menu, picks weapons and acts on menu choices. A replay is played by
// feeding its messages here, with or without a window.
#pragma once

#include <cstdint>

#include "input/input.h"
#include "platform/platform.h"

// What the game asks of the program around it; each may be null (the
// verifier), and none is called while a replay drives the game.
struct SessionHooks {
    void (*beforeNewGame)() = nullptr; // a new game is about to replace the old
    void (*afterNewGame)() = nullptr;  // the new game has been reset
    void (*exitChosen)() = nullptr;    // "Exit Win" was chosen
    void (*dailyChosen)() = nullptr;   // "Daily Challenge" was chosen
    void (*readCursor)(int32_t& x, int32_t& y) = nullptr;
    void (*moveCursor)(int32_t x, int32_t y) = nullptr;
};

extern SessionHooks sessionHooks;

// Handles one message (everything but the window's creation and
// destruction, which belong to the program).
void handleGameMessage(const Message& msg);
// Starts a new game from the menu: the world is reset and the menu closes.
// Since the second generation of the rules the new game depends only on its
// seed and the settings: nothing held or running is carried over.
void startNewGame();
// That start, after the reset: every random stream from `seed`, no timer,
// notice or held input left from before.
void startFromSeed(uint32_t seed);
