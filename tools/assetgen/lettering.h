// The title lettering "QUORVEX": our own chamfered block capitals.
#pragma once

#include "canvas.h"

// Signed distance to the word in letter units: letters 1 high, the word starting at
// x = 0 with its baseline at y = 0. titleWidth() gives its extent along x.
double titleDistance(Vec p);
double titleWidth();

// Paints the title (bevelled metal with a dark rim and a red glow) into `cv` so that
// the word's box spans local x0..x1 with the baseline at y0 and cap height h.
void paintTitle(Canvas& cv, double x0, double y0, double x1, double h);
