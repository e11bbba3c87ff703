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
    bool cpuExceeded = false; // killed by its CPU limit (not by anyone else)
    int exitCode = -1;        // when it exited by itself
    int signal = 0;           // when a signal ended it
    double cpuSeconds = 0;    // user and system time it used
    std::string output;
};

// `env` entries are "NAME=value", added to the server's own environment.
// `input` is the child's standard input, from memory: nothing is left on
// disk, whatever happens to the server. The child dies with the thread
// that started it.
ChildResult runChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     const ChildLimits& limits, const std::string& input = {});
