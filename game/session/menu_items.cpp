#include "game/session/menu_items.h"

#include "game/player/aim_cursor.h"
#include "input/input.h"

// Plates stacked with 0.01 gaps; the slanted ends are left out of the
// hover boxes. The place below New Game holds the program's Options plate,
// which is no item of the rules: Credits and Exit Win keep their numbers.
// clang-format off
const MenuItem kMenuItems[kMenuItemCount] = {
    {{{0.05f, 0.0f}, {0.15f, -0.15f}, {0.6f, -0.15f}, {0.6f, 0.0f}},
     {0.1f, 0.6f, -0.15f, 0.0f}, "New Game", {0.125f, -0.09f}},
    {{{0.15f, -0.32f}, {0.15f, -0.47f}, {0.6f, -0.47f}, {0.6f, -0.32f}},
     {0.15f, 0.6f, -0.47f, -0.32f}, "Credits", {0.18f, -0.41f}},
    {{{0.15f, -0.48f}, {0.05f, -0.63f}, {0.6f, -0.63f}, {0.6f, -0.48f}},
     {0.1f, 0.6f, -0.63f, -0.48f}, "Exit Win", {0.125f, -0.57f}},
};
// clang-format on

void settleMenuHover() {
    menuHover = 0;
    if (!menuShown) return;
    float x = cursorArena.x;
    float y = cursorArena.y;
    for (int i = 0; i < kMenuItemCount; ++i) {
        const HoverBox& box = kMenuItems[i].hover;
        if (x > box.left && x < box.right && y > box.bottom && y < box.top) menuHover = i + 1;
    }
}
