#include "platform/picture.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>

#include "platform/letterbox.h"

namespace platform::picture {

namespace {

// The framebuffer entry points.
struct Fbo {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};

Fbo gl;
GLuint framebuffer = 0;
GLuint colour = 0; // the picture's texture
GLint colourFilter = 0;
PicturePresenter presenter = nullptr;
bool smoothScaling = true;
int pictureW = 0;
int pictureH = 0;

template <typename F> bool load(F& fn, const char* name) {
    fn = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    return fn != nullptr;
}

// The window's context is OpenGL 3.3 core or OpenGL ES 3.0, which both have
// framebuffers and the blit.
bool loadFunctions() {
    return load(gl.genFramebuffers, "glGenFramebuffers") &&
           load(gl.deleteFramebuffers, "glDeleteFramebuffers") &&
           load(gl.bindFramebuffer, "glBindFramebuffer") &&
           load(gl.framebufferTexture2D, "glFramebufferTexture2D") &&
           load(gl.checkFramebufferStatus, "glCheckFramebufferStatus") &&
           load(gl.blitFramebuffer, "glBlitFramebuffer");
}

} // namespace

bool open(int width, int height) {
    close();
    gl = Fbo{};
    if (!loadFunctions()) return false;
    // Leftover errors would be taken for ours below.
    while (glGetError() != GL_NO_ERROR) {
    }
    // A texture, so that it can be shown by drawing it.
    gl.genFramebuffers(1, &framebuffer);
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    colourFilter = GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, colourFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, colourFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    bool complete = gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                    glGetError() == GL_NO_ERROR;
    if (!complete) {
        std::fprintf(stderr, "No offscreen picture (%dx%d); drawing straight to the window\n",
                     width, height);
        close();
        return false;
    }
    pictureW = width;
    pictureH = height;
    bind();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

void close() {
    if (gl.bindFramebuffer != nullptr) gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (framebuffer != 0) gl.deleteFramebuffers(1, &framebuffer);
    if (colour != 0) glDeleteTextures(1, &colour);
    framebuffer = 0;
    colour = 0;
    pictureW = pictureH = 0;
}

bool active() {
    return framebuffer != 0;
}

void bind() {
    if (framebuffer == 0) return;
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, pictureW, pictureH);
}

void bindWindow() {
    if (framebuffer != 0) gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

void setSmooth(bool on) {
    smoothScaling = on;
}

bool smooth() {
    return smoothScaling;
}

void setPresenter(PicturePresenter drawWith) {
    presenter = drawWith;
}

void present(SDL_Window* window) {
    if (framebuffer == 0 || window == nullptr) return;
    int drawableW = 0;
    int drawableH = 0;
    SDL_GL_GetDrawableSize(window, &drawableW, &drawableH);
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    if (drawableW <= 0 || drawableH <= 0) return;

    // The game may leave scissoring on or colours masked; the bars must not.
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, drawableW, drawableH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    PictureRect r = placePicture(smoothScaling, pictureW, pictureH, drawableW, drawableH);
    // GL counts rows from the bottom.
    int bottom = drawableH - r.y - r.h;
    GLint filter = smoothScaling && !wholeScale(r, pictureW, pictureH) ? GL_LINEAR : GL_NEAREST;
    bool drawn = false;
    if (presenter != nullptr) {
        glBindTexture(GL_TEXTURE_2D, colour);
        if (filter != colourFilter) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
            colourFilter = filter;
        }
        drawn = presenter(colour, drawableW, drawableH, r.x, bottom, r.w, r.h);
    }
    if (!drawn)
        gl.blitFramebuffer(0, 0, pictureW, pictureH, r.x, bottom, r.x + r.w, bottom + r.h,
                           GL_COLOR_BUFFER_BIT, static_cast<GLenum>(filter));

    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

} // namespace platform::picture
