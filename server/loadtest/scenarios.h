// What quorvex-load measures against a running server on 127.0.0.1: how
// fast submissions are taken, how long verdicts take, how fast boards are
// read, and a drill that resends until every file is taken.
#pragma once

#include <string>
#include <vector>

struct Options {
    int port = 8080;
    std::vector<std::string> replays;
    int count = 100;
    int threads = 8;
    int players = 50;
    double perSecond = 1.0;
    std::string board;
    std::vector<std::string> paths; // board: these instead of the board's own
    std::string ledger;
    std::string data = "data";
    double seconds = 300; // hard stop for every mode
};

// As fast as the threads go: how many submissions a second end in 202.
int submit(const Options& o);
// A steady trickle of games; each is followed until its verdict.
int verdicts(const Options& o);
// Reads the board's paths (or, with no board, the day's) o.count times each.
int board(const Options& o);
// Submits every file until it is answered 202 or 200; the ledger lists
// each file's final answer.
int drill(const Options& o);
