// The bullet pool: creation, flight, hits on monsters, grenade blasts.
#pragma once

#include <cstdint>

#include "math/vec2.h"

struct Bullet {
    Vec2 position;
    Vec2 direction;
    float speed = 0.0f;
    float damage = 0.0f;
    bool trail = false;
    bool scores = false;
};

struct Monster;

constexpr int kMaxBullets = 1024;

// Appends one bullet made from the named template; unknown names do nothing.
void spawnBullet(const char* templateName, const Vec2& position, const Vec2& direction);
// Copies the bullet to the end of the pool; a full pool drops it.
void appendBullet(const Bullet& bullet);
void removeBullet(int index);
void clearBullets();

struct World;
// Each bullet's streak and head where the frame left them.
void describeBullets(const World& w);
void moveBullets();
// The game's hit pass (fast, with the same results as the reference scan).
void resolveBulletHits();
// The plain monster-by-bullet scan, kept as the reference behaviour.
void resolveBulletHitsReference();
// One hit of the bullet in slot `bullet` on the monster in slot `monster`:
// blast, damage, knock-back, sound, blood or kill, then the bullet leaves.
void applyBulletHit(int monster, int bullet);
void grenadeBurst(const Vec2& position, int count);
void addBloodSplat(const Monster& monster);
void addBlastMark(const Monster& monster);
