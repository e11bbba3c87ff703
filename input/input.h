// The input record: everything that enters the game. The window procedure's
// messages arrive one by one, in order, and turn into the held-input state
// below; each frame adds the measured tick delta and the cursor. The game,
// its layers and its interface read only this, never the window or the clock,
// so a recorded stream of it replays a game exactly.
#pragma once

#include <cstdint>

#include "input/pad_state.h"
#include "platform/platform.h"

// What one idle pass of the loop measured, read before the frame runs.
struct FrameInput {
    float tickDelta = 0.0f; // ms since the previous frame, before runFactor
    int32_t cursorX = 0;    // the cursor in picture pixels, anywhere on screen
    int32_t cursorY = 0;
};

// What a world keeps of its player's input (game/world/world.h).
struct InputState {
    FrameInput frameInput;

    // Held input, kept by the window procedure from the messages.
    uint8_t keyDown[256] = {};
    uint8_t leftButtonDown = 0;
    uint8_t rightButtonDown = 0;

    // The menu's state, also kept by the window procedure.
    uint8_t menuShown = 0;
    uint8_t creditsShown = 0;
    int32_t menuHover = 0; // 0 none, else the menu item (session/menu_items.h)

    PadState padState;
    // Set once the right stick has aimed: the pad places the crosshair (or
    // leaves it where the stick last put it) until the mouse moves.
    uint8_t padAiming = 0;
    // Set while the pad is the device in use: its last input came after the
    // keyboard's and the mouse's.
    uint8_t padInUse = 0;
    // The menu item (1 to 3) the stick or d-pad moved the hover to, where the
    // cursor then sits; 0 while the mouse places it.
    int32_t padMenuCursor = 0;
    // Set while A, pressed over the menu, is held: its release chooses.
    uint8_t padChoosing = 0;
};

// Takes in one frame's measurement. The mouse moving takes the cursor and
// the aim back from the pad.
void beginFrame(InputState& in, float tickDelta, int32_t cursorX, int32_t cursorY);

// Lets go of every key and button, the pad's too (focus lost, a new
// recording).
void releaseHeldInput(InputState& in);
// Lets go of the pad's buttons and sticks (it stays connected) and hands
// the cursor back to the mouse.
void releasePadInput(InputState& in);
