// The six values of "Settings.ini", as the game reads them. The application
// fills them once at start (or a replay does, with the values it was made
// under); the spawner and the cursor mapping depend on them.
#pragma once

#include <cstdint>

extern int32_t fullScreen;
extern int32_t screenWidth;
extern int32_t screenHeight;
extern int32_t bitsPerPixel;
extern float spawnAcceleration;
extern int32_t showFps;
