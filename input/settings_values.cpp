#include "input/settings_values.h"

#include <cmath>
#include <cstdio>

int32_t fullScreen = 0;
int32_t screenWidth = 0;
int32_t screenHeight = 0;
int32_t bitsPerPixel = 0;
float spawnAcceleration = 0.0f;
int32_t showFps = 0;
float padDeadZone = kDefaultPadDeadZone;
float padAimReach = kDefaultPadAimReach;
uint8_t aimLineShown = 1;
uint8_t aimLineColour = 0;
uint8_t rumbleOn = 1;

SettingsFields settingsFieldsOf(const char* text) {
    SettingsFields f;
    int full = 0, width = 0, height = 0, bpp = 0, fps = 0;
    float accel = 0.0f;
    std::sscanf(text, "%i %i %i %i %f %i", &full, &width, &height, &bpp, &accel, &fps);
    f.fullScreen = full;
    f.width = width;
    f.height = height;
    f.bitsPerPixel = bpp;
    // "nan" or "inf" would leave the spawner without a usable interval.
    f.spawnAcceleration = std::isfinite(accel) ? accel : 0.0f;
    f.showFps = fps;
    return f;
}
