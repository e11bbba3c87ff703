// Joins the game to the sender: starts it, and hands it each game that ends
// in a death.
#pragma once

#include <string>

// Starts the sender with these files (online.ini, the outbox folder).
void startOnline(const std::string& configFile, const std::string& outboxDir);
// The user's own files.
void startOnline();
// Abandons a send in flight and ends the sender.
void stopOnline();
