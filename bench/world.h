// The full-load world the benchmark measures, and copies of it to restore
// before every timed run.
#pragma once

#include <cstdint>

namespace bench {

struct LoadStats {
    int monsters = 0;
    int bullets = 0;
    int decals = 0;
    int sprites = 0;
    int particles = 0;
    int bonuses = 0;
    int hits = 0;  // hits the reference scan finds in the measured pass
    int kills = 0; // monsters it removes
};

// Fills the pools of a started game (templates and textures loaded):
// 1000 monsters over and around the arena, 1024 bullets in flight, of which
// `hitsWanted` cross a monster's side in the next pass (one of them a
// grenade, with the GrenadeGun selected), and the effect layers well filled.
// Deterministic for a given seed.
void buildFullLoad(uint32_t seed, int hitsWanted);

// The whole world, kept and put back (snapshots).
void save(int slot);
void restore(int slot);

// Moves every bullet by one step of frameDelta, as moveBullets does before
// the hit pass (no sparks).
void stepBullets();

// Counts what the reference hit pass does on the current world, leaving the
// world as it was.
LoadStats measureLoad(int scratchSlot);

} // namespace bench
