// A world is a value: two worlds played side by side from the same file
// agree frame after frame, and a copy taken in the middle of a game plays
// on exactly as the original does; describing a world changes none of it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "draw/draw_list.h"
#include "game/rules/game_frame.h"
#include "game/rules/rule_data.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "harness.h"
#include "math/rules_math.h"
#include "replay/replay_file.h"
#include "replay/replay_player.h"
#include "session/menu_items.h"
#include "session/messages.h"
#include "session/session.h"

namespace {

// A world, the session that feeds it, and their place in a replay's events.
struct Playing {
    std::unique_ptr<World> world = std::make_unique<World>();
    std::unique_ptr<Session> session = std::make_unique<Session>(sessionAtMenu());
    ReplayReader reader;

    explicit Playing(const Replay& replay)
        : reader(replay.events, replay.start.cursorX, replay.start.cursorY) {
        PlayScope scope(*world, *session);
        prepareWorld();
        restartAsRecorded(replay);
    }
    Playing(const Playing& other)
        : world(std::make_unique<World>(*other.world)),
          session(std::make_unique<Session>(*other.session)), reader(other.reader) {}

    // Plays up to the next frame's end, keeping the commands it stepped by;
    // false at the end of the events.
    bool frame(TickInput* stepped = nullptr) {
        PlayScope scope(*world, *session);
        ReplayEvent e;
        while (reader.next(e)) {
            if (e.kind == ReplayEvent::Message) {
                handleGameMessage(e.msg);
                continue;
            }
            beginFrame(session->input, e.tickDelta, e.cursorX, e.cursorY);
            TickInput tick = takeTick(*session, *world);
            stepWorld(*world, tick);
            settleMenuHover();
            if (stepped) *stepped = tick;
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
        // Into a list of its own, leaving the program's alone, and the same
        // picture into either.
        auto own = std::make_unique<DrawList>();
        draw::clear();
        describeWorld(*copy.world, *own);
        EXPECT_GT(own->commandCount, 20u);
        EXPECT_EQ(drawList.commandCount, 0u);
        describeWorld(*copy.world, drawList);
        ASSERT_EQ(drawList.vertexCount, own->vertexCount);
        EXPECT_EQ(
            std::memcmp(drawList.vertices, own->vertices, own->vertexCount * sizeof(DrawVertex)),
            0);
        std::memcpy(after.data(), copy.world.get(), sizeof(World));
        EXPECT_TRUE(before == after);
        // A bare copy of the world, stepped by the commands alone: no
        // session, no messages.
        auto bare = std::make_unique<World>(*a.world);
        uint32_t frames = half;
        TickInput tick;
        while (a.frame(&tick)) {
            ASSERT_TRUE(b.frame() && copy.frame());
            stepWorld(*bare, tick);
            ASSERT_EQ(a.checksum(), b.checksum()) << "frame " << frames;
            ASSERT_EQ(a.checksum(), copy.checksum()) << "frame " << frames;
            {
                WorldScope scope(*bare);
                ASSERT_EQ(a.checksum(), worldChecksum()) << "frame " << frames;
            }
            ++frames;
        }
        EXPECT_FALSE(b.frame() || copy.frame());
        EXPECT_EQ(frames, replay.result.frames);
        EXPECT_EQ(copy.checksum(), replay.result.checksum);
        EXPECT_EQ(copy.world->score, replay.result.score);
    }
}
