#include "game/projectiles/bullets.h"

#include "draw/draw_list.h"

#include "game/layers/particle_layer.h"
#include "game/projectiles/bullet_templates.h"
#include "game/world/world.h"
#include "math/rng.h"

void spawnBullet(const char* templateName, const Vec2& position, const Vec2& direction) {
    int index = findBulletTemplate(templateName);
    if (index < 0) return;
    const BulletTemplate& kind = bulletTemplates[index];

    Bullet bullet;
    bullet.position = position;
    bullet.direction = direction;
    bullet.direction.rotate(randomSpreadAngle(world().rng, kind.spread));
    bullet.trail = kind.trail;
    bullet.scores = kind.scores;
    bullet.speed = kind.speed;
    bullet.damage = kind.damage;
    appendBullet(bullet);
}

void appendBullet(const Bullet& bullet) {
    World& w = world();
    // A full pool drops the newcomer rather than writing past the end.
    if (w.bulletCount < 0 || w.bulletCount >= kMaxBullets) return;
    w.bullets[w.bulletCount] = bullet;
    ++w.bulletCount;
}

void removeBullet(int index) {
    World& w = world();
    if (index < 0 || index >= w.bulletCount) return;
    for (int i = index; i < w.bulletCount - 1; ++i)
        w.bullets[i] = w.bullets[i + 1];
    --w.bulletCount;
}

void clearBullets() {
    World& w = world();
    for (int i = 0; i < w.bulletCount && i < kMaxBullets; ++i)
        w.bullets[i] = Bullet{};
    w.bulletCount = 0;
}

void moveBullets() {
    World& w = world();
    for (int i = 0; i < w.bulletCount; ++i) {
        Bullet& bullet = w.bullets[i];
        bullet.position += (bullet.direction * bullet.speed) * w.frameDelta;
        // Sparks fly backwards from the new position; none under the menu.
        if (bullet.trail && !w.tick.menuShown)
            emitParticle("ParticleSparkRocket", bullet.position,
                         Vec2(-bullet.direction.x, -bullet.direction.y));
    }
    resolveBulletHits();
}

void describeBullets(const World& w) {
    if (!drawList.recording) return; // nobody looks

    // A streak fading in toward the head, and the head as a round point.
    // The alpha above one is clamped by the pipeline: a fully lit head.
    constexpr Colour kTail{1.0f, 1.0f, 1.0f, 0.0f};
    constexpr Colour kHead{1.0f, 1.0f, 1.0f, 1.5f};
    for (int i = 0; i < w.bulletCount; ++i) {
        const Bullet& bullet = w.bullets[i];
        // Where the bullet will be after one more step of this length.
        Vec2 head = bullet.position + bullet.direction * bullet.speed * w.frameDelta;
        draw::line(bullet.position, kTail, head, kHead, 1.0f);
        draw::point(head, kHead, 2.0f);
    }
}
