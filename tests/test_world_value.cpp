// A world is a value: two worlds played side by side from the same file
// agree frame after frame, and a copy taken in the middle of a game plays
// on exactly as the original does; describing a world changes none of it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "draw/draw_list.h"
#include "game/session/game_frame.h"
#include "game/session/messages.h"
#include "game/session/rule_data.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rules_math.h"
#include "replay/replay_file.h"
#include "replay/replay_player.h"

namespace {

// A world and its place in a replay's events.
struct Playing {
    std::unique_ptr<World> world = std::make_unique<World>();
    ReplayReader reader;

    explicit Playing(const Replay& replay)
        : reader(replay.events, replay.start.cursorX, replay.start.cursorY) {
        WorldScope scope(*world);
        prepareWorld();
        restartAsRecorded(replay);
    }
    Playing(const Playing& other)
        : world(std::make_unique<World>(*other.world)), reader(other.reader) {}

    // Plays up to the next frame's end; false at the end of the events.
    bool frame() {
        WorldScope scope(*world);
        ReplayEvent e;
        while (reader.next(e)) {
            if (e.kind == ReplayEvent::Message) {
                handleGameMessage(e.msg);
                continue;
            }
            beginFrame(world->input, e.tickDelta, e.cursorX, e.cursorY);
            runGameFrame();
            return true;
        }
        return false;
    }
    uint64_t checksum() const {
        WorldScope scope(*world);
        return worldChecksum();
    }
};

} // namespace

TEST(WorldValue, WorldsSideBySideAndACopyTakenMidGameAgreeEveryFrame) {
    ASSERT_TRUE(harness::boot());
    for (const char* name : {"gen2-seed01.qvr", "bot-seed04.qvr"}) {
        SCOPED_TRACE(name);
        if (name[0] == 'b' && !platformReplaysGeneration1()) continue;
        Replay replay;
        std::string why;
        ASSERT_TRUE(
            readReplayFile(std::string(QUORVEX_SOURCE_DIR) + "/tests/replays/" + name, replay, why))
            << why;
        const uint32_t half = replay.result.frames / 2;
        Playing a(replay), b(replay);
        for (uint32_t i = 0; i < half; ++i) {
            ASSERT_TRUE(a.frame() && b.frame());
            ASSERT_EQ(a.checksum(), b.checksum()) << "frame " << i;
        }
        Playing copy(a);
        // Describing it, as every frame the player sees does, changes no byte.
        std::vector<unsigned char> before(sizeof(World)), after(sizeof(World));
        std::memcpy(before.data(), copy.world.get(), sizeof(World));
        draw::clear();
        describeWorld(*copy.world);
        EXPECT_GT(drawList.commandCount, 20u);
        std::memcpy(after.data(), copy.world.get(), sizeof(World));
        EXPECT_TRUE(before == after);
        uint32_t frames = half;
        while (a.frame()) {
            ASSERT_TRUE(b.frame() && copy.frame());
            ASSERT_EQ(a.checksum(), b.checksum()) << "frame " << frames;
            ASSERT_EQ(a.checksum(), copy.checksum()) << "frame " << frames;
            ++frames;
        }
        EXPECT_FALSE(b.frame() || copy.frame());
        EXPECT_EQ(frames, replay.result.frames);
        EXPECT_EQ(copy.checksum(), replay.result.checksum);
        EXPECT_EQ(copy.world->score, replay.result.score);
    }
}
