// Runs a program as a child under resource limits and a wall-clock
// deadline, collecting its standard output.
#pragma once

#include <string>
#include <vector>

struct ChildLimits {
    int cpuSeconds = 60;
    long memoryMiB = 4096; // address space; 0: none
    int wallSeconds = 120;
    size_t maxOutputBytes = 1 << 20;
};

struct ChildResult {
    bool started = false;
    bool timedOut = false;    // killed at the wall-clock deadline
    bool cpuExceeded = false; // killed for using its CPU seconds
    int exitCode = -1;        // when it exited by itself
    int signal = 0;           // when a signal ended it
    std::string output;
};

// `env` entries are "NAME=value", added to the server's own environment.
ChildResult runChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     const ChildLimits& limits);
