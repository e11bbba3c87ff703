// What the web platform files share about the one canvas; not for the game.
#pragma once

namespace platform::web {

// The canvas's CSS pixels to the picture pixel under them (the letterbox
// continues outwards off the picture).
void canvasPointToPicture(double cssX, double cssY, int& px, int& py);
// A picture pixel to CSS pixels of the canvas that show it.
void pictureToCanvasPoint(int px, int py, double& cssX, double& cssY);
bool contextMade();
// The pointer's last place over the canvas, CSS pixels.
void cursorCss(double& x, double& y);
// The page left full screen, or the player asked for it (F11, double click).
void requestFullScreen();
void exitFullScreen();
// Polls the Gamepad API and the touch controls; posts what changed.
void pollGamepads();
// Once an animation frame, before its messages: the pads, a tap's click.
void beginFrame();
// The next key, click or tap goes no further; takeHeldPress says once
// whether it came.
void holdNextPress();
bool takeHeldPress();

} // namespace platform::web
