// Bullets against monsters: the arena bounds, the hit scan, grenade blasts,
// blood and kills.
#include "draw/texture_bank.h"
#include "game/layers/decal_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullets.h"
#include "game/world/effects.h"
#include "game/world/world.h"
#include "math/rng.h"

namespace {

constexpr int kGrenadeSlot = WeaponGrenadeGun - WeaponPistol;
constexpr int kGrenadeFragments = 16;
constexpr float kKnockBackDivisor = 50.0f;
constexpr float kHitSoundSpacing = 200.0f;
constexpr float kGroundFadeRate = 0.00005f;

bool pathCrosses(const Vec2& p, const Vec2& q, const Monster& monster) {
    bool crosses = false;
    // All four sides are tested, as the game always did.
    for (const Segment& edge : monster.hitEdges)
        if (segmentsCross(p, q, edge.p1, edge.p2)) crosses = true;
    return crosses;
}

void addExplosion(const Vec2& centre) {
    world().spriteLayer.add(stripSprite(0.2f, 0.001f, 20.0f,
                                        textureBank.slotFor("Textures/Explosion.bmp"), centre,
                                        Vec2(1.0f, 0.0f)));
}

// One hit of bullet `b` on monster `m`. The bullet is copied: fragments are
// appended to the pool while it is handled.
void applyHit(int m, int b) {
    World& w = world();
    const Bullet bullet = w.bullets[b];

    if (w.marine.currentWeapon == kGrenadeSlot && bullet.trail) {
        const Vec2 centre = w.monsters[m].position;
        addBlastMark(w.monsters[m]);
        grenadeBurst(centre, kGrenadeFragments);
        addExplosion(centre);
        cueSound(SoundExplosion);
    }

    Monster& monster = w.monsters[m];
    monster.health -= bullet.damage;
    monster.position += bullet.direction / kKnockBackDivisor;

    if (w.hitSoundTimer >= kHitSoundSpacing) {
        cueSound(SoundDamage);
        w.hitSoundTimer = 0.0f;
    }

    if (monster.health > 0.0f) {
        addBloodSplat(monster);
    } else {
        addBloodSplat(monster);
        addBloodSplat(monster);
        addMonsterCorpse(monster);
        if (bullet.scores) w.score += static_cast<uint32_t>(monster.scoreValue);
        removeMonster(m); // `monster` now names the one that followed
    }

    removeBullet(b);
}

} // namespace

void resolveBulletHitsReference() {
    World& w = world();
    // Strict bounds: a bullet exactly on the border stays.
    for (int i = 0; i < w.bulletCount; ++i) {
        const Vec2& p = w.bullets[i].position;
        if (p.x > 1.0f || p.x < -1.0f || p.y > 1.0f || p.y < -1.0f) removeBullet(i);
    }

    w.hitSoundTimer += w.frameDelta;
    if (w.monsterCount < 1) return;

    // Monsters outside, bullets inside, both counts read anew at every step:
    // the lower monster slot wins a path that crosses two, and fragments
    // appended during the scan meet this monster and the later ones.
    for (int m = 0; m < w.monsterCount; ++m) {
        for (int b = 0; b < w.bulletCount && m < w.monsterCount; ++b) {
            const Bullet& bullet = w.bullets[b];
            Vec2 p = bullet.position;
            Vec2 q = p + bullet.direction * bullet.speed * w.frameDelta;
            if (pathCrosses(p, q, w.monsters[m])) applyHit(m, b);
        }
    }
}

void applyBulletHit(int monster, int bullet) {
    applyHit(monster, bullet);
}

void grenadeBurst(const Vec2& position, int count) {
    const Vec2 centre = position; // may name a record the spawns move
    for (int i = 0; i < count; ++i)
        spawnBullet("BulletGrenadeGunExplosion", centre, Vec2(1.0f, 0.0f));
}

void addBloodSplat(const Monster& monster) {
    World& w = world();
    int r1 = w.rng.next();
    int r2 = w.rng.next();
    int r3 = w.rng.next();
    int r4 = w.rng.next();
    Decal blood;
    blood.alpha = 1.0f;
    blood.size = static_cast<float>(r1 % 100 + 50) * 0.0005f;
    blood.fadeRate = kGroundFadeRate;
    blood.texture = textureBank.slotFor("Textures/Blood.bmp");
    blood.centre = monster.position + Vec2(static_cast<float>(r2 % 100 - 50) * 0.001f,
                                           static_cast<float>(r3 % 100 - 50) * 0.001f);
    blood.direction = Vec2(0.0f, 1.0f);
    blood.direction.rotate(static_cast<float>(r4 % 360) * kDegToRad);
    w.decalLayer.add(blood);
}

void addBlastMark(const Monster& monster) {
    World& w = world();
    int r = w.rng.next();
    Decal mark;
    mark.alpha = 0.5f;
    mark.size = 0.1f;
    mark.fadeRate = kGroundFadeRate;
    mark.texture = textureBank.slotFor("Textures/Spot_Explosion.bmp");
    mark.centre = monster.position;
    mark.direction = Vec2(0.0f, 1.0f);
    mark.direction.rotate(static_cast<float>(r % 360) * kDegToRad);
    w.decalLayer.add(mark);
}
