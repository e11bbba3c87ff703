#include "math/seed_streams.h"

namespace {

// A 32-bit mix (the finaliser of a well-known hash): nearby seeds give
// unrelated streams.
uint32_t mix(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352du;
    v ^= v >> 15;
    v *= 0x846ca68bu;
    v ^= v >> 16;
    return v;
}

} // namespace

GameStreams streamsForSeed(uint32_t seed) {
    return GameStreams{mix(seed ^ 0x51ed270bu), mix(seed ^ 0x2c1b3c6du), mix(seed ^ 0x297a2d39u)};
}
