// Runs the real game in an offscreen OpenGL context with a scripted clock and
// scripted input, and reads back what it drew.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "math/vec2.h"

namespace harness {

struct Pixel {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// Starts the game the way the entry does (settings, window, start-up), with
// `dir` as the working folder. The clock is scripted and starts at 1000 ms.
// Calling it again starts a fresh game in the same process. Returns false
// when no window could be opened.
bool boot(const char* dir = QUORVEX_DATA_DIR);

// Moves the clock on by `ms`, dispatches every waiting message through the
// window procedure and runs one frame (with 0, a frame of no length that is
// not recorded: a look at a world the test changed by hand). Returns false
// when the game quit.
bool frame(uint32_t ms = 16);
bool frames(int count, uint32_t ms = 16);
bool quitRequested();

// Input, delivered as window messages (taken at the next frame).
void keyDown(uint32_t vk);
void keyUp(uint32_t vk);
void key(uint32_t vk); // down then up
void leftDown();
void leftUp();
void rightDown();
void rightUp();
// The cursor in window pixels, or in arena coordinates.
void cursor(int x, int y);
void cursorArena(float x, float y);
void cursorPos(int& x, int& y);

// The last frame as it was before the swap; (0, 0) is the top-left pixel.
int width();
int height();
Pixel pixel(int x, int y);
Pixel pixelArena(float x, float y);
// Writes the last frame as QUORVEX_SCREENSHOT_DIR/<name>.png.
void screenshot(const std::string& name);
// The last frame as RGB rows, top row first.
std::vector<uint8_t> frameRgb();
// PNG files of RGB rows, top row first.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb);

// Message boxes shown since boot (captured, never blocking).
std::vector<std::string> boxes(); // "caption: text"

// The pictures of this test's games will not be looked at: when the test
// runs alone in its process (as under CTest), Mesa is asked to skip the
// rendering work (the game's drawing calls still run). Saves most of a long
// game's time.
void skipRendering();

// A scratch copy of the data folder (or an empty folder) for tests that
// break files; removed at process exit.
std::string scratchDataDir(bool copyData = true);

} // namespace harness
