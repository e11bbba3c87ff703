#include "game/player/marine.h"

#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/aim_cursor.h"
#include "game/player/death.h"
#include "game/player/pad_controls.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullets.h"
#include "game/world/effects.h"
#include "game/world/world_state.h"
#include "input/input.h"
#include "input/settings_values.h"

Marine marine;

namespace {

constexpr uint32_t kKeyA = 'A';
constexpr uint32_t kKeyD = 'D';
constexpr uint32_t kKeyS = 'S';
constexpr uint32_t kKeyW = 'W';

// Facing and aim turn by a fixed amount per frame, not per millisecond.
constexpr float kTurnPerFrame = 1.0f / 15.0f;

bool ownsWeapon(int id) {
    for (int i = 0; i < marine.ownedCount && i < 4; ++i)
        if (marine.owned[i] == id) return true;
    return false;
}

float clampUnit(float v) {
    if (v < -1.0f) return -1.0f;
    if (v > 1.0f) return 1.0f;
    return v;
}

// The Marine's body sprite, or nullptr once it is gone (death, full layer).
AnimSprite* bodySprite() {
    if (marine.spriteIndex < 0 || marine.spriteIndex >= spriteLayer.count) return nullptr;
    return &spriteLayer.sprites[marine.spriteIndex];
}

} // namespace

void resetGame() {
    marine = Marine{};

    spriteLayer.clear();
    clearMonsters();
    clearBonuses();
    clearBullets();
    particleLayer.clear();
    cueSoundsStop();
    decalLayer.clear();

    gameTime = 0.0f;
    monstersKilled = 0;
    score = 0;
    deathTime = 0.0f;
    spawnInterval = 1000.0f;

    defineWeapon(WeaponPistol, "Pistol", 7, 500.0f, 1000.0f);
    defineWeapon(WeaponAK, "AK", 30, 100.0f, 2000.0f);
    defineWeapon(WeaponShotGun, "ShotGun", 7, 1000.0f, 2500.0f);
    defineWeapon(WeaponGrenadeGun, "GrenadeGun", 1, 0.0f, 2000.0f);
    if (!ownsWeapon(WeaponPistol)) addWeapon(WeaponPistol);

    marine.health = 100.0f;
    marine.runPower = 100.0f;
    marine.specialCount = 8;
    marine.blurFade = 0.001f;
    marine.blurInterval = 50.0f;
    marine.runRegen = 0.005f;
    marine.facing = Vec2(0.0f, 1.0f);
    marine.aim = Vec2(0.0f, 1.0f);
    marine.spriteIndex = 0;
    hitSoundTimer = 1000.0f;

    // First sprite after the clear, so it is sprite 0 (his death relies on it).
    spriteLayer.add(stripSprite(0.05f, 0.0f, 20.0f, textureBank.slotFor("Textures/Marine.bmp"),
                                Vec2(0.0f, 0.0f), Vec2(1.0f, 0.0f)));
}

void updateMarine() {
    updateCursor();
    // Shots leave from where he stood and aimed at the end of the last frame.
    updateWeapons();

    const PadDirections pad = padWalk(padState);
    marine.moveInput.setZero();
    bool moved = false;
    if (keyDown[VkUp] || keyDown[kKeyW] || pad.up) {
        marine.moveInput += Vec2(0.0f, 1.0f);
        moved = true;
    }
    if (keyDown[VkDown] || keyDown[kKeyS] || pad.down) {
        marine.moveInput -= Vec2(0.0f, 1.0f);
        moved = true;
    }
    if (keyDown[VkLeft] || keyDown[kKeyA] || pad.left) {
        marine.moveInput -= Vec2(1.0f, 0.0f);
        moved = true;
    }
    if (keyDown[VkRight] || keyDown[kKeyD] || pad.right) {
        marine.moveInput += Vec2(1.0f, 0.0f);
        moved = true;
    }

    Vec2 step = marine.facing;
    AnimSprite* body = bodySprite();
    if (body) body->frameRate = 20.0f;

    if (keyDown[VkShift] || padRun(padState)) {
        if (moved) {
            marine.runPower -= frameDelta * 0.02f;
            if (marine.runPower > 1.0f) {
                step *= 2.0f;
                if (body) body->frameRate = 40.0f;
            }
        }
        if (marine.runPower <= 0.0f) marine.runPower = 0.0f;
    }

    // Positive when the keys point counter-clockwise of his facing. Keys along
    // the facing (or cancelling out) still turn him a little, the same way.
    float s = marine.moveInput.perpUnit().dot(marine.facing);
    if (s == 0.0f) s = 0.0001f;

    if (marine.fastSpeed) step *= 2.0f;

    if (moved) {
        marine.facing.rotate(s > 0.0f ? kTurnPerFrame : -kTurnPerFrame);
        marine.position += step * frameDelta / 5000.0f;
    }
    marine.position.x = clampUnit(marine.position.x);
    marine.position.y = clampUnit(marine.position.y);

    if (body) {
        body->animate = moved ? 1 : 0;
        body->centre = marine.position;
        body->direction = marine.aim.perpUnit();
        spriteLayer.place(marine.spriteIndex, *body);
    }

    fireSpecial();
}

void updateMarineTimers() {
    marine.runPower += frameDelta * marine.runRegen;
    if (marine.fastSpeed) marine.fastSpeedTime += frameDelta;
    if (marine.fastShot) marine.fastShotTime += frameDelta;
    if (marine.fastSpeedTime >= 10000.0f) {
        marine.fastSpeed = false;
        marine.fastSpeedTime = 0.0f;
        marine.timedBonusCount -= 1;
    }
    if (marine.fastShotTime >= 15000.0f) {
        marine.fastShot = false;
        marine.fastShotTime = 0.0f;
        marine.timedBonusCount -= 1;
    }
    if (marine.runPower >= 100.0f) marine.runPower = 100.0f;
}

namespace {

// Red, yellow, cyan, white: fading out along the aim.
void drawAimLine() {
    static const float colours[4][3] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 1}, {1, 1, 1}};
    const float* c = colours[aimLineColour & 3];
    Vec2 from = marine.position + marine.aim * 0.04f;
    Vec2 to = marine.position + marine.aim;
    draw::line(from, Colour{c[0], c[1], c[2], 1.0f}, to, Colour{c[0], c[1], c[2], 0.0f}, 2.0f);
}

} // namespace

void drawCrosshair() {
    updateMarineTimers();

    const float mx = cursorArena.x;
    const float my = cursorArena.y;
    const float h = 0.035f;
    draw::rect(mx - h, my - h, mx + h, my + h, kWhite, textureBank.slotFor("Textures/Cell.bmp"));

    // The turn is the sine of the angle to the mouse: quick when nearly on
    // target, slow when the mouse is almost behind him.
    Vec2 toMouse = cursorArena - marine.position;
    marine.aim.rotate(marine.aim.cosAngle(toMouse.perpUnit()));

    if (aimLineShown) drawAimLine();

    if (marine.fastSpeed) dropBlurTrail();
}

void dropBlurTrail() {
    marine.blurTimer += frameDelta;
    if (marine.blurTimer < marine.blurInterval) return;

    // An after-image turned like the body sprite.
    Decal blur;
    blur.alpha = 0.5f;
    blur.size = 0.05f;
    blur.fadeRate = marine.blurFade;
    blur.texture = textureBank.slotFor("Textures/MarineBlur.bmp");
    blur.centre = marine.position;
    blur.direction = marine.aim.perpUnit();
    decalLayer.add(blur);
    marine.blurTimer = 0.0f;
}
