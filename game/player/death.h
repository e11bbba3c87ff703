// The Marine's fall: body on the ground, sprite gone, the death clock.
#pragma once

extern float deathTime; // ms since the Marine died

void updateMarineDeath();
