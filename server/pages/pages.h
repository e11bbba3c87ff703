// The server's web pages, rendered from the API's own JSON records. Every
// text from a player or a request is escaped.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

std::string leaderboardPage(const nlohmann::json& page, const nlohmann::json& boards);
std::string playerPage(const nlohmann::json& player);
// `host` is the address the visitor used, for the download command.
std::string runPage(const nlohmann::json& run, const std::string& host);
std::string messagePage(const std::string& title, const std::string& message);
const char* styleSheet();
