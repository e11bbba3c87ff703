// The game's part of one frame: the world stepped, every subsystem in the
// painter's order, then described into the draw list as that order left it.
// The interface and the back end come after it.
#pragma once

struct World;

// One frame of play, from the input the world holds.
void stepWorld(World& w);
// The picture of the world after its step: it reads the world, never
// changes it.
void describeWorld(const World& w);
// The game's part of the program's frame: the bound world stepped and,
// where anyone looks, described; then the menu's hover settles.
void runGameFrame();
