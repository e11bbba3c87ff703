#include "platform/process.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>

namespace platform {

namespace {

void setEnv(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

} // namespace

void runHeadless() {
    setEnv("SDL_VIDEODRIVER", "offscreen");
    setEnv("ALSOFT_DRIVERS", "null");
    // Mesa's Gallium drivers then do no rendering work at all; the calls and
    // the state they set behave as usual. Other drivers ignore it.
    setEnv("GALLIUM_NOOP", "true");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
}

void discardDrawing(bool discard) {
    // GL_RASTERIZER_DISCARD: core since OpenGL 3.0; an older context just
    // reports an error and draws as before.
    constexpr GLenum kRasterizerDiscard = 0x8C89;
    if (discard) {
        glEnable(kRasterizerDiscard);
    } else {
        glDisable(kRasterizerDiscard);
    }
    glGetError();
}

void sleepMs(uint32_t ms) {
    SDL_Delay(ms);
}

} // namespace platform
