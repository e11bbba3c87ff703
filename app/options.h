// The command line.
#pragma once

#include <cstdio>
#include <string>

struct Options {
    enum Mode { Play, Help, Version, Scores, Verify, ShowReplay } mode = Play;
    std::string file;          // the replay for --verify and --replay ("best" for the best game's)
    bool window = false;       // a decorated, resizable window
    bool fullScreen = false;   // full screen whatever the settings say
    bool noFrameCap = false;   // draw as fast as the machine allows
    bool resetOptions = false; // options.ini moved aside, the defaults used
};

// False, with `error` set, for an option it does not know or one missing
// its argument.
bool parseOptions(int argc, const char* const* argv, Options& out, std::string& error);
void printUsage(std::FILE* out);
