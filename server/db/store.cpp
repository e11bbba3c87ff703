#include "server/db/store.h"

#include "replay/replay_file.h"
#include "server/db/player_names.h"
#include "server/runs/screening.h"

namespace {

const char* kUtc = "'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'";

std::string isoTime(const std::string& column) {
    return "to_char(" + column + " AT TIME ZONE 'UTC', " + kUtc + ")";
}

nlohmann::json textOrNull(const pqxx::field& f) {
    return f.is_null() ? nlohmann::json() : nlohmann::json(f.c_str());
}

nlohmann::json jsonOrNull(const pqxx::field& f) {
    return f.is_null() ? nlohmann::json() : nlohmann::json::parse(f.c_str());
}

// The shortest decimal of a float4 column, as PostgreSQL prints it.
nlohmann::json floatColumn(const pqxx::field& f) {
    return std::stod(f.c_str());
}

nlohmann::json integerOrNull(const pqxx::field& f) {
    return f.is_null() ? nlohmann::json() : nlohmann::json(f.as<int64_t>());
}

// A board exists for players once it has a verified run; the server's own
// default board, the classic one beside it and the day's board always do.
// The classic board is one of the shown ones: made-up rule data never
// becomes it.
const char* kClassicOf =
    "SELECT c.key FROM boards d JOIN boards c ON c.generation = d.generation - 1 "
    "WHERE d.key = {d} AND c.day IS NULL AND c.shown "
    "ORDER BY c.spawn_acceleration = d.spawn_acceleration DESC, "
    "c.fingerprint = d.fingerprint DESC, c.created_at DESC, c.key LIMIT 1";

std::string withDefault(const char* text, const std::string& board) {
    std::string out = text;
    out.replace(out.find("{d}"), 3, board);
    return out;
}

const std::string kDefaultFact = "(SELECT value FROM server_facts WHERE name = 'default_board')";

const std::string kShownBoard = "({b}.day IS NOT NULL OR {b}.shown OR {b}.key = " + kDefaultFact +
                                " OR {b}.key = (" + withDefault(kClassicOf, kDefaultFact) + "))";

std::string shownBoard(const std::string& alias) {
    std::string text = kShownBoard;
    for (size_t at; (at = text.find("{b}")) != std::string::npos;)
        text.replace(at, 3, alias);
    return text;
}

std::string classicOf(pqxx::work& tx, const std::string& defaultBoard) {
    auto r = tx.exec_params(withDefault(kClassicOf, "$1"), defaultBoard);
    return r.empty() ? std::string() : r[0][0].as<std::string>();
}

} // namespace

namespace {

// The sender's own run of this game or file, or whose it is.
std::optional<SubmitResult> knownGame(pqxx::work& tx, const pqxx::binarystring& sha,
                                      const pqxx::binarystring& key,
                                      const pqxx::binarystring& tokenHash) {
    auto r = tx.exec_params("SELECT r.id, p.token_hash = $3, p.name FROM runs r "
                            "JOIN players p ON p.id = r.player_id "
                            "WHERE (r.game_key = $2 AND r.status <> 'rejected') OR r.sha256 = $1 "
                            "ORDER BY r.status <> 'rejected' DESC, r.id LIMIT 1",
                            sha, key, tokenHash);
    if (r.empty()) return std::nullopt;
    SubmitResult out;
    out.runId = r[0][0].as<int64_t>();
    if (r[0][1].as<bool>()) {
        out.kind = SubmitResult::Existing;
    } else {
        out.kind = SubmitResult::GameTaken;
        out.owner = r[0][2].c_str();
    }
    return out;
}

} // namespace

