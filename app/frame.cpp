#include "app/frame.h"

#include <GL/gl.h>
#include <cmath>

#include "app/input.h"
#include "app/score_store.h"
#include "app/settings.h"
#include "game/bonuses/bonuses.h"
#include "game/monsters/monsters.h"
#include "game/player/aim_cursor.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/pad_rumble.h"
#include "game/projectiles/bullets.h"
#include "platform/platform.h"
#include "render/decal_layer.h"
#include "render/particle_layer.h"
#include "render/sprite_layer.h"
#include "render/text.h"
#include "render/texture_bank.h"
#include "ui/hud.h"
#include "ui/score_view.h"

void (*beforeSwap)() = nullptr;

namespace {

ScoreTable shownScores;
int shownNewest = -1;

// Game Over and the menu show the table of the difficulty being played.
const ScoreTable& scoresOfThisDifficulty(int newest) {
    shownNewest = newest;
    scoresAt(scoreTable(), spawnAcceleration, shownScores, shownNewest);
    return shownScores;
}

} // namespace

void drawNotice() {
    float alpha = pickupMessageAlpha;
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    pickupMessageAlpha -= frameDelta * 0.0004f;
    // A faded notice would draw nothing anyway. It is drawn through "%s": a
    // notice is text, never a format.
    if (alpha > 0.0f) drawText(0, 0.0f, 0.9f, "%s", pickupMessage);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void drawFps() {
    // Two passes inside one tick give no time at all; keep the last real rate.
    static float lastFps = 0.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (frameDelta > 0.0f) lastFps = 1000.0f / frameDelta;
    drawText(0, 0.75f, 0.95f, "FPS:%3.2f", lastFps);
}

void runFrame() {
    if (menuShown) {
        runFactor = 0.0f;
        updateCursor();
    } else {
        runFactor = 1.0f;
    }

    if (!marine.marineDead) {
        updateMarine();
        if (!marine.marineDead) updateSpawner(1.0f, 500.0f);
    }

    drawGround();
    decalLayer.draw();
    particleLayer.draw();
    drawBonuses();
    drawBullets();
    updateMonsters();
    updateMarineDeath();
    spriteLayer.draw();
    updatePadRumble();

    if (!marine.marineDead) drawCrosshair();

    drawNotice();
    if (showFps != 0) drawFps();
    if (!marine.marineDead) gameTime += frameDelta * 0.001f;
    drawText(0, 0.55f, 0.9f, "Game time:%5.2f", gameTime);

    glColor4f(1.0f, 1.0f, 1.0f, 0.75f);
    if (marine.marineDead) {
        drawText(1, -0.25f, 0.0f, "Game Over");
        drawText(0, -0.165f, -0.05f, "Press any key...");
        drawScoreTable(scoresOfThisDifficulty(newestScoreIndex()), shownNewest);
    }

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawHud();
    if (menuShown) drawBestLine(scoresOfThisDifficulty(-1));

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_2D);
    if (beforeSwap) beforeSwap();
    platform::swapBuffers();
}
