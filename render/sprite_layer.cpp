#include "render/sprite_layer.h"

#include <GL/gl.h>

#include "input/input.h"
#include "render/texture_bank.h"

AnimSpriteLayer spriteLayer;

bool AnimSpriteLayer::add(const AnimSprite& sprite) {
    // A full layer drops the newcomer; its owner learns it has no sprite.
    if (count >= kCapacity) return false;
    AnimSprite& slot = sprites[count];
    slot = sprite;
    orientedQuad(slot.centre, slot.direction, slot.size, slot.corners);
    ++count;
    return true;
}

void AnimSpriteLayer::place(int index, const AnimSprite& sprite) {
    if (index < 0 || index >= count) return;
    orientedQuad(sprite.centre, sprite.direction, sprite.size, sprites[index].corners);
}

void AnimSpriteLayer::remove(int index) {
    if (index < 0 || index >= count) return;
    for (int i = index; i < count - 1; ++i)
        sprites[i] = sprites[i + 1];
    --count;
}

void AnimSpriteLayer::update() {
    // The sprite that moves into a freed place is updated in the next frame.
    for (int i = 0; i < count; ++i) {
        AnimSprite& sprite = sprites[i];
        if (sprite.animate == 0) continue;

        sprite.frameTimer += frameDelta * sprite.frameRate;
        if (sprite.frameTimer >= 1000.0f) {
            // One frame at most per update; the excess is dropped.
            sprite.frameTimer = 0.0f;
            ++sprite.frame;
            if (sprite.frame > sprite.frameCount - 1) sprite.frame = 0;
        }
        if (sprite.fadeRate != 0.0f) sprite.alpha -= frameDelta * sprite.fadeRate;

        if (sprite.alpha <= 0.0f) {
            // Owners of later sprites lower their indices before the shift.
            if (onExpire) onExpire(i);
            remove(i);
        }
    }
}

void AnimSpriteLayer::draw() {
    update();
    glEnable(GL_TEXTURE_2D);
    for (int i = 0; i < count; ++i) {
        const AnimSprite& sprite = sprites[i];
        textureBank.bindSlot(sprite.texture);
        // A strip without a frame count is drawn as one frame.
        float frames = sprite.frameCount > 0 ? static_cast<float>(sprite.frameCount) : 1.0f;
        float u0 = static_cast<float>(sprite.frame) / frames;
        float u1 = u0 + 1.0f / frames;
        glColor4f(1.0f, 1.0f, 1.0f, sprite.alpha);
        glBegin(GL_QUADS);
        glTexCoord2f(u0, 0.0f);
        glVertex2f(sprite.corners[0].x, sprite.corners[0].y);
        glTexCoord2f(u0, 1.0f);
        glVertex2f(sprite.corners[1].x, sprite.corners[1].y);
        glTexCoord2f(u1, 1.0f);
        glVertex2f(sprite.corners[2].x, sprite.corners[2].y);
        glTexCoord2f(u1, 0.0f);
        glVertex2f(sprite.corners[3].x, sprite.corners[3].y);
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
}

void AnimSpriteLayer::clear() {
    for (int i = 0; i < count && i < kCapacity; ++i)
        sprites[i] = AnimSprite{};
    count = 0;
}
