#include "math/det_math.h"

namespace det_math_detail {
namespace {

// Rounds to the nearest whole number, ties to even as the quick path does,
// with plain arithmetic: adding and taking away 2^52 leaves no fraction.
double nearestWhole(double v) {
    constexpr double kShift = 4503599627370496.0;
    const double a = v < 0.0 ? -v : v;
    if (!(a < kShift)) return v; // already whole
    const double w = (a + kShift) - kShift;
    return v < 0.0 ? -w : w;
}

} // namespace

void farQuarterTurns(double t, double& k, unsigned& quadrant) {
    k = nearestWhole(t);
    // k - 4 * floor(k / 4), a whole number in [0, 4), without converting a
    // huge k to an integer.
    const double q = k - 4.0 * nearestWhole(k * 0.25 - 0.375);
    quadrant = static_cast<unsigned>(static_cast<int>(q)) & 3u;
}

} // namespace det_math_detail
