// The Marine's fall: body on the ground, sprite gone, the death clock.
#pragma once

void updateMarineDeath();
