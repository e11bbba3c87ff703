// The input record: everything that enters the game. The window procedure's
// messages arrive one by one, in order, and turn into the held-input state
// below; each frame adds the measured tick delta and the cursor. The game,
// its layers and its interface read only this, never the window or the clock,
// so a recorded stream of it replays a game exactly.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// What one idle pass of the loop measured, read before the frame runs.
struct FrameInput {
    float tickDelta = 0.0f; // ms since the previous frame, before runFactor
    int32_t cursorX = 0;    // the cursor in picture pixels, anywhere on screen
    int32_t cursorY = 0;
};

extern FrameInput frameInput;

extern float frameDelta; // ms since the previous frame, times runFactor
extern float runFactor;  // 0 while the menu freezes the world, else 1

// Held input, kept by the window procedure from the messages.
extern uint8_t keyDown[256];
extern uint8_t leftButtonDown;
extern uint8_t rightButtonDown;

// The menu's state, also kept by the window procedure.
extern uint8_t menuShown;
extern uint8_t creditsShown;
extern int32_t menuHover; // 0 none, else the menu item (game/session/menu_items.h)

// Takes in one frame's measurement. The factor is the one the previous frame
// left: a menu opened or closed during a frame changes the speed of the
// world from the next frame on, never the frame that noticed it.
void beginFrame(float tickDelta, int32_t cursorX, int32_t cursorY);

// Lets go of every key and button, the pad's too (focus lost, a new
// recording).
void releaseHeldInput();
