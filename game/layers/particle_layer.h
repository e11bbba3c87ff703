// Smoothed coloured points: muzzle flashes and spark trails.
#pragma once

#include <cstdint>

#include "math/vec2.h"

struct Particle {
    float life = 0.0f;
    float decay = 0.0f;
    float speed = 0.0f;
    float damping = 0.0f;
    int32_t spread = 0;
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    Vec2 position;
    Vec2 direction;
};

struct ParticleTemplate {
    int32_t spread = 0;
    float life = 0.0f;
    float decay = 0.0f;
    float speed = 0.0f;
    float damping = 0.0f;
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    char name[256] = {};
};

class ParticleTemplates {
  public:
    static constexpr int kCapacity = 32;

    // Reads one ".prt" file. A file that cannot be opened is skipped
    // silently; one that reads short or malformed is rejected whole.
    void load(const char* path);
    int find(const char* name) const;
    void clear() { count = 0; }

    int count = 0;
    ParticleTemplate templates[kCapacity];
};

class ParticleLayer {
  public:
    static constexpr int kCapacity = 1024;

    // Copies the particle in and turns it by its random spread. A full layer
    // drops it and returns false.
    bool add(const Particle& particle);
    void remove(int index);
    void update();
    // The first `shown` records (those added later in the frame show from
    // the next one).
    void draw(int shown) const;
    void clear();

    int count = 0;
    Particle particles[kCapacity];
};

extern ParticleTemplates particleTemplates;

// One particle of the named template; an unknown name does nothing.
void emitParticle(const char* name, const Vec2& position, const Vec2& direction);
