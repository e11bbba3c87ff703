#include "trig_figure.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "figures.h"
#include "math/det_math.h"

namespace bench {

namespace {

constexpr int kCalls = 1 << 22;

// Angles over the range the rules use, each a call of its own; the sum
// keeps the calls from being optimised away.
template <typename SinCos> double nsPerCall(SinCos sinCos, float& sink) {
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
        const double start = threadMs();
        float sum = 0.0f;
        for (int i = 0; i < kCalls; ++i) {
            const float angle = static_cast<float>(i & 0xFFFF) * (12.0f / 65536.0f) - 6.0f;
            float s, c;
            sinCos(angle, s, c);
            sum += s + c;
        }
        sink += sum;
        runs.push_back((threadMs() - start) * 1e6 / kCalls);
    }
    return median(runs);
}

} // namespace

void trigFigure() {
    float sink = 0.0f;
    const double portable =
        nsPerCall([](float a, float& s, float& c) { detSinCos(a, s, c); }, sink);
    const double library = nsPerCall(
        [](float a, float& s, float& c) {
            s = std::sin(a);
            c = std::cos(a);
        },
        sink);
    char value[128];
    std::snprintf(value, sizeof(value), "%.2fx (%.1f ns against %.1f ns a sine and cosine)%s",
                  portable / library, portable, library, sink == 1.0f ? " " : "");
    figure("the rules' own sin and cos / the math library's, per call", value, "<= 1.5x",
           portable <= 1.5 * library);
}

} // namespace bench
