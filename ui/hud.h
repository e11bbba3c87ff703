#pragma once

#include "draw/draw_list.h"
#include "math/vec2.h"

// The status panel.
void drawHud();
// A line from `start` toward `end`, `value` percent of the way.
void drawBar(const Vec2& start, const Vec2& end, float value, Colour colour, float width);
