// The window and its OpenGL context.
#include "platform/platform.h"
#include "platform/sdl_window.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;

void applyDisplayMode(int width, int height, int bitsPerPixel) {
    SDL_DisplayMode wanted{};
    if (bitsPerPixel == 16) {
        wanted.format = SDL_PIXELFORMAT_RGB565;
    } else if (bitsPerPixel == 24 || bitsPerPixel == 32) {
        wanted.format = SDL_PIXELFORMAT_RGB888;
    }
    wanted.w = width;
    wanted.h = height;
    int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0) display = 0;
    SDL_DisplayMode closest{};
    // Like the Windows call, a mode the display lacks leaves the desktop as
    // it is; a near miss would stretch the game's fixed cursor mapping.
    if (SDL_GetClosestDisplayMode(display, &wanted, &closest) == nullptr) return;
    if (closest.w != width || closest.h != height) return;
    SDL_SetWindowDisplayMode(window, &closest);
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
}

bool fallbackDriverUnasked() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return true;
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return asked == nullptr || std::strstr(asked, driver) == nullptr;
}

} // namespace

SDL_Window* sdlWindow() {
    return window;
}

bool createWindow(const char* title, int width, int height) {
    if (window != nullptr) destroyWindow();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "No display could be opened: %s\n", SDL_GetError());
            return false;
        }
        // With no display SDL falls back to its invisible offscreen driver;
        // that is only wanted when asked for (headless tests).
        if (fallbackDriverUnasked()) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            std::fprintf(stderr, "No display could be opened: no X11 or Wayland display found\n");
            return false;
        }
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

    if (width < 1) width = 1;
    if (height < 1) height = 1;
    window = SDL_CreateWindow(title != nullptr ? title : "", 0, 0, width, height,
                              SDL_WINDOW_BORDERLESS | SDL_WINDOW_OPENGL);
    if (window == nullptr) {
        std::fprintf(stderr, "No display could be opened: %s\n", SDL_GetError());
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        std::fprintf(stderr, "No OpenGL context could be made for the window: %s\n",
                     SDL_GetError());
        SDL_DestroyWindow(window);
        window = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    // Vertical sync where the driver offers it; the game runs unthrottled otherwise.
    SDL_GL_SetSwapInterval(1);
    return true;
}

void destroyWindow() {
    if (context != nullptr) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
}

void changeDisplayMode(int width, int height, int bitsPerPixel) {
    if (window != nullptr) applyDisplayMode(width, height, bitsPerPixel);
}

void swapBuffers() {
    if (window != nullptr) SDL_GL_SwapWindow(window);
}

} // namespace platform
