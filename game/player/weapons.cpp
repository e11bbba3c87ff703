#include "game/player/weapons.h"

#include <cstdio>

#include "game/layers/particle_layer.h"
#include "game/player/marine.h"
#include "game/player/pad_controls.h"
#include "game/projectiles/bullets.h"
#include "game/world/effects.h"
#include "input/input.h"
#include "math/rules_math.h"

uint32_t score = 0;

namespace {

bool validId(int id) {
    return id >= WeaponPistol && id <= WeaponGrenadeGun;
}

} // namespace

void defineWeapon(int id, const char* name, int clipSize, float fireInterval, float reloadTime) {
    if (!validId(id)) return;
    Weapon& weapon = marine.weapons[id - WeaponPistol];
    std::snprintf(weapon.name, sizeof(weapon.name), "%s", name ? name : "");
    weapon.clipSize = clipSize;
    weapon.fireInterval = fireInterval;
    weapon.reloadTime = reloadTime;
}

void addWeapon(int id) {
    // Callers add only what is not yet owned; the guard keeps owned[] safe.
    if (!validId(id) || marine.ownedCount < 0 || marine.ownedCount >= 4) return;
    marine.owned[marine.ownedCount] = id;
    Weapon& weapon = marine.weapons[id - WeaponPistol];
    weapon.rounds = weapon.clipSize;
    ++marine.ownedCount;
}

void selectWeapon(int id) {
    for (int i = 0; i < marine.ownedCount && i < 4; ++i) {
        if (marine.owned[i] == id) {
            marine.currentWeapon = id - WeaponPistol;
            marine.reloadTimer = 0.0f;
            return;
        }
    }
}

namespace {

void shoot() {
    const Vec2& position = marine.position;
    const Vec2& aim = marine.aim;

    // Every weapon throws the same muzzle flash.
    Vec2 muzzle = position + aim / 25.0f;
    emitParticle("ParticlePistol", muzzle, aim.perpUnit());
    for (int i = 0; i < 3; ++i)
        emitParticle("ParticleShot", muzzle, aim);

    switch (marine.currentWeapon) {
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
    if (marine.currentWeapon < 0 || marine.currentWeapon > 3) return;
    Weapon& weapon = marine.weapons[marine.currentWeapon];
    float elapsed = marine.fastShot ? 2.0f * frameDelta : frameDelta;

    marine.fireTimer += elapsed;
    if ((leftButtonDown || padFire(padState)) && marine.fireTimer >= weapon.fireInterval &&
        runFactor != 0.0f && weapon.rounds > 0) {
        marine.fireTimer = 0.0f;
        shoot();
        weapon.rounds -= 1;
    }

    // Reloading follows the shot, so an emptied clip starts refilling at once.
    if (weapon.rounds <= 0) {
        marine.reloadTimer += elapsed;
        if (marine.reloadTimer >= weapon.reloadTime) {
            marine.reloadTimer = 0.0f;
            weapon.rounds += weapon.clipSize;
        }
    }

    cueSoundReclaim();
}

void fireSpecial() {
    marine.specialTimer += frameDelta;
    // The score test also keeps the unsigned score from wrapping.
    if (!(rightButtonDown || padSpecial(padState)) || marine.specialTimer < 1000.0f ||
        score < 100 || runFactor == 0.0f)
        return;

    int count = marine.specialCount;
    for (int i = 0; i < count; ++i) {
        // 3.14 stands for the half-turn here, so the ring falls a hair short.
        float a = static_cast<float>(i * 360) * (1.0f / 180.0f) * 3.14f / static_cast<float>(count);
        float s, c;
        ruleSinCos(a, s, c);
        spawnBullet("BulletCirclePlayer", marine.position, Vec2(c, s));
    }
    cueSound(SoundSpecial);
    marine.specialTimer = 0.0f;
    score -= 100;
}
