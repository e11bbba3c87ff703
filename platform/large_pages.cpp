#include "platform/large_pages.h"

#include <cstdlib>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace platform {

#if defined(__linux__) && defined(__GLIBC__)

namespace {

constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
// glibc's largest mapping threshold on 64-bit systems; blocks below it come
// from the heap.
constexpr size_t kKeptBelow = size_t{32} << 20;
// Pieces under the threshold, so that they too come from the heap.
constexpr size_t kPiece = size_t{16} << 20;
constexpr int kMostPieces = 16;

// Large pages asked for on the whole pages of [from, to).
LargePageSpan markRange(uintptr_t from, uintptr_t to) {
    const uintptr_t start = (from + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t end = to & ~(kLargePage - 1);
    if (end <= start) return {};
    if (madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) != 0) return {};
    return {start, end};
}

} // namespace

LargePageSpan preferLargePages(size_t bytes) {
    if (bytes == 0) return {};
    // Without these the pieces below would go back to the system when freed.
    if (mallopt(M_MMAP_THRESHOLD, static_cast<int>(kKeptBelow)) == 0) return {};
    if (mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kKeptBelow + bytes)) == 0) return {};
    // Grow the heap in pieces (each from its top, so next to the last),
    // mark what they span, and give them back to the heap: the blocks made
    // there next start on large pages.
    void* pieces[kMostPieces] = {};
    size_t sizes[kMostPieces] = {};
    int count = 0;
    for (size_t left = bytes; left > 0 && count < kMostPieces; ++count) {
        sizes[count] = left < kPiece ? left : kPiece;
        pieces[count] = std::malloc(sizes[count]);
        if (pieces[count] == nullptr) break;
        left -= sizes[count];
    }
    LargePageSpan largest;
    auto mark = [&largest](uintptr_t from, uintptr_t to) {
        const LargePageSpan span = markRange(from, to);
        if (span.bytes() > largest.bytes()) largest = span;
    };
    uintptr_t from = 0, to = 0;
    for (int i = 0; i < count; ++i) {
        const uintptr_t at = reinterpret_cast<uintptr_t>(pieces[i]);
        // The next piece starts a block header after the last one ends;
        // anywhere else, the span so far is marked on its own.
        if (from != 0 && (at < to || at > to + 64)) {
            mark(from, to);
            from = 0;
        }
        if (from == 0) from = at;
        to = at + sizes[i];
    }
    if (from != 0) mark(from, to);
    for (int i = count; i-- > 0;)
        std::free(pieces[i]);
    return largest;
}

size_t populateLargePages(const LargePageSpan& span, const std::atomic<bool>& stop) {
#ifdef MADV_POPULATE_WRITE
    size_t mapped = 0;
    for (uintptr_t at = span.from; at < span.to && !stop.load(std::memory_order_relaxed);
         at += kLargePage) {
        if (madvise(reinterpret_cast<void*>(at), kLargePage, MADV_POPULATE_WRITE) != 0) break;
        mapped += kLargePage;
    }
    return mapped;
#else
    (void)span;
    (void)stop;
    return 0;
#endif
}

#else

LargePageSpan preferLargePages(size_t) {
    return {};
}

size_t populateLargePages(const LargePageSpan&, const std::atomic<bool>&) {
    return 0;
}

#endif

} // namespace platform
