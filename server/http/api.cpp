#include "server/http/api.h"

#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <regex>

#include "protocol/api.h"
#include "replay/replay_file.h"
#include "server/daily/daily.h"
#include "server/db/connection.h"
#include "server/db/store.h"
#include "server/http/respond.h"
#include "server/names/name_rules.h"
#include "server/pages/board_names.h"
#include "server/players/identity.h"
#include "server/runs/screening.h"

namespace {

const std::string kNameHeaderColon = std::string(protocol::kNameHeader) + ": ";

// The route of one of a collection's members: its key or id is matches[1].
std::string onePath(const char* collection) {
    return std::string(collection) + "/([^/]+)";
}

std::string hex64(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

std::string floatText(float v) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

// The recorded result in the verifier's own form, so the two compare.
nlohmann::json resultJson(const ReplayResult& r) {
    return {{"score", r.score},
            {"time", std::stod(floatText(r.gameTime))},
            {"kills", r.kills},
            {"checksum", hex64(r.checksum)},
            {"frames", r.frames}};
}

bool parseId(const std::string& text, int64_t& id) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    return ec == std::errc() && end == text.data() + text.size() && id > 0;
}

bool parseParam(const Request& req, const char* name, int64_t lo, int64_t hi, int64_t fallback,
                int64_t& out) {
    if (!req.has_param(name)) {
        out = fallback;
        return true;
    }
    std::string text = req.get_param_value(name);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= lo && out <= hi;
}

void tooMany(Response& res, int seconds, const std::string& what) {
    res.set_header(protocol::kRetryAfterHeader, std::to_string(seconds));
    replyError(res, 429,
               "too many submissions from this " + what + "; try again in " +
                   std::to_string(seconds) + " s");
}

void submitRun(ServerContext& context, const Request& req, Response& res) {
    // Answers that come before the body is read close the connection: the
    // unread body must not be taken for the next request.
    auto refuse = [&](int status, const std::string& message) {
        res.set_header("Connection", "close");
        replyError(res, status, message);
    };
    std::string address = clientAddress(req, context.settings.trustedProxies);
    std::string token = bearerToken(req.get_header_value(protocol::kAuthorizationHeader));
    std::string tokenHash = token.empty() ? std::string() : sha256(token.data(), token.size());
    auto limit = context.limits.take(address, tokenHash);
    if (limit.wait) {
        res.set_header("Connection", "close");
        return tooMany(res, limit.wait, limit.what);
    }
    if (token.empty())
        return refuse(401, "a player token is needed: Authorization: Bearer <at least 32 "
                           "random bytes as base64 or hex>");
    std::string type = req.get_header_value("Content-Type");
    if (!type.empty() && type != protocol::kReplayContentType)
        return refuse(415, "the body is the replay file, as application/octet-stream");
    // The server read the body whole, within its size and time limits.
    std::string body = req.body;

    std::string name = req.get_header_value(protocol::kNameHeader);
    std::string nameKey, why;
    if (!checkPlayerName(name, nameKey, why))
        return replyJson(
            res, 400,
            {{"error", kNameHeaderColon + why}, {"reason", why}, {"code", "name_not_allowed"}});
    // Held to the rules of new names only if it is one (the store knows).
    NameVerdict newName = judgeNewName(name);

    Replay replay;
    if (!decodeReplay(reinterpret_cast<const uint8_t*>(body.data()), body.size(), replay, why))
        return replyJson(
            res, 400,
            {{"error", "not a usable replay: " + why}, {"reason", why}, {"code", "not_a_replay"}});
    // Refused before it costs a worker anything.
    if (auto refusal = screenReplay(replay))
        return replyJson(res, refusal->status,
                         {{"error", "not ranked: " + refusal->reason},
                          {"reason", refusal->reason},
                          {"code", refusal->code}});

    NewRun run;
    run.tokenHash = tokenHash;
    run.name = name;
    run.nameKey = nameKey;
    run.nameSkeleton = newName.skeleton;
    run.nameRefusal = newName.allowed ? std::string() : newName.why;
    run.weakToken = weakToken(token);
    run.sha256 = sha256(body.data(), body.size());
    // The file's version says which rules played it: its generation's boards.
    run.generation = generationOf(replay.version);
    run.board = boardKey(replay.rulesFingerprint, replay.start.spawnAcceleration, run.generation);
    run.fingerprint = hex64(replay.rulesFingerprint);
    run.spawnAcceleration = std::stod(floatText(replay.start.spawnAcceleration));
    run.recorded = resultJson(replay.result);
    run.gameKey = gameKey(replay);
    run.clientAddress = address;
    run.claimedSeconds = static_cast<double>(replay.result.gameTime);
    run.replay = std::move(body);

    withDatabase(res, [&] {
        // A daily game is its day's or nothing: it never falls back to another board.
        if (replay.result.day != 0) {
            std::string board;
            if (auto refusal = checkDaily(threadConnection(), replay, serverNow(),
                                          dailyRulesOf(context.defaultBoard), board))
                return replyJson(res, refusal->status,
                                 {{"error", "not ranked: " + refusal->reason},
                                  {"reason", refusal->reason},
                                  {"code", refusal->code}});
            run.board = board;
            int64_t day = 0;
            dayFromNumber(replay.result.day, day);
            run.day = dateText(day);
        }
        SubmitResult r = ::submitRun(threadConnection(), run);
        if (r.kind == SubmitResult::NameTaken)
            return replyError(res, 409, "the name \"" + name + "\" belongs to another player");
        if (r.kind == SubmitResult::NameRefused)
            return replyJson(res, 400,
                             {{"error", kNameHeaderColon + run.nameRefusal},
                              {"reason", run.nameRefusal},
                              {"code", "name_not_allowed"}});
        if (r.kind == SubmitResult::WeakToken) {
            std::string reason = "the token is not random enough: make one of 32 random bytes";
            return replyJson(res, 400,
                             {{"error", reason}, {"reason", reason}, {"code", "weak_token"}});
        }
        if (r.kind == SubmitResult::GameTaken) {
            std::string reason = "this game is already on the leaderboard as " + r.owner +
                                 "'s run " + std::to_string(r.runId);
            return replyJson(res, 422,
                             {{"error", reason},
                              {"reason", reason},
                              {"code", "game_taken"},
                              {"owner", r.owner},
                              {"run", r.runId}});
        }
        if (r.kind == SubmitResult::Queued)
            return replyJson(res, 202, {{"id", r.runId}, {"status", "queued"}});
        auto existing = runRecord(threadConnection(), r.runId);
        if (existing) {
            nameBoard(*existing, context.generation);
            replyJson(res, 200, *existing);
        }
    });
}

} // namespace

