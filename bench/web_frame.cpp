// The benchmark's full-load frame in the page: the same world as the
// desktop's "drawn frame at full load" figure, drawn through WebGL 2 and
// read back so that every frame is finished before the clock stops. The
// page test calls it once on a fresh page (it leaves the game's state
// spoiled) and prints the figure beside the desktop's.
#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>

#include <algorithm>
#include <vector>

#include "app/frame.h"
#include "app/input.h"
#include "bench/figures.h"
#include "bench/world.h"
#include "game/world/world.h"
#include "input/input.h"
#include "session/session.h"

namespace {

constexpr uint32_t kSeed = 20240601; // the desktop benchmark's world
constexpr int kHitsPerPass = 16;

void finishedFrame() {
    runFrame();
    uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE double quorvex_bench_full_load(int frames) {
    session().input.menuShown = 0;
    world().frameDelta = static_cast<float>(bench::kFrameMs);
    bench::buildFullLoad(kSeed, kHitsPerPass);
    bench::save(0);
    for (int i = 0; i < 3; ++i) { // the driver's caches
        bench::restore(0);
        finishedFrame();
    }
    std::vector<double> ms;
    for (int i = 0; i < std::max(frames, 1); ++i) {
        bench::restore(0);
        double start = emscripten_get_now();
        finishedFrame();
        ms.push_back(emscripten_get_now() - start);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}
