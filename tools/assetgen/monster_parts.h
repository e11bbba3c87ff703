// Pieces shared by a monster's living frames, its corpse and the title picture.
#pragma once

#include <cstdint>

#include "canvas.h"

Rgba zombieSkin(Vec p, std::uint32_t seed);

// Brain convolutions: a wavy field whose zero lines are the grooves.
double brainFolds(Vec p);

// One of the Tooth's mandibles (side -1 left, +1 right), opened by `gape` radians,
// shifted by `offset` and tinted by `shade` (1 = living colours).
void toothJaw(Canvas& cv, int side, double gape, Vec offset, double shade);
