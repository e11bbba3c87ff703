#pragma once

#include "app/options.h"

// The whole program: settings, window, start-up, message loop. Returns the
// process status.
int runGame(const Options& options = Options{});
// runGame in parts, for a host that owns the loop (the browser's animation
// frame): openGame returns -1 when the game is running (then call loopPass
// until Quit, then closeGame), else the status to end with.
int openGame(const Options& options);
void closeGame();

enum class LoopPass { Message, Frame, Wait, Quit };

// One pass of the message loop: dispatches one waiting message, or, when the
// queue is empty, computes frameDelta and runs one frame. A frame is at least
// a millisecond long: before the clock has moved that far the pass only
// says Wait, and the time adds up into the next frame.
LoopPass loopPass();
// For tests that change the world by hand and look at it again: runs and
// draws a frame of no length, unrecorded (the loop itself never does).
void runStillFrame();

// Lets the loop skip drawing frames that would change nothing (an idle
// menu). On in the game; off after resetProgramState.
void restWhenIdle(bool on);

// Puts every program-wide value back as it is when the process starts and
// releases what start-up loaded, so the game can be started again in the
// same process (tests, the benchmark).
void resetProgramState();
