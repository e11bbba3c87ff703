#include <cstdio>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/options.h"
#include "app/replay_show.h"
#include "online/commands.h"
#include "platform/file_read.h"
#include "platform/program.h"
#include "saving/score_store.h"

int main(int argc, char** argv) {
    platform::startProgram();
    const std::vector<std::string> args = platform::utf8Arguments(argc, argv);
    std::vector<const char*> argvUtf8;
    for (const std::string& arg : args)
        argvUtf8.push_back(arg.c_str());
    Options options;
    std::string error;
    if (!parseOptions(static_cast<int>(argvUtf8.size()), argvUtf8.data(), options, error)) {
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
    case Options::Submit:
        return online::submitCommand(options.file);
    case Options::OnlineState:
        return online::onlineCommand();
    case Options::ForgetOnline:
        return online::forgetCommand();
    case Options::Scores:
        printScores(stdout);
        return 0;
    default:
        return runGame(options);
    }
}
