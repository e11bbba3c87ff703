// options.ini: reading and writing, the read order, bad files; the binding
// model; bindings, toggles and the volume applied to the running game.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/input.h"
#include "app/input_router.h"
#include "app/options_apply.h"
#include "app/options_file.h"
#include "audio/sound_bank.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "input/bindings.h"
#include "input/settings_values.h"
#include "session/session.h"

namespace fs = std::filesystem;

namespace {

struct ReadCase {
    const char* name;
    const char* text;
    bool parses;
    // What to check on the result.
    void (*check)(const PlayerOptions&, const OptionsExtra&, const std::vector<std::string>&);
};

const ReadCase kReadCases[] = {
    {"values",
     "version = 1\nvolume = 35\nmute = on\nscale_filter = sharp\naim_line_colour = cyan\n", true,
     [](const PlayerOptions& o, const OptionsExtra&, const std::vector<std::string>& c) {
         EXPECT_EQ(o.volume, 35);
         EXPECT_TRUE(o.mute);
         EXPECT_EQ(o.scaleFilter, ScaleFilter::Sharp);
         EXPECT_EQ(o.aimLineColour, AimColour::Cyan);
         EXPECT_TRUE(c.empty());
     }},
    {"clamped", "version = 1\nvolume = -5\npad_dead_zone = 7\nwidth = 5000\n", true,
     [](const PlayerOptions& o, const OptionsExtra&, const std::vector<std::string>& c) {
         EXPECT_EQ(o.volume, 0);
         EXPECT_FLOAT_EQ(o.padDeadZone, kMaxDeadZone);
         EXPECT_EQ(o.width, 1024);
         EXPECT_EQ(c.size(), 3u);
     }},
    {"loud", "volume = 1000\n", true,
     [](const PlayerOptions& o, const OptionsExtra&, const std::vector<std::string>& c) {
         EXPECT_EQ(o.volume, 100);
         EXPECT_EQ(c.size(), 1u);
     }},
    {"unknown keys kept, newer version", "version = 3\nvolume = 50\nshiny = yes\n[net]\nport = 9\n",
     true,
     [](const PlayerOptions& o, const OptionsExtra& e, const std::vector<std::string>&) {
         EXPECT_EQ(o.volume, 50);
         EXPECT_EQ(e.version, 3);
         const std::vector<std::string> kept = {"shiny = yes", "[net]", "port = 9"};
         EXPECT_EQ(e.unknownLines, kept);
     }},
    {"bindings by name", "key.fire = Space\nkey.walk_up = Mouse Middle\npad.fire = a\n", true,
     [](const PlayerOptions& o, const OptionsExtra&, const std::vector<std::string>& c) {
         EXPECT_EQ(o.bindings.key[ActionFire], kScanSpace);
         EXPECT_EQ(o.bindings.key[ActionWalkUp], kMouseMiddle);
         EXPECT_EQ(o.bindings.pad[PadActionFire], 0);
         // Run lost A to fire and took fire's trigger.
         EXPECT_EQ(o.bindings.pad[PadActionRun], kPadTriggerRight);
         EXPECT_TRUE(c.empty());
     }},
    {"later binding wins", "key.fire = Space\nkey.special = Space\nkey.jump = Q\n", true,
     [](const PlayerOptions& o, const OptionsExtra& e, const std::vector<std::string>& c) {
         EXPECT_EQ(o.bindings.key[ActionSpecial], kScanSpace);
         // Fire was left with nothing: its default came back.
         EXPECT_EQ(o.bindings.key[ActionFire], kMouseLeft);
         EXPECT_EQ(c.size(), 1u);
         EXPECT_EQ(e.unknownLines, std::vector<std::string>{"key.jump = Q"});
     }},
    {"no such key", "key.fire = Hyperdrive\n", true,
     [](const PlayerOptions& o, const OptionsExtra&, const std::vector<std::string>& c) {
         EXPECT_EQ(o.bindings.key[ActionFire], kMouseLeft);
         EXPECT_EQ(c.size(), 1u);
     }},
    {"everything unbound", "key.walk_up =\nkey.fire = none\npad.run =\n", true,
     [](const PlayerOptions& o, const OptionsExtra&, const std::vector<std::string>&) {
         EXPECT_EQ(o.bindings.key[ActionWalkUp], kScanW);
         EXPECT_EQ(o.bindings.key[ActionFire], kMouseLeft);
         EXPECT_EQ(o.bindings.pad[PadActionRun], 0);
     }},
    {"touch controls",
     "touch_size = 1.5\ntouch_opacity = 0.05\ntouch_left_handed = yes\ntouch_vibration = off\n",
     true,
     [](const PlayerOptions& o, const OptionsExtra&, const std::vector<std::string>& c) {
         EXPECT_FLOAT_EQ(o.touchSize, 1.5f);
         EXPECT_FLOAT_EQ(o.touchOpacity, kMinTouchOpacity);
         EXPECT_TRUE(o.touchLeftHanded);
         EXPECT_FALSE(o.touchVibration);
         EXPECT_EQ(c.size(), 1u);
     }},
    {"garbage", "this is not\nan options file\n", false, nullptr},
};

TEST(OptionsFile, ReadsClampsKeepsAndRefuses) {
    ASSERT_EQ(SDL_Init(0), 0);
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.name);
        PlayerOptions o;
        OptionsExtra extra;
        std::vector<std::string> complaints;
        EXPECT_EQ(parseOptionsText(c.text, o, extra, complaints), c.parses);
        if (c.check) {
            c.check(o, extra, complaints);
        }
    }
    PlayerOptions o;
    OptionsExtra extra;
    std::vector<std::string> complaints;
    EXPECT_FALSE(parseOptionsText(std::string("volume = 5\0\n", 12), o, extra, complaints));
}

