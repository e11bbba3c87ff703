// Records every game from New Game until it ends: the menu opening after
// the Marine's death, the next New Game, "Exit Win" or the end of the
// program. The finished replay is saved as "last.qvr" in the replay folder;
// a game that ended in a death enters the score table when he dies, and
// while it stays there its replay is kept under a name of its own.
#pragma once

#include <string>

#include "game/scores/score_table.h"
#include "input/input.h"
#include "platform/platform.h"
#include "replay/replay_file.h"

// What the program does with the games it records (saving/replay_saving.h
// keeps them on disk); unset, as in the verifier, they stay in memory.
struct RecordingHooks {
    // The recorded game's Marine has just died: enters the game in the score
    // table and returns the name its replay is to be kept under ("" for none).
    std::string (*deathNoted)(ScoreEntry& entry) = nullptr;
    // A recording has ended; `deathName` is what deathNoted returned for it.
    void (*finished)(const Replay& replay, const std::string& deathName) = nullptr;
};
extern RecordingHooks recordingHooks;

// Snapshot of what a new game leaves as it was; taken right after the reset.
ReplayStart captureReplayStart();
// Puts a snapshot back (a replay about to play).
void applyReplayStart(const ReplayStart& start);
// What the game has come to now.
ReplayResult currentResult();
// After a frame: the world checksum for each whole second of play reached
// since the last call (kept by version-3 replays).
void noteSecondSums(std::vector<uint64_t>& sums);
// The whole second of play from which `replayed` parts from `recorded`, or
// -1 when they agree.
int firstDifferingSecond(const std::vector<uint64_t>& recorded,
                         const std::vector<uint64_t>& replayed);

void beginRecording();
// The recordings that begin from now on are the daily game of `day`
// (YYYYMMDD); 0: ordinary games.
void setNextGameDay(uint32_t day);
// The loop is about to hand a message to the window procedure.
void beginMessage();
// The window procedure has handled `msg`.
void recordMessage(const Message& msg);
// A frame is about to run with this input.
void recordFrame(const FrameInput& input);
// The frame has run: a death enters the game in the score table.
void recordFrameDone();
// Ends the recording under way, if any, and saves it. A game whose Marine
// has died ended in his death, whatever ends the recording.
void endRecording(GameEnd how);
// Drops the recording under way without saving (a restart of the program
// state in tests).
void discardRecording();
bool recording();

// The last finished recording.
const Replay& lastReplay();
// Called once when the recorded game's Marine dies, with the game so far:
// every input up to and including the fatal frame, and its result. nullptr
// (the default) copies nothing.
void setDeathReplayHandler(void (*handler)(const Replay& replay));
// Turns recording off and on (off while a replay plays).
void setRecordingEnabled(bool on);
