// quorvex-glyphs [--data DIR] OUT.qga: bakes the glyph atlas of the game's
// fonts (both fonts of each screen size) from the shipped face, for builds
// that cannot rasterise at start-up.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/glyph_atlas.h"
#include "platform/platform.h"

namespace {

// The face the game asks for, and its two fonts at 640, 800 and 1024 wide.
constexpr const char* kFace = "Courier new";
constexpr int kSizes[][2] = {{8, 18}, {12, 23}, {15, 30}};

int usage() {
    std::fprintf(stderr,
                 "usage: quorvex-glyphs [--data DIR] OUT.qga\n"
                 "  DIR is the data folder holding %s (default: %s)\n",
                 platform::kShippedFontFile, QUORVEX_DATA_SOURCE_DIR);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string data = QUORVEX_DATA_SOURCE_DIR;
    int at = 1;
    if (argc == 4 && std::strcmp(argv[1], "--data") == 0) {
        data = argv[2];
        at = 3;
    }
    if (at != argc - 1 || argv[at][0] == '-') return usage();
    std::error_code ec;
    std::filesystem::path out = std::filesystem::absolute(argv[at], ec);
    if (ec) return usage();

    // The face is opened from the data folder, as the game opens it; a baked
    // atlas never comes from whatever face this machine happens to have.
    if (chdir(data.c_str()) != 0) {
        std::fprintf(stderr, "quorvex-glyphs: cannot enter the data folder %s\n", data.c_str());
        return 1;
    }
    if (!std::filesystem::is_regular_file(platform::kShippedFontFile, ec)) {
        std::fprintf(stderr, "quorvex-glyphs: %s/%s is missing\n", data.c_str(),
                     platform::kShippedFontFile);
        return 1;
    }
    platform::GlyphAtlas atlas;
    for (const auto& screen : kSizes) {
        for (int size : screen) {
            if (platform::addFontToAtlas(atlas, kFace, size, size) < 0) {
                std::fprintf(stderr, "quorvex-glyphs: no font of size %i\n", size);
                return 1;
            }
        }
    }
    std::string problem;
    if (!platform::writeGlyphAtlas(out.c_str(), atlas, problem)) {
        std::fprintf(stderr, "quorvex-glyphs: %s\n", problem.c_str());
        return 1;
    }
    std::printf("%s: %i fonts, %i x %i pixels\n", out.c_str(), atlas.fontCount, atlas.width,
                atlas.height);
    return 0;
}
