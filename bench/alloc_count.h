// Counts heap allocations of the whole process (every thread, every
// library) while switched on. The benchmark replaces malloc and friends and
// the global operator new; the game itself is untouched.
#pragma once

#include <cstdint>

namespace alloc {

void start();
void stop();
// Allocations while counting (malloc, calloc, realloc, aligned kinds, new).
uint64_t count();
// Of those, the ones made on the thread that called start().
uint64_t countOnCountingThread();
// Prints where the first few counted allocations of the counting thread
// came from (call stacks), to standard error.
void reportSources();

} // namespace alloc
