// The leaderboard's reads and writes, shared by the API and the pages.
// Results come back as the JSON the API answers with.
#pragma once

#include <cstdint>
#include <optional>
#include <pqxx/pqxx>
#include <string>

#include <nlohmann/json.hpp>

struct NewRun {
    std::string tokenHash; // raw SHA-256 of the player's token
    std::string name;
    std::string nameKey;
    std::string nameSkeleton; // what the name looks like; see nameSkeleton()
    std::string nameRefusal;  // why the name may not be taken now, if so
    bool weakToken = false;   // refused for a player the server does not know yet
    std::string sha256;       // raw SHA-256 of the replay
    std::string replay;
    std::string board;
    std::string day; // a daily game's day, YYYY-MM-DD; empty for any other
    std::string fingerprint;
    double spawnAcceleration = 0;
    int generation = 1; // the rules generation, from the file's version
    nlohmann::json recorded;
    std::string gameKey;       // raw SHA-256, see gameKey()
    std::string clientAddress; // who sent it, for sharing the workers
    double claimedSeconds = 0; // the game time the file claims
};

struct SubmitResult {
    enum Kind { Queued, Existing, NameTaken, GameTaken, NameRefused, WeakToken } kind = Queued;
    int64_t runId = 0;
    std::string owner; // GameTaken: the name of the player whose run it is
};

// Commits the run and its verification job, creating the player on the
// token's first run. A game already on the server gives the sender's own
// run of it, or GameTaken when it is another player's. A new name is held
// to the rules of new names (a player's current name is theirs however it
// looks); for a known player it is a rename the run carries, applied when
// the run is verified.
SubmitResult submitRun(pqxx::connection& conn, const NewRun& run);

std::optional<nlohmann::json> runRecord(pqxx::connection& conn, int64_t id);
bool runExists(pqxx::connection& conn, int64_t id);
// The file; empty for a rejected run whose file is no longer kept.
std::optional<std::string> runReplay(pqxx::connection& conn, int64_t id);
// Drops the files of runs rejected more than `days` ago, a thousand at a
// time; their verdicts stay. Returns how many.
int pruneRejectedFiles(pqxx::connection& conn, int days);
nlohmann::json boardList(pqxx::connection& conn, const std::string& defaultBoard);
// The previous generation's board nearest the default one (its difficulty,
// then its rule data); empty when there is none.
std::string classicBoard(pqxx::connection& conn, const std::string& defaultBoard);
// How deep board pages go: a page's cost grows with its offset, and no one
// reads ten thousand places down a page at a time.
constexpr int64_t kMaxBoardOffset = 10000;

// Null when the board does not exist.
std::optional<nlohmann::json> boardPage(pqxx::connection& conn, const std::string& board,
                                        int64_t offset, int limit);
std::optional<nlohmann::json> playerRecord(pqxx::connection& conn, const std::string& nameKey);
// The deleted player's name and run count; null when the token has none.
std::optional<nlohmann::json> deletePlayer(pqxx::connection& conn, const std::string& tokenHash);

void ensureBoard(pqxx::connection& conn, const std::string& key, const std::string& fingerprint,
                 double spawnAcceleration, int generation);
void storeDefaultBoard(pqxx::connection& conn, const std::string& key);
std::string loadDefaultBoard(pqxx::connection& conn);

// Keys the runs stored before games had keys, oldest first; a later copy
// of a game already keyed keeps its row without a key. Returns how many.
int backfillGameKeys(pqxx::connection& conn);
