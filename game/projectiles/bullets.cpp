#include "game/projectiles/bullets.h"
// Placeholder until bullet flight lands.
Bullet bullets[kMaxBullets];
int bulletCount = 0;
void spawnBullet(const char*, const Vec2&, const Vec2&) {}
void appendBullet(const Bullet&) {}
void removeBullet(int) {}
void clearBullets() { bulletCount = 0; }
void drawBullets() {}
void moveBullets() {}
