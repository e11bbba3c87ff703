// The driving gamepad's held state, kept by the window procedure from the
// Pad messages next to the keys and buttons.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct PadState {
    bool connected = false;
    bool held[PadButtonCount] = {};
    int16_t axis[PadAxisCount] = {}; // as the Pad messages give them
};
