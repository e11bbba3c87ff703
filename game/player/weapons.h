// The four weapons, firing and reloading, the special attack.
#pragma once

#include <cstdint>

#include "math/vec2.h"

void defineWeapon(int id, const char* name, int clipSize, float fireInterval, float reloadTime);
void addWeapon(int id);
void selectWeapon(int id);
void updateWeapons();
void fireSpecial();
