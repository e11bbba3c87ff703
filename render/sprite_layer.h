// Animated textured quads: the Marine, every monster and every explosion.
#pragma once

#include <cstdint>

#include "render/vec2.h"

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
    void draw();
    void clear();

    int count = 0;
    AnimSprite sprites[kCapacity];
    // Set by the monster pool: lowers the spriteIndex of every monster at or
    // after the removed sprite.
    SpriteRemovalHook onExpire = nullptr;
};

extern AnimSpriteLayer spriteLayer;
