// What the player does in one frame, in the game's own terms: no window
// messages, virtual keys, pixels or menu. The session (session/) makes one
// from the held input and the cursor every frame; stepWorld() reads nothing
// else of the player.
#pragma once

#include <cstdint>

#include "math/vec2.h"

enum WalkBits : uint8_t {
    WalkUp = 1,
    WalkDown = 2,
    WalkLeft = 4,
    WalkRight = 8,
};

struct TickInput {
    // Milliseconds since the previous frame, before the world's run factor
    // (which the previous frame's menu left) scales it.
    float tickDelta = 0.0f;
    // Where the crosshair is, in arena units: the mouse's, the pad's aim or
    // the pad's menu point. The Marine turns toward it under the menu too.
    Vec2 aim;
    uint8_t walk = 0;    // WalkBits held, in the menu's frames too
    uint8_t run = 0;     // run held
    uint8_t fire = 0;    // fire held
    uint8_t special = 0; // special attack held
    // The menu is up in this frame: the world stands still from the next
    // frame on, and nothing fires or trails in this one.
    uint8_t menuShown = 0;
    // A weapon (0 to 3) chosen since the last frame, or -1. Choosing the
    // weapon in hand again starts its reload over.
    int8_t weapon = -1;
};