SubmitResult submitRun(pqxx::connection& conn, const NewRun& run) {
    pqxx::work tx(conn);
    pqxx::binarystring tokenHash(run.tokenHash);
    pqxx::binarystring sha(run.sha256);
    pqxx::binarystring key(run.gameKey);

    if (auto known = knownGame(tx, sha, key, tokenHash)) return *known;

    auto player =
        tx.exec_params("SELECT id, name, name_key FROM players WHERE token_hash = $1", tokenHash);
    bool rename = false;
    if (player.empty()) {
        if (run.weakToken) return {SubmitResult::WeakToken, 0, {}};
        if (!run.nameRefusal.empty()) return {SubmitResult::NameRefused, 0, {}};
        if (!nameFree(tx, 0, run.nameKey, run.nameSkeleton))
            return {SubmitResult::NameTaken, 0, {}};
        releaseStaleClaims(tx, 0, run.nameKey, run.nameSkeleton);
        // Held while this run waits; the player's once it verifies.
        tx.exec_params("INSERT INTO players (name, name_key, token_hash, name_skeleton, named) "
                       "VALUES ($1, $2, $3, $4, false) ON CONFLICT DO NOTHING",
                       run.name, run.nameKey, tokenHash, run.nameSkeleton);
        player = tx.exec_params("SELECT id, name, name_key FROM players WHERE token_hash = $1",
                                tokenHash);
        if (player.empty()) return {SubmitResult::NameTaken, 0, {}};
    } else if (player[0][1].as<std::string>() != run.name ||
               player[0][2].as<std::string>() != run.nameKey) {
        // Another name, or the same in other capitals ("LiIy" for "liiy"):
        // checked now, taken when the run is verified.
        if (!run.nameRefusal.empty()) return {SubmitResult::NameRefused, 0, {}};
        if (!nameFree(tx, player[0][0].as<int64_t>(), run.nameKey, run.nameSkeleton))
            return {SubmitResult::NameTaken, 0, {}};
        rename = true;
    }
    int64_t playerId = player[0][0].as<int64_t>();

    tx.exec_params("INSERT INTO boards (key, fingerprint, spawn_acceleration, generation, day) "
                   "VALUES ($1, $2, $3, $4, NULLIF($5, '')::date) ON CONFLICT DO NOTHING",
                   run.board, run.fingerprint, run.spawnAcceleration, run.generation, run.day);
    auto inserted = tx.exec_params(
        "INSERT INTO runs (player_id, sha256, replay, board, generation, recorded, game_key, "
        "client_address, rename_to, rename_key, rename_skeleton) VALUES ($1, $2, $3, $4, $5, "
        "$6::jsonb, $7, $8, NULLIF($9, ''), NULLIF($10, ''), NULLIF($11, '')) "
        "ON CONFLICT DO NOTHING RETURNING id",
        playerId, sha, pqxx::binarystring(run.replay), run.board, run.generation,
        run.recorded.dump(), key, run.clientAddress, rename ? run.name : std::string(),
        rename ? run.nameKey : std::string(), rename ? run.nameSkeleton : std::string());
    if (inserted.empty()) {
        // Another request stored the same file or game a moment ago.
        tx.abort();
        pqxx::work again(conn);
        if (auto known = knownGame(again, sha, key, tokenHash)) return *known;
        return {SubmitResult::NameTaken, 0, {}};
    }
    int64_t runId = inserted[0][0].as<int64_t>();
    tx.exec_params("INSERT INTO jobs (run_id, client_address, claimed_seconds) "
                   "VALUES ($1, $2, $3)",
                   runId, run.clientAddress, run.claimedSeconds);
    tx.exec("SELECT pg_notify('quorvex_jobs', '')");
    tx.commit();
    return {SubmitResult::Queued, runId, {}};
}

