#include "game/rules/game_frame.h"

#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/pad_rumble.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "input/settings_values.h"

namespace {

// The full-window ground quad, the first thing drawn every frame.
void drawGround() {
    draw::rect(-1.0f, -1.0f, 1.0f, 1.0f, kWhite, textureBank.slotFor(kGroundTexture));
}

} // namespace

void describeNotice(const World& w) {
    // A faded notice would draw nothing anyway. It is drawn through "%s": a
    // notice is text, never a format.
    const float alpha = w.noticeShownAlpha;
    if (alpha > 0.0f)
        draw::text(0, 0.0f, 0.9f, Colour{1.0f, 1.0f, 1.0f, alpha}, "%s",
                   noticeText(w.pickupNotice));
}

void describeFps(const World& w) {
    // Two passes inside one tick give no time at all; keep the last real rate.
    thread_local float lastFps = 0.0f;
    if (w.frameDelta > 0.0f) lastFps = 1000.0f / w.frameDelta;
    draw::text(0, 0.75f, 0.95f, kWhite, "FPS:%3.2f", lastFps);
}

void stepWorld(World& played, const TickInput& tick) {
    WorldScope scope(played);
    World& w = played;
    w.tick = tick;
    // The run factor the previous frame left: a menu opened or closed
    // during a frame changes the speed of the world from the next frame on,
    // never the frame that noticed it.
    w.frameDelta = tick.tickDelta * w.runFactor;
    w.runFactor = tick.menuShown ? 0.0f : 1.0f;
    if (tick.weapon >= 0 && tick.weapon <= 3) selectWeapon(WeaponPistol + tick.weapon);
    // He turns toward the crosshair while he lives, and under the menu.
    if (tick.menuShown || !w.marine.marineDead) w.cursorArena = tick.aim;

    if (!w.marine.marineDead) {
        updateMarine();
        if (!w.marine.marineDead) updateSpawner(1.0f, 500.0f);
    }

    // In the painter's order: what each layer holds when it is described is
    // noted, and what the rest of the frame adds shows from the next one.
    w.decalLayer.update();
    w.decalsShown = w.decalLayer.count;
    w.particleLayer.update();
    w.particlesShown = w.particleLayer.count;
    updateBonuses();
    w.bonusesShown = w.bonusCount;
    moveBullets(); // and every hit
    updateMonsters();
    updateMarineDeath();
    w.spriteLayer.update();
    updatePadRumble();

    if (!w.marine.marineDead) updateAim();

    w.noticeShownAlpha = w.pickupMessageAlpha;
    w.pickupMessageAlpha -= w.frameDelta * 0.0004f;
    if (!w.marine.marineDead) w.gameTime += w.frameDelta * 0.001f;
    if (w.marine.marineDead && !w.tallied) {
        w.atDeath = GameTally{w.score, w.gameTime, w.monstersKilled};
        w.tallied = true;
    }
}

void describeWorld(const World& w, DrawList& out) {
    draw::Target into(out);
    drawGround();
    w.decalLayer.draw(w.decalsShown);
    w.particleLayer.draw(w.particlesShown);
    describeBonuses(w, w.bonusesShown);
    describeBullets(w);
    w.spriteLayer.draw();
    if (!w.marine.marineDead) describeCrosshair(w);
    describeNotice(w);
    if (world().showFps != 0) describeFps(w);
    draw::text(0, 0.55f, 0.9f, kWhite, "Game time:%5.2f", w.gameTime);
}
