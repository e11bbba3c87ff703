// The gamepad: what sticks, triggers and buttons mean, and SDL's virtual
// controllers driving the message queue (plug, press, unplug).
#include "app/replay_show.h"
#include "audio/sound_bank.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/projectiles/bullets.h"
#include "game/world/world.h"
#include "harness.h"
#include "input/input.h"
#include "input/settings_values.h"
#include "platform/gamepad.h"
#include "platform/platform.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "session/aim_cursor.h"
#include "session/pad_controls.h"
#include "session/session.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace {

PadState stickState(int16_t x, int16_t y, PadAxisId xAxis, PadAxisId yAxis) {
    PadState s;
    s.connected = true;
    s.axis[xAxis] = x;
    s.axis[yAxis] = y;
    return s;
}

std::string letters(const PadDirections& d) {
    return std::string(d.up ? "U" : "") + (d.down ? "D" : "") + (d.left ? "L" : "") +
           (d.right ? "R" : "");
}

using Seen = std::vector<std::string>;

// Pad messages waiting in the queue, as text; everything else is dropped.
Seen padMessages() {
    Seen got;
    Message m;
    while (platform::peekMessage(m)) {
        uint32_t t = static_cast<uint32_t>(m.type) - static_cast<uint32_t>(MsgType::PadButtonDown);
        const char* names[] = {"down ", "up ", "axis ", "added", "removed"};
        if (t > 4) continue;
        std::string arg = t > 2 ? "" : std::to_string(t < 2 ? m.wParam : padAxisOf(m.wParam));
        if (t == 2) arg += " " + std::to_string(padValueOf(m.wParam));
        got.push_back(names[t] + arg);
    }
    return got;
}

// Releases come in no promised order, only before the removal.
Seen sortedReleases(Seen got, size_t releases) {
    if (got.size() >= releases) std::sort(got.begin(), got.begin() + releases);
    return got;
}

// Presses and lets go of a pad button, a frame after each.
void tap(int pad, PadButton button) {
    platform::test::setPadButton(pad, button, true);
    harness::frame();
    platform::test::setPadButton(pad, button, false);
    harness::frame();
}

// Holds a stick or trigger for `count` frames, then lets it go.
void hold(int pad, PadAxisId axis, int16_t value, int count) {
    platform::test::setPadAxis(pad, axis, value);
    harness::frames(count);
    platform::test::setPadAxis(pad, axis, 0);
    harness::frame();
}

// From the menu to a new game with the stick and A.
void newGameWithPad(int pad) {
    hold(pad, PadLeftY, 32767, 1); // down: to New Game
    EXPECT_EQ(session().input.menuHover, 1);
    tap(pad, PadA);
    EXPECT_FALSE(session().input.menuShown);
}

} // namespace

TEST(PadControls, SticksMapToEightDirectionsAndAim) {
    struct Walk {
        int16_t x, y;
        uint32_t dpad; // a d-pad button held too, or PadButtonCount for none
        const char* want;
    } walks[] = {
        {0, 0, PadButtonCount, ""},
        {3000, -2500, PadButtonCount, ""}, // noisy centre
        {9000, 0, PadButtonCount, ""},     // inside the dead zone
        {10500, 0, PadButtonCount, "R"},   // just past it
        {0, -32768, PadButtonCount, "U"},  // y is down-positive
        {0, 32767, PadButtonCount, "D"},
        {23170, -23170, PadButtonCount, "UR"},  // diagonal
        {30000, -8000, PadButtonCount, "R"},    // 15 degrees off the axis
        {28377, -16384, PadButtonCount, "UR"},  // 30 degrees off: a diagonal
        {-32768, -32768, PadButtonCount, "UL"}, // stuck in a corner
        {32767, 1500, PadButtonCount, "R"},     // stuck at an edge, noisy
        {0, 0, PadDpadLeft, "L"},
        {0, -32768, PadDpadDown, "UD"}, // the game sums them to nothing
    };
    for (const Walk& w : walks) {
        PadState s = stickState(w.x, w.y, PadLeftX, PadLeftY);
        if (w.dpad < PadButtonCount) s.held[w.dpad] = true;
        EXPECT_EQ(letters(padWalk(s)), w.want) << w.x << ", " << w.y;
    }

    const Vec2 marine(0.2f, -0.1f);
    const float reach = 0.5f, d = 0.5f / std::sqrt(2.0f);
    struct Aim {
        int16_t x, y;
        bool hit;
        float ax, ay;
    } aims[] = {
        {0, 0, false, 0, 0},
        {4000, -4000, false, 0, 0}, // noise
        {0, -32768, true, 0.2f, 0.4f},
        {32767, 0, true, 0.7f, -0.1f},
        {16384, 0, true, 0.7f, -0.1f}, // half tilt: same reach
        {23170, 23170, true, 0.2f + d, -0.1f - d},
        {-32768, -32768, true, 0.2f - d, -0.1f + d}, // stuck in a corner
    };
    for (const Aim& a : aims) {
        Vec2 out(9.0f, 9.0f);
        EXPECT_EQ(padAimPoint(stickState(a.x, a.y, PadRightX, PadRightY), marine, reach, out),
                  a.hit)
            << a.x << ", " << a.y;
        if (!a.hit) continue;
        EXPECT_NEAR(out.x, a.ax, 1e-3f) << a.x << ", " << a.y;
        EXPECT_NEAR(out.y, a.ay, 1e-3f) << a.x << ", " << a.y;
    }
}

