#include "server/daily/daily.h"

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <random>
#include <sys/random.h>

namespace {

std::atomic<int64_t> g_clockOffset{0};

int64_t realNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

bool validDate(int64_t y, int m, int d, int64_t& day) {
    if (y < 2000 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    day = daysFromCivil(y, m, d);
    int64_t y2;
    int m2, d2;
    civilFromDays(day, y2, m2, d2);
    return y2 == y && m2 == m && d2 == d;
}

uint32_t randomSeed() {
    uint32_t seed = 0;
    if (getrandom(&seed, sizeof seed, 0) == static_cast<ssize_t>(sizeof seed)) return seed;
    return std::random_device{}();
}

std::string hex64(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

Refusal refuse(const char* code, const std::string& reason) {
    return {422, code, reason};
}

} // namespace

int64_t serverNow() {
    return realNow() + g_clockOffset.load(std::memory_order_relaxed);
}

void setServerClock(int64_t unixSeconds) {
    g_clockOffset = unixSeconds - realNow();
}

bool parseClock(const std::string& text, int64_t& unixSeconds) {
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    char tail = 0;
    int64_t day = 0;
    if (text.size() == 10) {
        if (!dayFromText(text, day)) return false;
    } else if (text.size() == 20 &&
               std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &m, &d, &hh, &mm, &ss,
                           &tail) == 7 &&
               tail == 'Z') {
        if (!validDate(y, m, d, day) || hh > 23 || mm > 59 || ss > 59 || hh < 0 || mm < 0 || ss < 0)
            return false;
    } else {
        return false;
    }
    unixSeconds = day * 86400 + hh * 3600 + mm * 60 + ss;
    return true;
}

int64_t dayOf(int64_t unixSeconds) {
    return (unixSeconds >= 0 ? unixSeconds : unixSeconds - 86399) / 86400;
}

std::string dateText(int64_t day) {
    int64_t y;
    int m, d;
    civilFromDays(day, y, m, d);
    char text[24];
    std::snprintf(text, sizeof text, "%04" PRId64 "-%02d-%02d", y, m, d);
    return text;
}

bool dayFromNumber(uint32_t yyyymmdd, int64_t& day) {
    return validDate(yyyymmdd / 10000, static_cast<int>(yyyymmdd / 100 % 100),
                     static_cast<int>(yyyymmdd % 100), day);
}

bool dayFromText(const std::string& text, int64_t& day) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    uint32_t number = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 4 || i == 7) continue;
        if (text[i] < '0' || text[i] > '9') return false;
        number = number * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    return dayFromNumber(number, day);
}

int64_t closesAt(int64_t day) {
    return (day + 1) * 86400 + kDailyGraceSeconds;
}

std::string isoTime(int64_t unixSeconds) {
    int64_t secs = unixSeconds - dayOf(unixSeconds) * 86400;
    char text[48];
    std::snprintf(text, sizeof text, "%sT%02d:%02d:%02dZ", dateText(dayOf(unixSeconds)).c_str(),
                  static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                  static_cast<int>(secs % 60));
    return text;
}

DailyRules dailyRulesOf(const std::string& defaultBoard) {
    DailyRules rules;
    rules.fingerprint = defaultBoard.substr(0, 16);
    size_t g = defaultBoard.rfind("-g");
    if (g != std::string::npos) rules.generation = std::atoi(defaultBoard.c_str() + g + 2);
    if (rules.generation < 1) rules.generation = 1;
    return rules;
}

std::string dailyBoardKey(int64_t day, const std::string& fingerprint, int generation) {
    return "daily-" + dateText(day) + "-" + fingerprint + "-g" + std::to_string(generation);
}

uint32_t dailySeed(pqxx::connection& conn, int64_t day, const DailyRules& rules) {
    std::string date = dateText(day);
    std::string board = dailyBoardKey(day, rules.fingerprint, rules.generation);
    pqxx::work tx(conn);
    // Once the day has its seed and board, one indexed read.
    auto r = tx.exec_params("SELECT seed, EXISTS (SELECT 1 FROM boards WHERE key = $2) "
                            "FROM daily_seeds WHERE day = $1::date",
                            date, board);
    if (!r.empty() && r[0][1].as<bool>()) return static_cast<uint32_t>(r[0][0].as<int64_t>());
    // A second process drawing at the same moment waits on the first's
    // row and keeps it.
    tx.exec_params("INSERT INTO daily_seeds (day, seed) VALUES ($1::date, $2) "
                   "ON CONFLICT DO NOTHING",
                   date, static_cast<int64_t>(randomSeed()));
    tx.exec_params("INSERT INTO boards (key, fingerprint, spawn_acceleration, generation, day) "
                   "VALUES ($1, $2, $3, $4, $5::date) ON CONFLICT DO NOTHING",
                   board, rules.fingerprint, 0.003 /* as the board keys print it */,
                   rules.generation, date);
    auto seed = tx.exec_params("SELECT seed FROM daily_seeds WHERE day = $1::date", date);
    tx.commit();
    return static_cast<uint32_t>(seed[0][0].as<int64_t>());
}

