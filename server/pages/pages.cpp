#include "server/pages/pages.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

#include "server/pages/board_names.h"
#include "server/pages/html.h"

namespace {

using nlohmann::json;

std::atomic<bool> g_browserGame{false};

// Watching in the page re-simulates with the current rules: generation 2 on.
constexpr int kWatchableGeneration = 2;

// Under a table whose runs have no Watch link: why, and the desktop way.
std::string desktopNote() {
    return std::string("<p class=\"desktop\">") +
           (g_browserGame ? "Runs played before the rules changed can be watched with the desktop "
                            "game: "
                          : "Watch any run with the desktop game: ") +
           "download the replay from the run's page and open it with <code>quorvex --replay "
           "run-N.qvr</code>.</p>";
}

std::string text(const json& v) {
    if (v.is_string()) return escapeHtml(v.get<std::string>());
    if (v.is_null()) return "&ndash;";
    return escapeHtml(v.dump());
}

std::string clock(const json& seconds) {
    if (!seconds.is_number()) return "&ndash;";
    double s = seconds.get<double>();
    char out[32];
    std::snprintf(out, sizeof out, "%d:%05.2f", static_cast<int>(s / 60), std::fmod(s, 60.0));
    return out;
}

std::string playerLink(const json& name) {
    std::string n = name.is_string() ? name.get<std::string>() : "";
    return "<a href=\"/players/" + encodeUrlSegment(n) + "\">" + escapeHtml(n) + "</a>";
}

std::string runLink(const json& id, const std::string& label) {
    return "<a href=\"/runs/" + text(id) + "\">" + label + "</a>";
}

int generationOf(const json& record) {
    const json& g =
        record.is_object() && record.contains("generation") ? record["generation"] : json();
    return g.is_number_integer() ? g.get<int>() : 1;
}

bool watchable(int generation) {
    return g_browserGame && generation >= kWatchableGeneration;
}

std::string watchLink(const json& id) {
    return "<a class=\"watch\" href=\"/runs/" + text(id) + "/watch\">Watch</a>";
}

// A board as players call it ("Normal", "Daily 2026-12-10", "Classic").
std::string nameOf(const json& board, int current) {
    json named = board;
    nameBoard(named, current);
    return named.value("name", std::string());
}

std::string boardHref(const std::string& key) {
    if (key.rfind("daily-", 0) == 0 && key.size() >= 16) return "/daily/" + key.substr(6, 10);
    return "/?board=" + encodeUrlSegment(key);
}

// A board's name as a link to it.
std::string boardLink(const json& record, int current) {
    std::string key = record.value("board", "");
    return "<a href=\"" + boardHref(key) + "\">" + escapeHtml(nameOf(record, current)) + "</a>";
}

// "5 h 12 min left", from seconds.
std::string timeLeft(int64_t seconds) {
    if (seconds <= 0) return "closed";
    int64_t minutes = (seconds + 59) / 60;
    std::string out;
    if (minutes >= 60) out = std::to_string(minutes / 60) + " h ";
    return out + std::to_string(minutes % 60) + " min left";
}

// The ranks of a board page as a table; its runs are watched in the page or
// with the desktop game, as their generation allows.
std::string boardTable(const json& page) {
    bool watch = watchable(generationOf(page));
    std::string body = "<table class=\"board\"><thead><tr><th>#</th><th>Player</th><th>Score</th>"
                       "<th>Time</th><th class=\"wide\">Kills</th><th></th></tr></thead><tbody>";
    const json& entries = page["entries"];
    for (const json& e : entries) {
        body += "<tr><td>" + text(e["rank"]) + "</td><td>" + playerLink(e["player"]) +
                "</td><td class=\"score\">" + text(e["score"]) + "</td><td>" + clock(e["time"]) +
                "</td><td class=\"wide\">" + text(e["kills"]) + "</td><td>" +
                runLink(e["run"], "run") + (watch ? " " + watchLink(e["run"]) : "") + "</td></tr>";
    }
    if (entries.empty())
        body += "<tr><td colspan=\"6\">No verified runs on this board yet.</td></tr>";
    body += "</tbody></table>";
    if (!watch && !entries.empty()) body += desktopNote();
    return body;
}

std::string frame(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           escapeHtml(title) +
           " &middot; Quorvex</title><link rel=\"stylesheet\" href=\"/style.css\"></head><body>"
           "<header><a class=\"brand\" href=\"/\">QUORVEX</a>"
           "<span class=\"tag\">every run replayed by the server</span>" +
           std::string(g_browserGame ? "<a class=\"play\" href=\"/play\">Play in the browser</a>"
                                     : "") +
           "</header><main>" + body +
           "</main><footer>Only games this server played again and found identical are ranked. "
           "Download any run and check it yourself.</footer></body></html>\n";
}

} // namespace

