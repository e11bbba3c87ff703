// The cursor in arena coordinates: where the Marine aims and what the menu
// hovers. The device used last places it: the mouse, or the pad's right
// stick in a game and its stick or d-pad in the menu.
#pragma once

#include "math/vec2.h"

// Maps this frame's cursor (picture pixels) to the arena, or takes the pad's
// point while the pad aims or hovers.
void updateCursor();
