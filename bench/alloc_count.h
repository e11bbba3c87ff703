// Counts heap allocations of the whole process (every thread, every
// library) while switched on, and charges each to the code that asked: the
// game's own, the OpenGL driver, or another library (through the language
// runtime, libc and libstdc++, to whoever called it). The benchmark
// replaces malloc and friends and the global operator new; the game itself
// is untouched.
#pragma once

#include <cstdint>

namespace alloc {

struct Counts {
    uint64_t total = 0;
    uint64_t game = 0;      // the game's own code (the executable)
    uint64_t driver = 0;    // Mesa and the libraries it loads
    uint64_t libraries = 0; // any other library (OpenAL, SDL, ...)
    uint64_t unknown = 0;   // no caller found on the stack
};

void start();
void stop();
Counts counts();
// Prints the count per library and the call stacks of the first few game
// allocations to standard error.
void report();

} // namespace alloc