nlohmann::json dailyJson(pqxx::connection& conn, int64_t now, const DailyRules& rules) {
    int64_t day = dayOf(now);
    uint32_t seed = dailySeed(conn, day, rules);
    return {{"date", dateText(day)},
            {"seed", seed},
            {"difficulty", "normal"},
            {"spawn_acceleration", 0.003},
            {"generation", rules.generation},
            {"fingerprint", rules.fingerprint},
            {"board", dailyBoardKey(day, rules.fingerprint, rules.generation)},
            {"name", "Daily " + dateText(day)},
            {"closes_at", isoTime(closesAt(day))},
            {"seconds_left", closesAt(day) - kDailyGraceSeconds - now}};
}

std::optional<Refusal> checkDaily(pqxx::connection& conn, const Replay& replay, int64_t now,
                                  const DailyRules& rules, std::string& board) {
    int64_t day = 0;
    if (!dayFromNumber(replay.result.day, day))
        return refuse("daily_unknown_day", "the daily game's day " +
                                               std::to_string(replay.result.day) +
                                               " is not a date");
    std::string date = dateText(day);
    if (day > dayOf(now))
        return refuse("daily_unknown_day", "the daily of " + date + " has not begun (it is " +
                                               dateText(dayOf(now)) + " on the server)");
    if (now >= closesAt(day))
        return refuse("board_closed",
                      "the board of the daily of " + date + " closed at " + isoTime(closesAt(day)));
    pqxx::work tx(conn);
    auto r = tx.exec_params("SELECT seed FROM daily_seeds WHERE day = $1::date", date);
    if (r.empty()) return refuse("daily_unknown_day", "this server has no daily game for " + date);
    auto seed = static_cast<uint32_t>(r[0][0].as<int64_t>());
    if (replay.start.seed != seed)
        return refuse("daily_wrong_seed", "the daily of " + date + " starts from seed " +
                                              std::to_string(seed) + ", not " +
                                              std::to_string(replay.start.seed));
    if (replay.start.spawnAcceleration != kDailyAcceleration)
        return refuse("daily_wrong_difficulty",
                      "the daily is played at Normal (spawn acceleration 0.003)");
    // The day has one board, the server's rules': another rule data's daily
    // would be a board anyone could make.
    if (hex64(replay.rulesFingerprint) != rules.fingerprint ||
        generationOf(replay.version) != rules.generation)
        return refuse("daily_wrong_rules", "the daily of " + date +
                                               " is played with this server's rules (" +
                                               rules.fingerprint + ", generation " +
                                               std::to_string(rules.generation) + ")");
    board = dailyBoardKey(day, rules.fingerprint, rules.generation);
    return std::nullopt;
}

nlohmann::json dailyDays(pqxx::connection& conn, int limit) {
    pqxx::work tx(conn);
    auto r = tx.exec_params(
        "SELECT to_char(s.day, 'YYYY-MM-DD'), s.seed, (SELECT coalesce(sum(c.n), 0)::bigint "
        "FROM board_block_counts c JOIN boards b ON b.key = c.board WHERE b.day = s.day) "
        "FROM daily_seeds s "
        "ORDER BY s.day DESC LIMIT $1",
        limit);
    nlohmann::json days = nlohmann::json::array();
    for (const auto& row : r)
        days.push_back({{"date", row[0].c_str()},
                        {"seed", row[1].as<int64_t>()},
                        {"players", row[2].as<int64_t>()}});
    return days;
}

std::optional<std::string> dailyBoardOf(pqxx::connection& conn, int64_t day,
                                        const DailyRules& rules) {
    pqxx::work tx(conn);
    auto r = tx.exec_params("SELECT key FROM boards WHERE day = $1::date ORDER BY "
                            "(fingerprint = $2 AND generation = $3) DESC, generation DESC, key "
                            "LIMIT 1",
                            dateText(day), rules.fingerprint, rules.generation);
    if (r.empty()) return std::nullopt;
    return r[0][0].as<std::string>();
}
