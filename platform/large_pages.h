// Start-up touches tens of megabytes of fresh memory: the decoded pictures
// and, with a software GL driver, the textures and buffers the driver makes.
// Each 4 KiB page costs a fault on first touch, and in a virtual machine a
// fault is dear (about 10 us: 2.7 ms a MiB). Where the kernel hands out
// 2 MiB pages on request, one fault maps 512 times as much.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace platform {

// Address space of a heap where large pages were asked for.
struct LargePageSpan {
    uintptr_t from = 0;
    uintptr_t to = 0;
    size_t bytes() const { return to - from; }
};

// Sets aside about `bytes` of the calling thread's heap for large pages:
// blocks under 32 MiB are kept in the heap from now on (not mapped one by
// one, which would start each on fresh small pages), a freed top is kept,
// and the heap is grown by `bytes` with large pages asked for there.
// Returns the largest span marked; empty where the system offers nothing
// of the kind (it then does nothing).
LargePageSpan preferLargePages(size_t bytes);

// Maps the span's pages before anything touches them, one large page at a
// time, until all are mapped or `stop` is set; what they hold is left as it
// is, so the heap's own thread may use them meanwhile. Lets an idle thread
// take the faults that the span's first use would pay. Returns the bytes
// mapped (0 where the kernel cannot do this).
size_t populateLargePages(const LargePageSpan& span, const std::atomic<bool>& stop);

} // namespace platform
