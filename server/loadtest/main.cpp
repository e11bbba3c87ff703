// quorvex-load: drives a leaderboard server on 127.0.0.1 and measures it.
// Every mode is bounded in count and time and stops by itself.
//
//   quorvex-load forge IN OUT [--score N] [--end-time N] [--fingerprint HEX] [--repeat N]
//                                        [--frames N] [--game N --data DIR]
//                                        [--acceleration X] [--pad-frames N]
//                                        [--seed S --data DIR] [--day YYYYMMDD] [--edit-seed S]
//   quorvex-load submit   --port P --replay FILE --count N [--threads T] [--players K]
//   quorvex-load verdicts --port P --replay FILE... --count N [--per-second R]
//   quorvex-load board    --port P --board KEY --count N [--path PATH]...
//   quorvex-load daily    --port P --count N
//   quorvex-load drill    --port P --replay FILE --count N [--threads T] [--per-second R]
//                         --ledger FILE
//   quorvex-load drip|idle|slowbody --port P --connections N [--per-source K]
//                         [--interval S] [--seconds S] [--probe PATH]
//   quorvex-load read     --port P --probe PATH [--rate KIB_PER_S] [--seconds S]
//   quorvex-load flood    --port P --pid SERVER_PID [--mib M] [--seconds S]
// The modes that submit make a distinct real game for each submission from
// the replay given (see distinctGame), so they need the game's --data DIR.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "server/loadtest/attack.h"
#include "server/loadtest/games.h"
#include "server/loadtest/scenarios.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(
            "usage: quorvex-load forge|submit|verdicts|board|daily|drill|drip|idle|flood ...\n",
            stderr);
        return 2;
    }
    std::string mode = argv[1];
    if (mode == "forge") return forge(argc, argv);
    if (mode == "drip" || mode == "idle" || mode == "flood" || mode == "slowbody" ||
        mode == "read") {
        AttackOptions a;
        for (int i = 2; i + 1 < argc; i += 2) {
            std::string arg = argv[i];
            double v = std::atof(argv[i + 1]);
            if (arg == "--port")
                a.port = static_cast<int>(v);
            else if (arg == "--connections")
                a.connections = std::clamp(static_cast<int>(v), 1, 2000);
            else if (arg == "--per-source")
                a.perSource = std::clamp(static_cast<int>(v), 1, 2000);
            else if (arg == "--interval")
                a.interval = std::clamp(v, 0.01, 60.0);
            else if (arg == "--seconds")
                a.seconds = std::clamp(v, 1.0, 600.0);
            else if (arg == "--pid")
                a.serverPid = static_cast<int>(v);
            else if (arg == "--mib")
                a.floodMiB = std::clamp(static_cast<int>(v), 1, 4096);
            else if (arg == "--probe")
                a.probe = argv[i + 1];
            else if (arg == "--rate")
                a.rateKiB = std::clamp(v, 1.0, 1e6);
            else {
                std::fprintf(stderr, "quorvex-load: unknown option %s\n", arg.c_str());
                return 2;
            }
        }
        if (mode == "read") return slowRead(a);
        return mode == "flood" ? floodHeaders(a) : attackConnections(mode.c_str(), a);
    }
    Options o;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        bool has = i + 1 < argc;
        if (arg == "--port" && has)
            o.port = std::stoi(argv[++i]);
        else if (arg == "--replay" && has) {
            while (i + 1 < argc && argv[i + 1][0] != '-')
                o.replays.push_back(argv[++i]);
        } else if (arg == "--count" && has)
            o.count = std::stoi(argv[++i]);
        else if (arg == "--threads" && has)
            o.threads = std::stoi(argv[++i]);
        else if (arg == "--players" && has)
            o.players = std::max(1, std::stoi(argv[++i]));
        else if (arg == "--per-second" && has)
            o.perSecond = std::stod(argv[++i]);
        else if (arg == "--board" && has)
            o.board = argv[++i];
        else if (arg == "--path" && has)
            o.paths.push_back(argv[++i]);
        else if (arg == "--ledger" && has)
            o.ledger = argv[++i];
        else if (arg == "--data" && has)
            o.data = argv[++i];
        else if (arg == "--seconds" && has)
            o.seconds = std::stod(argv[++i]);
        else {
            std::fprintf(stderr, "quorvex-load: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    o.count = std::clamp(o.count, 1, 1000000);
    o.threads = std::clamp(o.threads, 1, 64);
    bool reads = mode == "board" || mode == "daily";
    if (!reads && o.replays.empty()) {
        std::fputs("quorvex-load: --replay FILE is needed\n", stderr);
        return 2;
    }
    if (!reads) {
        // The rules are read from the data folder; the files named keep their meaning.
        for (std::string& path : o.replays)
            path = std::filesystem::absolute(path).string();
        if (!o.ledger.empty()) o.ledger = std::filesystem::absolute(o.ledger).string();
        if (!startRulesIn(o.data)) return 2;
    }
    if (mode == "submit") return submit(o);
    if (mode == "verdicts") return verdicts(o);
    if (mode == "board") return board(o);
    if (mode == "daily") {
        o.board.clear();
        return board(o);
    }
    if (mode == "drill" && !o.ledger.empty()) return drill(o);
    std::fprintf(stderr, "quorvex-load: unknown mode %s\n", mode.c_str());
    return 2;
}
