// Input and timing state shared by the whole game, and the window procedure
// that turns window messages into it.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "render/vec2.h"

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

extern float frameDelta;    // ms since the previous frame, times runFactor
extern float runFactor;     // 0 while the menu freezes the world, else 1
extern float previousTicks; // tick count of the previous idle pass
extern uint8_t keyDown[256];
extern uint8_t leftButtonDown;
extern uint8_t rightButtonDown;
extern uint8_t menuShown;
extern uint8_t creditsShown;
extern int32_t menuHover; // 0 none, 1 New Game, 2 Credits, 3 Exit Win
extern ScreenPoint savedCursor;
extern Vec2 cursorArena;

// Reads the cursor and maps it to arena coordinates.
void updateCursor();
// Handles one message; the message loop and tests feed every message here.
void windowProc(const Message& msg);
// Releases the rendering context and the window and posts the quit message.
void shutDown();
