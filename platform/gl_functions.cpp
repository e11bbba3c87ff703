#include "platform/gl_functions.h"

#include <SDL.h>

#define QUORVEX_GL_DEFINE(type, name) type quorvex_##name = nullptr;
QUORVEX_GL_FUNCTIONS(QUORVEX_GL_DEFINE)
#undef QUORVEX_GL_DEFINE

namespace platform {

bool loadGlFunctions(std::string& missing) {
    // SDL looks in opengl32.dll itself for the OpenGL 1.1 ones, which the
    // driver does not hand out.
#define QUORVEX_GL_LOAD(type, name)                                                                \
    quorvex_##name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));                         \
    if (quorvex_##name == nullptr) {                                                               \
        missing = #name;                                                                           \
        return false;                                                                              \
    }
    QUORVEX_GL_FUNCTIONS(QUORVEX_GL_LOAD)
#undef QUORVEX_GL_LOAD
    return true;
}

} // namespace platform
