// Start-up: the program's own start, from entry to the first frame shown,
// in fresh processes.
#pragma once

namespace bench {

// Child process (--startup-once): starts as the game does and prints the
// milliseconds to the window, to the end of loading and to the first frame.
int startUpOnce();
// Child process (--bare-window-once): the least any OpenGL program does
// before its first frame, by SDL alone: a window of the game's size with an
// OpenGL 3.3 core context and one cleared frame shown. Prints milliseconds.
int bareWindowOnce();

struct StartUp {
    double gameMs = -1.0; // median, -1 when no child reported
    double bareMs = -1.0;
};
// Nine children of each kind, alternating; notes go to standard error.
StartUp startUpMedian();
void startUpFigure(const StartUp& startUp);

} // namespace bench
