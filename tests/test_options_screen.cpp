// The Options screen through the window procedure: reached by mouse, keys
// or pad alone, rebinding, the volume, the display's countdown, presses
// held from before it opened, games that still replay exactly, and the
// Online page's typed fields.
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/entry.h"
#include "app/online_link.h"
#include "app/options_apply.h"
#include "app/options_file.h"
#include "app/options_screen_input.h"
#include "audio/sound_bank.h"
#include "draw/draw_list.h"
#include "game/player/marine.h"
#include "game/world/world.h"
#include "harness.h"
#include "input/input.h"
#include "online/online_config.h"
#include "online/sender.h"
#include "platform/platform.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "session/messages.h"
#include "session/session.h"

namespace {

constexpr uint32_t kEnter = 13;
// The menu's Options plate, clear of its label; the screen's places.
constexpr float kPlateX = 0.5f, kPlateY = -0.36f;
constexpr float kTabY = 0.74f;
float tabX(int page) {
    return -0.69f + 0.34f * static_cast<float>(page);
}
float rowY(int row) {
    return 0.635f - 0.065f * static_cast<float>(row - 1);
}

void post(MsgType type, uint32_t wParam) {
    platform::postMessage(Message{type, wParam});
}

void pad(uint32_t button) {
    post(MsgType::PadButtonDown, button);
    post(MsgType::PadButtonUp, button);
    harness::frame();
}

// One push of the left stick and its return to the middle.
void stick(uint32_t axis, int16_t value) {
    post(MsgType::PadAxis, padAxisParam(axis, value));
    harness::frame();
    post(MsgType::PadAxis, padAxisParam(axis, 0));
    harness::frame();
}

void key(uint32_t vk) {
    harness::key(vk);
    harness::frame();
}

void clickAt(float x, float y) {
    harness::cursorArena(x, y);
    harness::frame();
    harness::leftDown();
    harness::leftUp();
    harness::frame();
}

// A key as the keyboard sends it, with its position.
void pushKey(uint32_t type, SDL_Keycode sym, SDL_Scancode scancode) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    SDL_PushEvent(&e);
}

class OptionsScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!harness::boot()) GTEST_SKIP() << "no display";
        harness::cursorArena(-0.5f, -0.8f);
        harness::frames(3);
        ASSERT_TRUE(session().input.menuShown);
    }
    void TearDown() override {
        resetOptionsScreen();
        resetActiveOptions();
    }
};

// Each way in and through: to the Game page's difficulty, one step right
// to Hard, then back out to the menu.
struct Route {
    const char* name;
    void (*walk)();
};

const Route kRoutes[] = {
    {"keyboard",
     [] {
         key(VkDown); // onto the Options plate
         key(kEnter);
         key(VkUp); // the page tabs
         for (int i = 0; i < 3; ++i)
             key(VkRight);
         key(VkDown);
         key(VkRight);
         key(VkEscape);
     }},
    {"pad",
     [] {
         pad(PadDpadDown); // New Game
         pad(PadDpadDown); // Daily Challenge
         pad(PadDpadDown); // Options
         pad(PadA);
         pad(PadDpadUp);
         for (int i = 0; i < 3; ++i)
             pad(PadDpadRight);
         pad(PadDpadDown);
         pad(PadDpadRight);
         pad(PadB);
     }},
    {"stick",
     [] {
         stick(PadLeftY, 32767); // down: New Game
         stick(PadLeftY, 32767); // Daily Challenge
         stick(PadLeftY, 32767); // Options
         pad(PadA);
         stick(PadLeftY, -32768);
         for (int i = 0; i < 3; ++i)
             stick(PadLeftX, 32767);
         stick(PadLeftY, 32767);
         stick(PadLeftX, 32767);
         pad(PadB);
     }},
    {"mouse",
     [] {
         clickAt(kPlateX, kPlateY);
         clickAt(tabX(3), kTabY);
         clickAt(0.7f, rowY(1));  // the right side of the value steps it up
         clickAt(-0.5f, rowY(9)); // Back
     }},
};

TEST_F(OptionsScreen, EachDeviceAloneReachesAnItemAndLeaves) {
    for (const Route& route : kRoutes) {
        SCOPED_TRACE(route.name);
        harness::boot();
        harness::cursorArena(-0.5f, -0.8f);
        harness::frames(2);
        route.walk();
        EXPECT_FALSE(optionsScreenOpen());
        EXPECT_TRUE(session().input.menuShown) << "the way out went past the menu";
        EXPECT_FLOAT_EQ(activeOptions().spawnAcceleration, 0.006f);
        EXPECT_FALSE(world().marine.marineDead);
        EXPECT_EQ(session().input.leftButtonDown, 0);
    }
}

