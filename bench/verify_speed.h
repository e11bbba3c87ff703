// Verify speed: a full-load game recorded through the application's own loop,
// then played back as the --verify option plays it, timed.
#pragma once

#include <cstdint>

#include "replay/replay_file.h"

namespace bench {

struct VerifySpeed {
    bool opened = false;     // the window opened and a game was recorded
    bool reproduced = false; // the replay came to the recorded result
    uint32_t frames = 0;     // frames in the recording
    double playSeconds = 0.0;
    double recordSeconds = 0.0;  // wall time of the recording
    double wallSeconds = 0.0;    // wall time of the replay
    double cpuSeconds = 0.0;     // this thread's CPU time in the replay
    double processSeconds = 0.0; // the whole process's, llvmpipe's threads too
    int peakMonsters = 0;
    int fullFrames = 0;          // recorded frames with 900 monsters or more
    float deathGameTime = -1.0f; // game time of the Marine's death, or -1
    ReplayResult recorded;
    ReplayResult replayed;
};

// Runs in a fresh process with the test hooks on and the data folder current:
// starts the game in a window of 64 x 48 pixels (the size --verify uses),
// presses New Game, holds fire and circles the cursor for `frames` frames of
// `frameMs` with the spawner accelerated to fill the field, then plays the
// recording back with playReplayNow.
VerifySpeed measureVerifySpeed(int frames, uint32_t frameMs);

} // namespace bench
