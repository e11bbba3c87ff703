#include "game/player/weapons.h"

#include <cstdio>

#include "game/layers/particle_layer.h"
#include "game/player/marine.h"
#include "game/projectiles/bullets.h"
#include "game/world/effects.h"
#include "game/world/world.h"
#include "math/rules_math.h"

namespace {

bool validId(int id) {
    return id >= WeaponPistol && id <= WeaponGrenadeGun;
}

} // namespace

void defineWeapon(int id, const char* name, int clipSize, float fireInterval, float reloadTime) {
    if (!validId(id)) return;
    Weapon& weapon = world().marine.weapons[id - WeaponPistol];
    std::snprintf(weapon.name, sizeof(weapon.name), "%s", name ? name : "");
    weapon.clipSize = clipSize;
    weapon.fireInterval = fireInterval;
    weapon.reloadTime = reloadTime;
}

void addWeapon(int id) {
    World& w = world();
    // Callers add only what is not yet owned; the guard keeps owned[] safe.
    if (!validId(id) || w.marine.ownedCount < 0 || w.marine.ownedCount >= 4) return;
    w.marine.owned[w.marine.ownedCount] = id;
    Weapon& weapon = w.marine.weapons[id - WeaponPistol];
    weapon.rounds = weapon.clipSize;
    ++w.marine.ownedCount;
}

void selectWeapon(int id) {
    World& w = world();
    for (int i = 0; i < w.marine.ownedCount && i < 4; ++i) {
        if (w.marine.owned[i] == id) {
            w.marine.currentWeapon = id - WeaponPistol;
            w.marine.reloadTimer = 0.0f;
            return;
        }
    }
}

namespace {

void shoot() {
    World& w = world();
    const Vec2& position = w.marine.position;
    const Vec2& aim = w.marine.aim;

    // Every weapon throws the same muzzle flash.
    Vec2 muzzle = position + aim / 25.0f;
    emitParticle("ParticlePistol", muzzle, aim.perpUnit());
    for (int i = 0; i < 3; ++i)
        emitParticle("ParticleShot", muzzle, aim);

    switch (w.marine.currentWeapon) {
    case 0:
        spawnBullet("BulletPistol", position, aim);
        cueSound(SoundPistolShot);
        break;
    case 1:
        spawnBullet("BulletAK", position, aim);
        cueSound(SoundAKShot);
        break;
    case 2:
        // The pellets start in a row reaching 7/75 ahead of him.
        for (int i = 0; i < 8; ++i)
            spawnBullet("BulletShotGun", position + aim * static_cast<float>(i) / 75.0f, aim);
        cueSound(SoundShotGun);
        break;
    case 3:
        spawnBullet("BulletGrenadeGun", position, aim);
        cueSound(SoundGrenadeGun);
        break;
    default:
        break;
    }
}

} // namespace

void updateWeapons() {
    World& w = world();
    if (w.marine.currentWeapon < 0 || w.marine.currentWeapon > 3) return;
    Weapon& weapon = w.marine.weapons[w.marine.currentWeapon];
    float elapsed = w.marine.fastShot ? 2.0f * w.frameDelta : w.frameDelta;

    w.marine.fireTimer += elapsed;
    if (w.tick.fire && w.marine.fireTimer >= weapon.fireInterval && w.runFactor != 0.0f &&
        weapon.rounds > 0) {
        w.marine.fireTimer = 0.0f;
        shoot();
        weapon.rounds -= 1;
    }

    // Reloading follows the shot, so an emptied clip starts refilling at once.
    if (weapon.rounds <= 0) {
        w.marine.reloadTimer += elapsed;
        if (w.marine.reloadTimer >= weapon.reloadTime) {
            w.marine.reloadTimer = 0.0f;
            weapon.rounds += weapon.clipSize;
        }
    }

    cueSoundReclaim();
}

void fireSpecial() {
    World& w = world();
    w.marine.specialTimer += w.frameDelta;
    // The score test also keeps the unsigned score from wrapping.
    if (!w.tick.special || w.marine.specialTimer < 1000.0f || w.score < 100 || w.runFactor == 0.0f)
        return;

    int count = w.marine.specialCount;
    for (int i = 0; i < count; ++i) {
        // 3.14 stands for the half-turn here, so the ring falls a hair short.
        float a = static_cast<float>(i * 360) * (1.0f / 180.0f) * 3.14f / static_cast<float>(count);
        float s, c;
        ruleSinCos(a, s, c);
        spawnBullet("BulletCirclePlayer", w.marine.position, Vec2(c, s));
    }
    cueSound(SoundSpecial);
    w.marine.specialTimer = 0.0f;
    w.score -= 100;
}
