#include "ui/hud.h"

#include "app/input.h"
#include "ui/menu.h"
// Placeholder until the HUD lands.
void drawHud() {
    menuHover = 0;
    if (menuShown) drawMenu();
}
void drawBar(const Vec2&, const Vec2&, float) {}
