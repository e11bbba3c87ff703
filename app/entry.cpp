#include "app/entry.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/daily.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/input_router.h"
#include "app/online_link.h"
#include "app/options_apply.h"
#include "app/options_file.h"
#include "app/options_screen_input.h"
#include "app/replay_show.h"
#include "app/settings.h"
#include "app/startup.h"
#include "audio/sound_bank.h"
#include "draw/texture_bank.h"
#include "game/layers/particle_layer.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/projectiles/bullet_templates.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "input/pad_state.h"
#include "platform/gamepad.h"
#include "platform/platform.h"
#include "platform/user_files.h"
#include "render/gl_backend.h"
#include "replay/replay_recorder.h"
#include "saving/replay_saving.h"
#include "saving/score_store.h"
#include "session/aim_cursor.h"
#include "session/session.h"

namespace {

// The data folder's "Settings.ini" (the defaults), then the player's
// old-style one over it, then options.ini: the last one read wins.
PlayerOptions readAllSettings() {
    readSettings("Settings.ini");
    std::string dir = platform::userConfigDir();
    if (!dir.empty() && platform::fileExists(dir + "/Settings.ini"))
        readSettings((dir + "/Settings.ini").c_str());
    return loadPlayerOptions();
}

// Hands one message from the queue on: bindings and toggles first, then the
// replay being shown or the window procedure (and the recording).
// The two seconds after his death, counted here from the frame he fell in.
// The world's own death clock counts only while his health is at or below
// zero, so a health bonus his body is shoved onto stops it, and no key
// would ever bring the menu back. Past these two seconds a key or a pad
// button does: the game's recording ends first (its replay holds only what
// the rules did, and ends at his death), then the menu opens.
float sinceDeath = 0.0f;

void noteDeathClock() {
    const World& w = world();
    if (!w.marine.marineDead || session().input.menuShown) {
        sinceDeath = 0.0f;
        return;
    }
    sinceDeath += session().input.frameInput.tickDelta;
}

// A key or button that the rules would ignore for ever.
bool leavesStuckGameOver(const Message& m) {
    const World& w = world();
    return (m.type == MsgType::KeyDown || m.type == MsgType::PadButtonDown) &&
           w.marine.marineDead && !session().input.menuShown && w.deathTime < 2000.0f &&
           sinceDeath >= 2000.0f;
}

void dispatch(const Message& msg, uint32_t physical) {
    if (msg.type == MsgType::FocusLost || msg.type == MsgType::FocusGained)
        noteWindowFocus(msg.type == MsgType::FocusGained);
    // The Options screen takes the player's input before the game does;
    // while it is open only releases go on.
    bool underOptions = optionsScreenOpen();
    if (!showingReplay() && optionsScreenMessage(msg, physical)) return;
    // Typed text is for the screen's fields alone: never the game's.
    if (msg.type == MsgType::Text) return;
    RoutedMessages routed = routeMessage(msg, physical);
    for (int i = 0; i < routed.count; ++i) {
        const Message& m = routed.messages[i];
        if (showingReplay()) {
            replayWindowMessage(m);
            continue;
        }
        if (underOptions && !reachesGameUnderOptions(m)) continue;
        if (leavesStuckGameOver(m)) {
            endRecording(GameEnd::Death);
            session().input.menuShown = 1;
            sinceDeath = 0.0f;
            continue;
        }
        beginMessage();
        windowProc(m);
        recordMessage(m);
    }
}

void chooseReplayFolder() {
    // The score store says once when there is no home to save in.
    loadScoreTable();
    setReplayFolder(replaysFolder());
}

// Under the menu the world stands still, and once the per-frame turns have
// settled a frame leaves it as it found it, or flips it between two states
// that look the same. While nothing arrives such frames are not run at all,
// as if the loop slept: neither drawn nor recorded, so a replay runs exactly
// the frames the game ran, and the next frame's tick delta spans the rest
// (under the menu the world takes no time from it). The last picture stays
// on screen, and an idle menu costs next to nothing.
struct Rest {
    bool enabled = false;
    bool quiet = false;     // no message since the last frame
    int frames = 0;         // frames run since input last came
    uint64_t world[4] = {}; // the world after each of the last four frames
    int32_t cursorX = 0;
    int32_t cursorY = 0;
} rest;

bool atRest(int32_t cursorX, int32_t cursorY) {
    const uint64_t* w = rest.world;
    // The Options screen counts down and follows the cursor: never at rest.
    return rest.enabled && session().input.menuShown && !optionsScreenOpen() && rest.quiet &&
           rest.frames >= 4 && cursorX == rest.cursorX && cursorY == rest.cursorY && w[0] == w[2] &&
           w[1] == w[3] && worldChecksum() == w[3];
}

void noteFrame(int32_t cursorX, int32_t cursorY) {
    // Only the menu rests: a running game is not fingerprinted every frame.
    if (!rest.enabled || !session().input.menuShown) {
        rest.frames = 0;
        return;
    }
    bool same = rest.quiet && cursorX == rest.cursorX && cursorY == rest.cursorY;
    rest.frames = same ? rest.frames + 1 : 1;
    for (int i = 0; i < 3; ++i)
        rest.world[i] = rest.world[i + 1];
    rest.world[3] = worldChecksum();
    rest.cursorX = cursorX;
    rest.cursorY = cursorY;
    rest.quiet = true;
}

} // namespace