std::optional<nlohmann::json> runRecord(pqxx::connection& conn, int64_t id) {
    pqxx::work tx(conn);
    auto r = tx.exec_params(
        "SELECT r.id, p.name, r.status, r.reason, r.board, r.recorded::text, r.replayed::text, " +
            isoTime("r.submitted_at") + ", " + isoTime("r.verdict_at") +
            ", r.verifier_version, r.verdict_fingerprint, b.fingerprint, b.spawn_acceleration, "
            "CASE WHEN r.status = 'verified' THEN board_rank(r.board, r.player_id, "
            "  (r.replayed->>'score')::bigint, (r.replayed->>'time')::real, r.submitted_at) END, "
            "r.generation, r.seed, r.game_end, to_char(r.day, 'YYYY-MM-DD'), r.code "
            "FROM runs r JOIN players p ON p.id = r.player_id JOIN boards b ON b.key = r.board "
            "WHERE r.id = $1",
        id);
    if (r.empty()) return std::nullopt;
    const auto& row = r[0];
    nlohmann::json out = {
        {"id", row[0].as<int64_t>()},
        {"player", row[1].c_str()},
        {"status", row[2].c_str()},
        {"reason", row[3].c_str()},
        {"code", row[18].c_str()},
        {"board", row[4].c_str()},
        {"board_fingerprint", row[11].c_str()},
        {"spawn_acceleration", row[12].as<double>()},
        {"recorded", jsonOrNull(row[5])},
        {"replayed", jsonOrNull(row[6])},
        {"submitted_at", row[7].c_str()},
        {"verdict_at", textOrNull(row[8])},
        {"verifier_version", textOrNull(row[9])},
        {"verdict_fingerprint", textOrNull(row[10])},
        {"generation", row[14].as<int>()},
        {"seed", integerOrNull(row[15])},
        {"end", textOrNull(row[16])},
        {"day", textOrNull(row[17])},
    };
    out["rank"] = std::string(row[2].c_str()) == "verified" ? nlohmann::json(row[13].as<int64_t>())
                                                            : nlohmann::json();
    return out;
}

bool runExists(pqxx::connection& conn, int64_t id) {
    pqxx::work tx(conn);
    return !tx.exec_params("SELECT 1 FROM runs WHERE id = $1", id).empty();
}

int pruneRejectedFiles(pqxx::connection& conn, int days) {
    pqxx::work tx(conn);
    int n = static_cast<int>(
        tx.exec_params("UPDATE runs SET replay = ''::bytea WHERE id IN (SELECT id FROM runs "
                       "WHERE status = 'rejected' AND octet_length(replay) > 0 "
                       "AND verdict_at < now() - make_interval(days => $1) LIMIT 1000)",
                       days)
            .affected_rows());
    tx.commit();
    return n;
}

std::optional<std::string> runReplay(pqxx::connection& conn, int64_t id) {
    pqxx::work tx(conn);
    auto r = tx.exec_params("SELECT replay FROM runs WHERE id = $1", id);
    if (r.empty()) return std::nullopt;
    return pqxx::binarystring(r[0][0]).str();
}

nlohmann::json boardList(pqxx::connection& conn, const std::string& defaultBoard) {
    pqxx::work tx(conn);
    std::string classic = classicOf(tx, defaultBoard);
    // Bounded: shown boards come from verified rule data and the game's own
    // difficulties; the rows files of made-up rules leave are not read.
    auto r = tx.exec_params(
        "SELECT key, fingerprint, spawn_acceleration, generation, created_at FROM boards "
        "WHERE shown AND day IS NULL UNION SELECT key, fingerprint, spawn_acceleration, "
        "generation, created_at FROM boards WHERE key IN ($1, $2) AND day IS NULL "
        "ORDER BY generation DESC, created_at, key LIMIT 1000",
        defaultBoard, classic);
    nlohmann::json boards = nlohmann::json::array();
    for (const auto& row : r)
        boards.push_back({{"board", row[0].c_str()},
                          {"fingerprint", row[1].c_str()},
                          {"spawn_acceleration", row[2].as<double>()},
                          {"generation", row[3].as<int>()},
                          {"default", defaultBoard == row[0].c_str()}});
    return {{"default", defaultBoard},
            {"classic", classic.empty() ? nlohmann::json() : nlohmann::json(classic)},
            {"boards", boards}};
}

