#include "game/player/aim_cursor.h"

#include "game/player/marine.h"
#include "game/player/pad_controls.h"
#include "input/input.h"
#include "input/pad_state.h"
#include "input/settings_values.h"

Vec2 cursorArena;
Vec2 padCrosshair;

void updateCursor() {
    if (menuShown && padMenuCursor != 0) {
        cursorArena = padMenuItemPoint(padMenuCursor);
        return;
    }
    if (!menuShown && !marine.marineDead) {
        Vec2 point;
        if (padAimPoint(padState, marine.position, padAimReach, point)) {
            padCrosshair = point;
            padAiming = 1;
        }
    }
    if (padAiming) {
        cursorArena = padCrosshair;
        return;
    }
    // Integer halves, as the screen size always was; never zero.
    int halfW = screenWidth / 2 > 0 ? screenWidth / 2 : 1;
    int halfH = screenHeight / 2 > 0 ? screenHeight / 2 : 1;
    cursorArena.x = static_cast<float>(frameInput.cursorX) / static_cast<float>(halfW) - 1.0f;
    cursorArena.y = 1.0f - static_cast<float>(frameInput.cursorY) / static_cast<float>(halfH);
}
