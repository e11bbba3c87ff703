#include "game/player/pad_rumble.h"

#include "game/world/effects.h"
#include "game/world/world.h"
#include "input/settings_values.h"

void updatePadRumble() {
    World& w = world();
    bool hurt = w.marine.health < w.rumbleHealth;
    bool fell = w.marine.marineDead && !w.rumbleDead;
    w.rumbleHealth = w.marine.health;
    w.rumbleDead = w.marine.marineDead;
    if (w.tick.menuShown) {
        if (!w.rumbleMenuShown) cueRumble(0.0f, 0.0f, 0); // stops it
        w.rumbleMenuShown = true;
        return;
    }
    w.rumbleMenuShown = false;
    if (!rumbleOn) return;
    if (fell) {
        cueRumble(1.0f, 1.0f, 700);
    } else if (hurt) {
        cueRumble(0.3f, 0.15f, 120);
    }
}