std::string classicBoard(pqxx::connection& conn, const std::string& defaultBoard) {
    pqxx::work tx(conn);
    return classicOf(tx, defaultBoard);
}

std::optional<nlohmann::json> boardPage(pqxx::connection& conn, const std::string& board,
                                        int64_t offset, int limit) {
    pqxx::work tx(conn);
    auto b = tx.exec_params(
        "SELECT fingerprint, spawn_acceleration, generation FROM boards WHERE key = $1 AND " +
            shownBoard("boards"),
        board);
    if (b.empty()) return std::nullopt;
    // One row more than asked says whether another page follows.
    // The offset is walked in the index alone; only the page's rows meet players.
    auto r = tx.exec_params("SELECT bb.run_id, p.name, bb.score, bb.game_time, bb.kills, " +
                                isoTime("bb.submitted_at") +
                                " FROM (SELECT * FROM board_best WHERE board = $1 "
                                "ORDER BY score DESC, game_time, submitted_at, run_id "
                                "OFFSET $2 LIMIT $3) bb JOIN players p ON p.id = bb.player_id "
                                "ORDER BY bb.score DESC, bb.game_time, bb.submitted_at, bb.run_id",
                            board, offset, limit + 1);
    nlohmann::json entries = nlohmann::json::array();
    for (int i = 0; i < static_cast<int>(r.size()) && i < limit; ++i) {
        const auto& row = r[i];
        entries.push_back({{"rank", offset + i + 1},
                           {"run", row[0].as<int64_t>()},
                           {"player", row[1].c_str()},
                           {"score", row[2].as<int64_t>()},
                           {"time", floatColumn(row[3])},
                           {"kills", row[4].as<int64_t>()},
                           {"submitted_at", row[5].c_str()}});
    }
    return nlohmann::json{
        {"board", board},
        {"fingerprint", b[0][0].c_str()},
        {"spawn_acceleration", b[0][1].as<double>()},
        {"generation", b[0][2].as<int>()},
        {"offset", offset},
        {"limit", limit},
        {"more", static_cast<int>(r.size()) > limit && offset + limit <= kMaxBoardOffset},
        {"entries", entries}};
}

std::optional<nlohmann::json> playerRecord(pqxx::connection& conn, const std::string& nameKey) {
    pqxx::work tx(conn);
    auto p = tx.exec_params(
        "SELECT id, name, " + isoTime("created_at") + " FROM players WHERE name_key = $1", nameKey);
    if (p.empty()) return std::nullopt;
    int64_t id = p[0][0].as<int64_t>();
    auto runs = tx.exec_params("SELECT id, board, (replayed->>'score')::bigint, replayed->>'time', "
                               "(replayed->>'kills')::bigint, " +
                                   isoTime("submitted_at") + ", generation" +
                                   " FROM runs WHERE player_id = $1 AND status = 'verified' "
                                   "ORDER BY id DESC LIMIT 1000",
                               id);
    nlohmann::json runList = nlohmann::json::array();
    for (const auto& row : runs)
        runList.push_back({{"run", row[0].as<int64_t>()},
                           {"board", row[1].c_str()},
                           {"score", row[2].as<int64_t>()},
                           {"time", floatColumn(row[3])},
                           {"kills", row[4].as<int64_t>()},
                           {"submitted_at", row[5].c_str()},
                           {"generation", row[6].as<int>()}});
    auto best = tx.exec_params(
        "SELECT bb.board, bb.run_id, bb.score, bb.game_time, bb.kills, "
        "board_rank(bb.board, bb.player_id, bb.score, bb.game_time, bb.submitted_at), "
        "b.generation, b.spawn_acceleration FROM board_best bb JOIN boards b ON b.key = bb.board "
        "WHERE bb.player_id = $1 ORDER BY b.generation DESC, bb.board",
        id);
    nlohmann::json bestList = nlohmann::json::array();
    for (const auto& row : best)
        bestList.push_back({{"board", row[0].c_str()},
                            {"run", row[1].as<int64_t>()},
                            {"score", row[2].as<int64_t>()},
                            {"time", floatColumn(row[3])},
                            {"kills", row[4].as<int64_t>()},
                            {"rank", row[5].as<int64_t>()},
                            {"generation", row[6].as<int>()},
                            {"spawn_acceleration", row[7].as<double>()}});
    return nlohmann::json{{"player", p[0][1].c_str()},
                          {"since", p[0][2].c_str()},
                          {"best", bestList},
                          {"runs", runList}};
}

