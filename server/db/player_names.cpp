#include "server/db/player_names.h"

#include <unordered_set>
#include <vector>

#include "server/names/name_rules.h"

namespace {

// Any process filling skeletons holds this; the others leave it to it.
constexpr int64_t kSkeletonLock = 0x71767873; // "qvxs"

} // namespace

namespace {

// A player whose first run is still waiting holds its name; one whose runs
// all failed does not.
const char* kHolds = "(p.named OR EXISTS (SELECT 1 FROM runs r WHERE r.player_id = p.id "
                     "AND r.status IN ('queued', 'verifying')))";

} // namespace

bool nameFree(pqxx::work& tx, int64_t playerId, const std::string& key,
              const std::string& skeleton) {
    auto r = tx.exec_params(std::string("SELECT NOT EXISTS (SELECT 1 FROM players p WHERE id <> $1 "
                                        "  AND (name_key = $2 OR name_skeleton = $3) AND ") +
                                kHolds +
                                ") AND NOT EXISTS (SELECT 1 FROM name_reservations "
                                "  WHERE player_id <> $1 AND until > now() "
                                "  AND (name_key = $2 OR skeleton = $3))",
                            playerId, key, skeleton);
    return r[0][0].as<bool>();
}

void releaseStaleClaims(pqxx::work& tx, int64_t playerId, const std::string& key,
                        const std::string& skeleton) {
    // '#' is in no name: the key stays unique and matches nothing typed.
    tx.exec_params(
        std::string("UPDATE players p SET name = '#' || p.id, name_key = '#' || p.id, "
                    "name_skeleton = NULL "
                    "WHERE id <> $1 AND (name_key = $2 OR name_skeleton = $3) AND NOT ") +
            kHolds,
        playerId, key, skeleton);
}

bool applyRunRename(pqxx::work& tx, int64_t runId) {
    auto r = tx.exec_params("SELECT r.player_id, r.rename_to, r.rename_key, r.rename_skeleton, "
                            "p.name_key, p.name_skeleton, p.name, p.named FROM runs r "
                            "JOIN players p ON p.id = r.player_id "
                            "WHERE r.id = $1 AND r.rename_to IS NOT NULL FOR UPDATE OF p",
                            runId);
    if (r.empty()) return false;
    int64_t player = r[0][0].as<int64_t>();
    std::string name = r[0][1].c_str();
    std::string key = r[0][2].c_str();
    std::string skeleton = r[0][3].c_str();
    std::string oldKey = r[0][4].c_str();
    if (r[0][6].as<std::string>() == name) return false; // an earlier run renamed them already
    // Someone may have taken it since the run was sent: the run still counts.
    if (!nameFree(tx, player, key, skeleton)) return false;
    releaseStaleClaims(tx, player, key, skeleton);
    // Only a name that was theirs is held for them; a change of case
    // keeps its key.
    if (r[0][7].as<bool>() && oldKey != key)
        tx.exec_params("INSERT INTO name_reservations (name_key, skeleton, player_id, until) "
                       "VALUES ($1, NULLIF($2, ''), $3, now() + make_interval(days => $4)) "
                       "ON CONFLICT (name_key) DO UPDATE SET skeleton = EXCLUDED.skeleton, "
                       "player_id = EXCLUDED.player_id, until = EXCLUDED.until",
                       oldKey, r[0][5].is_null() ? "" : r[0][5].c_str(), player, kReservedDays);
    // Taking back a name they gave up ends its reservation; old ones go too.
    tx.exec_params("DELETE FROM name_reservations WHERE until <= now() OR (player_id = $1 AND "
                   "(name_key = $2 OR skeleton = $3))",
                   player, key, skeleton);
    tx.exec_params("UPDATE players SET name = $2, name_key = $3, name_skeleton = $4 WHERE id = $1",
                   player, name, key, skeleton);
    return true;
}

int backfillSkeletons(pqxx::connection& conn) {
    // A session's lock: it outlives the transactions below.
    auto session = [&conn](const char* query) {
        pqxx::nontransaction tx(conn);
        return tx.exec_params(query, kSkeletonLock)[0][0].as<bool>();
    };
    if (!session("SELECT pg_try_advisory_lock($1)")) return 0;
    int filled = 0;
    try {
        {
            pqxx::work tx(conn);
            auto known = tx.exec("SELECT value FROM server_facts WHERE name = 'skeleton_version'");
            if (known.empty() || known[0][0].as<std::string>() != skeletonVersion()) {
                // Another ICU may see other look-alikes: every name again.
                tx.exec("UPDATE players SET name_skeleton = NULL "
                        "WHERE name_skeleton IS NOT NULL");
                tx.exec_params("INSERT INTO server_facts (name, value) VALUES "
                               "('skeleton_version', $1) ON CONFLICT (name) DO UPDATE "
                               "SET value = EXCLUDED.value",
                               skeletonVersion());
            }
            tx.commit();
        }
        int64_t after = 0;
        for (;;) {
            pqxx::work tx(conn);
            auto r = tx.exec_params("SELECT id, name FROM players WHERE name_skeleton IS NULL "
                                    "AND name_key NOT LIKE '#%' AND id > $1 ORDER BY id "
                                    "LIMIT 1000",
                                    after);
            if (r.empty()) break;
            // One statement a batch; within it, the first of a look-alike pair wins.
            std::unordered_set<std::string> batch;
            std::string values;
            for (const auto& row : r) {
                after = row[0].as<int64_t>();
                std::string skeleton = nameSkeleton(row[1].as<std::string>());
                if (skeleton.empty() || !batch.insert(skeleton).second) continue;
                values += (values.empty() ? "(" : ", (") + std::to_string(after) + ", " +
                          tx.quote(skeleton) + ")";
            }
            if (!values.empty())
                filled += static_cast<int>(
                    tx.exec("UPDATE players p SET name_skeleton = v.s FROM (VALUES " + values +
                            ") AS v(id, s) WHERE p.id = v.id AND NOT EXISTS "
                            "(SELECT 1 FROM players o WHERE o.name_skeleton = v.s)")
                        .affected_rows());
            tx.commit();
        }
    } catch (...) {
        session("SELECT pg_advisory_unlock($1)");
        throw;
    }
    session("SELECT pg_advisory_unlock($1)");
    return filled;
}
