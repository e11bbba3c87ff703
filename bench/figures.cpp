#include "figures.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/entry.h"
#include "platform/platform.h"

namespace bench {

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double threadMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) * 1e-6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

void figure(const char* name, const char* value, const char* target, bool met) {
    std::printf("%s: %s (target %s): %s\n", name, value, target, met ? "ok" : "short");
    std::fflush(stdout);
}

void useTestEnvironment() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    platform::test::enable();
    platform::test::setTicks(1000);
}

void gameFrame() {
    platform::test::advanceTicks(kFrameMs);
    while (loopPass() == LoopPass::Message) {
    }
}

} // namespace bench