TEST_F(OptionsScreen, FireRebindsToSpaceWhichThenFires) {
    harness::cursorArena(0.0f, 0.0f);
    harness::frame();
    harness::screenshot("menu-with-options");
    clickAt(kPlateX, kPlateY);
    ASSERT_TRUE(optionsScreenOpen());
    harness::screenshot("options-sound");
    clickAt(tabX(2), kTabY);
    // Rows: the actions in order, Fire the sixth.
    clickAt(-0.5f, rowY(1 + ActionFire));
    harness::screenshot("options-capture");
    pushKey(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE);
    pushKey(SDL_KEYUP, SDLK_SPACE, SDL_SCANCODE_SPACE);
    harness::frame();
    EXPECT_EQ(activeOptions().bindings.key[ActionFire], kScanSpace);
    EXPECT_EQ(session().input.leftButtonDown, 0) << "the capture reached the game";
    // A key bound elsewhere swaps: S walks up, W walks down.
    clickAt(-0.5f, rowY(1 + ActionWalkUp));
    pushKey(SDL_KEYDOWN, SDLK_s, SDL_SCANCODE_S);
    pushKey(SDL_KEYUP, SDLK_s, SDL_SCANCODE_S);
    harness::frame();
    EXPECT_EQ(activeOptions().bindings.key[ActionWalkUp], kScanS);
    EXPECT_EQ(activeOptions().bindings.key[ActionWalkDown], kScanW);
    harness::screenshot("options-controls");
    // Escape cancels a capture; the menu's keys are never bound.
    clickAt(-0.5f, rowY(1 + ActionRun));
    key(VkEscape);
    EXPECT_TRUE(optionsScreenOpen());
    EXPECT_EQ(activeOptions().bindings.key[ActionRun], kScanLeftShift);

    key(VkEscape);
    ASSERT_FALSE(optionsScreenOpen());
    startNewGame();
    harness::frame();
    pushKey(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE);
    harness::frame();
    EXPECT_EQ(session().input.leftButtonDown, 1);
    pushKey(SDL_KEYUP, SDLK_SPACE, SDL_SCANCODE_SPACE);
    harness::frame();
    EXPECT_EQ(session().input.leftButtonDown, 0);
}

TEST_F(OptionsScreen, PadCapturesCancelWhenUnpluggedAndResetAsksFirst) {
    const int padFireRow = 1 + KeyActionCount + PadActionFire;
    const int resetRow = 1 + KeyActionCount + PadActionCount;
    post(MsgType::PadAdded, 0);
    clickAt(kPlateX, kPlateY);
    clickAt(tabX(2), kTabY);
    clickAt(-0.5f, rowY(padFireRow));
    pad(PadX);
    EXPECT_EQ(activeOptions().bindings.pad[PadActionFire], PadX);

    clickAt(-0.5f, rowY(padFireRow));
    post(MsgType::PadRemoved, 0);
    post(MsgType::PadAdded, 0);
    pad(PadY);
    EXPECT_EQ(activeOptions().bindings.pad[PadActionFire], PadX) << "the capture outlived the pad";

    // No is chosen first; Yes puts the defaults back.
    clickAt(-0.5f, rowY(resetRow));
    key(kEnter);
    EXPECT_EQ(activeOptions().bindings.pad[PadActionFire], PadX);
    clickAt(-0.5f, rowY(resetRow));
    key(VkRight);
    key(kEnter);
    EXPECT_EQ(activeOptions().bindings.pad[PadActionFire], kPadTriggerRight);
    EXPECT_TRUE(optionsScreenOpen());
}

TEST_F(OptionsScreen, VolumeDownToNothingSilencesAndIsSaved) {
    clickAt(kPlateX, kPlateY);
    for (int i = 0; i < 20; ++i)
        clickAt(0.2f, rowY(1)); // the left side of the value steps it down
    EXPECT_EQ(activeOptions().volume, 0);
    EXPECT_FLOAT_EQ(listenerGain(), 0.0f);
    clickAt(0.2f, rowY(1));
    EXPECT_EQ(activeOptions().volume, 0) << "stepped below the bottom";

    key(VkEscape);
    std::ifstream file(optionsPath());
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("volume = 0"), std::string::npos) << text.str();
}

