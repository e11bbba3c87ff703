// Large pages for the heap that start-up fills: blocks made after asking
// lie where the kernel was asked for 2 MiB pages.
#include "platform/large_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

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

} // namespace

TEST(LargePages, ABlockMadAfterAskingLiesOnLargePagesAndNothingIsAskedForNothing) {
    EXPECT_EQ(platform::preferLargePages(0), 0u);
    const size_t marked = platform::preferLargePages(size_t{32} << 20);
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
