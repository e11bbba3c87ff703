// The sender: sends the outbox to the server, follows the last game's
// verification and the player's best rank, and publishes what it knows in a
// small fixed record. One state machine does it on both builds, stepped by a
// thread of its own on the desktop and by the main loop in the page
// (sender_web.h). The game loop only reads that record; nothing here waits
// on the network in the caller's thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "online/online_config.h"

namespace online {

enum class RunState : uint8_t {
    None,      // no game sent this session (or Online off)
    Sending,   // "Sending..."
    Saved,     // "Saved, will send when the server answers"
    Verifying, // "Verifying..."
    Verified,  // "Online rank #N on <difficulty>"
    Refused,   // "Refused: <reason>"
    NotSaved,  // the outbox could not take it
};

// Today's daily game, as far as the sender knows it.
enum class DailyState : uint8_t {
    Unknown,  // not asked yet
    Fetching, // "fetching..."
    Ready,    // the day, seed and difficulty below are the server's
    Failed,   // the reason says why; asking again may do
};

// Plain and fixed: copying it allocates nothing.
struct Status {
    bool enabled = false;
    RunState run = RunState::None;
    int rank = 0;
    float spawnAcceleration = 0.0f;
    char reason[128] = {};
    // The player's best verified rank on each board the server knows.
    static constexpr int kMaxBoards = 16;
    int boardCount = 0;
    float boardAcceleration[kMaxBoards] = {};
    int boardRank[kMaxBoards] = {};
    bool nameTaken = false;
    int waiting = 0; // files in the outbox
    // The last game sent was the daily of this day (YYYYMMDD); 0 for others.
    uint32_t runDay = 0;
    DailyState daily = DailyState::Unknown;
    uint32_t dailyDay = 0;
    uint32_t dailySeed = 0;
    float dailyAcceleration = 0.0f;
    int dailyAnswers = 0; // counts the fetches that ended, to tell a new answer
    char dailyReason[96] = {};
};

// Reads online.ini (the paths come from the user folders unless given) and
// starts the thread (desktop). The game calls it once at start-up; it
// returns at once.
void startSender(const std::string& configFile = configPath(),
                 const std::string& outboxDir = outboxPath());
// Abandons a send in flight (the file stays for next time) and ends the
// thread; waits at most a poll of the connection (50 ms).
void stopSender();

// What the game loop reads each frame: a copy under a short lock.
void readStatus(Status& out);
// The best online rank at a difficulty; 0 when there is none.
int bestRankAt(const Status& status, float spawnAcceleration);

// A game has ended in a death: with Online on, its replay is written safely
// into the outbox now, and the thread is woken to send it.
// `day`: the daily's day (YYYYMMDD) when it was a daily game, else 0.
void noteFinishedGame(const std::vector<uint8_t>& replay, float spawnAcceleration,
                      uint32_t day = 0);

// Asks the thread for today's daily game; the status follows it (Fetching,
// then Ready or Failed). Returns at once; with Online off it does nothing.
void requestDaily();

// For the Options screen: setServer and setName (checked here; kNameRules
// and checkName to show the rules while typing), then setEnabled(true),
// which makes the token. Each saves online.ini and wakes the sender. A name
// the server gives to someone else shows as Status::nameTaken until
// setName is called with another.
OnlineConfig currentConfig();
bool setEnabled(bool on, std::string* why);
bool setServer(const std::string& server, std::string* why);
bool setName(const std::string& name, std::string* why);
// Asks the server to forget the player, then drops the token (in the
// background; the status's reason says how it went).
void forgetMe();

} // namespace online
