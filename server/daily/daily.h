// The daily game: one seed per UTC day, the same for everyone, and a board
// per day that closes at midnight plus a grace for games under way. The
// server's clock decides the day, never the player's.
#pragma once

#include <cstdint>
#include <optional>
#include <pqxx/pqxx>
#include <string>

#include <nlohmann/json.hpp>

#include "replay/replay_file.h"
#include "server/runs/screening.h"

constexpr int64_t kDailyGraceSeconds = 600;
constexpr float kDailyAcceleration = 0.003f; // Normal's

// Unix seconds by the server's clock.
int64_t serverNow();
// Tests: the clock reads `unixSeconds` now and runs on from there.
void setServerClock(int64_t unixSeconds);
// "2026-12-10T23:59:58Z" or "2026-12-10" (its midnight); false when not a time.
bool parseClock(const std::string& text, int64_t& unixSeconds);

// Days since 1970-01-01 (UTC).
int64_t dayOf(int64_t unixSeconds);
std::string dateText(int64_t day); // YYYY-MM-DD
// A day as a replay records it (YYYYMMDD) or as a page names it
// (YYYY-MM-DD); false when it is not a date.
bool dayFromNumber(uint32_t yyyymmdd, int64_t& day);
bool dayFromText(const std::string& text, int64_t& day);
int64_t closesAt(int64_t day); // Unix seconds: the next midnight plus the grace
std::string isoTime(int64_t unixSeconds);

// The rules a day's board is for: the shipped rules' fingerprint (hex) and generation.
struct DailyRules {
    std::string fingerprint;
    int generation = 1;
};
// The shipped rules, read off the default board's key.
DailyRules dailyRulesOf(const std::string& defaultBoard);
// "daily-2026-12-10-<fingerprint>-g<generation>".
std::string dailyBoardKey(int64_t day, const std::string& fingerprint, int generation);

// The day's seed, drawn from the OS's random source by the first process
// that asks; every process then reads the same one. Makes the day's board
// for `rules` with it.
uint32_t dailySeed(pqxx::connection& conn, int64_t day, const DailyRules& rules);

// What GET /api/v1/daily answers.
nlohmann::json dailyJson(pqxx::connection& conn, int64_t now, const DailyRules& rules);

// A daily game must be its day's: that day's seed, at Normal, sent while
// its board is open, with the server's `rules`. Sets `board` to the day's
// board key when it is.
std::optional<Refusal> checkDaily(pqxx::connection& conn, const Replay& replay, int64_t now,
                                  const DailyRules& rules, std::string& board);

// The board list of past days, newest first, and one day's board key (the
// shipped rules' where it has one, else the newest generation's).
nlohmann::json dailyDays(pqxx::connection& conn, int limit);
std::optional<std::string> dailyBoardOf(pqxx::connection& conn, int64_t day,
                                        const DailyRules& rules);
