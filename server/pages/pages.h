// The server's web pages, rendered from the API's own JSON records. Every
// text from a player or a request is escaped.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// `boards` is the board list with the default and the previous generation's
// ("classic") board: older generations' boards are named as players know them.
// `daily`, when an object: today's daily board ("page") and its "seconds_left",
// shown beside.
std::string leaderboardPage(const nlohmann::json& page, const nlohmann::json& boards,
                            const nlohmann::json& daily);
// A day's board; `current` is the generation the server plays.
std::string dailyBoardPage(const nlohmann::json& page, int64_t secondsLeft, int current);
// The days with a daily game, newest first (date, players).
std::string dailyListPage(const nlohmann::json& days);
// `generation`: the rules generation of the default board.
std::string playerPage(const nlohmann::json& player, int generation);
// `host` is the address the visitor used, for the download command.
std::string runPage(const nlohmann::json& run, const std::string& host, int generation);
// What players call a generation's boards once newer rules replaced them.
std::string generationName(int generation, int current);
// Whether this server serves the browser game: the header and home page
// link to /play and generation-2 runs get Watch links. Set once before serving.
void setBrowserGameServed(bool served);
// What /play and the Watch pages answer on a server without the browser game.
std::string noBrowserGamePage();
std::string messagePage(const std::string& title, const std::string& message);
const char* styleSheet();
