#include "render/particle_layer.h"
// Placeholder until the layer lands.
ParticleTemplates particleTemplates;
ParticleLayer particleLayer;
void ParticleTemplates::load(const char*) {}
int ParticleTemplates::find(const char*) const { return -1; }
bool ParticleLayer::add(const Particle&) { return false; }
void ParticleLayer::remove(int) {}
void ParticleLayer::update() {}
void ParticleLayer::draw() {}
void ParticleLayer::clear() { count = 0; }
void emitParticle(const char*, const Vec2&, const Vec2&) {}
