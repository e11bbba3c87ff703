#include "session/menu_items.h"

#include "game/world/world.h"
#include "input/input.h"
#include "math/rules_math.h"
#include "session/aim_cursor.h"
#include "session/session.h"

namespace {

// Plates stacked with 0.01 gaps; the slanted ends are left out of the
// hover boxes.
// clang-format off
const MenuItem kFirstGenerationItems[] = {
    // The place below New Game holds the program's Options plate.
    {{{0.05f, 0.0f}, {0.15f, -0.15f}, {0.6f, -0.15f}, {0.6f, 0.0f}},
     {0.1f, 0.6f, -0.15f, 0.0f}, "New Game", {0.125f, -0.09f}, MenuAction::NewGame},
    {{{0.15f, -0.32f}, {0.15f, -0.47f}, {0.6f, -0.47f}, {0.6f, -0.32f}},
     {0.15f, 0.6f, -0.47f, -0.32f}, "Credits", {0.18f, -0.41f}, MenuAction::Credits},
    {{{0.15f, -0.48f}, {0.05f, -0.63f}, {0.6f, -0.63f}, {0.6f, -0.48f}},
     {0.1f, 0.6f, -0.63f, -0.48f}, "Exit Win", {0.125f, -0.57f}, MenuAction::Exit},
};

// Wider, reaching further left, so that "Daily Challenge" fits its plate
// at every screen size; the Options plate sits between Daily Challenge and
// Credits.
const MenuItem kItems[] = {
    {{{-0.45f, 0.0f}, {-0.35f, -0.15f}, {0.6f, -0.15f}, {0.6f, 0.0f}},
     {-0.4f, 0.6f, -0.15f, 0.0f}, "New Game", {-0.375f, -0.09f}, MenuAction::NewGame},
    {{{-0.35f, -0.16f}, {-0.35f, -0.31f}, {0.6f, -0.31f}, {0.6f, -0.16f}},
     {-0.35f, 0.6f, -0.31f, -0.16f}, "Daily Challenge", {-0.32f, -0.25f}, MenuAction::Daily},
    {{{-0.35f, -0.48f}, {-0.35f, -0.63f}, {0.6f, -0.63f}, {0.6f, -0.48f}},
     {-0.35f, 0.6f, -0.63f, -0.48f}, "Credits", {-0.32f, -0.57f}, MenuAction::Credits},
    {{{-0.35f, -0.64f}, {-0.45f, -0.79f}, {0.6f, -0.79f}, {0.6f, -0.64f}},
     {-0.4f, 0.6f, -0.79f, -0.64f}, "Exit Win", {-0.375f, -0.73f}, MenuAction::Exit},
};
// clang-format on

const MenuItem* items() {
    return rulesGeneration == kFirstGeneration ? kFirstGenerationItems : kItems;
}

} // namespace

int menuItemCount() {
    return rulesGeneration == kFirstGeneration ? 3 : 4;
}

const MenuItem& menuItem(int number) {
    return items()[number - 1];
}

MenuAction hoveredAction() {
    const int hover = session().input.menuHover;
    if (hover < 1 || hover > menuItemCount()) return MenuAction::None;
    return menuItem(hover).action;
}

int menuItemDoing(MenuAction action) {
    for (int i = 1; i <= menuItemCount(); ++i)
        if (menuItem(i).action == action) return i;
    return 0;
}

void settleMenuHover() {
    World& w = world();
    session().input.menuHover = 0;
    if (!session().input.menuShown) return;
    float x = w.cursorArena.x;
    float y = w.cursorArena.y;
    for (int i = 1; i <= menuItemCount(); ++i) {
        const HoverBox& box = menuItem(i).hover;
        if (x > box.left && x < box.right && y > box.bottom && y < box.top)
            session().input.menuHover = i;
    }
}
