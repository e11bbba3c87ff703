// Player names in the database: whether a name is free, renames with the
// old name held for its owner, and the look-alike skeletons of players
// from before skeletons were kept.
#pragma once

#include <cstdint>
#include <pqxx/pqxx>
#include <string>

// How long a renamed player's old name stays theirs alone.
constexpr int kReservedDays = 7;

// Whether a name (its case-folded key and skeleton) is free for the player
// `playerId` (0: a new player): no other player's name looks like it (a
// player's first name counts while its run waits or once one verified), nor
// a name another player gave up in the last kReservedDays.
bool nameFree(pqxx::work& tx, int64_t playerId, const std::string& key,
              const std::string& skeleton);

// Frees a name held by a player (not `playerId`) none of whose runs
// verified or still waits: a first name is a player's once a run verifies.
void releaseStaleClaims(pqxx::work& tx, int64_t playerId, const std::string& key,
                        const std::string& skeleton);
// Applies the rename a verified run carries, if any, when the name is still
// free: the old name is then reserved for the player. Returns whether the
// player was renamed.
bool applyRunRename(pqxx::work& tx, int64_t runId);

// Fills the skeleton of players that have none (all of them when ICU's
// version changed since), oldest first; a later look-alike keeps its name
// without one. Returns how many were filled.
int backfillSkeletons(pqxx::connection& conn);
