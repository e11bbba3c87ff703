// The main menu's items: where each one lies and which one the cursor is
// over. The rules need the latter (a click chooses the hovered item), the
// menu's picture draws the former. The first generation of the rules had
// three items; the second has four, with room for the program's Options
// plate between Daily Challenge and Credits.
#pragma once

#include "math/vec2.h"

struct HoverBox {
    float left, right, bottom, top; // open on every side
};

enum class MenuAction { None, NewGame, Daily, Credits, Exit };

struct MenuItem {
    Vec2 plate[4]; // in drawing order
    HoverBox hover;
    const char* label;
    Vec2 labelAt;
    MenuAction action;
};

// The items of the menu of the rules being played (`menuHover` numbers
// them from 1).
int menuItemCount();
const MenuItem& menuItem(int number);
// What choosing the item `menuHover` names does.
MenuAction hoveredAction();
// The number of the item that does `action`, or 0.
int menuItemDoing(MenuAction action);

// The item under the cursor as the frame ends: 0 while the menu is hidden,
// else the item (1-based) whose box holds the cursor, if any. Runs where
// the menu was drawn, after everything else of the frame.
void settleMenuHover();
