// The cursor in arena coordinates: where the Marine aims and what the menu
// hovers.
#pragma once

#include "render/vec2.h"

extern Vec2 cursorArena;

// Maps this frame's cursor (picture pixels) to the arena.
void updateCursor();
