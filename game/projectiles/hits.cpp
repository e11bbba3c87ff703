#include "game/projectiles/bullets.h"
// Placeholder until bullet hits land.
float hitSoundTimer = 0.0f;
void resolveBulletHits() {}
void resolveBulletHitsReference() {}
void grenadeBurst(const Vec2&, int) {}
void addBloodSplat(const Monster&) {}
void addBlastMark(const Monster&) {}