TEST(PadControls, MessagesTriggersWeaponsAndMenu) {
    PadState s;
    padOnMessage(s, Message{MsgType::PadAdded, 0});
    padOnMessage(s, Message{MsgType::PadButtonDown, PadLeftStick});
    padOnMessage(s, Message{MsgType::PadAxis, padAxisParam(PadTriggerRight, 32767)});
    padOnMessage(s, Message{MsgType::PadAxis, padAxisParam(PadTriggerLeft, 12000)});
    // A damaged replay: out-of-range buttons and axes change nothing.
    padOnMessage(s, Message{MsgType::PadButtonDown, 0xFFFFFFFFu});
    padOnMessage(s, Message{MsgType::PadAxis, padAxisParam(200, 5)});
    EXPECT_TRUE(s.connected && padRun(s) && padFire(s));
    EXPECT_FALSE(padSpecial(s));
    padOnMessage(s, Message{MsgType::PadRemoved, 0});
    EXPECT_FALSE(s.connected || padRun(s) || padFire(s));

    const int32_t owned[4] = {100, 103, 101, 0};
    EXPECT_EQ(padCycleWeapon(0, owned, 3, +1), 1);
    EXPECT_EQ(padCycleWeapon(1, owned, 3, +1), 3);
    EXPECT_EQ(padCycleWeapon(3, owned, 3, +1), 0);
    EXPECT_EQ(padCycleWeapon(0, owned, 3, -1), 3);
    EXPECT_EQ(padCycleWeapon(0, owned, 1, -1), 0);

    PadState rest, down = stickState(0, 30000, PadLeftX, PadLeftY);
    PadState up = stickState(0, -30000, PadLeftX, PadLeftY);
    struct Step {
        int hover;
        const PadState& before;
        const PadState& now;
        int want;
    } steps[] = {
        {0, rest, down, 1}, {0, rest, up, 3},   {1, rest, down, 2}, {3, rest, down, 3},
        {1, rest, up, 1},   {2, down, down, 2}, {2, down, rest, 2}, {2, up, down, 3},
    };
    for (const Step& st : steps)
        EXPECT_EQ(padMenuItem(st.hover, st.before, st.now, 3), st.want) << st.hover;
}

TEST(Gamepad, VirtualPadsDriveTheQueueUntilUnplugged) {
    ASSERT_TRUE(harness::boot());
    padMessages();
    int first = platform::test::attachPad();
    ASSERT_GE(first, 0);
    EXPECT_EQ(padMessages(), Seen{"added"});
    EXPECT_TRUE(platform::padConnected());

    platform::test::setPadButton(first, PadA, true);
    EXPECT_EQ(padMessages(), Seen{"down 0"});
    platform::test::setPadAxis(first, PadLeftX, 20000);
    EXPECT_EQ(padMessages(), Seen{"axis 0 20000"});
    platform::test::setPadAxis(first, PadTriggerRight, 32767);
    EXPECT_EQ(padMessages(), Seen{"axis 5 32767"});
    platform::test::setPadAxis(first, PadLeftY, 600); // noise at the centre
    platform::test::setPadAxis(first, PadLeftX, 20000);
    EXPECT_EQ(padMessages(), Seen{});

    // A second pad waits while the first drives.
    int second = platform::test::attachPad();
    ASSERT_GE(second, 0);
    platform::test::setPadButton(second, PadB, true);
    platform::test::setPadAxis(second, PadRightX, -30000);
    EXPECT_EQ(padMessages(), Seen{});

    // Unplugged mid-press: everything held is let go, then the second takes over.
    platform::test::detachPad(first);
    EXPECT_EQ(sortedReleases(padMessages(), 3),
              (Seen{"axis 0 0", "axis 5 0", "up 0", "removed", "added", "axis 2 -30000"}));
    EXPECT_TRUE(platform::padConnected());
    platform::test::setPadButton(second, PadB, false); // pressed before it drove
    platform::test::setPadButton(second, PadStart, true);
    EXPECT_EQ(padMessages(), Seen{"down 6"});

    platform::rumblePad(0.25f, 2.0f, 100);
    EXPECT_NEAR(platform::test::padRumbleLow(second), 16384, 1);
    EXPECT_EQ(platform::test::padRumbleHigh(second), 65535);

    // A removal SDL reports without letting go first: the queue lets go itself.
    SDL_Event gone{};
    gone.type = SDL_CONTROLLERDEVICEREMOVED;
    gone.cdevice.which = SDL_JoystickGetDeviceInstanceID(0);
    SDL_PushEvent(&gone);
    EXPECT_EQ(padMessages(), (Seen{"up 6", "axis 2 0", "removed"}));
    EXPECT_FALSE(platform::padConnected());
    platform::rumblePad(1.0f, 1.0f, 100); // no pad: nothing happens
    platform::test::detachPad(second);
    EXPECT_EQ(padMessages(), Seen{});
}

