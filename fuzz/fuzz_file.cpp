#include "fuzz/fuzz_file.h"

#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/world/effects.h"
#include "platform/platform.h"

namespace fuzz {
namespace {

std::string scratchPath;

void removeScratch() {
    if (!scratchPath.empty()) unlink(scratchPath.c_str());
}

} // namespace

void quietBoxes() {
    // The rules report problems through the program's message boxes, as
    // the game connects them at start-up.
    effectHooks.problem = [](const char* text, const char* caption) {
        platform::messageBox(text, caption);
    };
    platform::test::enable();
    platform::test::clearBoxes();
}

const char* writeInput(const uint8_t* data, size_t size, const char* suffix) {
    if (scratchPath.empty()) {
        scratchPath = "/tmp/quorvex-fuzz-" + std::to_string(getpid()) + (suffix ? suffix : "");
        std::atexit(removeScratch);
    }
    // A fresh file each time: ext4 flushes a file that is truncated and
    // rewritten, which would slow fuzzing to a crawl.
    unlink(scratchPath.c_str());
    std::FILE* file = std::fopen(scratchPath.c_str(), "wb");
    if (!file) fail("cannot write the scratch file");
    if (size > 0 && std::fwrite(data, 1, size, file) != size) fail("short write");
    std::fclose(file);
    return scratchPath.c_str();
}

bool terminated(const char* text, size_t capacity) {
    return std::memchr(text, '\0', capacity) != nullptr;
}

void fail(const char* what) {
    // run.sh closes standard error (the readers' boxes would flood it); the
    // sanitizer's report channel stays open.
    std::string summary = std::string("fuzz invariant broken: ") + what;
    __sanitizer_report_error_summary(summary.c_str());
    std::abort();
}

} // namespace fuzz
