#include "game/layers/particle_layer.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "draw/draw_list.h"
#include "game/world/world.h"
#include "math/rng.h"

ParticleTemplates particleTemplates;

void ParticleTemplates::load(const char* path) {
    if (count >= kCapacity) return;
    std::FILE* file = std::fopen(path, "r");
    if (!file) return; // a missing spark file is no reason to complain

    ParticleTemplate read;
    bool ok = std::fscanf(file, "%255s", read.name) == 1;
    if (ok) {
        // A name that filled the buffer must end right there, or it was cut.
        int next = std::fgetc(file);
        ok = next == EOF || std::isspace(next);
    }
    ok = ok && std::fscanf(file, "%i", &read.spread) == 1;
    ok = ok && std::fscanf(file, "%f %f %f %f %f %f %f", &read.life, &read.decay, &read.speed,
                           &read.damping, &read.red, &read.green, &read.blue) == 7;
    std::fclose(file);
    if (!ok) return;

    // A "nan" life would never run out and keep its place in the layer.
    const float values[] = {read.life, read.decay, read.speed, read.damping,
                            read.red,  read.green, read.blue};
    for (float value : values)
        if (!std::isfinite(value)) return;

    templates[count++] = read;
}

int ParticleTemplates::find(const char* name) const {
    if (!name) return -1;
    for (int i = 0; i < count; ++i)
        if (std::strcmp(templates[i].name, name) == 0) return i;
    return -1;
}

bool ParticleLayer::add(const Particle& particle) {
    if (count >= kCapacity) return false;
    Particle& slot = particles[count];
    slot = particle;
    slot.direction.rotate(randomSpreadAngle(world().rng, slot.spread));
    ++count;
    return true;
}

void ParticleLayer::remove(int index) {
    if (index < 0 || index >= count) return;
    for (int i = index; i < count - 1; ++i)
        particles[i] = particles[i + 1];
    --count;
}

void ParticleLayer::update() {
    World& w = world();
    for (int i = 0; i < count; ++i) {
        Particle* particle = &particles[i];
        particle->life -= w.frameDelta * particle->decay;
        if (particle->life <= 0.0f) {
            remove(i);
            // The particle that moved down still moves this frame (without
            // ageing); after the last one there is nothing left to move.
            if (i >= count) break;
            particle = &particles[i];
        }
        // Damping is per frame, whatever its length; a zero divisor would
        // send the particle to infinity, so it then keeps its speed.
        if (particle->damping != 0.0f) particle->speed /= particle->damping;
        particle->position += particle->direction * (particle->speed * w.frameDelta);
    }
}

void ParticleLayer::draw(int shown) const {
    for (int i = 0; i < shown && i < count; ++i) {
        const Particle& particle = particles[i];
        draw::point(particle.position,
                    Colour{particle.red, particle.green, particle.blue, particle.life}, 3.0f);
    }
}

void ParticleLayer::clear() {
    for (int i = 0; i < count && i < kCapacity; ++i)
        particles[i] = Particle{};
    count = 0;
}

void emitParticle(const char* name, const Vec2& position, const Vec2& direction) {
    int index = particleTemplates.find(name);
    if (index < 0) return;
    const ParticleTemplate& source = particleTemplates.templates[index];
    Particle particle;
    particle.life = source.life;
    particle.decay = source.decay;
    particle.speed = source.speed;
    particle.damping = source.damping;
    particle.spread = source.spread;
    particle.red = source.red;
    particle.green = source.green;
    particle.blue = source.blue;
    particle.position = position;
    particle.direction = direction;
    world().particleLayer.add(particle);
}
