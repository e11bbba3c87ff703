// The leaderboard server's API, version 1, as the game uses it: answers
// read into plain records; anything unexpected becomes a reason, never a
// crash.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "online/http_client.h"

namespace online {

struct Account {
    std::string server;
    std::string name;
    std::string token;
};

struct SubmitResult {
    enum Kind {
        Taken,     // 202 or 200: the server has it
        Again,     // network error, 5xx, 429, an odd answer: keep it and retry
        Refused,   // 400, 413, 415: it will never be taken as it is
        NameTaken, // 409: the player must choose another name
        Stopped,   // abandoned on request
    } kind = Again;
    int64_t id = 0;
    std::string status; // queued, verifying, verified, rejected (when Taken)
    int rank = 0;
    std::string reason;          // for Refused, NameTaken, Again
    long retryAfterSeconds = -1; // the server's Retry-After
    bool reached = false;        // the server answered at all
};
SubmitResult submitRun(const Account& a, const std::string& replay, const std::atomic<bool>* stop);

struct RunInfo {
    bool ok = false;
    std::string status; // queued, verifying, verified, rejected
    int rank = 0;
    std::string board; // the board it ranks on
    std::string reason;
    float spawnAcceleration = 0.0f;
    std::string error;
};
RunInfo runInfo(const std::string& server, int64_t id, const std::atomic<bool>* stop);

struct BestRun {
    std::string board;
    int generation = 1; // the rules generation the board ranks
    int64_t run = 0;
    int score = 0;
    double time = 0.0;
    int rank = 0;
};
struct PlayerInfo {
    bool ok = false;
    bool unknown = false; // 404: no verified run yet, or no such player
    std::vector<BestRun> best;
    std::string error;
};
PlayerInfo playerInfo(const std::string& server, const std::string& name,
                      const std::atomic<bool>* stop);

// Today's daily game as the server serves it (GET /api/v1/daily).
struct DailyInfo {
    bool ok = false;
    uint32_t day = 0; // YYYYMMDD, the server's UTC day
    uint32_t seed = 0;
    float spawnAcceleration = 0.0f;
    int generation = 0;
    std::string board;
    std::string error; // why there is no daily
};
DailyInfo dailyInfo(const std::string& server, const std::atomic<bool>* stop);
// The answer's body read; false (with `out.error`) when it is not a daily.
bool readDaily(const std::string& body, DailyInfo& out);

// DELETE /api/v1/players/me. True when the server has forgotten the player
// (or never knew them).
bool forgetPlayer(const Account& a, std::string& message, const std::atomic<bool>* stop);

// Each call above as a request and the reading of its answer, so that the
// page, which cannot wait, sends the same requests and reads the same way.
// An empty server gives paths from the root: the page's own origin.
HttpRequest submitRequest(const Account& a, const std::string& replay);
SubmitResult readSubmit(const HttpResponse& r);
HttpRequest runInfoRequest(const std::string& server, int64_t id);
RunInfo readRunInfo(const HttpResponse& r);
HttpRequest playerInfoRequest(const std::string& server, const std::string& name);
PlayerInfo readPlayerInfo(const HttpResponse& r);
HttpRequest dailyRequest(const std::string& server);
DailyInfo readDailyAnswer(const HttpResponse& r);
HttpRequest forgetRequest(const Account& a);
bool readForget(const HttpResponse& r, std::string& message);

} // namespace online
