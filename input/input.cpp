#include "input/input.h"

#include <cstring>

FrameInput frameInput;
float frameDelta = 0.0f;
float runFactor = 0.0f;
uint8_t keyDown[256] = {};
uint8_t leftButtonDown = 0;
uint8_t rightButtonDown = 0;
uint8_t menuShown = 0;
uint8_t creditsShown = 0;
int32_t menuHover = 0;

void beginFrame(float tickDelta, int32_t cursorX, int32_t cursorY) {
    frameInput.tickDelta = tickDelta;
    frameInput.cursorX = cursorX;
    frameInput.cursorY = cursorY;
    frameDelta = tickDelta * runFactor;
}

void releaseHeldInput() {
    std::memset(keyDown, 0, sizeof(keyDown));
    leftButtonDown = 0;
    rightButtonDown = 0;
}
