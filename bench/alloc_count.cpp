// malloc, calloc, realloc, the aligned allocators and operator new, forwarded
// to glibc's own entry points and counted while the switch is on. Defined in
// the executable, they take the place of libc's for every shared library,
// Mesa's driver included.
#include "alloc_count.h"

#include <execinfo.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <new>

extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* ptr);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void* __libc_valloc(size_t size);
void* __libc_pvalloc(size_t size);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> ownAllocations{0};
thread_local bool countingThread = false;
thread_local bool inside = false; // the stack capture must not count itself

constexpr int kSamples = 16;
constexpr int kDepth = 14;
void* samples[kSamples][kDepth];
int sampleDepth[kSamples];
int sampleCount = 0;

void note() {
    if (!counting.load(std::memory_order_relaxed) || inside) return;
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (!countingThread) return;
    ownAllocations.fetch_add(1, std::memory_order_relaxed);
    if (sampleCount < kSamples) {
        inside = true;
        sampleDepth[sampleCount] = backtrace(samples[sampleCount], kDepth);
        ++sampleCount;
        inside = false;
    }
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    note();
    return __libc_malloc(size);
}

void free(void* ptr) {
    __libc_free(ptr);
}

void* calloc(size_t count, size_t size) {
    note();
    return __libc_calloc(count, size);
}

void* realloc(void* ptr, size_t size) {
    note();
    return __libc_realloc(ptr, size);
}

void* memalign(size_t alignment, size_t size) {
    note();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    note();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    note();
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* p = __libc_memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

void* valloc(size_t size) {
    note();
    return __libc_valloc(size);
}

void* pvalloc(size_t size) {
    note();
    return __libc_pvalloc(size);
}

} // extern "C"

void* operator new(size_t size) {
    note();
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void* operator new[](size_t size) {
    note();
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    note();
    return __libc_malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    note();
    return __libc_malloc(size ? size : 1);
}

void operator delete(void* ptr) noexcept {
    __libc_free(ptr);
}

void operator delete[](void* ptr) noexcept {
    __libc_free(ptr);
}

void operator delete(void* ptr, size_t) noexcept {
    __libc_free(ptr);
}

void operator delete[](void* ptr, size_t) noexcept {
    __libc_free(ptr);
}

namespace alloc {

void start() {
    // The first backtrace loads the unwinder, which allocates: do it now.
    void* warm[4];
    backtrace(warm, 4);
    allocations = 0;
    ownAllocations = 0;
    sampleCount = 0;
    countingThread = true;
    counting = true;
}

void stop() {
    counting = false;
    countingThread = false;
}

uint64_t count() {
    return allocations.load();
}

uint64_t countOnCountingThread() {
    return ownAllocations.load();
}

void reportSources() {
    for (int i = 0; i < sampleCount; ++i) {
        std::fprintf(stderr, "allocation %d:\n", i + 1);
        backtrace_symbols_fd(samples[i], sampleDepth[i], 2);
    }
}

} // namespace alloc
