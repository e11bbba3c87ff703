// What the game's side of the sender (sender.cpp) and its thread
// (sender_thread.cpp) share: the state under one lock, and the flag that
// abandons a transfer in flight.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "online/online_config.h"
#include "online/sender.h"

namespace online::sending {

struct Shared {
    std::mutex m;
    std::condition_variable wake;
    Status status;
    OnlineConfig config;
    std::string configFile;
    std::string outbox;
    std::string lastFile; // the game that ended last, in the outbox
    bool changed = false;
    bool forget = false;
    bool fetchDaily = false;
    bool stop = false;
    std::thread thread;
};

Shared& shared();

// Rises to abandon the transfer in flight: at exit, or when Online goes off.
extern std::atomic<bool> abandon;

void setReason(Status& s, const std::string& reason);
// The sending's state as the game reads it, under the lock.
void publish(RunState run, const std::string& reason = "", int rank = -1);

// The thread: sends what waits in the outbox, follows the last game to its
// verdict and keeps the player's best ranks, until stopped.
void runSender();

} // namespace online::sending
