// What the web platform files share about the one canvas; not for the game.
#pragma once

namespace platform::web {

// The canvas's CSS pixels to the picture pixel under them (the letterbox
// continues outwards off the picture).
void canvasPointToPicture(double cssX, double cssY, int& px, int& py);
bool contextMade();
// The pointer's last place over the canvas, CSS pixels.
void cursorCss(double& x, double& y);
// The page left full screen, or the player asked for it (F11, double click).
void requestFullScreen();
void exitFullScreen();
// Polls the Gamepad API; posts what changed.
void pollGamepads();

} // namespace platform::web
