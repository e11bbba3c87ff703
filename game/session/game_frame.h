// The game's part of one frame: every subsystem's step in the painter's
// order, each layer updating itself where it is described, then the frame's
// own texts. What it draws goes into the draw list; the interface and the
// back end come after it.
#pragma once

void runGameFrame();
void drawNotice();
void drawFps();
