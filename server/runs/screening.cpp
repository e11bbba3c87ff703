#include "server/runs/screening.h"

#include <cmath>
#include <cstring>

#include "input/player_options.h"
#include "replay/replay_start_checks.h"
#include "server/players/identity.h"

namespace {

void put(std::string& out, const void* data, size_t size) {
    out.append(static_cast<const char*>(data), size);
}

template <typename T> void putValue(std::string& out, T v) {
    put(out, &v, sizeof v);
}

Refusal notPlayed(const std::string& reason) {
    return {422, "not_a_played_game", reason};
}

// The recorded frame times, in milliseconds.
double recordedMilliseconds(const Replay& replay) {
    ReplayReader reader(replay.events, replay.start.cursorX, replay.start.cursorY);
    ReplayEvent e;
    double total = 0;
    while (reader.next(e))
        if (e.kind == ReplayEvent::Frame && std::isfinite(e.tickDelta) && e.tickDelta > 0.0f)
            total += static_cast<double>(e.tickDelta);
    return total;
}

} // namespace

bool onDifficultyStep(float spawnAcceleration) {
    for (float d : kDifficultyAcceleration)
        if (spawnAcceleration == d) return true;
    double steps = std::round(static_cast<double>(spawnAcceleration) / kDifficultyStep);
    return static_cast<float>(steps * kDifficultyStep) == spawnAcceleration;
}

std::optional<Refusal> screenReplay(const Replay& replay) {
    if (const char* why = settingsOutOfRange(replay.start))
        return Refusal{422, "settings_out_of_range", why};
    // Boards only for difficulties on the game's steps: Easy, Normal, Hard
    // and Custom ones in steps of 0.0005. Values a hair apart would each
    // make a board of their own.
    if (generationOf(replay.version) >= 2 && !onDifficultyStep(replay.start.spawnAcceleration))
        return Refusal{422, "difficulty_not_ranked",
                       "spawn accelerations are ranked in steps of 0.0005 (Easy 0.0015, Normal "
                       "0.003, Hard 0.006)"};
    if (replay.result.frames == 0) return notPlayed("a game of no frames was not played");
    // The game runs at most one frame a millisecond.
    if (static_cast<double>(replay.result.frames) > std::floor(recordedMilliseconds(replay)) + 1)
        return notPlayed("more frames than its recorded time allows at 1000 frames a second");
    if (!(replay.result.gameTime >= 0.0f) || !std::isfinite(replay.result.gameTime))
        return notPlayed("its game time is not a time");
    if (generationOf(replay.version) >= 2 && replay.result.end != GameEnd::Death)
        return notPlayed(
            std::string("only games that end with the Marine's death are ranked; "
                        "this one ended: ") +
            (gameEndName(replay.result.end) ? gameEndName(replay.result.end) : "unknown"));
    return std::nullopt;
}

std::string gameKey(const Replay& replay) {
    std::string material;
    if (generationOf(replay.version) >= 2) {
        // The world every second until the death (the game time stops
        // there, and so do the sums), and the time. Not the score: a dead
        // body shoved onto a bonus raises it in the whole file, never in
        // the copy cut at the fatal frame, and both are one game.
        material = "v3 sums to the death";
        putValue(material, replay.start.seed);
        putValue(material, static_cast<uint64_t>(replay.secondSums.size()));
        for (uint64_t sum : replay.secondSums)
            putValue(material, sum);
    } else {
        // Not the frame count: frames after the death change nothing
        // else, and would make a copy another game.
        material = "v1 result";
        putValue(material, replay.result.checksum);
        putValue(material, replay.result.score);
    }
    // The game time stops at the death.
    uint32_t timeBits = 0;
    std::memcpy(&timeBits, &replay.result.gameTime, sizeof timeBits);
    putValue(material, timeBits);
    putValue(material, replay.rulesFingerprint);
    return sha256(material.data(), material.size());
}

int cpuBudget(double claimedGameSeconds, int limit) {
    // Replaying runs hundreds of times faster than play; a twentieth of the
    // claimed time leaves room for a slow or sanitized build.
    if (!std::isfinite(claimedGameSeconds) || claimedGameSeconds < 0) claimedGameSeconds = 0;
    double budget = 2.0 + claimedGameSeconds / 20.0;
    return budget >= limit ? limit : static_cast<int>(std::ceil(budget));
}
