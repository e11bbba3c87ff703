#include "app/input.h"
#include "game/projectiles/bullets.h"
// Placeholder until bullet hits land: only the arena bounds for now.
float hitSoundTimer = 0.0f;
void resolveBulletHitsReference() {
    for (int i = 0; i < bulletCount; ++i) {
        const Vec2& p = bullets[i].position;
        if (p.x > 1.0f || p.x < -1.0f || p.y > 1.0f || p.y < -1.0f) removeBullet(i);
    }
    hitSoundTimer += frameDelta;
}
void resolveBulletHits() { resolveBulletHitsReference(); }
void grenadeBurst(const Vec2&, int) {}
void addBloodSplat(const Monster&) {}
void addBlastMark(const Monster&) {}
