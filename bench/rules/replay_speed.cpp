#include "replay_speed.h"

#include <chrono>

#include "replay/replay_player.h"
#include "replay/verifier.h"

namespace bench {

ReplaySpeed measureReplaySpeed(const std::vector<std::string>& files, int rounds) {
    ReplaySpeed out;
    std::vector<Replay> replays;
    for (const std::string& file : files) {
        Replay replay;
        std::string why;
        if (!readReplayFile(file, replay, why)) {
            out.problem = file + ": " + why;
            return out;
        }
        double ms = 0.0;
        ReplayReader events(replay.events, replay.start.cursorX, replay.start.cursorY);
        ReplayEvent e;
        while (events.next(e))
            if (e.kind == ReplayEvent::Frame) ms += e.tickDelta;
        out.playSeconds += ms * 0.001 * rounds;
        replays.push_back(std::move(replay));
    }
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (const Replay& replay : replays) {
            ++out.games;
            if (verifyReplay(replay).status == VerifyStatus::Verified) ++out.verified;
        }
    }
    out.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return out;
}

} // namespace bench
