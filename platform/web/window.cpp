// The canvas and its WebGL 2 context. The game draws a picture of a fixed
// size into a framebuffer; each frame shows it letterboxed in the canvas,
// which the page stretches over the whole window.
#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdio>

#include "platform/letterbox.h"
#include "platform/platform.h"
#include "platform/web/web_window.h"

namespace platform {

namespace {

constexpr const char* kCanvas = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
uint32_t serial = 0;
int pictureW = 0;
int pictureH = 0;
GLuint framebuffer = 0;
GLuint colour = 0;
GLuint depth = 0;
bool smooth = true;
bool frameCap = true;
bool fullScreen = false;
PicturePresenter presenter = nullptr;
int canvasW = 0;
int canvasH = 0;

// The canvas's drawing buffer follows its CSS size at the display's density.
void fitCanvas() {
    double cssW = 0.0, cssH = 0.0;
    emscripten_get_element_css_size(kCanvas, &cssW, &cssH);
    double ratio = emscripten_get_device_pixel_ratio();
    int w = static_cast<int>(std::lround(cssW * ratio));
    int h = static_cast<int>(std::lround(cssH * ratio));
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    if (w != canvasW || h != canvasH) {
        emscripten_set_canvas_element_size(kCanvas, w, h);
        canvasW = w;
        canvasH = h;
    }
}

bool openPicture() {
    glGenFramebuffers(1, &framebuffer);
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pictureW, pictureH, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, pictureW, pictureH);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!ok) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        framebuffer = 0;
        return false;
    }
    glViewport(0, 0, pictureW, pictureH);
    return true;
}

PictureRect placed() {
    return placePicture(smooth, pictureW, pictureH, canvasW, canvasH);
}

// The picture into the canvas: black bars, the picture scaled and centred.
void present() {
    fitCanvas();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, canvasW, canvasH);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    PictureRect r = placed();
    int y = canvasH - r.y - r.h;
    GLenum filter = smooth && !wholeScale(r, pictureW, pictureH) ? GL_LINEAR : GL_NEAREST;
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    if (presenter == nullptr || !presenter(colour, canvasW, canvasH, r.x, y, r.w, r.h)) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glBlitFramebuffer(0, 0, pictureW, pictureH, r.x, y, r.x + r.w, y + r.h, GL_COLOR_BUFFER_BIT,
                          filter);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, pictureW, pictureH);
}

EM_BOOL onContextLost(int, const void*, void*) {
    std::fprintf(stderr, "quorvex: the WebGL context was lost\n");
    return EM_TRUE;
}

} // namespace

namespace web {

void canvasPointToPicture(double cssX, double cssY, int& px, int& py) {
    double ratio = emscripten_get_device_pixel_ratio();
    int wx = static_cast<int>(std::floor(cssX * ratio));
    int wy = static_cast<int>(std::floor(cssY * ratio));
    if (framebuffer == 0 || canvasW <= 0 || canvasH <= 0) {
        px = wx;
        py = wy;
        return;
    }
    windowToPicture(placed(), pictureW, pictureH, wx, wy, px, py);
}

void pictureToCanvasPoint(int px, int py, double& cssX, double& cssY) {
    double ratio = emscripten_get_device_pixel_ratio();
    int wx = px;
    int wy = py;
    if (framebuffer != 0 && canvasW > 0 && canvasH > 0)
        pictureToWindow(placed(), pictureW, pictureH, px, py, wx, wy);
    // The middle of the first device pixel, which floors back to it.
    cssX = (wx + 0.5) / ratio;
    cssY = (wy + 0.5) / ratio;
}

bool contextMade() {
    return context > 0;
}

void requestFullScreen() {
    // The page's game element (canvas and its note) goes full screen; the
    // canvas keeps following its CSS size. Outside an input event the
    // browser defers it to the next one.
    emscripten_request_fullscreen("#game", EM_TRUE);
}

void exitFullScreen() {
    emscripten_exit_fullscreen();
}

} // namespace web

void setWindowMode(WindowMode m) {
    fullScreen = m == WindowMode::FullScreen;
}

bool createWindow(const char* title, int width, int height) {
    emscripten_set_window_title(title);
    pictureW = width > 0 ? width : 1024;
    pictureH = height > 0 ? height : 768;
    EmscriptenWebGLContextAttributes attrs;
    emscripten_webgl_init_context_attributes(&attrs);
    attrs.majorVersion = 2;
    attrs.minorVersion = 0;
    attrs.alpha = EM_FALSE;
    attrs.depth = EM_FALSE;
    attrs.antialias = EM_FALSE;
    attrs.premultipliedAlpha = EM_FALSE;
    // Screenshots and tests read the canvas after the frame.
    attrs.preserveDrawingBuffer = EM_TRUE;
    context = emscripten_webgl_create_context(kCanvas, &attrs);
    if (context <= 0) {
        std::fprintf(stderr, "quorvex: this browser offers no WebGL 2 context (%d)\n",
                     static_cast<int>(context));
        return false;
    }
    emscripten_webgl_make_context_current(context);
    emscripten_set_webglcontextlost_callback(kCanvas, nullptr, EM_FALSE, onContextLost);
    ++serial;
    fitCanvas();
    if (!openPicture()) {
        std::fprintf(stderr, "quorvex: no framebuffer of %dx%d in this WebGL context\n", pictureW,
                     pictureH);
        return false;
    }
    return true;
}

uint32_t contextSerial() {
    return serial;
}

void destroyWindow() {
    if (context <= 0) return;
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &colour);
    glDeleteRenderbuffers(1, &depth);
    framebuffer = colour = depth = 0;
    emscripten_webgl_destroy_context(context);
    context = 0;
}

void changeDisplayMode(int, int, int) {
    // A page cannot ask for full screen outside an input event: the player's
    // F11 or double click does it.
}

void setFullScreen(bool on) {
    if (on == isFullScreen()) return;
    if (on)
        web::requestFullScreen();
    else
        web::exitFullScreen();
}

void toggleFullScreen() {
    setFullScreen(!isFullScreen());
}

void setSmoothScaling(bool on) {
    smooth = on;
}

void setWindowPixelSize(int, int) {
    // The page decides the canvas's size.
}

bool isFullScreen() {
    EmscriptenFullscreenChangeEvent s{};
    if (emscripten_get_fullscreen_status(&s) != EMSCRIPTEN_RESULT_SUCCESS) return false;
    return s.isFullscreen != 0;
}

bool hasScaledPicture() {
    return framebuffer != 0;
}

void setPicturePresenter(PicturePresenter p) {
    presenter = p;
}

void windowSize(int& width, int& height) {
    width = canvasW;
    height = canvasH;
}

// The browser shows the canvas when the frame's callback returns: no swap,
// and the animation frame itself paces the loop.
void swapBuffers() {
    if (framebuffer != 0) present();
}

void showPictureAgain() {
    // The canvas keeps its picture (preserveDrawingBuffer); only a new size
    // needs it drawn again.
    double cssW = 0.0, cssH = 0.0;
    emscripten_get_element_css_size(kCanvas, &cssW, &cssH);
    double ratio = emscripten_get_device_pixel_ratio();
    if (std::lround(cssW * ratio) != canvasW || std::lround(cssH * ratio) != canvasH) present();
}

void setFrameCap(bool on) {
    frameCap = on;
}

bool frameCapOn() {
    return frameCap;
}

} // namespace platform