TEST_F(OptionsScreen, ANewDisplayGoesBackAfterTenSecondsUnlessKept) {
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "left alone");
        resetActiveOptions();
        clickAt(kPlateX, kPlateY);
        clickAt(tabX(1), kTabY);
        clickAt(-0.5f, rowY(1)); // full screen on
        EXPECT_TRUE(activeOptions().fullScreen);
        // Losing the focus does not stop the count.
        post(MsgType::FocusLost, 0);
        harness::frames(9, 1000);
        EXPECT_TRUE(activeOptions().fullScreen);
        harness::screenshot("options-display-countdown");
        if (keep) key(kEnter);
        harness::frames(2, 1000);
        EXPECT_EQ(activeOptions().fullScreen, keep);
        post(MsgType::FocusGained, 0);
        key(VkEscape);
        EXPECT_FALSE(optionsScreenOpen());
    }
}

TEST_F(OptionsScreen, KeysAndButtonsHeldBeforeItOpensChooseNothing) {
    // Enter and A held down, then the screen opened with the mouse: their
    // repeats and releases do nothing; a fresh press does.
    harness::keyDown(kEnter);
    post(MsgType::PadButtonDown, PadA);
    harness::frame();
    clickAt(kPlateX, kPlateY);
    ASSERT_TRUE(optionsScreenOpen());
    harness::keyDown(kEnter);
    post(MsgType::PadButtonDown, PadA);
    harness::frame();
    harness::keyUp(kEnter);
    post(MsgType::PadButtonUp, PadA);
    harness::frame();
    EXPECT_EQ(activeOptions().volume, 100);
    EXPECT_TRUE(session().input.menuShown);
    key(kEnter); // on Volume: a step up from the top goes round to 0
    EXPECT_EQ(activeOptions().volume, 0);
}

TEST_F(OptionsScreen, AGameWithTheScreenOpenedInItStillReplaysExactly) {
    startNewGame();
    harness::keyDown('D');
    harness::leftDown();
    harness::frames(30);
    harness::key(VkEscape);
    harness::frame();
    clickAt(kPlateX, kPlateY);
    const float frozenAt = world().gameTime;
    clickAt(tabX(3), kTabY);
    clickAt(0.7f, rowY(1)); // Hard, for the next game only
    pad(PadDpadDown);
    harness::frames(20);
    EXPECT_EQ(world().gameTime, frozenAt) << "the world ran under the screen";
    key(VkEscape);
    harness::key(VkEscape);
    harness::frames(30);
    harness::keyUp('D');
    harness::leftUp();
    harness::frames(5);
    endRecording(GameEnd::ProgramEnd);
    ReplayResult replayed = playReplayNow(lastReplay());
    const ReplayResult& result = lastReplay().result;
    EXPECT_EQ(replayed.checksum, result.checksum);
    EXPECT_EQ(replayed.score, result.score);
    EXPECT_GT(result.frames, 60u);
}

// Typed as the keyboard's input method sends it.
void pushText(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof e.text.text, "%s", utf8);
    SDL_PushEvent(&e);
    harness::frame();
}

