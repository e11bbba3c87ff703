// Verify speed of recorded games through the rules alone, as quorvex-verify
// plays them: the files read once, then played again back to back.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ReplaySpeed {
    int games = 0;
    int verified = 0;
    double playSeconds = 0.0; // the recorded time, every frame's tick delta summed
    double wallSeconds = 0.0;
    std::string problem; // the first file that could not be read, and why
};

// Plays every file `rounds` times after the verifier has started in the
// data folder (the working directory).
ReplaySpeed measureReplaySpeed(const std::vector<std::string>& files, int rounds);

} // namespace bench
