// The server's web pages, rendered from the API's own JSON records. Every
// text from a player or a request is escaped.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// `boards` is the board list with the default and the previous generation's
// ("classic") board: older generations' boards are named as players know them.
std::string leaderboardPage(const nlohmann::json& page, const nlohmann::json& boards);
// `generation`: the rules generation of the default board.
std::string playerPage(const nlohmann::json& player, int generation);
// `host` is the address the visitor used, for the download command.
std::string runPage(const nlohmann::json& run, const std::string& host, int generation);
// What players call a generation's boards once newer rules replaced them.
std::string generationName(int generation);
std::string messagePage(const std::string& title, const std::string& message);
const char* styleSheet();
