// Large pages for the heap that start-up fills: blocks made after asking
// lie where the kernel was asked for 2 MiB pages.
#include "platform/large_pages.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// AddressSanitizer's allocator keeps a heap of its own, where glibc's
// settings mean nothing: there the game asks for nothing (an empty span).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerHeap = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizerHeap = true;
#else
constexpr bool kSanitizerHeap = false;
#endif
#else
constexpr bool kSanitizerHeap = false;
#endif

#if defined(__linux__)
// The flags of the mapping that holds `address`, from /proc/self/smaps
// ("" when it is not found).
std::string mappingFlags(const void* address) {
    FILE* file = std::fopen("/proc/self/smaps", "r");
    if (file == nullptr) return "";
    const uintptr_t at = reinterpret_cast<uintptr_t>(address);
    bool inside = false;
    std::string flags;
    char line[512];
    while (std::fgets(line, sizeof(line), file)) {
        unsigned long from = 0, to = 0;
        // A mapping's first line starts with its range; its fields follow.
        if (std::sscanf(line, "%lx-%lx ", &from, &to) == 2) {
            inside = at >= from && at < to;
            continue;
        }
        if (inside && std::strncmp(line, "VmFlags:", 8) == 0) {
            flags = line + 8;
            break;
        }
    }
    std::fclose(file);
    return flags;
}

// How many of the pages of [from, to) are mapped.
size_t residentPages(uintptr_t from, uintptr_t to) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::string in((to - from + page - 1) / page, '\0');
    if (mincore(reinterpret_cast<void*>(from), to - from,
                reinterpret_cast<unsigned char*>(in.data())) != 0)
        return 0;
    size_t n = 0;
    for (char c : in)
        n += c & 1;
    return n;
}
#endif

} // namespace

TEST(LargePages, ABlockMadeAfterAskingLiesOnLargePagesAndNothingIsAskedForNothing) {
    EXPECT_EQ(platform::preferLargePages(0).bytes(), 0u);
    if (kSanitizerHeap) GTEST_SKIP() << "the sanitizer's allocator keeps its own heap";
    const size_t marked = platform::preferLargePages(size_t{32} << 20).bytes();
#if defined(__linux__) && defined(__GLIBC__)
    // Two 16 MiB pieces side by side: all but the ragged ends are whole
    // 2 MiB pages.
    EXPECT_GE(marked, size_t{28} << 20);
    // Bigger than any block freed so far, so it comes from the marked top.
    auto* block = static_cast<uint8_t*>(std::malloc(size_t{24} << 20));
    ASSERT_NE(block, nullptr);
    block[12 << 20] = 1;
    EXPECT_NE(mappingFlags(block + (12 << 20)).find(" hg"), std::string::npos)
        << mappingFlags(block + (12 << 20));
    std::free(block);
#else
    EXPECT_EQ(marked, 0u);
#endif
}

TEST(LargePages, PopulatingMapsTheSpanAndKeepsWhatItHoldsUntilToldToStop) {
    if (kSanitizerHeap) GTEST_SKIP() << "the sanitizer's allocator keeps its own heap";
    const platform::LargePageSpan span = platform::preferLargePages(size_t{16} << 20);
    std::atomic<bool> stop{true};
    EXPECT_EQ(platform::populateLargePages(span, stop), 0u);
#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
    ASSERT_GE(span.bytes(), size_t{4} << 20);
    // What the heap's own thread wrote there stays as it was.
    auto* block = static_cast<uint8_t*>(std::malloc(span.bytes() / 2));
    ASSERT_NE(block, nullptr);
    for (size_t i = 0; i < span.bytes() / 2; i += 4096)
        block[i] = static_cast<uint8_t>(i / 4096 + 1);
    stop = false;
    size_t mapped = 0;
    std::thread other([&] { mapped = platform::populateLargePages(span, stop); });
    other.join();
    EXPECT_EQ(mapped, span.bytes());
    EXPECT_EQ(residentPages(span.from, span.to), span.bytes() / 4096);
    for (size_t i = 0; i < span.bytes() / 2; i += 4096)
        ASSERT_EQ(block[i], static_cast<uint8_t>(i / 4096 + 1)) << "at " << i;
    std::free(block);
#endif
}
