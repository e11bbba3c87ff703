// The window and its OpenGL context. The game draws a picture of a fixed
// size; the window shows it scaled to fit, at any size, in full screen too.
#include "platform/gl_loader.h"
#include "platform/letterbox.h"
#include "platform/pacing.h"
#include "platform/picture.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace platform {

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
WindowMode mode = WindowMode::Borderless;
int pictureW = 0;
int pictureH = 0;
bool frameCap = true;
FramePacer pacer;
int nextWindowW = 0;
int nextWindowH = 0;
bool pictureStale = true;

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// The refresh rate of the display the window is on; 0 when unknown.
int refreshHz() {
    int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0) display = 0;
    SDL_DisplayMode current{};
    if (SDL_GetCurrentDisplayMode(display, &current) != 0) return 0;
    return current.refresh_rate;
}

// Sleeps, when the swap did not wait for the display, until the display's
// next refresh would have come. The game reads its input right after.
void paceFrame(double swapStart, double swapEnd) {
    if (!frameCap || test::enabled()) return;
    double sleep = pacer.afterSwap(swapStart, swapEnd, refreshPeriodMs(refreshHz()));
    if (sleep > 0.0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(sleep));
}

bool fallbackDriverUnasked() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return true;
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return asked == nullptr || std::strstr(asked, driver) == nullptr;
}

// An ordinary window opens no larger than the desktop's usable area, its
// shape kept.
void fitToDesktop(int& width, int& height) {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return;
    if (width <= usable.w && height <= usable.h) return;
    if (static_cast<int64_t>(usable.w) * height <= static_cast<int64_t>(usable.h) * width) {
        height = static_cast<int>(static_cast<int64_t>(height) * usable.w / width);
        width = usable.w;
    } else {
        width = static_cast<int>(static_cast<int64_t>(width) * usable.h / height);
        height = usable.h;
    }
    if (width < 1) width = 1;
    if (height < 1) height = 1;
}

// Window points (what SDL reports for the pointer) to drawable pixels
// (what OpenGL draws): they differ on high-density displays.
void drawableScale(int& windowW, int& windowH, int& drawableW, int& drawableH) {
    SDL_GetWindowSize(window, &windowW, &windowH);
    SDL_GL_GetDrawableSize(window, &drawableW, &drawableH);
}

} // namespace

SDL_Window* sdlWindow() {
    return window;
}

void windowPointToPicture(int wx, int wy, int& px, int& py) {
    px = wx;
    py = wy;
    if (window == nullptr || !picture::active()) return;
    int ww = 0, wh = 0, dw = 0, dh = 0;
    drawableScale(ww, wh, dw, dh);
    if (ww <= 0 || wh <= 0 || dw <= 0 || dh <= 0) return;
    int dx = detail::clampToInt(detail::floorDiv(int64_t{wx} * dw, ww));
    int dy = detail::clampToInt(detail::floorDiv(int64_t{wy} * dh, wh));
    windowToPicture(placePicture(picture::smooth(), pictureW, pictureH, dw, dh), pictureW, pictureH,
                    dx, dy, px, py);
}

void picturePointToWindow(int px, int py, int& wx, int& wy) {
    wx = px;
    wy = py;
    if (window == nullptr || !picture::active()) return;
    int ww = 0, wh = 0, dw = 0, dh = 0;
    drawableScale(ww, wh, dw, dh);
    if (ww <= 0 || wh <= 0 || dw <= 0 || dh <= 0) return;
    int dx = 0, dy = 0;
    pictureToWindow(placePicture(picture::smooth(), pictureW, pictureH, dw, dh), pictureW, pictureH,
                    px, py, dx, dy);
    wx = detail::clampToInt(detail::ceilDiv(int64_t{dx} * ww, dw));
    wy = detail::clampToInt(detail::ceilDiv(int64_t{dy} * wh, dh));
}

void setWindowMode(WindowMode wanted) {
    mode = wanted;
}

bool frameCapOn() {
    return frameCap;
}

void setFrameCap(bool on) {
    frameCap = on;
}

namespace {

uint32_t madeContexts = 0;

enum class Flavour { Core, Es, Compatibility };

// OpenGL 3.3 core; OpenGL ES 3.0 (what WebGL 2 is) where QUORVEX_GL is "es",
// so that tests draw every frame both ways; a compatibility context of at
// least 3.3 where it is "compat" (the benchmark's fill floor draws the old
// way beside the game).
Flavour wantedFlavour() {
    const char* flavour = std::getenv("QUORVEX_GL");
    if (flavour != nullptr && std::strcmp(flavour, "es") == 0) return Flavour::Es;
    if (flavour != nullptr && std::strcmp(flavour, "compat") == 0) return Flavour::Compatibility;
    return Flavour::Core;
}

void askForContext(Flavour flavour) {
    SDL_GL_ResetAttributes();
    const int profile = flavour == Flavour::Es     ? SDL_GL_CONTEXT_PROFILE_ES
                        : flavour == Flavour::Core ? SDL_GL_CONTEXT_PROFILE_CORE
                                                   : SDL_GL_CONTEXT_PROFILE_COMPATIBILITY;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, profile);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, flavour == Flavour::Es ? 0 : 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// The version the made context reports, at least the one asked for (a
// driver may hand back less than asked without failing).
bool contextIsEnough() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version == nullptr) return false;
    const bool es = std::strncmp(version, "OpenGL ES ", 10) == 0;
    int major = 0, minor = 0;
    if (std::sscanf(es ? version + 10 : version, "%d.%d", &major, &minor) != 2) return false;
    return es ? major >= 3 : (major > 3 || (major == 3 && minor >= 3));
}

