#include "platform/process.h"

#include <SDL.h>

#include <cstdlib>

namespace platform {

void runHeadless() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
}

void sleepMs(uint32_t ms) {
    SDL_Delay(ms);
}

} // namespace platform
