// Plays recorded games again without showing them and compares what they
// come to with what they recorded: the core of quorvex-verify and of
// quorvex --verify.
#pragma once

#include <cstdint>
#include <string>

#include "game/world/world.h"
#include "replay/replay_file.h"

enum class VerifyStatus { Verified, Differs, Unusable };

struct VerifyOutcome {
    VerifyStatus status = VerifyStatus::Unusable;
    std::string reason;   // why it differs or cannot be used; empty when verified
    bool decoded = false; // the file was read: recorded, fingerprint and settings hold
    bool played = false;  // it was played: replayed holds
    ReplayResult recorded;
    ReplayResult replayed;
    uint64_t fingerprint = 0;
    float spawnAcceleration = 0.0f;
    int generation = 0;         // of the rules it was made by; 0 when not read
    uint32_t seed = 0;          // the seed its game started from (second generation)
    int differsFrom = -1;       // the whole second from which it parts from its game
    bool otherPlatform = false; // only a build of another platform can judge it
    bool died = false;          // the replayed game ended with the Marine's death
    // What the game came to: at the death where he died (frames after it
    // may shove his body onto a bonus; the file's own result counts them,
    // the game's result does not), else as it ended. Known once played.
    GameTally result;
};

// Why a first-generation game is refused where the platform's math library
// is not the one it was made with.
extern const char* const kOtherPlatformReason;

// Loads the rule data from the current folder (the game's data folder).
// False, with `why`, when a rule file is missing or bad: every verdict would
// be against other rules than the game's.
bool startVerifier(std::string& why);
void stopVerifier();
// The loaded rule data's fingerprint, and the data folder's own spawn
// acceleration (the shipped difficulty).
uint64_t verifierFingerprint();
float shippedSpawnAcceleration();

// "-" reads the replay from standard input.
VerifyOutcome verifyFile(const std::string& path);
VerifyOutcome verifyReplay(const Replay& replay);