std::string generationName(int generation, int current) {
    if (generation < current) return "Classic";
    return "Generation " + std::to_string(generation);
}

std::string leaderboardPage(const json& page, const json& boards, const json& daily) {
    std::string current = page.value("board", std::string());
    const json& list = boards.contains("boards") ? boards["boards"] : json::array();
    // The rules now played are the default board's (else the newest).
    int now = 0, newest = 1;
    for (const json& b : list) {
        newest = std::max(newest, generationOf(b));
        if (b.value("default", false)) now = generationOf(b);
    }
    if (now == 0) now = newest;
    int shown = generationOf(page);
    std::string body = "<h1>Leaderboard <small>" + escapeHtml(nameOf(page, now)) + "</small></h1>";
    if (g_browserGame)
        body += "<p class=\"play\"><a class=\"button\" href=\"/play\">Play in the browser</a> "
                "Nothing to install: your run goes on this board.</p>";
    if (shown < now) {
        body += "<p class=\"generations\">Games played before the rules changed, ranked as they "
                "were. <a href=\"/\">Back to the current boards</a></p>";
    } else if (boards.contains("classic") && boards["classic"].is_string()) {
        body += "<p class=\"generations\">Earlier games: <a href=\"/?board=" +
                encodeUrlSegment(boards["classic"].get<std::string>()) + "\">" +
                escapeHtml(generationName(now - 1, now)) + "</a></p>";
    }
    body += "<form class=\"boards\" method=\"get\" action=\"/\">"
            "<label for=\"board\">Board</label> <select id=\"board\" name=\"board\">";
    // The current rules' boards first, then each older generation in a group.
    int group = now;
    for (const json& b : list) {
        int generation = generationOf(b);
        if (generation != group && generation < now) {
            body += std::string(group != now ? "</optgroup>" : "") + "<optgroup label=\"" +
                    escapeHtml(generationName(generation, now)) + "\">";
            group = generation;
        }
        std::string key = b.value("board", std::string());
        body += "<option value=\"" + escapeHtml(key) + "\"" + (key == current ? " selected" : "") +
                ">" + escapeHtml(nameOf(b, now)) + (b.value("default", false) ? " (default)" : "") +
                "</option>";
    }
    if (group != now) body += "</optgroup>";
    body += "</select> <button type=\"submit\">Show</button></form>";
    std::string table = boardTable(page) + "<nav class=\"pages\">";
    int64_t offset = page.value("offset", int64_t{0});
    int64_t limit = page.value("limit", int64_t{50});
    std::string boardParam = "board=" + encodeUrlSegment(current);
    if (offset > 0)
        table += "<a href=\"/?" + boardParam +
                 "&amp;offset=" + std::to_string(std::max<int64_t>(0, offset - limit)) +
                 "\">&larr; better</a> ";
    if (page.value("more", false))
        table += "<a href=\"/?" + boardParam + "&amp;offset=" + std::to_string(offset + limit) +
                 "\">further down &rarr;</a>";
    table += "</nav>";
    if (daily.is_object() && daily.contains("page")) {
        // Today's daily beside the default board.
        const json& d = daily["page"];
        table = "<div class=\"beside\"><section>" + table +
                "</section><section class=\"daily\"><h2>" + boardLink(d, now) + " <small>" +
                timeLeft(daily.value("seconds_left", int64_t{0})) + "</small></h2>" +
                boardTable(d) + "<p><a href=\"/daily\">Past days</a></p></section></div>";
    }
    return frame("Leaderboard", body + table);
}

std::string dailyBoardPage(const json& page, int64_t secondsLeft, int current) {
    std::string body = "<h1>" + escapeHtml(nameOf(page, current)) + " <small>" +
                       timeLeft(secondsLeft) +
                       "</small></h1><p class=\"generations\">One game for everyone, from the "
                       "day's seed at Normal. <a href=\"/daily\">Past days</a></p>" +
                       boardTable(page) + "<nav class=\"pages\">";
    if (page.value("more", false)) body += "<span>Top " + text(page["limit"]) + " shown</span>";
    body += "</nav>";
    return frame(nameOf(page, current), body);
}

