// The ten best games and their text form, scores.txt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kScoreTableSize = 10;

struct ScoreEntry {
    uint32_t score = 0;
    float gameTime = 0.0f; // seconds, kept to hundredths
    int32_t kills = 0;
    int64_t endTime = 0;   // Unix seconds, UTC
    char replay[64] = "-"; // the replay's file name, or "-" for none
};

struct ScoreTable {
    int count = 0;
    ScoreEntry entries[kScoreTableSize]; // best first
};

// True when `a` ranks above `b`: the higher score, then the longer game,
// then the one that ended first.
bool ranksAbove(const ScoreEntry& a, const ScoreEntry& b);
// Every field as scores.txt holds it.
bool sameEntry(const ScoreEntry& a, const ScoreEntry& b);

// Copies a replay file name into the entry ("-" for none). False, leaving
// "-", when the name is not a plain file name of at most 63 characters
// (letters, digits, '.', '_', '-', not starting with '.').
bool setReplayName(ScoreEntry& entry, const char* name);

// Puts the entry in its place; returns its rank index 0-9, or -1 when it
// does not make the table.
int insertScore(ScoreTable& table, const ScoreEntry& entry);
// Adds the entries of `other` that `into` lacks, keeping the ten best.
void mergeScores(ScoreTable& into, const ScoreTable& other);

// "m:ss" (minutes uncapped), seconds rounded down.
void formatMinutesSeconds(float seconds, char* out, size_t size);

// scores.txt: "quorvex-scores 1", then one tab-separated line per entry.
constexpr size_t kScoresFileMaxBytes = 4096;
std::string formatScores(const ScoreTable& table);
// Strict: anything but the exact format with values in range is refused,
// with the reason (line number included) in `why`.
bool parseScores(const char* text, size_t length, ScoreTable& out, std::string* why);
