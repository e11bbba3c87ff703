#include "game/player/marine.h"

#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullets.h"
#include "game/world/effects.h"
#include "game/world/world.h"
#include "input/settings_values.h"

namespace {

// Facing and aim turn by a fixed amount per frame, not per millisecond.
constexpr float kTurnPerFrame = 1.0f / 15.0f;

bool ownsWeapon(int id) {
    World& w = world();
    for (int i = 0; i < w.marine.ownedCount && i < 4; ++i)
        if (w.marine.owned[i] == id) return true;
    return false;
}

float clampUnit(float v) {
    if (v < -1.0f) return -1.0f;
    if (v > 1.0f) return 1.0f;
    return v;
}

// The Marine's body sprite, or nullptr once it is gone (death, full layer).
AnimSprite* bodySprite() {
    World& w = world();
    if (w.marine.spriteIndex < 0 || w.marine.spriteIndex >= w.spriteLayer.count) return nullptr;
    return &w.spriteLayer.sprites[w.marine.spriteIndex];
}

} // namespace

void resetGame() {
    World& w = world();
    w.marine = Marine{};
    w.tallied = false;
    w.atDeath = GameTally{};

    w.spriteLayer.clear();
    clearMonsters();
    clearBonuses();
    clearBullets();
    w.particleLayer.clear();
    cueSoundsStop();
    w.decalLayer.clear();

    w.gameTime = 0.0f;
    w.monstersKilled = 0;
    w.score = 0;
    w.deathTime = 0.0f;
    w.spawnInterval = 1000.0f;

    defineWeapon(WeaponPistol, "Pistol", 7, 500.0f, 1000.0f);
    defineWeapon(WeaponAK, "AK", 30, 100.0f, 2000.0f);
    defineWeapon(WeaponShotGun, "ShotGun", 7, 1000.0f, 2500.0f);
    defineWeapon(WeaponGrenadeGun, "GrenadeGun", 1, 0.0f, 2000.0f);
    if (!ownsWeapon(WeaponPistol)) addWeapon(WeaponPistol);

    w.marine.health = 100.0f;
    w.marine.runPower = 100.0f;
    w.marine.specialCount = 8;
    w.marine.blurFade = 0.001f;
    w.marine.blurInterval = 50.0f;
    w.marine.runRegen = 0.005f;
    w.marine.facing = Vec2(0.0f, 1.0f);
    w.marine.aim = Vec2(0.0f, 1.0f);
    w.marine.spriteIndex = 0;
    w.hitSoundTimer = 1000.0f;

    // First sprite after the clear, so it is sprite 0 (his death relies on it).
    w.spriteLayer.add(stripSprite(0.05f, 0.0f, 20.0f, textureBank.slotFor("Textures/Marine.bmp"),
                                  Vec2(0.0f, 0.0f), Vec2(1.0f, 0.0f)));
}