bool drawn(const std::string& wanted) {
    for (uint32_t i = 0; i < drawList.commandCount; ++i) {
        const DrawCommand& c = drawList.commands[i];
        if (c.primitive == Primitive::Text &&
            std::string(drawList.text + c.first, c.count).find(wanted) != std::string::npos)
            return true;
    }
    return false;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class OptionsOnline : public OptionsScreen {
  protected:
    void SetUp() override {
        OptionsScreen::SetUp();
        if (IsSkipped()) return;
        std::string dir = harness::scratchDataDir(false);
        ini = dir + "/online.ini";
        startOnline(ini, dir + "/outbox");
        clickAt(kPlateX, kPlateY);
        clickAt(tabX(4), kTabY);
    }
    void TearDown() override {
        stopOnline();
        OptionsScreen::TearDown();
    }
    std::string ini;
};

TEST_F(OptionsOnline, TurningOnAsksForServerAndNameThenStoresThem) {
    ASSERT_TRUE(drawn("Online"));
    EXPECT_FALSE(platform::textInputOn()) << "text input on before a field was chosen";
    clickAt(-0.5f, rowY(1)); // Online: no server yet, so it asks
    EXPECT_TRUE(platform::textInputOn());
    EXPECT_TRUE(drawn("Type the server's address first"));
    pushText("http://127.0.0.1:9");
    key(kEnter);
    EXPECT_TRUE(drawn("Choose a name first"));
    EXPECT_TRUE(drawn(online::kNameRules));
    pushText("\xC3\x84"
             "dam_7"); // a letter of another alphabet: shown as '?'
    EXPECT_TRUE(drawn("?dam_7_"));
    key(kEnter);
    EXPECT_FALSE(platform::textInputOn());
    std::string text = readFile(ini);
    EXPECT_NE(text.find("server = http://127.0.0.1:9\n"), std::string::npos) << text;
    EXPECT_NE(text.find("name = \xC3\x84"
                        "dam_7\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("enabled = 1"), std::string::npos) << text;
    harness::screenshot("options-online");

    // Forget me asks first, No chosen; Yes asks the server (none listens).
    clickAt(-0.5f, rowY(4));
    EXPECT_TRUE(drawn("Forget me online?"));
    key(kEnter);
    EXPECT_FALSE(drawn("Asking the server"));
    clickAt(-0.5f, rowY(4));
    key(VkRight);
    key(kEnter);
    // A refused connection may answer before the next frame.
    bool answered = drawn("orgotten: ");
    EXPECT_TRUE(answered || drawn("Asking the server to forget you..."));
    for (int i = 0; i < 200 && !answered; ++i) {
        SDL_Delay(10);
        harness::frame();
        answered = drawn("orgotten: ");
    }
    EXPECT_TRUE(answered);
}

TEST_F(OptionsOnline, ABadNameIsRefusedWithTheRulesShownAndEscapeKeepsTheOld) {
    clickAt(-0.5f, rowY(3));
    post(MsgType::Text, 'x');
    post(MsgType::Text, 0x202E); // turns text around: never typed
    key(kEnter);
    EXPECT_TRUE(platform::textInputOn()) << "a refused name ended the typing";
    EXPECT_TRUE(drawn("Not kept: the name must be 2-20 characters"));
    EXPECT_TRUE(drawn(online::kNameRules));
    post(MsgType::Text, '!');
    key(kEnter);
    EXPECT_TRUE(drawn("Not kept: the name may not hold '!'"));
    key(8); // Backspace
    post(MsgType::Text, 'y');
    key(kEnter);
    EXPECT_EQ(online::currentConfig().name, "xy");
    // A server without http:// is refused; Escape leaves the field as it was.
    clickAt(-0.5f, rowY(2));
    pushText("example.org");
    key(kEnter);
    EXPECT_TRUE(drawn("Not kept: the server address must start with http://"));
    key(VkEscape);
    EXPECT_FALSE(platform::textInputOn());
    EXPECT_TRUE(optionsScreenOpen());
    EXPECT_EQ(online::currentConfig().server, "");
    // A opens the field, the stick stays on it, B cancels.
    pad(PadA);
    stick(PadLeftY, 32767);
    EXPECT_TRUE(platform::textInputOn());
    pad(PadB);
    EXPECT_FALSE(platform::textInputOn());
    EXPECT_TRUE(drawn("The leaderboard server's address"));
    EXPECT_TRUE(optionsScreenOpen());
    EXPECT_EQ(readFile(ini).find("enabled = 1"), std::string::npos);
}

TEST_F(OptionsOnline, TypedTextNeverReachesTheGameOrItsReplay) {
    key(VkEscape);
    startNewGame();
    harness::frames(10);
    // Without a field, text input is off and nothing typed arrives at all.
    pushText("w");
    post(MsgType::Text, 'w');
    harness::frame();
    harness::key(VkEscape);
    harness::frame();
    clickAt(kPlateX, kPlateY);
    clickAt(tabX(4), kTabY);
    clickAt(-0.5f, rowY(3));
    pushKey(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W);
    pushText("w");
    EXPECT_EQ(session().input.keyDown['W'], 0) << "a typed key reached the game";
    pushKey(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W);
    pushText("q");
    key(kEnter);
    EXPECT_EQ(online::currentConfig().name, "wq");
    key(VkEscape);
    harness::key(VkEscape);
    harness::frames(5);
    endRecording(GameEnd::ProgramEnd);
    int keyDowns = 0;
    ReplayReader reader(lastReplay().events, lastReplay().start.cursorX,
                        lastReplay().start.cursorY);
    ReplayEvent event;
    while (reader.next(event)) {
        if (event.kind != ReplayEvent::Message) continue;
        EXPECT_NE(event.msg.type, MsgType::Text);
        if (event.msg.type == MsgType::KeyDown && event.msg.wParam == 'W') ++keyDowns;
    }
    EXPECT_EQ(reader.error(), nullptr);
    EXPECT_EQ(keyDowns, 0);

    // A stream that holds one is refused.
    std::vector<uint8_t> events;
    ReplayWriter(events, 0, 0).message(Message{MsgType::Text, 'w'});
    ReplayReader bad(events, 0, 0);
    EXPECT_FALSE(bad.next(event));
    EXPECT_NE(bad.error(), nullptr);
}

} // namespace
