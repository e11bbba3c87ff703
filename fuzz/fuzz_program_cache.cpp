// The shader cache file: whatever it holds, the reader answers with a binary
// inside the file, another key, or not a cache.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "render/program_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    render::CachedBinary binary;
    if (render::readProgramCache(file, "Mesa\nllvmpipe\n4.5\n#version 330 core\n", binary) ==
            render::CacheRead::Program &&
        (binary.at > file.size() || binary.size != file.size() - binary.at))
        std::abort();
    return 0;
}
