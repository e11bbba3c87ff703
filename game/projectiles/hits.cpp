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
#include "input/input.h"
#include "math/rng.h"

float hitSoundTimer = 0.0f;

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
    spriteLayer.add(stripSprite(0.2f, 0.001f, 20.0f, textureBank.slotFor("Textures/Explosion.bmp"),
                                centre, Vec2(1.0f, 0.0f)));
}

// One hit of bullet `b` on monster `m`. The bullet is copied: fragments are
// appended to the pool while it is handled.
void applyHit(int m, int b) {
    const Bullet bullet = bullets[b];

    if (marine.currentWeapon == kGrenadeSlot && bullet.trail) {
        const Vec2 centre = monsters[m].position;
        addBlastMark(monsters[m]);
        grenadeBurst(centre, kGrenadeFragments);
        addExplosion(centre);
        cueSound(SoundExplosion);
    }

    Monster& monster = monsters[m];
    monster.health -= bullet.damage;
    monster.position += bullet.direction / kKnockBackDivisor;

    if (hitSoundTimer >= kHitSoundSpacing) {
        cueSound(SoundDamage);
        hitSoundTimer = 0.0f;
    }

    if (monster.health > 0.0f) {
        addBloodSplat(monster);
    } else {
        addBloodSplat(monster);
        addBloodSplat(monster);
        addMonsterCorpse(monster);
        if (bullet.scores) score += static_cast<uint32_t>(monster.scoreValue);
        removeMonster(m); // `monster` now names the one that followed
    }

    removeBullet(b);
}

} // namespace

void resolveBulletHitsReference() {
    // Strict bounds: a bullet exactly on the border stays.
    for (int i = 0; i < bulletCount; ++i) {
        const Vec2& p = bullets[i].position;
        if (p.x > 1.0f || p.x < -1.0f || p.y > 1.0f || p.y < -1.0f) removeBullet(i);
    }

    hitSoundTimer += frameDelta;
    if (monsterCount < 1) return;

    // Monsters outside, bullets inside, both counts read anew at every step:
    // the lower monster slot wins a path that crosses two, and fragments
    // appended during the scan meet this monster and the later ones.
    for (int m = 0; m < monsterCount; ++m) {
        for (int b = 0; b < bulletCount && m < monsterCount; ++b) {
            const Bullet& bullet = bullets[b];
            Vec2 p = bullet.position;
            Vec2 q = p + bullet.direction * bullet.speed * frameDelta;
            if (pathCrosses(p, q, monsters[m])) applyHit(m, b);
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
    int r1 = rng.next();
    int r2 = rng.next();
    int r3 = rng.next();
    int r4 = rng.next();
    Decal blood;
    blood.alpha = 1.0f;
    blood.size = static_cast<float>(r1 % 100 + 50) * 0.0005f;
    blood.fadeRate = kGroundFadeRate;
    blood.texture = textureBank.slotFor("Textures/Blood.bmp");
    blood.centre = monster.position + Vec2(static_cast<float>(r2 % 100 - 50) * 0.001f,
                                           static_cast<float>(r3 % 100 - 50) * 0.001f);
    blood.direction = Vec2(0.0f, 1.0f);
    blood.direction.rotate(static_cast<float>(r4 % 360) * kDegToRad);
    decalLayer.add(blood);
}

void addBlastMark(const Monster& monster) {
    int r = rng.next();
    Decal mark;
    mark.alpha = 0.5f;
    mark.size = 0.1f;
    mark.fadeRate = kGroundFadeRate;
    mark.texture = textureBank.slotFor("Textures/Spot_Explosion.bmp");
    mark.centre = monster.position;
    mark.direction = Vec2(0.0f, 1.0f);
    mark.direction.rotate(static_cast<float>(r % 360) * kDegToRad);
    decalLayer.add(mark);
}
