#include "game/player/weapons.h"
// Placeholder until the weapons land.
uint32_t score = 0;
void defineWeapon(int, const char*, int, float, float) {}
void addWeapon(int) {}
void selectWeapon(int) {}
void updateWeapons() {}
void fireSpecial() {}
