// What a submitted replay must be before a worker spends time on it: a game
// that was played (it ended with the Marine's death where the file says,
// no more frames than its recorded frame times allow), with settings the
// game's options allow. And the key that makes a game one player's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "replay/replay_file.h"

struct Refusal {
    int status = 422;
    std::string code; // machine-readable: not_a_played_game, settings_out_of_range
    std::string reason;
};

std::optional<Refusal> screenReplay(const Replay& replay);

// Custom difficulties are ranked on a grid of this step; the Options
// screen's own three are on it too.
constexpr double kDifficultyStep = 0.0005;
bool onDifficultyStep(float spawnAcceleration);

// Raw SHA-256 of what the server replays and compares: the per-second world
// checksums with the score and time at death (version 3), else the final
// checksum, score and time (frames after the death would change the count). A copy with other bytes
// (an end time changed, the file sealed again) has the same key; the verifier's verdict confirms
// it, since a run verifies only when the replay reproduces them.
std::string gameKey(const Replay& replay);

// The CPU seconds a verification may take: in proportion to the game time
// the file claims, within `limit`.
int cpuBudget(double claimedGameSeconds, int limit);
