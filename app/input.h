// The window procedure: turns window messages into the input record's held
// state, opens and closes the menu, picks weapons and acts on menu clicks.
#pragma once

#include <cstdint>

#include "game/player/aim_cursor.h"
#include "input/input.h"
#include "platform/platform.h"

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

extern float previousTicks; // tick count of the previous idle pass
extern ScreenPoint savedCursor;
// Set while a replay feeds the window procedure: the real cursor is neither
// read nor moved, and "Exit Win" does not end the program.
extern bool replayDriving;

// Handles one message; the message loop and tests feed every message here.
void windowProc(const Message& msg);
// Starts a new game from the menu: the world is reset and the menu closes.
void startNewGame();
// Releases the rendering context and the window and posts the quit message.
void shutDown();
