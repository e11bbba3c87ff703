// Flat pictures lying on the ground that fade away: corpses, blood, scorch
// marks, the speed trail and the fallen Marine.
#pragma once

#include <cstdint>

#include "math/vec2.h"

struct Decal {
    float alpha = 0.0f;
    float size = 0.0f;
    float fadeRate = 0.0f;
    int32_t texture = 0;
    Vec2 centre;
    Vec2 direction;
    Vec2 corners[4];
};

class DecalLayer {
  public:
    static constexpr int kCapacity = 2096;

    // Copies the decal in and computes its corners. A full layer drops it
    // and returns false.
    bool add(const Decal& decal);
    void remove(int index);
    void update();
    // The first `shown` records (those added later in the frame show from
    // the next one).
    void draw(int shown) const;
    // Empties the layer (new game).
    void clear();

    int count = 0;
    Decal decals[kCapacity];
};
