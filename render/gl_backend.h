// Draws the frame's draw list with OpenGL: one glDrawArrays call per run of
// records of the same texture, blending, primitive and size (draw_batches.h
// forms the runs, moving only what nothing between covers), with client-side
// vertex arrays and the fixed-function pipeline. Text goes through the fonts'
// display lists, as it always has.
#pragma once

#include <cstdint>

#include "draw/draw_list.h"

namespace render {

// Calls made for the last list drawn, for tests and the benchmark.
struct SubmitStats {
    uint32_t drawCalls = 0; // glDrawArrays calls
    uint32_t texts = 0;     // texts drawn
    uint32_t records = 0;   // commands read
};

// Blending with source alpha, on for the whole run (start-up).
void prepareContext();

// Draws `list` over the picture. Leaves blending on and texturing enabled,
// as a frame always has.
void submitDrawList(const DrawList& list);
const SubmitStats& lastSubmitStats();

} // namespace render
