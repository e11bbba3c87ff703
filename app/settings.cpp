#include "app/settings.h"

#include <cstdio>

#include "game/world/world.h"
#include "platform/platform.h"

void parseSettings(const char* text) {
    World& w = world();
    SettingsFields f = settingsFieldsOf(text);
    int width = f.width;
    int height = f.height;
    bitsPerPixel = f.bitsPerPixel;
    w.spawnAcceleration = f.spawnAcceleration;
    w.showFps = f.showFps;
    fullScreen = f.fullScreen;
    // The height is taken as written, except that a screen needs some height.
    if ((width != 640 && width != 800 && width != 1024) || height <= 0) {
        width = 1024;
        height = 768;
        platform::messageBox("Error screen mode", "Settings.ini");
    }
    w.screenWidth = width;
    w.screenHeight = height;
}

void readSettings(const char* path) {
    World& w = world();
    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        platform::messageBox(path, "File not found!");
        // Without the file the game still needs a window it can draw in.
        w.screenWidth = 1024;
        w.screenHeight = 768;
        return;
    }
    char text[512] = {};
    size_t length = std::fread(text, 1, sizeof(text) - 1, file);
    text[length] = '\0';
    std::fclose(file);
    parseSettings(text);
}

void applyDisplayMode() {
    World& w = world();
    if (fullScreen != 0) platform::changeDisplayMode(w.screenWidth, w.screenHeight, bitsPerPixel);
}
