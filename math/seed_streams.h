// The states a game's random streams start from, given its seed. Plain
// arithmetic on its own, so the replay reader can check a start too.
#pragma once

#include <cstdint>

struct GameStreams {
    uint32_t main;
    uint32_t spawn;
    uint32_t drop;
};

GameStreams streamsForSeed(uint32_t seed);
