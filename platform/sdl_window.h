// What the platform files share about the one window; not for the game.
#pragma once

#include <SDL_video.h>

namespace platform {

// The open window, or null before createWindow and after destroyWindow.
SDL_Window* sdlWindow();

// A point in window coordinates (as SDL reports the pointer) to the picture
// pixel under it, and back; outside the picture the same scale goes on.
void windowPointToPicture(int wx, int wy, int& px, int& py);
void picturePointToWindow(int px, int py, int& wx, int& wy);
// The window's contents may be lost or its size changed: the next
// showPictureAgain presents the picture anew.
void markPictureStale();

} // namespace platform
