#include "app/settings.h"

#include <cstdio>

#include "platform/platform.h"

void parseSettings(const char* text) {
    SettingsFields f = settingsFieldsOf(text);
    int width = f.width;
    int height = f.height;
    bitsPerPixel = f.bitsPerPixel;
    spawnAcceleration = f.spawnAcceleration;
    showFps = f.showFps;
    fullScreen = f.fullScreen;
    // The height is taken as written, except that a screen needs some height.
    if ((width != 640 && width != 800 && width != 1024) || height <= 0) {
        width = 1024;
        height = 768;
        platform::messageBox("Error screen mode", "Settings.ini");
    }
    screenWidth = width;
    screenHeight = height;
}

void readSettings(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        platform::messageBox(path, "File not found!");
        // Without the file the game still needs a window it can draw in.
        screenWidth = 1024;
        screenHeight = 768;
        return;
    }
    char text[512] = {};
    size_t length = std::fread(text, 1, sizeof(text) - 1, file);
    text[length] = '\0';
    std::fclose(file);
    parseSettings(text);
}

void applyDisplayMode() {
    if (fullScreen != 0) platform::changeDisplayMode(screenWidth, screenHeight, bitsPerPixel);
}
