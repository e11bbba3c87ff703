// The cursor in arena coordinates: where the Marine aims and what the menu
// hovers. The device used last places it: the mouse, or the pad's right
// stick in a game and its stick or d-pad in the menu.
#pragma once

#include "math/vec2.h"

struct Session;
struct World;

// Maps this frame's cursor (picture pixels, with the world's picture size)
// to the arena, or takes the pad's point while the pad aims or hovers. The
// pad's aim is taken from where the Marine stands, only while he lives and
// the menu is hidden; it stays where the stick last put it.
Vec2 cursorAim(Session& s, const World& w);