std::optional<nlohmann::json> deletePlayer(pqxx::connection& conn, const std::string& tokenHash) {
    pqxx::work tx(conn);
    auto r = tx.exec_params("SELECT p.id, p.name, (SELECT count(*) FROM runs WHERE player_id = "
                            "p.id) FROM players p WHERE token_hash = $1 FOR UPDATE",
                            pqxx::binarystring(tokenHash));
    if (r.empty()) return std::nullopt;
    // Runs, jobs and board entries go with the player (ON DELETE CASCADE).
    tx.exec_params("DELETE FROM players WHERE id = $1", r[0][0].as<int64_t>());
    tx.commit();
    return nlohmann::json{{"deleted", r[0][1].c_str()}, {"runs", r[0][2].as<int64_t>()}};
}

void ensureBoard(pqxx::connection& conn, const std::string& key, const std::string& fingerprint,
                 double spawnAcceleration, int generation) {
    pqxx::work tx(conn);
    // A board that was the server's default stays shown: the next
    // generation's server names it Classic.
    tx.exec_params("INSERT INTO boards (key, fingerprint, spawn_acceleration, generation, shown) "
                   "VALUES ($1, $2, $3, $4, true) ON CONFLICT (key) DO UPDATE SET shown = true",
                   key, fingerprint, spawnAcceleration, generation);
    tx.commit();
}

void storeDefaultBoard(pqxx::connection& conn, const std::string& key) {
    pqxx::work tx(conn);
    tx.exec_params("INSERT INTO server_facts (name, value) VALUES ('default_board', $1) "
                   "ON CONFLICT (name) DO UPDATE SET value = EXCLUDED.value",
                   key);
    tx.commit();
}

std::string loadDefaultBoard(pqxx::connection& conn) {
    pqxx::work tx(conn);
    auto r = tx.exec("SELECT value FROM server_facts WHERE name = 'default_board'");
    return r.empty() ? std::string() : r[0][0].as<std::string>();
}

int backfillGameKeys(pqxx::connection& conn) {
    int keyed = 0;
    int64_t after = 0;
    for (;;) {
        pqxx::work tx(conn);
        auto r = tx.exec_params("SELECT id, replay FROM runs WHERE game_key IS NULL AND id > $1 "
                                "ORDER BY id LIMIT 200",
                                after);
        if (r.empty()) break;
        for (const auto& row : r) {
            after = row[0].as<int64_t>();
            std::string bytes = pqxx::binarystring(row[1]).str();
            Replay replay;
            std::string why;
            if (!decodeReplay(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), replay,
                              why))
                continue;
            // The oldest run of a game keeps it; a later copy keeps its row, keyless.
            keyed += static_cast<int>(
                tx.exec_params("UPDATE runs SET game_key = $2 WHERE id = $1 AND (status = "
                               "'rejected' OR NOT EXISTS (SELECT 1 FROM runs o WHERE o.game_key "
                               "= $2 AND o.status <> 'rejected'))",
                               after, pqxx::binarystring(gameKey(replay)))
                    .affected_rows());
        }
        tx.commit();
    }
    return keyed;
}
