#include "game/player/aim_cursor.h"

#include "game/player/marine.h"
#include "game/player/pad_controls.h"
#include "game/world/world.h"
#include "input/input.h"
#include "input/pad_state.h"
#include "input/settings_values.h"

void updateCursor() {
    World& w = world();
    if (w.input.menuShown && w.input.padMenuCursor != 0) {
        w.cursorArena = padMenuItemPoint(w.input.padMenuCursor);
        return;
    }
    if (!w.input.menuShown && !w.marine.marineDead) {
        Vec2 point;
        if (padAimPoint(w.input.padState, w.marine.position, world().padAimReach, point)) {
            w.padCrosshair = point;
            w.input.padAiming = 1;
        }
    }
    if (w.input.padAiming) {
        w.cursorArena = w.padCrosshair;
        return;
    }
    // Integer halves, as the screen size always was; never zero.
    int halfW = world().screenWidth / 2 > 0 ? world().screenWidth / 2 : 1;
    int halfH = world().screenHeight / 2 > 0 ? world().screenHeight / 2 : 1;
    w.cursorArena.x =
        static_cast<float>(w.input.frameInput.cursorX) / static_cast<float>(halfW) - 1.0f;
    w.cursorArena.y =
        1.0f - static_cast<float>(w.input.frameInput.cursorY) / static_cast<float>(halfH);
}
