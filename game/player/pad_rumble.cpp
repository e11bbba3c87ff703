#include "game/player/pad_rumble.h"

#include "game/player/marine.h"
#include "game/world/effects.h"
#include "input/input.h"
#include "input/settings_values.h"

namespace {

float lastHealth = 0.0f;
bool wasDead = false;
bool menuWasShown = false;

} // namespace

void updatePadRumble() {
    bool hurt = marine.health < lastHealth;
    bool fell = marine.marineDead && !wasDead;
    lastHealth = marine.health;
    wasDead = marine.marineDead;
    if (menuShown) {
        if (!menuWasShown) cueRumble(0.0f, 0.0f, 0); // stops it
        menuWasShown = true;
        return;
    }
    menuWasShown = false;
    if (!rumbleOn) return;
    if (fell) {
        cueRumble(1.0f, 1.0f, 700);
    } else if (hurt) {
        cueRumble(0.3f, 0.15f, 120);
    }
}
