// What the platform files share about the one window; not for the game.
#pragma once

#include <SDL_video.h>

namespace platform {

// The open window, or null before createWindow and after destroyWindow.
SDL_Window* sdlWindow();

} // namespace platform
