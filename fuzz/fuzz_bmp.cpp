// The bitmap reader on arbitrary bytes: decodes or refuses with one of its
// messages, and a decoded image is exactly width x height RGB pixels.
#include <cstring>

#include "fuzz/fuzz_file.h"
#include "render/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so ASan sees any read past the end of the input.
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    BmpImage image;
    const char* message = nullptr;
    bool ok = decodeBmp(size ? copy : nullptr, size, image, message);
    delete[] copy;

    if (ok) {
        if (image.width <= 0 || image.height <= 0) fuzz::fail("decoded image without area");
        if (image.width > kBmpMaxSide || image.height > kBmpMaxSide)
            fuzz::fail("decoded image over the size limit");
        if (image.pixels.size() != size_t(image.width) * size_t(image.height) * 3)
            fuzz::fail("pixel buffer does not match the size");
    } else {
        if (!message) fuzz::fail("refusal without a message");
        if (std::strcmp(message, "Unknown DIB file format.") != 0 &&
            std::strcmp(message, "Image file conversion error.") != 0 &&
            std::strcmp(message, "Out of memory.") != 0)
            fuzz::fail("message the reader does not have");
    }
    return 0;
}
