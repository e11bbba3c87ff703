#include "game/session/game_frame.h"

#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/monsters/monsters.h"
#include "game/player/aim_cursor.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/pad_rumble.h"
#include "game/projectiles/bullets.h"
#include "game/session/menu_items.h"
#include "game/world/world.h"
#include "input/input.h"
#include "input/settings_values.h"

namespace {

// The full-window ground quad, the first thing drawn every frame.
void drawGround() {
    draw::rect(-1.0f, -1.0f, 1.0f, 1.0f, kWhite, textureBank.slotFor(kGroundTexture));
}

} // namespace

void drawNotice() {
    World& w = world();
    float alpha = w.pickupMessageAlpha;
    w.pickupMessageAlpha -= w.input.frameDelta * 0.0004f;
    // A faded notice would draw nothing anyway. It is drawn through "%s": a
    // notice is text, never a format.
    if (alpha > 0.0f)
        draw::text(0, 0.0f, 0.9f, Colour{1.0f, 1.0f, 1.0f, alpha}, "%s", w.pickupMessage);
}

void drawFps() {
    World& w = world();
    // Two passes inside one tick give no time at all; keep the last real rate.
    thread_local float lastFps = 0.0f;
    if (w.input.frameDelta > 0.0f) lastFps = 1000.0f / w.input.frameDelta;
    draw::text(0, 0.75f, 0.95f, kWhite, "FPS:%3.2f", lastFps);
}

void runGameFrame() {
    World& w = world();
    draw::clear();
    if (w.input.menuShown) {
        w.input.runFactor = 0.0f;
        updateCursor();
    } else {
        w.input.runFactor = 1.0f;
    }

    if (!w.marine.marineDead) {
        updateMarine();
        if (!w.marine.marineDead) updateSpawner(1.0f, 500.0f);
    }

    drawGround();
    w.decalLayer.draw();
    w.particleLayer.draw();
    drawBonuses();
    drawBullets();
    updateMonsters();
    updateMarineDeath();
    w.spriteLayer.draw();
    updatePadRumble();

    if (!w.marine.marineDead) drawCrosshair();

    drawNotice();
    if (showFps != 0) drawFps();
    if (!w.marine.marineDead) w.gameTime += w.input.frameDelta * 0.001f;
    draw::text(0, 0.55f, 0.9f, kWhite, "Game time:%5.2f", w.gameTime);

    settleMenuHover();
}
