// The offscreen picture the game draws into, and showing it in the window
// scaled to fit. Only the window code uses this.
#pragma once

#include <SDL_video.h>

#include "platform/platform.h"

namespace platform::picture {

// Makes a framebuffer of the picture's size in the current context and
// binds it for drawing and reading, viewport set. Returns false (and draws
// nothing offscreen) where the context has no framebuffer objects.
bool open(int width, int height);
// Releases the framebuffer; the context must still be current.
void close();
// True while the game draws into the offscreen picture.
bool active();
// Draws the picture into the window's back buffer: black bars, the picture
// scaled and centred. Leaves the window's framebuffer bound; bind() goes
// back to the picture. Nothing is drawn into an empty (minimised) window.
void present(SDL_Window* window);
void bind();
// Smooth (the default): fitted to the window and filtered. Sharp: whole
// pixels, at the largest whole-number scale that fits.
void setSmooth(bool on);
bool smooth();
// Binds the window's own framebuffer for drawing and reading.
void bindWindow();
// What present() draws the picture with (null: the framebuffer blit).
void setPresenter(PicturePresenter presenter);

} // namespace platform::picture
