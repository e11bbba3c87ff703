#include "game/scores/score_table.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

int64_t scoreCentiseconds(float seconds) {
    if (!(seconds > 0.0f)) return 0;
    double c = std::round(static_cast<double>(seconds) * 100.0);
    return c > static_cast<double>(kMaxScoreCentiseconds) ? kMaxScoreCentiseconds
                                                          : static_cast<int64_t>(c);
}

bool replayNameOk(std::string_view name) {
    if (name == "-") return true;
    if (name.empty() || name.size() >= sizeof(ScoreEntry::replay) || name[0] == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

namespace {

bool sameDifficulty(float a, float b) {
    return a == b;
}

} // namespace

bool ranksAbove(const ScoreEntry& a, const ScoreEntry& b) {
    if (a.score != b.score) return a.score > b.score;
    int64_t ta = scoreCentiseconds(a.gameTime), tb = scoreCentiseconds(b.gameTime);
    if (ta != tb) return ta > tb;
    return a.endTime < b.endTime;
}

bool sameEntry(const ScoreEntry& a, const ScoreEntry& b) {
    return a.score == b.score && scoreCentiseconds(a.gameTime) == scoreCentiseconds(b.gameTime) &&
           a.kills == b.kills && a.endTime == b.endTime && std::strcmp(a.replay, b.replay) == 0 &&
           sameDifficulty(a.spawnAcceleration, b.spawnAcceleration);
}

bool setReplayName(ScoreEntry& entry, const char* name) {
    std::strcpy(entry.replay, "-");
    if (name == nullptr || !replayNameOk(name)) return false;
    std::strcpy(entry.replay, name);
    return true;
}

namespace {

void removeAt(ScoreTable& table, int at) {
    for (int i = at; i + 1 < table.count; ++i)
        table.entries[i] = table.entries[i + 1];
    --table.count;
}

} // namespace

int insertScore(ScoreTable& table, const ScoreEntry& entry) {
    if (table.count < 0 || table.count > kScoreTableCapacity) table.count = 0;
    int at = 0;
    int ahead = 0; // entries of the same difficulty that rank above it
    // Equal entries keep the order they came in.
    while (at < table.count && !ranksAbove(entry, table.entries[at])) {
        ahead += sameDifficulty(table.entries[at].spawnAcceleration, entry.spawnAcceleration);
        ++at;
    }
    if (ahead >= kScoreTableSize) return -1;
    // Its difficulty's tenth, or with the table full the last of all, goes.
    int seen = ahead;
    int drop = -1;
    for (int i = at; i < table.count && drop < 0; ++i) {
        if (!sameDifficulty(table.entries[i].spawnAcceleration, entry.spawnAcceleration)) continue;
        if (++seen == kScoreTableSize) drop = i;
    }
    if (drop < 0 && table.count == kScoreTableCapacity) {
        if (at == table.count) return -1;
        drop = table.count - 1;
    }
    if (drop >= 0) removeAt(table, drop);
    for (int i = table.count; i > at; --i)
        table.entries[i] = table.entries[i - 1];
    ScoreEntry& placed = table.entries[at];
    placed = entry;
    // Kept as the file keeps it, so a table read back compares equal.
    placed.gameTime =
        static_cast<float>(static_cast<double>(scoreCentiseconds(entry.gameTime)) / 100.0);
    if (placed.kills < 0) placed.kills = 0;
    placed.replay[sizeof placed.replay - 1] = '\0';
    if (!replayNameOk(placed.replay)) std::strcpy(placed.replay, "-");
    if (!(placed.spawnAcceleration >= 0.0f && placed.spawnAcceleration <= 1.0f))
        placed.spawnAcceleration = kNormalSpawnAcceleration;
    ++table.count;
    return at;
}

void scoresAt(const ScoreTable& table, float spawnAcceleration, ScoreTable& out, int& index) {
    out = ScoreTable{};
    int mapped = -1;
    for (int i = 0; i < table.count && out.count < kScoreTableSize; ++i) {
        if (!sameDifficulty(table.entries[i].spawnAcceleration, spawnAcceleration)) continue;
        if (i == index) mapped = out.count;
        out.entries[out.count++] = table.entries[i];
    }
    index = mapped;
}

void formatAcceleration(float value, char* out, size_t size) {
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(out, size, "%.*f", digits, static_cast<double>(value));
        if (std::strtof(out, nullptr) == value) break;
    }
    // Trailing zeros say nothing.
    size_t n = std::strlen(out);
    while (n > 2 && out[n - 1] == '0' && out[n - 2] != '.')
        out[--n] = '\0';
}

void mergeScores(ScoreTable& into, const ScoreTable& other) {
    for (int i = 0; i < other.count && i < kScoreTableCapacity; ++i) {
        bool known = false;
        for (int j = 0; j < into.count && !known; ++j)
            known = sameEntry(other.entries[i], into.entries[j]);
        if (!known) insertScore(into, other.entries[i]);
    }
}

void formatMinutesSeconds(float seconds, char* out, size_t size) {
    int64_t whole = scoreCentiseconds(seconds) / 100;
    std::snprintf(out, size, "%lld:%02lld", static_cast<long long>(whole / 60),
                  static_cast<long long>(whole % 60));
}
