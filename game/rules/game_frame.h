// The game's part of one frame: the world stepped, every subsystem in the
// painter's order, then described into the draw list as that order left it.
// The interface and the back end come after it.
#pragma once

struct DrawList;
struct TickInput;
struct World;

// One frame of play by the player's commands for it.
void stepWorld(World& w, const TickInput& tick);
// The picture of the world after its step, added to `out`: it reads the
// world, never changes it.
void describeWorld(const World& w, DrawList& out);
