#include "game/player/marine.h"

#include "app/input.h"
// Placeholder until the Marine lands.
Marine marine;
void resetGame() {
    marine = Marine{};
    marine.health = 100;
    menuShown = 0;
}
void updateMarine() {}
void updateMarineTimers() {}
void drawCrosshair() {}
void dropBlurTrail() {}