std::string dailyListPage(const json& days) {
    std::string body = "<h1>Daily games</h1><table><thead><tr><th>Board</th><th>Players</th>"
                       "</tr></thead><tbody>";
    for (const json& d : days) {
        std::string date = d.value("date", std::string());
        body += "<tr><td><a href=\"/daily/" + escapeHtml(date) + "\">Daily " + escapeHtml(date) +
                "</a></td><td>" + text(d["players"]) + "</td></tr>";
    }
    if (days.empty()) body += "<tr><td colspan=\"2\">No daily games yet.</td></tr>";
    body += "</tbody></table>";
    return frame("Daily games", body);
}

std::string playerPage(const json& player, int generation) {
    std::string body = "<h1>" + text(player["player"]) + "</h1><p>Playing since " +
                       text(player["since"]) +
                       ".</p><h2>Best per board</h2>"
                       "<table><thead><tr><th>Board</th><th>Rank</th><th>Score</th><th>Time</th>"
                       "<th></th></tr></thead><tbody>";
    bool desktopOnly = false;
    for (const json& b : player["best"]) {
        bool watch = watchable(generationOf(b));
        desktopOnly = desktopOnly || !watch;
        body += "<tr><td>" + boardLink(b, generation) + "</td><td>" + text(b["rank"]) +
                "</td><td class=\"score\">" + text(b["score"]) + "</td><td>" + clock(b["time"]) +
                "</td><td>" + runLink(b["run"], "run") + (watch ? " " + watchLink(b["run"]) : "") +
                "</td></tr>";
    }
    body += "</tbody></table><h2>Verified runs</h2><table><thead><tr><th>Run</th><th>Score</th>"
            "<th>Time</th><th class=\"wide\">Kills</th><th class=\"wide\">Submitted</th><th></th>"
            "</tr></thead><tbody>";
    for (const json& r : player["runs"]) {
        bool watch = watchable(generationOf(r));
        desktopOnly = desktopOnly || !watch;
        body += "<tr><td>" + runLink(r["run"], "#" + text(r["run"])) + "</td><td class=\"score\">" +
                text(r["score"]) + "</td><td>" + clock(r["time"]) + "</td><td class=\"wide\">" +
                text(r["kills"]) + "</td><td class=\"wide\">" + text(r["submitted_at"]) +
                "</td><td>" + (watch ? watchLink(r["run"]) : "") + "</td></tr>";
    }
    body += "</tbody></table>";
    if (desktopOnly) body += desktopNote();
    return frame(player.value("player", "Player"), body);
}

std::string runPage(const json& run, const std::string& host, int generation) {
    std::string id = text(run["id"]);
    std::string status = run.value("status", "");
    std::string body = "<h1>Run #" + id + "</h1><p>By " + playerLink(run["player"]) +
                       ". <span class=\"status " + escapeHtml(status) + "\">" + escapeHtml(status) +
                       "</span>";
    if (!run.value("reason", "").empty()) body += " &ndash; " + text(run["reason"]);
    if (run["rank"].is_number()) body += " &ndash; rank " + text(run["rank"]);
    body += "</p><table><thead><tr><th></th><th>Declared</th><th>Replayed</th></tr></thead><tbody>";
    const json& recorded = run["recorded"];
    const json& replayed = run["replayed"];
    for (const char* key : {"score", "time", "kills", "frames", "checksum"}) {
        json a = recorded.is_object() ? recorded.value(key, json()) : json();
        json b = replayed.is_object() ? replayed.value(key, json()) : json();
        bool differs = !b.is_null() && a != b;
        body += std::string("<tr") + (differs ? " class=\"differs\"" : "") + "><th>" + key +
                "</th><td>" + (std::string(key) == "time" ? clock(a) : text(a)) + "</td><td>" +
                (std::string(key) == "time" ? clock(b) : text(b)) + "</td></tr>";
    }
    body += "</tbody></table><dl><dt>Board</dt><dd>" + boardLink(run, generation) + "</dd>";
    // What the verifier read from the file: later generations record these.
    if (run.value("seed", json()).is_number())
        body += "<dt>Seed</dt><dd>" + text(run["seed"]) + "</dd>";
    if (run.value("end", json()).is_string())
        body += "<dt>Ended by</dt><dd>" + text(run["end"]) + "</dd>";
    if (run.value("day", json()).is_string())
        body += "<dt>Daily</dt><dd>" + text(run["day"]) + "</dd>";
    body += "<dt>Submitted</dt><dd>" + text(run["submitted_at"]) + "</dd><dt>Verdict</dt><dd>" +
            text(run["verdict_at"]) + "</dd><dt>Verifier</dt><dd>" + text(run["verifier_version"]) +
            "</dd></dl>";
    std::string file = "run-" + id + ".qvr";
    bool watch = status == "verified" && watchable(generationOf(run));
    body += "<h2>Watch or check it yourself</h2><p>" +
            (watch ? "<a class=\"button\" href=\"/runs/" + id + "/watch\">Watch</a> " : "") +
            "<a class=\"button\" href=\"/api/v1/runs/" + id + "/replay\" download=\"" + file +
            "\">Download the replay</a></p>";
    if (!watch)
        body += std::string("<p class=\"desktop\">") +
                (generationOf(run) < kWatchableGeneration
                     ? "This run was played before the rules changed: watch it with the desktop "
                       "game (<code>quorvex --replay</code>) as below."
                     : "Watch it with the desktop game (<code>quorvex --replay</code>) as below.") +
                "</p>";
    body += "<pre>curl -o " + file + " http://" + escapeHtml(host) + "/api/v1/runs/" + id +
            "/replay\nquorvex --verify " + file + "\nquorvex --replay " + file + "</pre>";
    return frame("Run #" + run.value("id", json(0)).dump(), body);
}

