// The glyph atlas reader on arbitrary bytes, from memory and from a file:
// both agree, a refusal says why, and what it accepts holds together and
// writes back to the same bytes.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "platform/glyph_atlas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so ASan sees any read past the end of the input.
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    platform::GlyphAtlas atlas;
    std::string problem;
    bool ok = platform::decodeGlyphAtlas(copy, size, atlas, problem);
    delete[] copy;

    platform::GlyphAtlas fromFile;
    std::string fileProblem;
    bool fileOk =
        platform::readGlyphAtlas(fuzz::writeInput(data, size, ".qga"), fromFile, fileProblem);
    if (ok != fileOk) fuzz::fail("the file and the bytes are judged differently");
    if (!ok) {
        if (problem.empty() || fileProblem.empty()) fuzz::fail("a refusal without a reason");
        return 0;
    }
    if (!platform::glyphAtlasProblem(atlas).empty()) fuzz::fail("an accepted atlas with a problem");
    if (platform::encodeGlyphAtlas(atlas) != std::vector<uint8_t>(data, data + size))
        fuzz::fail("an accepted atlas does not write back to itself");
    if (platform::encodeGlyphAtlas(fromFile) != std::vector<uint8_t>(data, data + size))
        fuzz::fail("the file reads to another atlas");
    return 0;
}
