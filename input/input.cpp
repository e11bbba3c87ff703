#include "input/input.h"

#include "input/pad_state.h"

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
PadState padState;
uint8_t padAiming = 0;
uint8_t padInUse = 0;
int32_t padMenuCursor = 0;
uint8_t padChoosing = 0;

void beginFrame(float tickDelta, int32_t cursorX, int32_t cursorY) {
    // The mouse moving takes the cursor and the aim back from the pad.
    if (cursorX != frameInput.cursorX || cursorY != frameInput.cursorY) {
        padAiming = 0;
        padInUse = 0;
        padMenuCursor = 0;
    }
    frameInput.tickDelta = tickDelta;
    frameInput.cursorX = cursorX;
    frameInput.cursorY = cursorY;
    frameDelta = tickDelta * runFactor;
}

void releaseHeldInput() {
    std::memset(keyDown, 0, sizeof(keyDown));
    leftButtonDown = 0;
    rightButtonDown = 0;
    releasePadInput();
}

void releasePadInput() {
    bool connected = padState.connected;
    padState = PadState{};
    padState.connected = connected;
    padAiming = 0;
    padInUse = 0;
    padMenuCursor = 0;
    padChoosing = 0;
}
