#include "server/http/site.h"

#include <charconv>

#include "server/daily/daily.h"
#include "server/db/connection.h"
#include "server/db/store.h"
#include "server/http/respond.h"
#include "server/http/web_files.h"
#include "server/pages/pages.h"
#include "server/players/identity.h"

namespace {

void html(Response& res, int status, const std::string& page) {
    res.status = status;
    res.set_content(page, "text/html; charset=utf-8");
}

void notFound(Response& res, const std::string& message) {
    html(res, 404, messagePage("Not found", message));
}

// The browser game's file `name`, or why there is none.
void webFile(const ServerContext& context, const std::string& name, const Request& req,
             Response& res) {
    if (!context.servesWeb()) return html(res, 404, noBrowserGamePage());
    const WebFile* file = context.web.find(name);
    if (!file) return notFound(res, "The browser game has no such file.");
    serveWebFile(*file, req, res);
}

} // namespace

void addSiteRoutes(Router& server, ServerContext& context) {
    server.Get("/style.css", [](const Request&, Response& res) {
        res.set_header("Cache-Control", "public, max-age=3600");
        res.set_content(styleSheet(), "text/css");
    });

    // The browser game. Names are looked up among the files read at start-up,
    // never on the disk, so no path leads anywhere else.
    server.Get("/play/?", [&context](const Request& req, Response& res) {
        webFile(context, "index.html", req, res);
    });
    server.Get("/play/([^/]+)", [&context](const Request& req, Response& res) {
        webFile(context, req.matches[1], req, res);
    });

    server.Get("/", [&context](const Request& req, Response& res) {
        std::string board =
            req.has_param("board") ? req.get_param_value("board") : context.defaultBoard;
        if (req.has_param("board") && !boardKeyShape(board))
            return html(res, 400, messagePage("Bad request", "That is not a board key."));
        int64_t offset = 0;
        if (req.has_param("offset")) {
            std::string t = req.get_param_value("offset");
            auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), offset);
            if (ec != std::errc() || end != t.data() + t.size() || offset < 0 ||
                offset > kMaxBoardOffset)
                return html(res, 400,
                            messagePage("Bad request", "offset is a whole number from 0 to " +
                                                           std::to_string(kMaxBoardOffset)));
        }
        withDatabase(res, [&] {
            auto& conn = threadConnection();
            auto page = boardPage(conn, board, offset, 50);
            if (!page) return notFound(res, "There is no such board.");
            nlohmann::json daily;
            if (!req.has_param("board") && !context.defaultBoard.empty()) {
                // Today's daily beside the default board (made here if nobody asked yet).
                int64_t now = serverNow();
                DailyRules rules = dailyRulesOf(context.defaultBoard);
                dailySeed(conn, dayOf(now), rules);
                auto today = boardPage(
                    conn, dailyBoardKey(dayOf(now), rules.fingerprint, rules.generation), 0, 10);
                if (today)
                    daily = {{"page", *today},
                             {"seconds_left", closesAt(dayOf(now)) - kDailyGraceSeconds - now}};
            }
            html(res, 200, leaderboardPage(*page, boardList(conn, context.defaultBoard), daily));
        });
    });

    server.Get("/daily", [](const Request&, Response& res) {
        withDatabase(res,
                     [&] { html(res, 200, dailyListPage(dailyDays(threadConnection(), 366))); });
    });

    server.Get(R"(/daily/([0-9]{4}-[0-9]{2}-[0-9]{2}))",
               [&context](const Request& req, Response& res) {
                   int64_t day = 0;
                   if (!dayFromText(req.matches[1], day))
                       return notFound(res, "There is no such day.");
                   withDatabase(res, [&] {
                       auto& conn = threadConnection();
                       auto key = dailyBoardOf(conn, day, dailyRulesOf(context.defaultBoard));
                       auto page = key ? boardPage(conn, *key, 0, 100) : std::nullopt;
                       if (!page) return notFound(res, "There was no daily game that day.");
                       html(res, 200,
                            dailyBoardPage(*page, closesAt(day) - kDailyGraceSeconds - serverNow(),
                                           context.generation));
                   });
               });

    server.Get(R"(/players/([^/]+))", [&context](const Request& req, Response& res) {
        std::string key, why;
        if (!checkPlayerName(req.matches[1], key, why))
            return notFound(res, "There is no such player.");
        withDatabase(res, [&] {
            auto player = playerRecord(threadConnection(), key);
            if (!player) return notFound(res, "There is no such player.");
            html(res, 200, playerPage(*player, context.generation));
        });
    });

    server.Get(R"(/runs/([0-9]{1,18}))", [&context](const Request& req, Response& res) {
        int64_t id = std::stoll(req.matches[1]);
        withDatabase(res, [&] {
            auto run = runRecord(threadConnection(), id);
            if (!run) return notFound(res, "There is no such run.");
            std::string host = req.get_header_value("Host");
            if (host.empty() || host.size() > 255) host = "127.0.0.1:8080";
            html(res, 200, runPage(*run, host, context.generation));
        });
    });

    // The watch page reads the run from its own path and asks the API for it.
    server.Get(R"(/runs/([0-9]{1,18})/watch)", [&context](const Request& req, Response& res) {
        if (!context.servesWeb()) return html(res, 404, noBrowserGamePage());
        int64_t id = std::stoll(req.matches[1]);
        withDatabase(res, [&] {
            if (!runExists(threadConnection(), id)) return notFound(res, "There is no such run.");
            webFile(context, "watch.html", req, res);
        });
    });
}
