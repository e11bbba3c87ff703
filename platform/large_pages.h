// Start-up touches tens of megabytes of fresh memory: the decoded pictures
// and, with a software GL driver, the textures and buffers the driver makes.
// Each 4 KiB page costs a fault on first touch, and in a virtual machine a
// fault is dear (about 10 us: 2.7 ms a MiB). Where the kernel hands out
// 2 MiB pages on request, one fault maps 512 times as much.
#pragma once

#include <cstddef>

namespace platform {

// Sets aside about `bytes` of the calling thread's heap for large pages:
// blocks under 32 MiB are kept in the heap from now on (not mapped one by
// one, which would start each on fresh small pages), a freed top is kept,
// and the heap is grown by `bytes` with large pages asked for there.
// Returns how many bytes were marked; 0 where the system offers nothing of
// the kind (it then does nothing).
size_t preferLargePages(size_t bytes);

} // namespace platform
