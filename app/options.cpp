#include "app/options.h"

#include <cstring>

bool parseOptions(int argc, const char* const* argv, Options& out, std::string& error) {
    out = Options{};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto takeFile = [&](Options::Mode mode) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a replay file";
                return false;
            }
            out.mode = mode;
            out.file = argv[++i];
            return true;
        };
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            out.mode = Options::Help;
        } else if (std::strcmp(arg, "--version") == 0) {
            out.mode = Options::Version;
        } else if (std::strcmp(arg, "--scores") == 0) {
            out.mode = Options::Scores;
        } else if (std::strcmp(arg, "--verify") == 0) {
            if (!takeFile(Options::Verify)) return false;
        } else if (std::strcmp(arg, "--replay") == 0) {
            if (!takeFile(Options::ShowReplay)) return false;
        } else if (std::strcmp(arg, "--window") == 0) {
            out.window = true;
        } else if (std::strcmp(arg, "--fullscreen") == 0) {
            out.fullScreen = true;
        } else if (std::strcmp(arg, "--no-frame-cap") == 0) {
            out.noFrameCap = true;
        } else if (std::strcmp(arg, "--reset-options") == 0) {
            out.resetOptions = true;
        } else {
            error = std::string("unknown option ") + arg;
            return false;
        }
    }
    return true;
}

void printUsage(std::FILE* out) {
    std::fputs("Usage: quorvex [OPTION]...\n"
               "A top-down arena shooter. Run it from its data folder (the installed launcher\n"
               "does that).\n"
               "\n"
               "  --replay FILE    show a recorded game in the window, then the menu;\n"
               "                   Escape ends it early. FILE \"best\" shows the best game\n"
               "  --verify FILE    play a recorded game without a window as fast as possible\n"
               "                   and print \"score S time T kills K checksum C\"; exit 0 when\n"
               "                   it reproduces the recording, 1 when not, 2 for a bad file\n"
               "  --scores         print the table of best games and exit\n"
               "  --window         an ordinary window that can be moved and resized\n"
               "  --fullscreen     cover the whole screen (the display mode is not changed)\n"
               "  --no-frame-cap   draw frames as fast as the machine allows\n"
               "  --reset-options  move the options file aside and start with the defaults\n"
               "  --help           show this help and exit\n"
               "  --version        show the version and exit\n"
               "\n"
               "Replays of your games are kept in $XDG_DATA_HOME/quorvex/replays\n"
               "(~/.local/share/quorvex/replays); the last one is always last.qvr.\n"
               "Options are kept in $XDG_CONFIG_HOME/quorvex/options.ini\n"
               "(~/.config/quorvex/options.ini).\n",
               out);
}
