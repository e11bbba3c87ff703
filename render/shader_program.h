// The back end's one pair of shaders: a picture's texel times the vertex's
// colour. Written once; the first line says which GLSL the context speaks
// (330 core on the desktop, 300 es for OpenGL ES and WebGL 2).
#pragma once

#include <cstdint>

namespace render {

// Vertex attribute locations the program reads.
inline constexpr uint32_t kPositionAttribute = 0;
inline constexpr uint32_t kTexCoordAttribute = 1;
inline constexpr uint32_t kColourAttribute = 2;

// True when the current context is OpenGL ES (or WebGL).
bool contextIsEs();
// Compiles and links the program for the current context; 0 when it fails,
// with the compiler's log on standard error.
uint32_t makeShaderProgram();

} // namespace render
