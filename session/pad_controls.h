// The driving gamepad as the game sees it, and what its sticks, triggers
// and buttons mean for the Marine and the menu. Pure: no device access.
#pragma once

#include <cstdint>

#include "input/pad_state.h"
#include "math/vec2.h"
#include "platform/platform.h"

// Applies one message; messages that are not about the pad, and buttons or
// axes out of range (a damaged replay), leave the state as it was.
void padOnMessage(PadState& pad, const Message& msg);

// The eight directions of W A S D: from the left stick past the dead zone,
// or from the d-pad.
struct PadDirections {
    bool up = false;
    bool down = false;
    bool left = false;
    bool right = false;
};
PadDirections padWalk(const PadState& pad);

// The crosshair at `reach` from the Marine in the right stick's direction.
// False while the stick rests in its dead zone: the aim stays where it was.
bool padAimPoint(const PadState& pad, Vec2 marinePos, float reach, Vec2& out);

bool padFire(const PadState& pad);    // right trigger, as the left button
bool padSpecial(const PadState& pad); // left trigger, as the right button
bool padRun(const PadState& pad);     // A or the left stick pressed, as Shift

// The weapon (0 to 3) that LB (step -1) or RB (step +1) selects: the owned
// weapon before or after `current`, wrapping around. `owned` holds weapon
// ids 100 to 103, `ownedCount` of them.
int padCycleWeapon(int current, const int32_t owned[4], int ownedCount, int step);

// Menu items top to bottom: 1 New Game, 2 Credits, 3 Exit Win; 0 is none.
// The item the hover moves to when the stick or d-pad goes from `before` to
// `now`: one step per push, held directions do not repeat; from no item,
// down goes to the first and up to the last.
int padMenuItem(int hover, const PadState& before, const PadState& now, int count);
// A point inside the item's hover box, where the cursor goes.
Vec2 padMenuItemPoint(int item);