void updateMarine() {
    World& w = world();
    // Shots leave from where he stood and aimed at the end of the last frame.
    updateWeapons();

    const uint8_t walk = w.tick.walk;
    w.marine.moveInput.setZero();
    bool moved = false;
    if (walk & WalkUp) {
        w.marine.moveInput += Vec2(0.0f, 1.0f);
        moved = true;
    }
    if (walk & WalkDown) {
        w.marine.moveInput -= Vec2(0.0f, 1.0f);
        moved = true;
    }
    if (walk & WalkLeft) {
        w.marine.moveInput -= Vec2(1.0f, 0.0f);
        moved = true;
    }
    if (walk & WalkRight) {
        w.marine.moveInput += Vec2(1.0f, 0.0f);
        moved = true;
    }

    Vec2 step = w.marine.facing;
    AnimSprite* body = bodySprite();
    if (body) body->frameRate = 20.0f;

    if (w.tick.run) {
        if (moved) {
            w.marine.runPower -= w.frameDelta * 0.02f;
            if (w.marine.runPower > 1.0f) {
                step *= 2.0f;
                if (body) body->frameRate = 40.0f;
            }
        }
        if (w.marine.runPower <= 0.0f) w.marine.runPower = 0.0f;
    }

    // Positive when the keys point counter-clockwise of his facing. Keys along
    // the facing (or cancelling out) still turn him a little, the same way.
    float s = w.marine.moveInput.perpUnit().dot(w.marine.facing);
    if (s == 0.0f) s = 0.0001f;

    if (w.marine.fastSpeed) step *= 2.0f;

    if (moved) {
        w.marine.facing.rotate(s > 0.0f ? kTurnPerFrame : -kTurnPerFrame);
        w.marine.position += step * w.frameDelta / 5000.0f;
    }
    w.marine.position.x = clampUnit(w.marine.position.x);
    w.marine.position.y = clampUnit(w.marine.position.y);

    if (body) {
        body->animate = moved ? 1 : 0;
        body->centre = w.marine.position;
        body->direction = w.marine.aim.perpUnit();
        w.spriteLayer.place(w.marine.spriteIndex, *body);
    }

    fireSpecial();
}

void updateMarineTimers() {
    World& w = world();
    w.marine.runPower += w.frameDelta * w.marine.runRegen;
    if (w.marine.fastSpeed) w.marine.fastSpeedTime += w.frameDelta;
    if (w.marine.fastShot) w.marine.fastShotTime += w.frameDelta;
    if (w.marine.fastSpeedTime >= 10000.0f) {
        w.marine.fastSpeed = false;
        w.marine.fastSpeedTime = 0.0f;
        w.marine.timedBonusCount -= 1;
    }
    if (w.marine.fastShotTime >= 15000.0f) {
        w.marine.fastShot = false;
        w.marine.fastShotTime = 0.0f;
        w.marine.timedBonusCount -= 1;
    }
    if (w.marine.runPower >= 100.0f) w.marine.runPower = 100.0f;
}

namespace {

// Red, yellow, cyan, white: fading out along the aim.
void describeAimLine(const World& w) {
    static const float colours[4][3] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 1}, {1, 1, 1}};
    const float* c = colours[aimLineColour & 3];
    Vec2 from = w.marine.position + w.marine.aim * 0.04f;
    Vec2 to = w.marine.position + w.marine.aim;
    draw::line(from, Colour{c[0], c[1], c[2], 1.0f}, to, Colour{c[0], c[1], c[2], 0.0f}, 2.0f);
}

} // namespace

void updateAim() {
    World& w = world();
    updateMarineTimers();
    // The turn is the sine of the angle to the mouse: quick when nearly on
    // target, slow when the mouse is almost behind him.
    Vec2 toMouse = w.cursorArena - w.marine.position;
    w.marine.aim.rotate(w.marine.aim.cosAngle(toMouse.perpUnit()));
    if (w.marine.fastSpeed) dropBlurTrail();
}

void describeCrosshair(const World& w) {
    const float mx = w.cursorArena.x;
    const float my = w.cursorArena.y;
    const float h = 0.035f;
    draw::rect(mx - h, my - h, mx + h, my + h, kWhite, textureBank.slotFor("Textures/Cell.bmp"));
    if (aimLineShown) describeAimLine(w);
}

void dropBlurTrail() {
    World& w = world();
    w.marine.blurTimer += w.frameDelta;
    if (w.marine.blurTimer < w.marine.blurInterval) return;

    // An after-image turned like the body sprite.
    Decal blur;
    blur.alpha = 0.5f;
    blur.size = 0.05f;
    blur.fadeRate = w.marine.blurFade;
    blur.texture = textureBank.slotFor("Textures/MarineBlur.bmp");
    blur.centre = w.marine.position;
    blur.direction = w.marine.aim.perpUnit();
    w.decalLayer.add(blur);
    w.marine.blurTimer = 0.0f;
}