TEST(OptionsFile, WhatIsWrittenReadsBackTheSame) {
    PlayerOptions o;
    o.volume = 45;
    o.fireToggle = true;
    o.spawnAcceleration = 0.0015f;
    o.touchSize = 1.25f;
    o.touchOpacity = 0.7f;
    o.touchLeftHanded = true;
    o.touchVibration = false;
    bindKey(o.bindings, ActionFire, kScanSpace);
    bindPad(o.bindings, PadActionSpecial, 2);
    OptionsExtra extra;
    extra.version = 2;
    extra.unknownLines = {"future = 1"};
    std::string text = formatOptionsText(o, extra);
    EXPECT_EQ(text.rfind("version = 2\n", 0), 0u) << "a newer file is never downgraded";
    PlayerOptions back;
    OptionsExtra backExtra;
    std::vector<std::string> complaints;
    ASSERT_TRUE(parseOptionsText(text, back, backExtra, complaints));
    EXPECT_TRUE(sameOptions(o, back));
    EXPECT_EQ(backExtra.unknownLines, extra.unknownLines);
    EXPECT_TRUE(complaints.empty());
}

// A config folder of its own for each case.
struct ConfigDir {
    std::string dir;
    ConfigDir() {
        dir = harness::scratchDataDir(false);
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        fs::create_directories(dir + "/quorvex");
        resetOptionsStore();
    }
    std::string path() const { return dir + "/quorvex/options.ini"; }
    int asideCount() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir + "/quorvex"))
            n += e.path().filename().string().rfind("options.ini.bad-", 0) == 0;
        return n;
    }
};

TEST(OptionsFile, ReadOrderBadFilesAndSaving) {
    // The Settings.ini values come first; options.ini wins over them.
    world().screenWidth = 800;
    world().screenHeight = 600;
    world().spawnAcceleration = 0.006f;
    world().showFps = 1;
    {
        ConfigDir c;
        PlayerOptions o = loadPlayerOptions();
        EXPECT_EQ(o.width, 800);
        EXPECT_EQ(difficultyOf(o.spawnAcceleration), Difficulty::Hard);
        EXPECT_TRUE(o.fpsCounter);
        std::ofstream(c.path()) << "version = 1\nwidth = 640\nheight = 480\n";
        o = loadPlayerOptions();
        EXPECT_EQ(o.width, 640);
        EXPECT_EQ(o.height, 480);
        EXPECT_TRUE(o.fpsCounter);
        // Unchanged options are not written.
        auto before = fs::last_write_time(c.path());
        savePlayerOptions(o);
        EXPECT_EQ(fs::last_write_time(c.path()), before);
        o.volume = 20;
        savePlayerOptions(o);
        std::ifstream in(c.path());
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_NE(text.str().find("volume = 20\n"), std::string::npos);
        EXPECT_TRUE(resetOptionsFile());
        EXPECT_FALSE(fs::exists(c.path()));
        EXPECT_EQ(c.asideCount(), 1);
    }
    struct Bad {
        const char* name;
        void (*make)(const std::string& path);
    };
    const Bad bad[] = {
        {"garbage", [](const std::string& p) { std::ofstream(p) << "[[[\n= =\nnonsense\n"; }},
        {"2 MB", [](const std::string& p) { std::ofstream(p) << std::string(2 << 20, '#'); }},
        {"NUL bytes", [](const std::string& p) { std::ofstream(p) << std::string("a\0b\n", 4); }},
        {"a directory", [](const std::string& p) { fs::create_directories(p); }},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        ConfigDir c;
        b.make(c.path());
        PlayerOptions o = loadPlayerOptions();
        EXPECT_EQ(o.volume, 100);
        EXPECT_FALSE(fs::exists(c.path()));
        EXPECT_EQ(c.asideCount(), 1);
        o.volume = 10;
        savePlayerOptions(o);
        EXPECT_TRUE(fs::is_regular_file(c.path()));
    }
    {
        // An unwritable folder: the options still hold for the session.
        ConfigDir c;
        fs::permissions(c.dir + "/quorvex", fs::perms::owner_read | fs::perms::owner_exec);
        PlayerOptions o = loadPlayerOptions();
        o.volume = 5;
        savePlayerOptions(o);
        fs::permissions(c.dir + "/quorvex", fs::perms::owner_all);
        if (getuid() != 0) {
            EXPECT_FALSE(fs::exists(c.path()));
        }
    }
}

