// The settings reader on arbitrary text: whatever it holds, the game ends up
// with a screen it can open and a finite spawn acceleration.
#include <cmath>
#include <cstring>
#include <vector>

#include "app/settings.h"
#include "fuzz/fuzz_file.h"
#include "game/world/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietBoxes();
    // The reader scans a C string.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    parseSettings(text.data());

    if (world().screenWidth != 640 && world().screenWidth != 800 && world().screenWidth != 1024)
        fuzz::fail("screen width outside 640, 800, 1024");
    if (world().screenHeight <= 0) fuzz::fail("screen without height");
    if (!std::isfinite(world().spawnAcceleration)) fuzz::fail("spawn acceleration not finite");
    return 0;
}
