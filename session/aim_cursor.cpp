#include "session/aim_cursor.h"

#include "game/world/world.h"
#include "input/input.h"
#include "input/pad_state.h"
#include "session/pad_controls.h"
#include "session/session.h"

Vec2 cursorAim(Session& s, const World& w) {
    InputState& in = s.input;
    if (in.menuShown && in.padMenuCursor != 0) return padMenuItemPoint(in.padMenuCursor);
    if (!in.menuShown && !w.marine.marineDead) {
        Vec2 point;
        if (padAimPoint(in.padState, w.marine.position, w.padAimReach, point)) {
            s.padCrosshair = point;
            in.padAiming = 1;
        }
    }
    if (in.padAiming) return s.padCrosshair;
    // Integer halves, as the screen size always was; never zero.
    int halfW = w.screenWidth / 2 > 0 ? w.screenWidth / 2 : 1;
    int halfH = w.screenHeight / 2 > 0 ? w.screenHeight / 2 : 1;
    Vec2 aim;
    aim.x = static_cast<float>(in.frameInput.cursorX) / static_cast<float>(halfW) - 1.0f;
    aim.y = 1.0f - static_cast<float>(in.frameInput.cursorY) / static_cast<float>(halfH);
    return aim;
}
