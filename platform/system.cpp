// Cursor, clock and message boxes, each with the scripted stand-in that
// tests switch on.
#include "platform/platform.h"
#include "platform/scripted.h"
#include "platform/sdl_window.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

void printBox(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

} // namespace

void getCursorPos(int& x, int& y) {
    if (scripted::on()) {
        scripted::cursor(x, y);
        return;
    }
    // Over the window SDL follows the pointer from its motion events; away
    // from it the position is read screen-wide, then made relative to the
    // window. Either way it ends in the picture's pixels.
    int wx = 0, wy = 0;
    SDL_Window* window = sdlWindow();
    if (window == nullptr || SDL_GetMouseFocus() == window) {
        SDL_GetMouseState(&wx, &wy);
    } else {
        int gx = 0, gy = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        int left = 0, top = 0;
        SDL_GetWindowPosition(window, &left, &top);
        wx = gx - left;
        wy = gy - top;
    }
    windowPointToPicture(wx, wy, x, y);
}

void setCursorPos(int x, int y) {
    if (scripted::on()) {
        scripted::moveCursor(x, y);
        return;
    }
    if (sdlWindow() == nullptr) return;
    int wx = 0, wy = 0;
    picturePointToWindow(x, y, wx, wy);
    SDL_WarpMouseInWindow(sdlWindow(), wx, wy);
}

void showCursor(bool show) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

uint32_t tickCount() {
    return scripted::on() ? scripted::ticks() : SDL_GetTicks();
}

void messageBox(const char* text, const char* caption) {
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "";
    if (scripted::on()) {
        scripted::captureBox(text, caption);
        printBox(text, caption);
        return;
    }
    // Failures say so in the caption or text; they get the error icon.
    bool error = std::strstr(caption, "Error") != nullptr ||
                 std::strstr(caption, "not found") != nullptr ||
                 std::strstr(text, "Error") != nullptr;
    Uint32 flags = error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, caption, text, sdlWindow()) != 0) printBox(text, caption);
}

} // namespace platform
