// malloc, calloc, realloc, the aligned allocators and operator new, forwarded
// to glibc's own entry points and counted while the switch is on. Defined in
// the executable, they take the place of libc's for every shared library,
// Mesa's driver included.
#include "alloc_count.h"

#include <execinfo.h>
#include <link.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
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

// Every loaded object's code, and whose an allocation made from it is.
enum class Owner : uint8_t { Game, Runtime, Driver, Library };

struct Object {
    uintptr_t begin, end;
    Owner owner;
    char name[64];
    std::atomic<uint64_t> count;
};
constexpr int kMaxObjects = 256;
Object objects[kMaxObjects];
int objectCount = 0;

std::atomic<bool> counting{false};
std::atomic<uint64_t> total{0};
std::atomic<uint64_t> unknown{0};
thread_local bool inside = false; // the stack walk must not count itself

constexpr int kSamples = 8;
constexpr int kDepth = 24;
void* samples[kSamples][kDepth];
int sampleDepth[kSamples];
std::atomic<int> sampleCount{0};

bool nameHas(const char* name, const char* const* parts, int n) {
    for (int i = 0; i < n; ++i)
        if (std::strstr(name, parts[i])) return true;
    return false;
}

Owner ownerOf(const char* name) {
    if (name[0] == '\0') return Owner::Game; // the executable itself
    static const char* const runtime[] = {"libc.so",  "libstdc++", "libm.so",
                                          "libgcc_s", "ld-linux",  "libpthread"};
    // Mesa's driver and what it loads for itself (LLVM, its shader cache's
    // compressors).
    static const char* const driver[] = {"dri",          "libGL",   "libEGL",  "libgbm",
                                         "libglapi",     "libLLVM", "gallium", "libdrm",
                                         "libxshmfence", "libzstd", "libz.so"};
    if (nameHas(name, runtime, 6)) return Owner::Runtime;
    if (nameHas(name, driver, 11)) return Owner::Driver;
    return Owner::Library;
}

int collectObject(dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name ? info->dlpi_name : "";
    if (std::strstr(name, "linux-vdso")) return 0;
    for (int i = 0; i < info->dlpi_phnum && objectCount < kMaxObjects; ++i) {
        const ElfW(Phdr)& h = info->dlpi_phdr[i];
        if (h.p_type != PT_LOAD || !(h.p_flags & PF_X)) continue;
        Object& o = objects[objectCount++];
        o.begin = info->dlpi_addr + h.p_vaddr;
        o.end = o.begin + h.p_memsz;
        o.owner = ownerOf(name);
        const char* base = std::strrchr(name, '/');
        std::snprintf(o.name, sizeof(o.name), "%s", base ? base + 1 : name);
        o.count = 0;
    }
    return 0;
}

Object* objectAt(const void* address) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    for (int i = 0; i < objectCount; ++i)
        if (a >= objects[i].begin && a < objects[i].end) return &objects[i];
    return nullptr;
}

void sample(void* const* stack, int depth) {
    const int slot = sampleCount.fetch_add(1);
    if (slot >= kSamples) return;
    for (int i = 0; i < depth; ++i)
        samples[slot][i] = stack[i];
    sampleDepth[slot] = depth;
}

// `caller` made an allocation. It belongs to the driver or to a library
// when one of their frames is on the stack (the game calls into them, never
// the other way round), else to the game: its own code, or the language
// runtime (libc, libstdc++, whose templates also live in the executable)
// working for it.
void note(const void* caller) {
    if (!counting.load(std::memory_order_relaxed) || inside) return;
    total.fetch_add(1, std::memory_order_relaxed);
    Object* object = objectAt(caller);
    if (object && object->owner == Owner::Driver) {
        object->count.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    inside = true;
    void* stack[kDepth];
    const int depth = backtrace(stack, kDepth);
    Object* game = nullptr;
    Object* library = nullptr;
    for (int i = 0; i < depth; ++i) {
        Object* o = objectAt(stack[i]);
        if (!o) continue;
        if (o->owner == Owner::Game && !game) game = o;
        if ((o->owner == Owner::Driver || o->owner == Owner::Library) && !library) library = o;
    }
    object = library ? library : game;
    if (!object) {
        unknown.fetch_add(1, std::memory_order_relaxed);
    } else {
        object->count.fetch_add(1, std::memory_order_relaxed);
        if (object->owner == Owner::Game) sample(stack, depth);
    }
    inside = false;
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    note(__builtin_return_address(0));
    return __libc_malloc(size);
}

void free(void* ptr) {
    __libc_free(ptr);
}

void* calloc(size_t count, size_t size) {
    note(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

void* realloc(void* ptr, size_t size) {
    note(__builtin_return_address(0));
    return __libc_realloc(ptr, size);
}

void* memalign(size_t alignment, size_t size) {
    note(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    note(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    note(__builtin_return_address(0));
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* p = __libc_memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

void* valloc(size_t size) {
    note(__builtin_return_address(0));
    return __libc_valloc(size);
}

void* pvalloc(size_t size) {
    note(__builtin_return_address(0));
    return __libc_pvalloc(size);
}

} // extern "C"

void* operator new(size_t size) {
    note(__builtin_return_address(0));
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void* operator new[](size_t size) {
    note(__builtin_return_address(0));
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    note(__builtin_return_address(0));
    return __libc_malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    note(__builtin_return_address(0));
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
    // The first stack walk loads the unwinder, which allocates: do it now.
    void* warm[4];
    backtrace(warm, 4);
    objectCount = 0;
    dl_iterate_phdr(collectObject, nullptr);
    total = 0;
    unknown = 0;
    sampleCount = 0;
    counting = true;
}

void stop() {
    counting = false;
}

Counts counts() {
    Counts c;
    c.total = total.load();
    c.unknown = unknown.load();
    for (int i = 0; i < objectCount; ++i) {
        const uint64_t n = objects[i].count.load();
        if (objects[i].owner == Owner::Game)
            c.game += n;
        else if (objects[i].owner == Owner::Driver)
            c.driver += n;
        else
            c.libraries += n;
    }
    return c;
}

void report() {
    for (int i = 0; i < objectCount; ++i) {
        const uint64_t n = objects[i].count.load();
        if (n != 0)
            std::fprintf(stderr, "#   %llu from %s\n", static_cast<unsigned long long>(n),
                         objects[i].owner == Owner::Game ? "the game's own code" : objects[i].name);
    }
    const int shown = sampleCount.load() < kSamples ? sampleCount.load() : kSamples;
    for (int i = 0; i < shown; ++i) {
        std::fprintf(stderr, "# game allocation %d:\n", i + 1);
        backtrace_symbols_fd(samples[i], sampleDepth[i], 2);
    }
}

} // namespace alloc