void setBrowserGameServed(bool served) {
    g_browserGame = served;
}

std::string noBrowserGamePage() {
    return frame("Not served here",
                 "<h1>Not served here</h1><p>This server does not serve the browser game.</p>"
                 "<p>Every run can be watched with the desktop game: open the run's page, download "
                 "its replay and run <code>quorvex --replay run-N.qvr</code>.</p>"
                 "<p><a href=\"/\">Back to the leaderboard</a></p>");
}

std::string messagePage(const std::string& title, const std::string& message) {
    return frame(title, "<h1>" + escapeHtml(title) + "</h1><p>" + escapeHtml(message) + "</p>");
}

const char* styleSheet() {
    // The arena's grass green, blood red and the HUD's white on black.
    return R"css(:root{--bg:#0d130c;--panel:#172414;--line:#2c4526;--text:#eef2ea;--dim:#9fb196;--red:#c8281e;--gold:#e8c547}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--text);font:16px/1.45 system-ui,sans-serif}
header{display:flex;flex-wrap:wrap;align-items:baseline;gap:.8em;padding:.8em 1em;background:#000;border-bottom:3px solid var(--red)}
.brand{color:var(--text);font-weight:800;letter-spacing:.25em;text-decoration:none;font-size:1.3em}
.tag{color:var(--dim);font-size:.85em}
header .play{margin-left:auto;color:var(--gold);font-weight:700}
p.play .button{color:var(--gold);font-weight:700}
a.watch{margin-left:.4em}
p.desktop{color:var(--dim);font-size:.9em}
main{max-width:60em;margin:0 auto;padding:1em}
h1{margin:.3em 0;color:var(--gold)}
h2{color:var(--dim);font-size:1.1em;margin-top:1.5em}
a{color:#8fd47a}
table{width:100%;border-collapse:collapse;background:var(--panel);margin:.5em 0}
th,td{padding:.45em .6em;text-align:left;border-bottom:1px solid var(--line);white-space:nowrap}
table.board td:nth-child(2),td:first-child{white-space:normal;overflow-wrap:anywhere}
thead th{color:var(--dim);font-weight:600}
td.score{font-weight:700;color:var(--gold)}
tr.differs td{color:#ff6b5e;font-weight:700}
.status{padding:.1em .5em;border-radius:.3em;background:var(--line)}
.beside{display:grid;grid-template-columns:repeat(auto-fit,minmax(22em,1fr));gap:1em}
.status.verified{background:#2d6a1f}.status.rejected{background:var(--red)}
form.boards{margin:.5em 0}
p.generations{color:var(--dim)}h1 small{font-size:.6em;color:var(--dim)}
select,button,.button{font:inherit;background:var(--panel);color:var(--text);border:1px solid var(--line);padding:.3em .6em;border-radius:.3em;text-decoration:none}
select{max-width:100%}
pre{background:#000;padding:.8em;overflow-x:auto;border-left:3px solid var(--red)}
dl{display:grid;grid-template-columns:auto 1fr;gap:.2em 1em}dt{color:var(--dim)}dd{margin:0;overflow-wrap:anywhere}
nav.pages{display:flex;justify-content:space-between;margin:.5em 0}
footer{color:var(--dim);font-size:.8em;text-align:center;padding:2em 1em}
@media (max-width:32em){.wide{display:none}body{font-size:15px}th,td{padding:.35em .3em}}
)css";
}
