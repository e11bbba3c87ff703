#include "input/settings_values.h"

#include <cmath>
#include <cstdio>

int32_t fullScreen = 0;
int32_t bitsPerPixel = 0;
uint8_t aimLineShown = 1;
uint8_t aimLineColour = 0;
uint8_t rumbleOn = 1;

SettingsFields settingsFieldsOf(const char* text) {
    SettingsFields f;
    std::sscanf(text, "%i %i %i %i %f %i", &f.fullScreen, &f.width, &f.height, &f.bitsPerPixel,
                &f.spawnAcceleration, &f.showFps);
    // "nan" or "inf" would leave the spawner without a usable interval.
    if (!std::isfinite(f.spawnAcceleration)) f.spawnAcceleration = 0.0f;
    return f;
}
