// The soldier the player steers: his record, the new-game reset, movement,
// aiming, the crosshair and the speed trail.
#pragma once

#include <cstdint>

#include "math/vec2.h"

struct Weapon {
    float fireInterval = 0.0f;
    float reloadTime = 0.0f;
    int32_t clipSize = 0;
    int32_t rounds = 0;
    char name[256] = {};
};

enum WeaponId : int32_t {
    WeaponPistol = 100,
    WeaponAK = 101,
    WeaponShotGun = 102,
    WeaponGrenadeGun = 103,
};

struct Marine {
    float blurInterval;
    float blurTimer;
    float blurFade;
    float runRegen;
    float fireTimer;
    float reloadTimer;
    float specialTimer;
    float fastSpeedTime;
    float fastShotTime;
    int32_t specialCount;
    int32_t spriteIndex;
    float health;
    float runPower;
    Weapon weapons[4];
    int32_t ownedCount;
    int32_t owned[4];
    int32_t currentWeapon;
    int32_t timedBonusCount;
    bool firstDropDone;
    bool marineDead;
    bool fastSpeed;
    bool fastShot;
    Vec2 aim;
    Vec2 position;
    Vec2 facing;
    Vec2 moveInput;
};

void resetGame();
void updateMarine();
void updateMarineTimers();
// The Marine's timers, his aim turning toward the crosshair, and the blur
// trail while he runs fast.
void updateAim();
struct World;
// The crosshair and the aim line.
void describeCrosshair(const World& w);
void dropBlurTrail();
