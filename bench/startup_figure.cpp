#include "startup_figure.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/entry.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/startup.h"
#include "audio/sound_bank.h"
#include "figures.h"
#include "platform/platform.h"

namespace bench {

int startUpOnce() {
    const Clock::time_point entry = Clock::now();
    useTestEnvironment();
    if (chdir(QUORVEX_DATA_DIR) != 0) return 1;
    readSettings("Settings.ini");
    startLoading();
    if (!platform::createWindow("Quorvex Game", screenWidth, screenHeight)) return 1;
    applyDisplayMode();
    const double window = msSince(entry);
    windowProc(Message{MsgType::Create, 0});
    const double loaded = msSince(entry);
    previousTicks = static_cast<float>(platform::tickCount());
    runFactor = 1.0f;
    gameFrame();
    glFinish();
    const double shown = msSince(entry);
    std::printf("%.3f %.3f %.3f\n", shown, window, loaded);
    closeAudio();
    return 0;
}

double startUpMedian() {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0) return -1.0;
    std::vector<double> runs, windows, starts, frames;
    char command[4200];
    std::snprintf(command, sizeof(command), "'%s' --startup-once", self);
    for (int i = 0; i < 9; ++i) {
        FILE* child = popen(command, "r");
        if (!child) continue;
        double ms = 0.0, window = 0.0, loaded = 0.0;
        if (std::fscanf(child, "%lf %lf %lf", &ms, &window, &loaded) == 3) {
            runs.push_back(ms);
            windows.push_back(window);
            starts.push_back(loaded - window);
            frames.push_back(ms - loaded);
        }
        pclose(child);
    }
    if (runs.empty()) return -1.0;
    std::fprintf(stderr,
                 "# start-up, medians of %zu runs: window and context %.1f ms, loading %.1f ms, "
                 "first frame %.1f ms; the quickest run %.1f ms\n",
                 runs.size(), median(windows), median(starts), median(frames),
                 *std::min_element(runs.begin(), runs.end()));
    return median(runs);
}

void startUpFigure(double ms) {
    char value[96];
    std::snprintf(value, sizeof(value), "%.1f ms", ms);
    figure("start-up, entry to the first frame shown", value, "< 100 ms", ms >= 0.0 && ms < 100.0);
}

} // namespace bench
