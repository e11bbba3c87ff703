#pragma once

#include "app/options.h"

// The whole program: settings, window, start-up, message loop. Returns the
// process status.
int runGame(const Options& options = Options{});

enum class LoopPass { Message, Frame, Quit };

// One pass of the message loop: dispatches one waiting message, or, when the
// queue is empty, computes frameDelta and runs one frame.
LoopPass loopPass();

// Lets the loop skip drawing frames that would change nothing (an idle
// menu). On in the game; off after resetProgramState.
void restWhenIdle(bool on);

// Puts every program-wide value back as it is when the process starts and
// releases what start-up loaded, so the game can be started again in the
// same process (tests, the benchmark).
void resetProgramState();
