// Animated textured quads: the Marine, every monster and every explosion.
#pragma once

#include <cstdint>

#include "math/vec2.h"

struct AnimSprite {
    float alpha = 0.0f;
    float size = 0.0f;
    float fadeRate = 0.0f;
    float frameRate = 0.0f;
    float frameTimer = 0.0f;
    int32_t frame = 0;
    int32_t frameCount = 0;
    uint8_t animate = 0;
    int32_t texture = 0;
    Vec2 centre;
    Vec2 direction;
    Vec2 corners[4];
};

// A fresh, opaque, animating sprite over a 16-frame strip, starting at its
// first frame: the Marine, every monster and every explosion start this way.
inline AnimSprite stripSprite(float size, float fadeRate, float frameRate, int32_t texture,
                              const Vec2& centre, const Vec2& direction) {
    AnimSprite sprite;
    sprite.alpha = 1.0f;
    sprite.size = size;
    sprite.fadeRate = fadeRate;
    sprite.frameRate = frameRate;
    sprite.frameTimer = 0.0f;
    sprite.frame = 0;
    sprite.frameCount = 16;
    sprite.animate = 1;
    sprite.texture = texture;
    sprite.centre = centre;
    sprite.direction = direction;
    return sprite;
}

// Called with the index of a sprite the layer is about to remove on its own
// (a faded effect), so owners of later sprites can lower their indices.
using SpriteRemovalHook = void (*)(int removedIndex);

class AnimSpriteLayer {
  public:
    static constexpr int kCapacity = 4096;

    // Copies the sprite in at index `count` and computes its corners. A full
    // layer drops it and returns false, so an owner knows it has no sprite.
    bool add(const AnimSprite& sprite);
    // Recomputes the corners of the live sprite at `index` from `sprite`.
    void place(int index, const AnimSprite& sprite);
    void remove(int index);
    void update();
    void draw() const;
    void clear();

    int count = 0;
    AnimSprite sprites[kCapacity];
    // Set by the monster pool: lowers the spriteIndex of every monster at or
    // after the removed sprite.
    SpriteRemovalHook onExpire = nullptr;
};
