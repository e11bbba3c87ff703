// What every figure of the benchmark shares: clocks, medians, the printed
// line, the headless test environment and one frame of the message loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Every measured frame lasts this long on the scripted clock.
constexpr uint32_t kFrameMs = 16;

double msSince(Clock::time_point start);
// CPU time of this thread: on a shared machine the logic figures should not
// count the time other processes hold the core.
double threadMs();
double median(std::vector<double> v);
// "<name>: <value> (target <target>): ok" or "...: short" on standard output.
void figure(const char* name, const char* value, const char* target, bool met);
// No display, no sound card, the platform's test hooks on.
void useTestEnvironment();
// One pass of the message loop that ran a frame, after the scripted clock
// moved on by one frame.
void gameFrame();

} // namespace bench
