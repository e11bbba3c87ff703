// The command line's Online commands: they run in the foreground, print
// their outcome and exit. 0: done; 1: the server refused; 2: bad input
// (a file, online.ini); 3: the server cannot be reached.
#pragma once

#include <string>

#include "online/online_config.h"

namespace online {

// --submit FILE: sends one replay now and waits a little for its verdict.
int submitCommand(const std::string& file, const std::string& configFile = configPath(),
                  const std::string& outboxDir = outboxPath());
// --online: the outbox's state and the player's best online runs.
int onlineCommand(const std::string& configFile = configPath(),
                  const std::string& outboxDir = outboxPath());

// --forget-online: asks the server to delete the player and their runs,
// then drops the token from online.ini (Online is turned off).
int forgetCommand(const std::string& configFile = configPath());

} // namespace online
