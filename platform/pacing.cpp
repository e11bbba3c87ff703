#include "platform/pacing.h"

#include <algorithm>

namespace platform {

bool FramePacer::swapWaits(double periodMs) const {
    if (count == 0) return false;
    double sorted[historySize];
    std::copy(waits, waits + count, sorted);
    std::nth_element(sorted, sorted + count / 2, sorted + count);
    return sorted[count / 2] >= periodMs * 0.25;
}

double FramePacer::afterSwap(double start, double end, double periodMs) {
    if (!(periodMs > 0.0)) periodMs = refreshPeriodMs(0);
    double wait = end - start;
    waits[next] = wait > 0.0 ? wait : 0.0;
    next = (next + 1) % historySize;
    if (count < historySize) ++count;

    double due = deadline + periodMs;
    // The display paces us, or this is the first frame, or we are late (a
    // slow frame, a stall): start counting from now, never catch up.
    if (swapWaits(periodMs) || deadline < 0.0 || due <= end || due > end + periodMs) {
        deadline = end;
        return 0.0;
    }
    deadline = due;
    return due - end;
}

double refreshPeriodMs(int refreshHz) {
    if (refreshHz < 20 || refreshHz > 1000) refreshHz = 60;
    return 1000.0 / refreshHz;
}

} // namespace platform
