#include "input/input.h"

#include <cstring>

void beginFrame(InputState& in, float tickDelta, int32_t cursorX, int32_t cursorY) {
    // The mouse moving takes the cursor and the aim back from the pad.
    if (cursorX != in.frameInput.cursorX || cursorY != in.frameInput.cursorY) {
        in.padAiming = 0;
        in.padInUse = 0;
        in.padMenuCursor = 0;
    }
    in.frameInput.tickDelta = tickDelta;
    in.frameInput.cursorX = cursorX;
    in.frameInput.cursorY = cursorY;
}

void releaseHeldInput(InputState& in) {
    std::memset(in.keyDown, 0, sizeof(in.keyDown));
    in.leftButtonDown = 0;
    in.rightButtonDown = 0;
    releasePadInput(in);
}

void releasePadInput(InputState& in) {
    bool connected = in.padState.connected;
    in.padState = PadState{};
    in.padState.connected = connected;
    in.padAiming = 0;
    in.padInUse = 0;
    in.padMenuCursor = 0;
    in.padChoosing = 0;
}
