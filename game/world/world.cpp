#include "game/world/world.h"

#include "math/seed_streams.h"

namespace {

World theProgramWorld;

} // namespace

namespace detail {
thread_local World* boundWorld = &theProgramWorld;
}

World* bindWorld(World& w) {
    World* before = detail::boundWorld;
    detail::boundWorld = &w;
    rulesGeneration = w.generation;
    return before;
}

World& programWorld() {
    return theProgramWorld;
}

void followGeneration(int generation) {
    world().generation = generation;
    rulesGeneration = generation;
}

void seedGameStreams(uint32_t seed) {
    GameStreams s = streamsForSeed(seed);
    World& w = world();
    w.rng.seed(s.main);
    w.spawnRng.seed(s.spawn);
    w.dropRng.seed(s.drop);
}

Rng& spawnRandom() {
    World& w = world();
    return w.generation == kFirstGeneration ? w.rng : w.spawnRng;
}

Rng& dropRandom() {
    World& w = world();
    return w.generation == kFirstGeneration ? w.rng : w.dropRng;
}
