#include <cstdio>
#include <string>

#include "app/entry.h"
#include "app/options.h"
#include "app/replay_show.h"
#include "game/scores/score_store.h"

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "quorvex: %s\n", error.c_str());
        printUsage(stderr);
        return 2;
    }
    switch (options.mode) {
    case Options::Help:
        printUsage(stdout);
        return 0;
    case Options::Version:
        std::printf("quorvex %s\n", QUORVEX_VERSION);
        return 0;
    case Options::Verify:
        return verifyCommand(options.file);
    case Options::Scores:
        printScores(stdout);
        return 0;
    default:
        return runGame(options);
    }
}
