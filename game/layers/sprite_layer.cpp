#include "game/layers/sprite_layer.h"

#include "draw/draw_list.h"
#include "game/world/world.h"

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
    World& w = world();
    // The sprite that moves into a freed place is updated in the next frame.
    for (int i = 0; i < count; ++i) {
        AnimSprite& sprite = sprites[i];
        if (sprite.animate == 0) continue;

        sprite.frameTimer += w.frameDelta * sprite.frameRate;
        if (sprite.frameTimer >= 1000.0f) {
            // One frame at most per update; the excess is dropped.
            sprite.frameTimer = 0.0f;
            ++sprite.frame;
            if (sprite.frame > sprite.frameCount - 1) sprite.frame = 0;
        }
        if (sprite.fadeRate != 0.0f) sprite.alpha -= w.frameDelta * sprite.fadeRate;

        if (sprite.alpha <= 0.0f) {
            // Owners of later sprites lower their indices before the shift.
            if (onExpire) onExpire(i);
            remove(i);
        }
    }
}

void AnimSpriteLayer::draw() const {
    for (int i = 0; i < count; ++i) {
        const AnimSprite& sprite = sprites[i];
        // A strip without a frame count is drawn as one frame.
        float frames = sprite.frameCount > 0 ? static_cast<float>(sprite.frameCount) : 1.0f;
        float u0 = static_cast<float>(sprite.frame) / frames;
        float u1 = u0 + 1.0f / frames;
        draw::stripQuad(sprite.corners, u0, u1, Colour{1.0f, 1.0f, 1.0f, sprite.alpha},
                        sprite.texture);
    }
}

void AnimSpriteLayer::clear() {
    for (int i = 0; i < count && i < kCapacity; ++i)
        sprites[i] = AnimSprite{};
    count = 0;
}
