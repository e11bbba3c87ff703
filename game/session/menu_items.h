// The main menu's items: where each one lies and which one the cursor is
// over. The rules need the latter (a click chooses the hovered item), the
// menu's picture draws the former.
#pragma once

#include "math/vec2.h"

struct HoverBox {
    float left, right, bottom, top; // open on every side
};

struct MenuItem {
    Vec2 plate[4]; // in drawing order
    HoverBox hover;
    const char* label;
    Vec2 labelAt;
};

inline constexpr int kMenuItemCount = 3;
extern const MenuItem kMenuItems[kMenuItemCount];

// The item under the cursor as the frame ends: 0 while the menu is hidden,
// else the item (1-based) whose box holds the cursor, if any. Runs where
// the menu was drawn, after everything else of the frame.
void settleMenuHover();
