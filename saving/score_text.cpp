#include "saving/score_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/utc_time.h"

namespace {

constexpr const char* kHeader = "quorvex-scores 2";
constexpr const char* kHeaderV1 = "quorvex-scores 1";
constexpr size_t kMaxLine = 256;

// Digits only, at most `maxDigits` of them, no more than `max`.
bool parseNumber(std::string_view field, size_t maxDigits, int64_t max, int64_t& value) {
    if (field.empty() || field.size() > maxDigits) return false;
    value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value <= max;
}

// "<seconds>.<two digits>", as centiseconds.
bool parseGameTime(std::string_view field, int64_t& centis) {
    size_t dot = field.find('.');
    if (dot == std::string_view::npos || field.size() - dot != 3) return false;
    int64_t whole = 0, fraction = 0;
    if (!parseNumber(field.substr(0, dot), 8, kMaxScoreCentiseconds / 100, whole)) return false;
    if (!parseNumber(field.substr(dot + 1), 2, 99, fraction)) return false;
    centis = whole * 100 + fraction;
    return centis <= kMaxScoreCentiseconds;
}

// "0.003": a plain decimal fraction, 0 to 1.
bool parseAcceleration(std::string_view field, float& value) {
    if (field.empty() || field.size() > 16) return false;
    for (char c : field)
        if ((c < '0' || c > '9') && c != '.') return false;
    char text[17] = {};
    std::memcpy(text, field.data(), field.size());
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end != text + field.size() || !(v >= 0.0 && v <= 1.0)) return false;
    value = static_cast<float>(v);
    return true;
}

bool parseLine(std::string_view line, int fieldCount, ScoreEntry& entry, std::string& problem) {
    std::string_view fields[6];
    int count = 0;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        if (count == fieldCount) {
            problem = fieldCount == 5 ? "more than five fields" : "more than six fields";
            return false;
        }
        fields[count++] = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    if (count != fieldCount) {
        problem = fieldCount == 5 ? "fewer than five fields" : "fewer than six fields";
        return false;
    }
    entry.spawnAcceleration = kNormalSpawnAcceleration;
    if (fieldCount == 6 && !parseAcceleration(fields[5], entry.spawnAcceleration)) {
        problem = "spawn acceleration is not a number from 0 to 1";
        return false;
    }
    int64_t value = 0;
    if (!parseNumber(fields[0], 10, UINT32_MAX, value)) {
        problem = "score out of range";
        return false;
    }
    entry.score = static_cast<uint32_t>(value);
    if (!parseGameTime(fields[1], value)) {
        problem = "game time out of range";
        return false;
    }
    entry.gameTime = static_cast<float>(static_cast<double>(value) / 100.0);
    if (!parseNumber(fields[2], 10, INT32_MAX, value)) {
        problem = "kills out of range";
        return false;
    }
    entry.kills = static_cast<int32_t>(value);
    if (!platform::parseUtcTimestamp(fields[3].data(), fields[3].size(), entry.endTime) ||
        entry.endTime < 0) {
        problem = "end time is not YYYY-MM-DDTHH:MM:SSZ";
        return false;
    }
    if (!replayNameOk(fields[4])) {
        problem = "replay is not a plain file name";
        return false;
    }
    std::memcpy(entry.replay, fields[4].data(), fields[4].size());
    entry.replay[fields[4].size()] = '\0';
    return true;
}

} // namespace

std::string formatScores(const ScoreTable& table) {
    std::string text = kHeader;
    text += '\n';
    for (int i = 0; i < table.count && i < kScoreTableCapacity; ++i) {
        const ScoreEntry& e = table.entries[i];
        int64_t centis = scoreCentiseconds(e.gameTime);
        char accel[32];
        formatAcceleration(e.spawnAcceleration, accel, sizeof accel);
        char line[kMaxLine];
        std::snprintf(line, sizeof line, "%u\t%lld.%02lld\t%d\t%s\t%s\t%s\n", e.score,
                      static_cast<long long>(centis / 100), static_cast<long long>(centis % 100),
                      e.kills < 0 ? 0 : e.kills, platform::utcTimestamp(e.endTime).c_str(),
                      replayNameOk(e.replay) ? e.replay : "-", accel);
        text += line;
    }
    return text;
}

bool parseScores(const char* text, size_t length, ScoreTable& out, std::string* why) {
    auto refuse = [why](int lineNumber, const std::string& problem) {
        if (why != nullptr) *why = "line " + std::to_string(lineNumber) + ": " + problem;
        return false;
    };
    out = ScoreTable{};
    if (length > kScoresFileMaxBytes) return refuse(0, "the file is too long");
    std::string_view rest(text, length);
    // The last line may lack its newline.
    if (!rest.empty() && rest.back() == '\n') rest.remove_suffix(1);
    ScoreTable table;
    int lineNumber = 0;
    int fieldCount = 6;
    int maxEntries = kScoreTableCapacity;
    while (!rest.empty() || lineNumber == 0) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        ++lineNumber;
        if (line.size() > kMaxLine) return refuse(lineNumber, "line too long");
        if (lineNumber == 1) {
            if (line.rfind("quorvex-scores ", 0) != 0) return refuse(1, "not a score table");
            if (line == kHeaderV1) {
                fieldCount = 5;
                maxEntries = kScoreTableSize;
            } else if (line != kHeader) {
                return refuse(1, "unknown version");
            }
            continue;
        }
        if (lineNumber - 1 > maxEntries)
            return refuse(lineNumber, maxEntries == kScoreTableSize ? "more than ten entries"
                                                                    : "more than forty entries");
        ScoreEntry entry;
        std::string problem;
        if (!parseLine(line, fieldCount, entry, problem)) return refuse(lineNumber, problem);
        if (insertScore(table, entry) < 0)
            return refuse(lineNumber, "more than ten entries of one difficulty");
    }
    out = table;
    return true;
}
