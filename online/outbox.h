// Finished games waiting for the server, as files: they survive a crash, a
// restart and a server that is away. Only files named run-*.qvr are the
// game's; anything else in the folder is left alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace online {

// Writes a replay safely as a new run-*.qvr; `file` gets its name.
bool addToOutbox(const std::string& dir, const std::vector<uint8_t>& replay, std::string& file,
                 std::string* why);
// The game's files waiting, oldest first.
std::vector<std::string> waitingRuns(const std::string& dir);
// The server has it: the file leaves.
void markSent(const std::string& dir, const std::string& file);
// The server will never take it: moved to refused/ with the reason beside it.
void markRefused(const std::string& dir, const std::string& file, const std::string& reason);
// Refused files (names) and their reasons, for --online.
std::vector<std::pair<std::string, std::string>> refusedRuns(const std::string& dir);
// A refused file sent again by hand and taken: it leaves refused/ with its
// reason. False when `path` is not one of refused/'s files.
bool takeBackRefused(const std::string& dir, const std::string& path);

} // namespace online
