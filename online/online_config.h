// The player's Online settings: online.ini in the config folder, readable by
// the player alone. Off and without a server until the player says so.
#pragma once

#include <string>

namespace online {

struct OnlineConfig {
    bool enabled = false;
    std::string server; // e.g. "http://127.0.0.1:8080"; none shipped
    std::string name;
    std::string token;  // 64 hex digits, made once
    bool asked = false; // the page has offered Online once (a yes or a "No thanks")
};

// $XDG_CONFIG_HOME/quorvex/online.ini; "" without a home.
std::string configPath();
// $XDG_DATA_HOME/quorvex/outbox; "" without a home.
std::string outboxPath();

// Reads `path`. A missing file gives the defaults; one that cannot be read
// or parsed is moved aside (and `why` says so) and gives the defaults.
OnlineConfig loadConfig(const std::string& path, std::string* why);
// Writes it safely (0600).
bool saveConfig(const std::string& path, const OnlineConfig& config, std::string* why);
// Makes a token when there is none; true when it made one.
bool ensureToken(OnlineConfig& config);

// The name rules shown to the player before anything is sent.
extern const char* const kNameRules;
// "" when the server would take the name's shape, else why not.
std::string checkName(const std::string& name);
// "" for an http:// or https:// address with a host, else why not.
std::string checkServer(const std::string& server);

} // namespace online