TEST(Gamepad, BrokenMappingFilesCostOneLine) {
    std::string dir = harness::scratchDataDir(false);
    std::string file = dir + "/gamecontrollerdb.txt";
    std::ofstream(file) << "# mappings\n\nnot a mapping at all\n"
                        << std::string("\x01\x02\xff\0junk", 8) << "\n"
                        << "03000000aaaa0000bbbb000000000000,Odd Pad,a:b0,b:b1,lefttrigger:b6,"
                           "platform:Linux,\r\n"
                        << "03000000aaaa0000cccc000000000000,Other,a:b0,platform:Windows,\n";
    struct Case {
        std::string path;
        const char* want; // in the one line on standard error, or "" for silence
    } cases[] = {
        {file, "2 lines skipped"},
        {dir, "cannot be read"},
        {dir + "/missing.txt", ""},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        platform::test::loadPadMappings(c.path.c_str());
        std::string err = testing::internal::GetCapturedStderr();
        if (c.want[0] == '\0') {
            EXPECT_EQ(err, "") << c.path;
            continue;
        }
        EXPECT_NE(err.find(c.path), std::string::npos) << err;
        EXPECT_NE(err.find(c.want), std::string::npos) << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    }
}

TEST(Gamepad, PadPlaysAGameThatReplaysExactly) {
    ASSERT_TRUE(harness::boot());
    harness::cursorArena(-0.9f, 0.9f); // the mouse, away from the menu's items
    harness::frames(3);
    int pad = platform::test::attachPad();
    ASSERT_GE(pad, 0);
    harness::frame();
    ASSERT_TRUE(session().input.menuShown && session().input.padState.connected);
    newGameWithPad(pad);
    ASSERT_TRUE(recording());

    Vec2 start = world().marine.position;
    hold(pad, PadLeftX, 32767, 30); // walk right, turning toward it
    EXPECT_GT(world().marine.position.x, start.x + 0.01f);

    hold(pad, PadRightX, -32767, 20); // aim left
    Vec2 aimedAt = world().marine.position + Vec2(-kDefaultPadAimReach, 0.0f);
    EXPECT_NEAR(world().cursorArena.x, aimedAt.x, 1e-4f);
    EXPECT_NEAR(world().cursorArena.y, aimedAt.y, 1e-4f);
    EXPECT_LT(world().marine.aim.x, -0.9f);
    harness::frames(5); // let go: the aim stays
    EXPECT_NEAR(world().cursorArena.x, aimedAt.x, 1e-4f);

    uint64_t shots = soundPlayCount[SoundPistolShot];
    platform::test::setPadAxis(pad, PadTriggerRight, 32767);
    int waited = 0;
    while (soundPlayCount[SoundPistolShot] == shots && waited++ < 60)
        harness::frame();
    EXPECT_GT(soundPlayCount[SoundPistolShot], shots);
    EXPECT_GT(world().bulletCount, 0);
    hold(pad, PadTriggerRight, 32767, 1);

    tap(pad, PadStart);
    EXPECT_TRUE(session().input.menuShown);
    tap(pad, PadStart);
    EXPECT_FALSE(session().input.menuShown);
    tap(pad, PadStart);
    tap(pad, PadB); // B closes it too
    EXPECT_FALSE(session().input.menuShown);

    platform::test::detachPad(pad); // unplugged mid-game
    harness::frame();
    EXPECT_TRUE(session().input.menuShown);
    ASSERT_FALSE(world().marine.marineDead);

    endRecording(GameEnd::ProgramEnd);
    const Replay recorded = lastReplay();
    ASSERT_GT(recorded.result.frames, 60u);
    ReplayResult replayed = playReplayNow(recorded);
    EXPECT_EQ(replayed.score, recorded.result.score);
    EXPECT_EQ(replayed.gameTime, recorded.result.gameTime);
    EXPECT_EQ(replayed.kills, recorded.result.kills);
    EXPECT_EQ(replayed.checksum, recorded.result.checksum);

    // LB and RB step through the weapons he owns.
    pad = platform::test::attachPad();
    ASSERT_GE(pad, 0);
    harness::frame();
    newGameWithPad(pad);
    addWeapon(WeaponShotGun);
    const PadButton steps[] = {PadRightShoulder, PadRightShoulder, PadLeftShoulder};
    const int want[] = {2, 0, 2};
    for (int i = 0; i < 3; ++i) {
        tap(pad, steps[i]);
        EXPECT_EQ(world().marine.currentWeapon, want[i]) << i;
    }
    platform::test::detachPad(pad);
    harness::frame();
}
