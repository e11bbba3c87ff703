// Showing a replay in the game's window (the desktop's --replay, the web
// page's Watch) ends exactly where the verifier ends the same file: the
// window's loop, its clock and its speeds change nothing in the world.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/entry.h"
#include "app/options.h"
#include "app/replay_show.h"
#include "platform/platform.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"

namespace {

ReplayResult ended;
bool endedSeen = false;

void noteEnd(const ReplayResult& r) {
    ended = r;
    endedSeen = true;
}

} // namespace

TEST(ReplayShow, CommittedRunsShownAtAnySpeedEndOnTheVerifiersChecksum) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("XDG_DATA_HOME", "/nonexistent-quorvex-test/data", 1);
    setenv("XDG_CONFIG_HOME", "/nonexistent-quorvex-test/config", 1);
    platform::test::enable();
    platform::test::setTicks(1000);
    ASSERT_EQ(chdir(QUORVEX_DATA_DIR), 0);
    struct Case {
        const char* file;
        double speed;
        bool pauseAWhile;
    };
    // Each case draws every recorded frame (about 35 s under llvmpipe).
    const Case cases[] = {
        {"gen2-seed03.qvr", 4.0, true},
    };
    for (const Case& c : cases) {
        std::string path = std::string(QUORVEX_SOURCE_DIR) + "/tests/replays/" + c.file;
        Replay replay;
        std::string why;
        ASSERT_TRUE(readReplayFile(path, replay, why)) << c.file << ": " << why;

        resetProgramState();
        Options options;
        options.mode = Options::ShowReplay;
        options.file = path;
        options.window = true;
        endedSeen = false;
        setReplayEndHandler(noteEnd);
        ASSERT_LT(openGame(options), 0) << c.file;
        setReplaySpeed(c.speed);
        // The loop as the window runs it, 4 ms a pass, with a pause inside.
        for (int pass = 0; pass < 4'000'000 && showingReplay(); ++pass) {
            if (c.pauseAWhile && pass == 2000) pauseReplay(true);
            if (c.pauseAWhile && pass == 3000) pauseReplay(false);
            platform::test::advanceTicks(4);
            ASSERT_NE(loopPass(), LoopPass::Quit) << c.file;
        }
        setReplayEndHandler(nullptr);
        ASSERT_TRUE(endedSeen) << c.file << " never ended";
        ReplayResult verified = playReplayNow(replay);
        EXPECT_EQ(ended.checksum, verified.checksum) << c.file;
        EXPECT_EQ(ended.score, verified.score) << c.file;
        EXPECT_EQ(ended.kills, verified.kills) << c.file;
        EXPECT_EQ(ended.checksum, replay.result.checksum) << c.file;
        closeGame();
    }
    resetProgramState();
    platform::destroyWindow();
}