// Any sequence of rebinds and resets keeps one input per action and every
// action bound; the menu's keys are never taken.
TEST(Bindings, RebindsNeverShareOrDropAnInput) {
    std::mt19937 rng(20);
    Bindings b = defaultBindings();
    for (int step = 0; step < 20000; ++step) {
        int kind = static_cast<int>(rng() % 50);
        if (kind == 0) {
            b = defaultBindings();
        } else if (kind < 35) {
            int action = static_cast<int>(rng() % KeyActionCount);
            uint16_t input = static_cast<uint16_t>(rng() % (kInputLimit + 4));
            Bindings before = b;
            int other = bindKey(b, action, input);
            if (other == -2) {
                EXPECT_TRUE(
                    sameOptions(PlayerOptions{.bindings = before}, PlayerOptions{.bindings = b}));
            } else {
                EXPECT_EQ(b.key[action], input);
            }
            if (other >= 0) {
                EXPECT_EQ(b.key[other], before.key[action]);
            }
        } else {
            int action = static_cast<int>(rng() % PadActionCount);
            bindPad(b, action, static_cast<uint8_t>(rng() % (kPadInputCount + 2)));
        }
        for (int i = 0; i < KeyActionCount; ++i) {
            ASSERT_NE(b.key[i], kNoInput);
            ASSERT_FALSE(reservedKey(b.key[i]));
            for (int j = i + 1; j < KeyActionCount; ++j)
                ASSERT_NE(b.key[i], b.key[j]) << "step " << step;
        }
        for (int i = 0; i < PadActionCount; ++i) {
            ASSERT_LT(b.pad[i], kPadInputCount);
            ASSERT_FALSE(reservedPadInput(b.pad[i]));
            for (int j = i + 1; j < PadActionCount; ++j)
                ASSERT_NE(b.pad[i], b.pad[j]);
        }
    }
}

void pushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = scancode;
    SDL_PushEvent(&e);
}

void pushWheel(int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    SDL_PushEvent(&e);
}

class BoundGame : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!harness::boot()) GTEST_SKIP() << "no display";
        harness::skipRendering();
        harness::frames(3);
        startNewGame();
        harness::frames(3);
    }
    void TearDown() override { resetActiveOptions(); }
};

TEST_F(BoundGame, SpaceFiresOnceBoundAndTheLayoutsKeyWalksByPosition) {
    PlayerOptions o;
    bindKey(o.bindings, ActionFire, kScanSpace);
    applyOptions(o);
    pushKey(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE);
    harness::frame();
    EXPECT_EQ(session().input.leftButtonDown, 1);
    pushKey(SDL_KEYUP, SDLK_SPACE, SDL_SCANCODE_SPACE);
    // An AZERTY keyboard: the key where W sits types Z, and still walks up.
    pushKey(SDL_KEYDOWN, SDLK_z, SDL_SCANCODE_W);
    // The key that types W there sits where Q does: it must not walk.
    pushKey(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_Z);
    harness::frame();
    EXPECT_EQ(session().input.leftButtonDown, 0);
    EXPECT_EQ(session().input.keyDown['W'], 1);
    pushKey(SDL_KEYUP, SDLK_z, SDL_SCANCODE_W);
    harness::frame();
    EXPECT_EQ(session().input.keyDown['W'], 0);
}

TEST_F(BoundGame, TogglesLatchAndTheWheelStepsWeapons) {
    PlayerOptions o;
    o.runToggle = true;
    applyOptions(o);
    pushKey(SDL_KEYDOWN, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    pushKey(SDL_KEYUP, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    harness::frame();
    EXPECT_EQ(session().input.keyDown[VkShift], 1);
    pushKey(SDL_KEYDOWN, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    harness::frame();
    EXPECT_EQ(session().input.keyDown[VkShift], 0);

    world().marine.owned[world().marine.ownedCount++] = WeaponAK;
    pushWheel(-1);
    harness::frame();
    EXPECT_EQ(world().marine.currentWeapon, WeaponAK - WeaponPistol);
    pushWheel(-1);
    harness::frame();
    EXPECT_EQ(world().marine.currentWeapon, 0);
}

TEST_F(BoundGame, VolumeSetsTheListenerGainAndFocusMutes) {
    PlayerOptions o;
    o.volume = 0;
    applyOptions(o);
    EXPECT_FLOAT_EQ(listenerGain(), 0.0f);
    o.volume = 60;
    applyOptions(o);
    EXPECT_NEAR(listenerGain(), 0.6f, 1e-6);
    noteWindowFocus(false);
    EXPECT_FLOAT_EQ(listenerGain(), 0.0f);
    noteWindowFocus(true);
    EXPECT_NEAR(listenerGain(), 0.6f, 1e-6);
}

TEST_F(BoundGame, DifficultyWaitsForTheNextGame) {
    float before = world().spawnAcceleration;
    PlayerOptions o = activeOptions();
    o.spawnAcceleration = kDifficultyAcceleration[2];
    applyOptions(o);
    EXPECT_EQ(world().spawnAcceleration, before);
    startNewGame();
    EXPECT_EQ(world().spawnAcceleration, kDifficultyAcceleration[2]);
}

} // namespace
