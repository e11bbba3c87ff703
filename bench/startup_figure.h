// Start-up: the program's own start, from entry to the first frame shown,
// in fresh processes.
#pragma once

namespace bench {

// Child process (--startup-once): starts as the game does and prints the
// milliseconds to the window, to the end of loading and to the first frame.
int startUpOnce();
// Nine children; the median, or -1 when none reported. Notes go to standard
// error.
double startUpMedian();
void startUpFigure(double ms);

} // namespace bench