// For the message when the context falls short: what a context made with
// no demands reports.
std::string whatIsOffered() {
    std::string offered = "no OpenGL context at all";
    SDL_GL_ResetAttributes();
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (probe != nullptr) {
        SDL_GLContext any = SDL_GL_CreateContext(probe);
        if (any != nullptr) {
            const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
            const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
            offered = std::string("OpenGL ") + (version ? version : "of no known version") + " (" +
                      (renderer ? renderer : "unknown renderer") + ")";
            SDL_GL_DeleteContext(any);
        }
        SDL_DestroyWindow(probe);
    }
    return offered;
}

// One line on standard error; on Windows, whose windowed programs have no
// console to show it, in a message box too.
void refuse(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
#ifdef _WIN32
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Quorvex", line.c_str(), nullptr);
#endif
}

} // namespace

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
    askForContext(wantedFlavour());

    if (width < 1) width = 1;
    if (height < 1) height = 1;
    pictureW = width;
    pictureH = height;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    int x = 0;
    int y = 0;
    int windowW = width;
    int windowH = height;
    if (nextWindowW > 0 && nextWindowH > 0) {
        windowW = nextWindowW;
        windowH = nextWindowH;
    }
    switch (mode) {
    case WindowMode::Borderless:
        flags |= SDL_WINDOW_BORDERLESS;
        break;
    case WindowMode::Decorated:
        flags |= SDL_WINDOW_RESIZABLE;
        x = y = SDL_WINDOWPOS_CENTERED;
        fitToDesktop(windowW, windowH);
        break;
    case WindowMode::FullScreen:
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP;
        break;
    }
    window = SDL_CreateWindow(title != nullptr ? title : "", x, y, windowW, windowH, flags);
    if (window == nullptr) {
        refuse(std::string("No display could be opened: ") + SDL_GetError());
        return false;
    }
    context = SDL_GL_CreateContext(window);
    std::string missing;
    if (context == nullptr || !contextIsEnough() || !loadGlFunctions(missing)) {
        refuse("Quorvex needs OpenGL 3.3 core or OpenGL ES 3.0; this machine offers " +
               whatIsOffered() + (missing.empty() ? "" : " (without " + missing + ")"));
        if (context != nullptr) SDL_GL_DeleteContext(context);
        context = nullptr;
        SDL_DestroyWindow(window);
        window = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    ++madeContexts;
    // SDL starts with text input on; only the program's fields want it.
    if (!textInputOn()) SDL_StopTextInput();
    // Vertical sync where the driver offers it; frames are paced by the
    // clock where it is refused or has no effect.
    SDL_GL_SetSwapInterval(1);
    pacer = FramePacer{};
    if (!picture::open(width, height)) {
        // Drawing straight to the window: it must stay the picture's size.
        SDL_SetWindowResizable(window, SDL_FALSE);
        if (mode == WindowMode::FullScreen) SDL_SetWindowFullscreen(window, 0);
        glViewport(0, 0, width, height);
    }
    return true;
}

void setPicturePresenter(PicturePresenter presenter) {
    picture::setPresenter(presenter);
}

uint32_t contextSerial() {
    return madeContexts;
}

void destroyWindow() {
    if (context != nullptr) {
        picture::close();
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
}

bool hasScaledPicture() {
    return window != nullptr && picture::active();
}

void windowSize(int& width, int& height) {
    width = height = 0;
    if (window != nullptr) SDL_GL_GetDrawableSize(window, &width, &height);
}

bool isFullScreen() {
    return window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

void setFullScreen(bool on) {
    // Without the scaled picture a window larger than the picture would
    // show it in one corner; such a window stays as it is.
    if (window == nullptr || !picture::active() || on == isFullScreen()) return;
    markPictureStale();
    if (SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        std::fprintf(stderr, "Full screen could not be %s: %s\n", on ? "entered" : "left",
                     SDL_GetError());
    }
}

void setSmoothScaling(bool on) {
    if (picture::smooth() == on) return;
    picture::setSmooth(on);
    markPictureStale();
}

void setWindowPixelSize(int width, int height) {
    if (window == nullptr || width <= 0 || height <= 0 || isFullScreen()) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    if (w == width && h == height) return;
    SDL_SetWindowSize(window, width, height);
    markPictureStale();
}

void toggleFullScreen() {
    setFullScreen(!isFullScreen());
}

void changeDisplayMode(int, int, int) {
    // The display keeps its own mode: full screen is a window covering it,
    // showing the picture scaled, so nothing is left to restore on exit.
    setFullScreen(true);
}

void markPictureStale() {
    pictureStale = true;
}

void showPictureAgain() {
    if (window == nullptr) return;
    if (pictureStale || !picture::active()) {
        swapBuffers();
        return;
    }
    if (test::enabled()) return;
    double period = frameCap ? refreshPeriodMs(refreshHz()) : 1.0;
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(period));
}

void swapBuffers() {
    if (window == nullptr) return;
    pictureStale = false;
    picture::present(window);
    double start = nowMs();
    SDL_GL_SwapWindow(window);
    double end = nowMs();
    picture::bind();
    paceFrame(start, end);
}

namespace test {

void setNextWindowSize(int width, int height) {
    nextWindowW = width;
    nextWindowH = height;
}

bool readWindowPixels(std::vector<uint8_t>& rgba, int& width, int& height) {
    width = height = 0;
    rgba.clear();
    if (window == nullptr) return false;
    SDL_GL_GetDrawableSize(window, &width, &height);
    if (width <= 0 || height <= 0) return false;
    picture::present(window);
    picture::bindWindow();
    rgba.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    picture::bind();
    return true;
}

} // namespace test

} // namespace platform
