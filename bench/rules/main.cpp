// quorvex-bench-rules: figures of the rules alone, for any build that has
// no window (cross builds under an emulator, WebAssembly under node).
//
//   quorvex-bench-rules [--data DIR] [--rounds N] REPLAY...
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "replay/verifier.h"
#include "replay_speed.h"

int main(int argc, char** argv) {
    std::string data = ".";
    int rounds = 1;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--data" && i + 1 < argc) {
            data = argv[++i];
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-') {
            files.push_back(arg);
        } else {
            files.clear();
            break;
        }
    }
    if (files.empty() || rounds < 1) {
        std::fprintf(stderr, "usage: quorvex-bench-rules [--data DIR] [--rounds N] REPLAY...\n");
        return 2;
    }
    // The files keep meaning what they meant from here.
    for (std::string& file : files) {
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(file, ec);
        if (!ec) file = absolute.string();
    }
    std::error_code ec;
    std::filesystem::current_path(data, ec);
    std::string why;
    if (ec || !startVerifier(why)) {
        std::fprintf(stderr, "quorvex-bench-rules: %s\n", ec ? "no such data folder" : why.c_str());
        return 2;
    }
    bench::ReplaySpeed speed = bench::measureReplaySpeed(files, rounds);
    if (!speed.problem.empty()) {
        std::fprintf(stderr, "quorvex-bench-rules: %s\n", speed.problem.c_str());
        return 2;
    }
    std::printf(
        "replay verify: %d games (%d verified), %.1f s of play in %.3f s: %.0fx real time\n",
        speed.games, speed.verified, speed.playSeconds, speed.wallSeconds,
        speed.wallSeconds > 0.0 ? speed.playSeconds / speed.wallSeconds : 0.0);
    stopVerifier();
    return speed.verified == speed.games ? 0 : 1;
}
