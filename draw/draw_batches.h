// Fewer, longer runs for a back end. The game describes a crowded frame in
// the painter's order, where monsters and decals of a few pictures alternate
// at random, so neighbours rarely share a texture. A record may move back to
// join the last run of its own state when nothing drawn after that run covers
// any of its pixels: everything that changes places is apart on the screen,
// so every pixel sees the same fragments in the same order. (Mesa's software
// driver clips a draw reaching outside the picture a few vertices at a time
// and rounds those slightly differently, so in a crowded frame a pixel here
// and there may come out one step apart from drawing record by record.)
#pragma once

#include <cstdint>

#include "draw/draw_list.h"

namespace draw {

// Rewrites `in` as `out`, each run of `out` one command. `pixelW` and
// `pixelH` are one pixel of the picture in list units (the list spans -1 to 1
// across the viewport). Texts stay where they are and nothing moves past
// one. False, with `out` left unusable, when the runs would not fit in a
// list; the caller then draws `in` as it is.
bool batch(const DrawList& in, float pixelW, float pixelH, DrawList& out);

} // namespace draw
