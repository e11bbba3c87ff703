#include "game/projectiles/bullets.h"

#include "draw/draw_list.h"

#include "game/layers/particle_layer.h"
#include "game/projectiles/bullet_templates.h"
#include "input/input.h"
#include "math/rng.h"

Bullet bullets[kMaxBullets];
int bulletCount = 0;

void spawnBullet(const char* templateName, const Vec2& position, const Vec2& direction) {
    int index = findBulletTemplate(templateName);
    if (index < 0) return;
    const BulletTemplate& kind = bulletTemplates[index];

    Bullet bullet;
    bullet.position = position;
    bullet.direction = direction;
    bullet.direction.rotate(randomSpreadAngle(kind.spread));
    bullet.trail = kind.trail;
    bullet.scores = kind.scores;
    bullet.speed = kind.speed;
    bullet.damage = kind.damage;
    appendBullet(bullet);
}

void appendBullet(const Bullet& bullet) {
    // A full pool drops the newcomer rather than writing past the end.
    if (bulletCount < 0 || bulletCount >= kMaxBullets) return;
    bullets[bulletCount] = bullet;
    ++bulletCount;
}

void removeBullet(int index) {
    if (index < 0 || index >= bulletCount) return;
    for (int i = index; i < bulletCount - 1; ++i)
        bullets[i] = bullets[i + 1];
    --bulletCount;
}

void clearBullets() {
    for (int i = 0; i < bulletCount && i < kMaxBullets; ++i)
        bullets[i] = Bullet{};
    bulletCount = 0;
}

void moveBullets() {
    for (int i = 0; i < bulletCount; ++i) {
        Bullet& bullet = bullets[i];
        bullet.position += (bullet.direction * bullet.speed) * frameDelta;
        // Sparks fly backwards from the new position; none under the menu.
        if (bullet.trail && !menuShown)
            emitParticle("ParticleSparkRocket", bullet.position,
                         Vec2(-bullet.direction.x, -bullet.direction.y));
    }
    resolveBulletHits();
}

void drawBullets() {
    moveBullets();
    if (!drawList.recording) return; // nobody looks

    // A streak fading in toward the head, and the head as a round point.
    // The alpha above one is clamped by the pipeline: a fully lit head.
    constexpr Colour kTail{1.0f, 1.0f, 1.0f, 0.0f};
    constexpr Colour kHead{1.0f, 1.0f, 1.0f, 1.5f};
    for (int i = 0; i < bulletCount; ++i) {
        const Bullet& bullet = bullets[i];
        // Where the bullet will be after one more step of this length.
        Vec2 head = bullet.position + bullet.direction * bullet.speed * frameDelta;
        draw::line(bullet.position, kTail, head, kHead, 1.0f);
        draw::point(head, kHead, 2.0f);
    }
}
