// A fingerprint of the whole world after a frame: every pool, the Marine,
// the score, the random state and the timers. Two runs that agree on it frame
// after frame played the same game.
#pragma once

#include <cstdint>

uint64_t worldChecksum();

// A fingerprint of the rule data loaded at start: the bullet, monster and
// particle templates. Replays made under other data are refused.
uint64_t rulesFingerprint();
