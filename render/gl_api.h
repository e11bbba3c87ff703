// The one OpenGL API the back end speaks: OpenGL ES 3.0's, every call of
// which desktop OpenGL 3.3 core has too (and WebGL 2 in the browser). The
// compiler thereby refuses anything fixed-function or deprecated.
#pragma once

#ifdef QUORVEX_GL_LOADER
#include "platform/gl_functions.h"
#else
#include <GLES3/gl3.h>
#endif
