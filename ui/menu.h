#pragma once

#include "math/vec2.h"
#include "session/menu_items.h"

// The program's own plate, between Daily Challenge and Credits (between New
// Game and Credits in a first-generation game's menu). It opens the Options
// screen and is no item of the rules: over it `menuHover` is 0.
const MenuItem& optionsPlate();
bool overOptionsPlate(Vec2 point);
// Where the cursor sits while the keyboard or the pad has chosen it.
Vec2 optionsPlatePoint();
// The rules' items just above and below it.
int itemAboveOptions();
int itemBelowOptions();

// The game's own mouse cursor, "Textures/Cell.bmp", centred on `at`.
void drawMenuCursor(Vec2 at);
// The Daily Challenge plate: offered (lit under the cursor) or greyed, and
// a few words beside it (why it is greyed, "fetching...", the day).
struct DailyPlate {
    bool offered = false;
    const char* note = "needs Online";
};

// Title picture, the items with hover, the cursor, credits, footer.
// `optionsChosen`: the keyboard or the pad is on the Options plate.
void drawMenu(bool optionsChosen, const DailyPlate& daily = DailyPlate{});
