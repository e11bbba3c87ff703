// "Settings.ini": six numbers read once before the window exists.
#pragma once

#include <cstdint>

#include "input/settings_values.h"

// Reads the six fields from `path`. A missing file shows its box and leaves
// a usable 1024 x 768 screen.
void readSettings(const char* path);
// The reading rules applied to the file's text (also used by the fuzzer).
void parseSettings(const char* text);
// Switches the display mode when the full-screen flag asks for it; called
// once the window exists.
void applyDisplayMode();
