// The generator's three products; each returns false after reporting a write failure.
#pragma once

#include <string>

bool writeTextures(const std::string& dir);  // the fifteen bitmaps
bool writeSounds(const std::string& dir);    // the ten sounds
bool writeDataFiles(const std::string& dir); // Settings.ini and the template files
bool writeIcons(const std::string& dir);     // hicolor/NxN/apps/quorvex.png
