#include "game/player/aim_cursor.h"

#include "input/input.h"
#include "input/settings_values.h"

Vec2 cursorArena;

void updateCursor() {
    // Integer halves, as the screen size always was; never zero.
    int halfW = screenWidth / 2 > 0 ? screenWidth / 2 : 1;
    int halfH = screenHeight / 2 > 0 ? screenHeight / 2 : 1;
    cursorArena.x = static_cast<float>(frameInput.cursorX) / static_cast<float>(halfW) - 1.0f;
    cursorArena.y = 1.0f - static_cast<float>(frameInput.cursorY) / static_cast<float>(halfH);
}
