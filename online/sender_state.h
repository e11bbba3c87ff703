// What the game's side of the sender (sender.cpp) and its state machine
// (sender_machine.cpp) share: the state under one lock, and the flag that
// abandons a transfer in flight. The desktop's thread and the page's loop
// step the same machine over it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "online/online_config.h"
#include "online/sender.h"

namespace online::sending {

struct Shared {
    std::mutex m;
    std::condition_variable wake; // the desktop's thread waits on it
    bool started = false;
    Status status;
    OnlineConfig config;
    std::string configFile;
    std::string outbox;
    // The page's own origin, the only server it sends to (by paths from the
    // root); empty on the desktop.
    std::string pageOrigin;
    std::string lastFile; // the game that ended last, in the outbox
    // Counts the changes to the account: an answer about an account changed
    // meanwhile is dropped.
    unsigned epoch = 0;
    bool changed = false;
    bool forget = false;
    bool fetchDaily = false;
    bool stop = false;
    // The page: the game lost before Online was offered, kept until the
    // player says yes (then it goes to the outbox) or no.
    std::vector<uint8_t> held;
    float heldAcceleration = 0.0f;
    uint32_t heldDay = 0;
    bool offer = false;
};

Shared& shared();

// Rises to abandon the transfer in flight: at exit, or when Online goes off.
extern std::atomic<bool> abandon;

void setReason(Status& s, const std::string& reason);
// The sending's state as the game reads it, under the lock.
void publish(RunState run, const std::string& reason = "", int rank = -1);

// Whether games may go with `c`: on, with a token, a name and (the desktop
// only) a server address.
bool readyToSend(const OnlineConfig& c, bool page);

// What startSender does on either build before its driver runs: reads
// online.ini (the page's origin, when given, is its server whatever the file
// says) and makes the token a hand-written file lacks.
void begin(const std::string& configFile, const std::string& outboxDir,
           const std::string& pageOrigin);
// Ends the sending: nothing more is started.
void end();

} // namespace online::sending
