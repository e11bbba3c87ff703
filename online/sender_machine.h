// The sender's state machine, the same on the desktop and in the page: sends
// what waits in the outbox, follows the last game to its verdict, keeps the
// player's best ranks, fetches the daily and forgets the player when asked.
// One request at a time travels through a transport; the desktop's thread
// steps it (libcurl answers at once, the thread waiting), the page's loop
// steps it once a frame (the browser's fetch answers between frames).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "online/api.h"
#include "online/http_client.h"
#include "online/sender_state.h"

namespace platform {
class TryLock;
}

namespace online::sending {

class Machine;

// How a request travels: `send` starts it and hands its answer to
// Machine::answered once, before it returns or later.
struct Transport {
    void (*send)(Machine& machine, HttpRequest request, void* context) = nullptr;
    void* context = nullptr;
};

class Machine {
  public:
    explicit Machine(Shared& shared);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Takes the game's changes, then starts the next request through `t`
    // unless one is in flight. True when it started one. `nowMs` is a
    // steady clock in milliseconds, the same for every call.
    bool step(double nowMs, const Transport& t);
    // The answer to the request in flight.
    void answered(const HttpResponse& r, double nowMs);
    bool busy() const { return job_ != Job::None; }
    // When a step has work next without the game waking it.
    double nextWork(double nowMs) const;

  private:
    enum class Job { None, Submit, Poll, Best, Daily, Forget };

    void takeChanges(double nowMs);
    bool start(Job job, HttpRequest request, const Transport& t);
    bool sendNext(double nowMs, const Transport& t);
    void stopSending();
    void submitAnswered(const SubmitResult& r, double nowMs);
    void pollAnswered(const RunInfo& info, double nowMs);
    void forgetAnswered(const HttpResponse& r);

    Shared& sh_;
    bool page_ = false;
    Account account_;
    bool enabled_ = false;
    std::string outbox_;
    std::string lastFile_;
    int64_t followId_ = 0; // the last game's run, until it has its verdict
    double nextSend_ = 0.0;
    double nextPoll_ = 0.0;
    double nextBest_ = 0.0;
    double nextLook_ = 0.0;
    int failures_ = 0;
    bool nameTaken_ = false;
    bool haveWork_ = false; // files wait and may be sent
    // The outbox's files being sent, and the lock that makes this copy of
    // the game the one that sends them.
    std::vector<std::string> queue_;
    std::unique_ptr<platform::TryLock> outboxLock_;
    Job job_ = Job::None;
    std::string jobFile_;
    unsigned jobEpoch_ = 0;
};

} // namespace online::sending
