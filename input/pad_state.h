// The driving gamepad's held state, kept by the window procedure from the
// Pad messages next to the keys and buttons, and which device aims.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct PadState {
    bool connected = false;
    bool held[PadButtonCount] = {};
    int16_t axis[PadAxisCount] = {}; // as the Pad messages give them
};

extern PadState padState;
// Set once the right stick has aimed: the pad places the crosshair (or
// leaves it where the stick last put it) until the mouse moves.
extern uint8_t padAiming;
// Set while the pad is the device in use: its last input came after the
// keyboard's and the mouse's.
extern uint8_t padInUse;
// The menu item (1 to 3) the stick or d-pad moved the hover to, where the
// cursor then sits; 0 while the mouse places it.
extern int32_t padMenuCursor;
// Set while A, pressed over the menu, is held: its release chooses.
extern uint8_t padChoosing;

// Lets go of the pad's buttons and sticks (it stays connected) and hands
// the cursor back to the mouse.
void releasePadInput();