void restWhenIdle(bool on) {
    rest = Rest{};
    rest.enabled = on;
}

LoopPass loopPass() {
    Message msg;
    if (platform::peekMessage(msg)) {
        if (msg.type == MsgType::Quit) return LoopPass::Quit;
        dispatch(msg, platform::lastPhysicalInput());
        rest.quiet = false;
        return LoopPass::Message;
    }
    if (showingReplay()) return replayIdle() ? LoopPass::Frame : LoopPass::Message;
    // The daily starts between frames, as New Game does from its click: its
    // replay then holds every frame its game played, the first included, and
    // a menu at rest still hears the answer.
    dailyFrame();
    // The sender's answer changes the plate: a menu at rest must show it.
    if (session().input.menuShown && dailyPlateMoved()) rest.quiet = false;
    float now = static_cast<float>(platform::tickCount());
    int cursorX = 0;
    int cursorY = 0;
    platform::getCursorPos(cursorX, cursorY);
    if (atRest(cursorX, cursorY)) {
        platform::showPictureAgain();
        return LoopPass::Frame;
    }
    if (now - previousTicks < 1.0f) return LoopPass::Wait;
    beginFrame(session().input, now - previousTicks, cursorX, cursorY);
    previousTicks = now;
    recordFrame(session().input.frameInput);
    runFrame();
    recordFrameDone();
    noteDeathClock();
    noteFrame(cursorX, cursorY);
    return LoopPass::Frame;
}

void runStillFrame() {
    int cursorX = 0;
    int cursorY = 0;
    platform::getCursorPos(cursorX, cursorY);
    beginFrame(session().input, 0.0f, cursorX, cursorY);
    runFrame();
    noteFrame(cursorX, cursorY);
}

int openGame(const Options& options) {
    World& w = world();
    Replay replay;
    std::string replayPath = options.file;
    if (options.mode == Options::ShowReplay && replayPath == "best") {
        replayPath = bestReplayPath();
        if (replayPath.empty()) {
            std::fprintf(stderr, "quorvex: no best game with a replay yet\n");
            return 2;
        }
    }
    if (options.mode == Options::ShowReplay && !loadReplayFile(replayPath, replay)) return 2;

    if (options.resetOptions) resetOptionsFile();
    PlayerOptions player = readAllSettings();
    fullScreen = player.fullScreen ? 1 : 0;
    w.screenWidth = player.width;
    w.screenHeight = player.height;
    if (options.mode == Options::ShowReplay) {
        // The picture the player saw.
        w.screenWidth = replay.start.screenWidth;
        w.screenHeight = replay.start.screenHeight;
    }
    if (options.window) platform::setWindowMode(platform::WindowMode::Decorated);
    if (options.fullScreen) platform::setWindowMode(platform::WindowMode::FullScreen);
    startLoading();
    if (!platform::createWindow("Quorvex Game", w.screenWidth, w.screenHeight)) {
        finishLoading();
        return 1;
    }
    // Shaders that do not compile leave nothing to draw with: their log is
    // on standard error.
    if (!render::prepareContext()) {
        finishLoading();
        platform::destroyWindow();
        return 1;
    }
    // The command line's window wins over the settings' full screen.
    if (!options.window) applyDisplayMode();
    windowProc(Message{MsgType::Create, 0});
    // After start-up, which opens the sound device.
    applyOptions(player, true);
    if (options.noFrameCap) platform::setFrameCap(false);
    previousTicks = static_cast<float>(platform::tickCount());
    w.runFactor = 1.0f;
    // A replay starts from the run factor it recorded (0 when its game began
    // from the menu's click): set after the loop's own start, never over it.
    if (options.mode == Options::ShowReplay && !beginShowingReplay(replay, replayPath)) {
        shutDown();
        return 2;
    }
    chooseReplayFolder();
    restWhenIdle(true);
    if (options.mode == Options::Play) startOnline();
    return -1;
}

void closeGame() {
    endRecording(GameEnd::ProgramEnd);
    // A send in flight is abandoned; its file stays for next time.
    stopOnline();
    savePlayerOptions(activeOptions());
}

int runGame(const Options& options) {
    int status = openGame(options);
    if (status >= 0) return status;
    while (loopPass() != LoopPass::Quit) {
    }
    closeGame();
    return 0;
}

void resetProgramState() {
    World& w = world();
    textureBank.clear();
    particleTemplates.clear();
    bulletTemplateCount = 0;
    templateCount = 0;
    closeAudio();

    restWhenIdle(false);
    stopOnline();
    resetOptionsScreen();
    resetActiveOptions();
    resetOptionsStore();
    endShowingReplay();
    discardRecording();
    setRecordingEnabled(true);
    resetScoreStore();
    previousTicks = 0.0f;
    sinceDeath = 0.0f;
    // A world and a session as a fresh program has them.
    w = World{};
    followGeneration(w.generation);
    Session fresh;
    fresh.input.padState.connected = platform::padConnected();
    session() = fresh;
}
