// assetgen <outdir>: writes the whole data folder.
// assetgen --icons <dir>: writes the desktop icon as PNGs in the hicolor sizes.
#include <cstdio>
#include <cstring>
#include <string>

#include "assets.h"
#include "writers.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--icons") == 0) return writeIcons(argv[2]) ? 0 : 1;
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: assetgen <outdir>\n       assetgen --icons <dir>\n");
        return 2;
    }
    std::string out = argv[1];
    bool ok =
        writeTextures(out + "/Textures") && writeSounds(out + "/Sounds") && writeDataFiles(out);
    return ok ? 0 : 1;
}
