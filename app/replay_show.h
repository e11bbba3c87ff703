// Recorded games in the program: checked without a window (--verify), or
// shown in the window at real speed (--replay).
#pragma once

#include <string>

#include "replay/replay_file.h"

// Reads and checks a replay file. On failure prints one line naming the file
// and the reason on standard error and returns false.
bool loadReplayFile(const std::string& path, Replay& out);

// --verify: plays the replay without a window and prints "score S time T
// kills K checksum C". 0: the result equals the recorded one; 1: it differs;
// 2: the file cannot be used.
int verifyCommand(const std::string& path);

// Showing a replay in the running game's window.
// Starts it (after start-up); false when its rule data differ from the
// loaded data (the reason has been printed).
bool beginShowingReplay(const Replay& replay, const std::string& path);
bool showingReplay();
// Handles one message from the window while a replay shows: Escape ends it,
// the player's other input does not reach the replayed world.
void replayWindowMessage(const Message& msg);
// Runs the next recorded frame when its time has come (with the messages
// before it). Returns true when a frame ran.
bool replayIdle();
void endShowingReplay();
// The last replayIdle returned because the next frame's time has not come.
bool replayWaiting();
// For a watcher: the replay's clock runs `factor` times real time; paused,
// it stands still; a restart plays the same replay from its first frame.
void setReplaySpeed(double factor);
void pauseReplay(bool on);
bool restartReplay();
// Called with the replayed result when the last recorded frame has run.
void setReplayEndHandler(void (*handler)(const ReplayResult& replayed));
