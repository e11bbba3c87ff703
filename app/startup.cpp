#include "app/startup.h"

#include <atomic>
#include <system_error>
#include <thread>

#include "app/daily.h"
#include "app/options_apply.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "game/rules/rule_data.h"
#include "game/world/effects.h"
#include "game/world/world.h"
#include "input/option_ranges.h"
#include "input/player_options.h"
#include "math/rng.h"
#include "platform/gamepad.h"
#include "platform/large_pages.h"
#include "platform/platform.h"
#include "render/gl_backend.h"
#include "render/text.h"
#include "render/texture_bank_gl.h"
#include "replay/replay_recorder.h"
#include "saving/replay_saving.h"
#include "session/messages.h"
#include "session/session.h"

namespace {

// The order gives each sound its index for playSound.
const char* const kSounds[] = {
    "Sounds/PistolShot.wav",  "Sounds/AKShot.wav",    "Sounds/ShotGun.wav", "Sounds/GrenadeGun.wav",
    "Sounds/Damage.wav",      "Sounds/Explosion.wav", "Sounds/PickUp.wav",  "Sounds/MarineHm.wav",
    "Sounds/MarineDeath.wav", "Sounds/Special.wav",
};

const char* const kFontFace = "Courier new";

// Fresh memory touched on the way to the first frame, with room to spare:
// on the window's thread the GL driver's textures and buffers (the atlas
// alone is 16 MB in a software driver), on the reading thread the decoded
// pictures and sounds.
#ifndef __EMSCRIPTEN__
constexpr size_t kWindowThreadHeap = size_t{48} << 20;
constexpr size_t kReadingThreadHeap = size_t{32} << 20;
#endif

void loadSounds() {
    openAudio();
    for (const char* path : kSounds)
        loadSound(path);
}

void showProblem(const char* text, const char* caption) {
    platform::messageBox(text, caption);
}

void readCursor(int32_t& x, int32_t& y) {
    platform::getCursorPos(x, y);
}

void moveCursor(int32_t x, int32_t y) {
    platform::setCursorPos(x, y);
}

// A difficulty or pad setting chosen in the menu starts with a new game.
void beforeNewGame() {
    World& w = world();
    endRecording(GameEnd::NewGame);
    applyPendingRules();
    uint32_t seed = 0;
    uint32_t day = 0;
    if (takeDailyStart(seed, day)) {
        // Everyone's daily is the same game: the day's seed at Normal.
        applyDailyRules(kDifficultyAcceleration[static_cast<int>(Difficulty::Normal)]);
        w.nextGameSeed = seed;
    } else {
        // Like the ground, from the clock: a player cannot time a click to
        // the millisecond, and a scripted clock makes a test's games the same.
        w.nextGameSeed = platform::tickCount();
    }
    setNextGameDay(day);
}

void exitChosen() {
    endRecording(GameEnd::ExitWin);
    platform::postQuitMessage();
}

// The small and the large font for the picture's width.
void fontSizes(int& small, int& large) {
    World& w = world();
    small = 15;
    large = 30;
    if (w.screenWidth == 640) {
        small = 8;
        large = 18;
    } else if (w.screenWidth == 800) {
        small = 12;
        large = 23;
    }
}

// What can be read before there is a window, on a thread of its own.
struct ReadAhead {
    std::thread thread;
    bool soundsLoaded = false;
    // Set when the window's thread needs the reading thread's results.
    std::atomic<bool> stop{false};
    void finish() {
        stop = true;
        if (thread.joinable()) thread.join();
    }
    ~ReadAhead() { finish(); }
};
ReadAhead readAhead;

} // namespace

void connectGameToProgram() {
    effectHooks.playSound = playSound;
    effectHooks.reclaimSounds = reclaimSounds;
    effectHooks.stopSounds = clearSounds;
    effectHooks.rumble = platform::rumblePad;
    effectHooks.problem = showProblem;
    sessionHooks.beforeNewGame = beforeNewGame;
    sessionHooks.afterNewGame = beginRecording;
    sessionHooks.exitChosen = exitChosen;
    sessionHooks.dailyChosen = dailyChosen;
    sessionHooks.readCursor = readCursor;
    sessionHooks.moveCursor = moveCursor;
    recordingHooks.deathNoted = enterDeathInScores;
    recordingHooks.finished = saveFinishedReplay;
}

void startLoading() {
    // A start that never reached startUp (no window) leaves nothing behind.
    readAhead.finish();
    readAhead.soundsLoaded = false;
#ifndef __EMSCRIPTEN__
    const platform::LargePageSpan windowHeap = platform::preferLargePages(kWindowThreadHeap);
    int small = 0, large = 0;
    fontSizes(small, large);
    readAhead.stop = false;
    try {
        readAhead.thread = std::thread([small, large, windowHeap] {
            platform::preferLargePages(kReadingThreadHeap);
            int count = 0;
            const char* const* paths = picturePaths(count);
            render::readPicturesAhead(paths, count);
            if (platform::prepareFontFace(kFontFace)) {
                prepareFont(kFontFace, small, small);
                prepareFont(kFontFace, large, large);
            }
            // Nothing else touches the sound device until startUp.
            loadSounds();
            readAhead.soundsLoaded = true;
            // The window usually takes longer to open than all this: the
            // rest of the wait maps the pages that the GL driver's first
            // textures will fill on the window's thread.
            platform::populateLargePages(windowHeap, readAhead.stop);
        });
    } catch (const std::system_error&) {
        // No thread: startUp reads everything itself.
    }
#endif
    // The page has no threads: there startUp reads everything itself.
}

void finishLoading() {
    readAhead.finish();
}

void startUp() {
    World& w = world();
    readAhead.finish();
    connectGameToProgram();
    w.rng.seed(platform::tickCount());
    platform::showCursor(false);

    int small = 0, large = 0;
    fontSizes(small, large);
    createFont(kFontFace, small, small, 0);
    createFont(kFontFace, large, large, 1);

    // The ground's scheme, then its speckles, come from a sequence seeded
    // afresh.
    w.rng.seed(platform::tickCount());
    w.groundScheme = w.rng.next() % kGroundSchemes;
    registerTextures();
    render::loadTextures(w.groundScheme, w.rng);

    prepareFirstGame();

    if (!readAhead.soundsLoaded) loadSounds();
    readAhead.soundsLoaded = false;
    loadRuleData();

    render::prepareContext();
    session().input.menuShown = 1;
}
