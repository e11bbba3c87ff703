// Draws the frame's draw list with OpenGL 3.3 core or OpenGL ES 3.0 (the
// same code, the same calls): every record becomes quads in one vertex
// buffer streamed each frame, drawn as indexed triangles by one pair of
// shaders, one call per run of records sharing a texture and blending.
// Pictures come from one atlas (render/texture_bank_gl.h), so a run is
// usually long; wide lines and round points, which core OpenGL and WebGL no
// longer draw, are quads of our own, and text is quads from the glyph
// texture (render/text.h).
#pragma once

#include <cstdint>

#include "draw/draw_list.h"

namespace render {

// Calls made for the last list drawn, for tests and the benchmark.
struct SubmitStats {
    uint32_t drawCalls = 0; // glDrawElements calls
    uint32_t texts = 0;     // texts drawn
    uint32_t records = 0;   // commands read
    uint32_t quads = 0;     // quads streamed
};

// Makes the shaders, the buffers and the vertex array, and sets blending
// with source alpha. False (with the reason on standard error) when the
// shaders cannot be made.
bool prepareContext();

// Draws `list` over the picture.
void submitDrawList(const DrawList& list);
const SubmitStats& lastSubmitStats();

} // namespace render
