#include "game/player/death.h"
// Placeholder until the Marine's death lands.
float deathTime = 0.0f;
void updateMarineDeath() {}
