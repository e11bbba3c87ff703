// The ten best games: the table, its order and how its figures read. Its
// text form, scores.txt, is saving/score_text.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Ten best games for each difficulty (spawn acceleration), and room for
// four difficulties' worth.
constexpr int kScoreTableSize = 10;
constexpr int kScoreTableCapacity = 40;
// The shipped difficulty: entries of files that predate the column.
constexpr float kNormalSpawnAcceleration = 0.003f;

struct ScoreEntry {
    uint32_t score = 0;
    float gameTime = 0.0f; // seconds, kept to hundredths
    int32_t kills = 0;
    int64_t endTime = 0;                                // Unix seconds, UTC
    char replay[64] = "-";                              // the replay's file name, or "-" for none
    float spawnAcceleration = kNormalSpawnAcceleration; // the difficulty it was played at
};

struct ScoreTable {
    int count = 0;
    ScoreEntry entries[kScoreTableCapacity]; // best first, all difficulties mixed
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

// Puts the entry in its place; returns its index in the table, or -1 when
// it is not among the ten best of its difficulty. A full table gives up the
// last entry of another difficulty.
int insertScore(ScoreTable& table, const ScoreEntry& entry);
// Adds the entries of `other` that `into` lacks, keeping the ten best of
// each difficulty.
void mergeScores(ScoreTable& into, const ScoreTable& other);
// The entries of one difficulty, best first; `index` (an index into `table`,
// or -1) comes back as the same entry's index in `out`, or -1.
void scoresAt(const ScoreTable& table, float spawnAcceleration, ScoreTable& out, int& index);
// The spawn acceleration as scores.txt writes it: the shortest text that
// reads back as the same float.
void formatAcceleration(float value, char* out, size_t size);

// "m:ss" (minutes uncapped), seconds rounded down.
void formatMinutesSeconds(float seconds, char* out, size_t size);

// A game time as whole centiseconds, as the table keeps and compares it;
// about 115 days at most: a longer game is a damaged file.
constexpr int64_t kMaxScoreCentiseconds = 1000000000;
int64_t scoreCentiseconds(float seconds);
// A kept replay's name: "-" (none) or a plain file name.
bool replayNameOk(std::string_view name);