std::string boardKey(uint64_t fingerprint, float spawnAcceleration, int generation) {
    return protocol::boardKey(hex64(fingerprint), floatText(spawnAcceleration), generation);
}

int generationOfBoard(const std::string& key) {
    return protocol::generationOfBoard(key);
}

bool boardKeyShape(const std::string& key) {
    static const std::regex shape(R"([0-9a-f]{16}-[-+.0-9a-z]{1,48}|default|classic|)"
                                  R"(daily-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9a-f]{16}-g[0-9]{1,4})");
    return key.size() <= 80 && std::regex_match(key, shape);
}

void addApiRoutes(Router& server, ServerContext& context) {
    server.Post(protocol::kRunsPath,
                [&context](const Request& req, Response& res) { submitRun(context, req, res); });

    server.Get(protocol::kDailyPath, [&context](const Request&, Response& res) {
        withDatabase(res, [&] {
            replyJson(
                res, 200,
                dailyJson(threadConnection(), serverNow(), dailyRulesOf(context.defaultBoard)));
        });
    });

    server.Get(onePath(protocol::kRunsPath), [&context](const Request& req, Response& res) {
        int64_t id = 0;
        if (!parseId(req.matches[1], id)) return replyError(res, 404, "no such run");
        withDatabase(res, [&] {
            auto run = runRecord(threadConnection(), id);
            if (run) nameBoard(*run, context.generation);
            if (run)
                replyJson(res, 200, *run);
            else
                replyError(res, 404, "no such run");
        });
    });

    const std::string replayPath = onePath(protocol::kRunsPath) + "/replay";
    server.Get(replayPath, [&context](const Request& req, Response& res) {
        int64_t id = 0;
        if (!parseId(req.matches[1], id)) return replyError(res, 404, "no such run");
        withDatabase(res, [&] {
            auto bytes = runReplay(threadConnection(), id);
            if (!bytes) return replyError(res, 404, "no such run");
            if (bytes->empty())
                return replyError(res, 410,
                                  "the file of a rejected run is kept " +
                                      std::to_string(context.settings.rejectedDays) + " days");
            res.set_header("Content-Disposition",
                           "attachment; filename=\"run-" + std::to_string(id) + ".qvr\"");
            res.set_content(*bytes, "application/octet-stream");
        });
    });

    server.Get(protocol::kBoardsPath, [&context](const Request&, Response& res) {
        withDatabase(res, [&] {
            auto list = boardList(threadConnection(), context.defaultBoard);
            for (auto& b : list["boards"])
                nameBoard(b, context.generation);
            replyJson(res, 200, list);
        });
    });

    server.Get(onePath(protocol::kBoardsPath), [&context](const Request& req, Response& res) {
        int64_t offset = 0, limit = 0;
        if (!parseParam(req, "offset", 0, kMaxBoardOffset, 0, offset))
            return replyError(res, 400,
                              "offset is a whole number from 0 to " +
                                  std::to_string(kMaxBoardOffset) +
                                  " (a player's page gives any player's rank)");
        if (!parseParam(req, "limit", 1, 100, 50, limit))
            return replyError(res, 400, "limit is a whole number from 1 to 100");
        std::string board = req.matches[1];
        if (!boardKeyShape(board)) return replyError(res, 400, "not a board key");
        if (board == "default") board = context.defaultBoard;
        withDatabase(res, [&] {
            if (board == "classic") board = classicBoard(threadConnection(), context.defaultBoard);
            auto page = boardPage(threadConnection(), board, offset, static_cast<int>(limit));
            if (page) nameBoard(*page, context.generation);
            if (page)
                replyJson(res, 200, *page);
            else
                replyError(res, 404, "no such board");
        });
    });

    server.Get(onePath(protocol::kPlayersPath), [&context](const Request& req, Response& res) {
        std::string key, why;
        if (!checkPlayerName(req.matches[1], key, why))
            return replyError(res, 404, "no such player");
        withDatabase(res, [&] {
            auto player = playerRecord(threadConnection(), key);
            if (player)
                for (auto& b : (*player)["best"])
                    nameBoard(b, context.generation);
            if (player)
                replyJson(res, 200, *player);
            else
                replyError(res, 404, "no such player");
        });
    });

    server.Delete(protocol::kPlayerMePath, [](const Request& req, Response& res) {
        std::string token = bearerToken(req.get_header_value(protocol::kAuthorizationHeader));
        if (token.empty()) return replyError(res, 401, "the player's token is needed");
        withDatabase(res, [&] {
            auto gone = deletePlayer(threadConnection(), sha256(token.data(), token.size()));
            if (gone)
                replyJson(res, 200, *gone);
            else
                replyError(res, 404, "no player has this token");
        });
    });
}

void addFallbackRoutes(Router& server) {
    static const std::regex known(
        R"(/api/v1/(daily|runs(/[^/]+(/replay)?)?|boards(/[^/]+)?|)"
        R"(players/[^/]+)|/|/daily(/[^/]+)?|/boards/[^/]+|/players/[^/]+|/runs/[^/]+(/watch)?|)"
        R"(/play(/[^/]*)?)");
    auto fallback = [](const Request& req, Response& res) {
        if (std::regex_match(req.path, known))
            replyError(res, 405, req.method + " is not allowed on " + req.path);
        else
            replyError(res, 404, "nothing here");
    };
    server.Get(".*", fallback);
    server.Post(".*", fallback);
    server.Put(".*", fallback);
    server.Patch(".*", fallback);
    server.Delete(".*", fallback);
    server.Options(".*", fallback);
}
