// The fill floor: the quads, points, lines and texts of a frame, drawn from
// the pools as they stand, in the game's order, with no update, no hit test
// and no other game logic, by the simplest calls there are: the old
// fixed-function, immediate-mode pipeline, a call a record (the benchmark
// runs in a compatibility context for it). Pictures come from the game's
// atlas, bound where the texture changes.
#include "floor.h"

#include <GL/gl.h>

#include "app/frame.h"
#include "app/input.h"
#include "draw/draw_list.h"
#include "draw/texture_bank.h"
#include "game/bonuses/bonuses.h"
#include "game/layers/decal_layer.h"
#include "game/layers/particle_layer.h"
#include "game/layers/sprite_layer.h"
#include "game/player/marine.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "platform/platform.h"
#include "render/gl_backend.h"
#include "render/texture_bank_gl.h"
#include "ui/hud.h"

namespace bench {
namespace {

// The picture of `slot`, bound; its place in the texture is `place`.
render::SlotPicture place;

void bindSlot(int slot) {
    place = render::slotPicture(slot);
    glBindTexture(GL_TEXTURE_2D, place.texture);
}

void texCoord(float u, float v) {
    glTexCoord2f(place.u0 + u * (place.u1 - place.u0), place.v0 + v * (place.v1 - place.v0));
}

void quad(const Vec2* corners, float u0, float u1) {
    glBegin(GL_QUADS);
    texCoord(u0, 0.0f);
    glVertex2f(corners[0].x, corners[0].y);
    texCoord(u0, 1.0f);
    glVertex2f(corners[1].x, corners[1].y);
    texCoord(u1, 1.0f);
    glVertex2f(corners[2].x, corners[2].y);
    texCoord(u1, 0.0f);
    glVertex2f(corners[3].x, corners[3].y);
    glEnd();
}

void decals() {
    glEnable(GL_TEXTURE_2D);
    for (int i = 0; i < world().decalLayer.count; ++i) {
        const Decal& d = world().decalLayer.decals[i];
        bindSlot(d.texture);
        glColor4f(1.0f, 1.0f, 1.0f, d.alpha);
        quad(d.corners, 0.0f, 1.0f);
    }
    glDisable(GL_TEXTURE_2D);
}

void particles() {
    glEnable(GL_POINT_SMOOTH);
    glPointSize(3.0f);
    glBegin(GL_POINTS);
    for (int i = 0; i < world().particleLayer.count; ++i) {
        const Particle& p = world().particleLayer.particles[i];
        glColor4f(p.red, p.green, p.blue, p.life);
        glVertex2f(p.position.x, p.position.y);
    }
    glEnd();
    glDisable(GL_POINT_SMOOTH);
}

void pickUps() {
    glEnable(GL_TEXTURE_2D);
    bindSlot(textureBank.slotFor("Textures/Bonus.bmp"));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    for (int i = 0; i < world().bonusCount; ++i) {
        const Segment* e = world().bonuses[i].edges;
        texCoord(0.0f, 0.0f);
        glVertex2f(e[0].p1.x, e[0].p1.y);
        texCoord(0.0f, 1.0f);
        glVertex2f(e[1].p1.x, e[1].p1.y);
        texCoord(1.0f, 1.0f);
        glVertex2f(e[2].p1.x, e[2].p1.y);
        texCoord(1.0f, 0.0f);
        glVertex2f(e[3].p1.x, e[3].p1.y);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void streaks() {
    glLineWidth(1.0f);
    glEnable(GL_POINT_SMOOTH);
    glPointSize(2.0f);
    for (int i = 0; i < world().bulletCount; ++i) {
        const Bullet& b = world().bullets[i];
        Vec2 head = b.position + b.direction * b.speed * world().frameDelta;
        glBegin(GL_LINES);
        glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
        glVertex2f(b.position.x, b.position.y);
        glColor4f(1.0f, 1.0f, 1.0f, 1.5f);
        glVertex2f(head.x, head.y);
        glEnd();
        glBegin(GL_POINTS);
        glVertex2f(head.x, head.y);
        glEnd();
    }
    glDisable(GL_POINT_SMOOTH);
}

void sprites() {
    glEnable(GL_TEXTURE_2D);
    for (int i = 0; i < world().spriteLayer.count; ++i) {
        const AnimSprite& s = world().spriteLayer.sprites[i];
        bindSlot(s.texture);
        float frames = s.frameCount > 0 ? static_cast<float>(s.frameCount) : 1.0f;
        float u0 = static_cast<float>(s.frame) / frames;
        glColor4f(1.0f, 1.0f, 1.0f, s.alpha);
        quad(s.corners, u0, u0 + 1.0f / frames);
    }
    glDisable(GL_TEXTURE_2D);
}

void crosshair() {
    const float mx = world().cursorArena.x, my = world().cursorArena.y, h = 0.035f;
    glEnable(GL_TEXTURE_2D);
    bindSlot(textureBank.slotFor("Textures/Cell.bmp"));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const Vec2 corners[4] = {Vec2(mx - h, my - h), Vec2(mx - h, my + h), Vec2(mx + h, my + h),
                             Vec2(mx + h, my - h)};
    quad(corners, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);

    Vec2 from = world().marine.position + world().marine.aim * 0.04f;
    Vec2 to = world().marine.position + world().marine.aim;
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glVertex2f(from.x, from.y);
    glColor4f(1.0f, 0.0f, 0.0f, 0.0f);
    glVertex2f(to.x, to.y);
    glEnd();
    glLineWidth(1.0f);
}

void ground() {
    glEnable(GL_TEXTURE_2D);
    bindSlot(textureBank.slotFor(kGroundTexture));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const Vec2 corners[4] = {Vec2(-1.0f, -1.0f), Vec2(-1.0f, 1.0f), Vec2(1.0f, 1.0f),
                             Vec2(1.0f, -1.0f)};
    quad(corners, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
}

} // namespace

void drawFloor() {
    ground();
    decals();
    particles();
    pickUps();
    streaks();
    sprites();
    crosshair();

    // Texts and the panel are few; they go through the back end.
    draw::clear();
    if (world().pickupMessageAlpha > 0.0f)
        draw::text(0, 0.0f, 0.9f, Colour{1.0f, 1.0f, 1.0f, world().pickupMessageAlpha}, "%s",
                   noticeText(world().pickupNotice));
    draw::text(0, 0.55f, 0.9f, kWhite, "Game time:%5.2f", world().gameTime);
    drawHud();
    render::submitDrawList(drawList);
    platform::swapBuffers();
}

} // namespace bench
