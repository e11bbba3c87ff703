// The game in a web page: the player's files come in from IndexedDB first,
// then the game opens and the browser's animation frame runs the loop. On
// the watch page it shows the run the page fetched, at the page's speed.
#include <emscripten/emscripten.h>

#include <unistd.h>

#include <cinttypes>
#include <cstdio>

#include "app/entry.h"
#include "app/options.h"
#include "app/options_apply.h"
#include "app/options_screen_input.h"
#include "app/replay_show.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/checksum.h"
#include "game/world/world.h"
#include "input/input.h"
#include "input/pad_state.h"
#include "online/sender_web.h"
#include "platform/user_files.h"
#include "platform/web/web_window.h"
#include "replay/replay_file.h"
#include "replay/replay_player.h"
#include "replay/replay_recorder.h"
#include "session/aim_cursor.h"
#include "session/session.h"

namespace {

// Where the watch page's loader writes the fetched replay.
constexpr const char* kWatchedReplay = "/watch.qvr";

bool watching() {
    return EM_ASM_INT({ return Module.quorvexWatch ? 1 : 0; }) != 0;
}

void tellPage(const char* what, const char* text) {
    EM_ASM(
        {
            var f = Module[UTF8ToString($0)];
            if (f) f(UTF8ToString($1));
        },
        what, text);
}

// The shown replay's last state, and the same file played through as the
// verifier plays it (the rules alone, no window between the events): the
// page reports the first and says so where the second differs.
void replayEnded(const ReplayResult& shown) {
    Replay replay;
    std::string why;
    ReplayResult file = shown;
    if (readReplayFile(kWatchedReplay, replay, why)) file = playReplayNow(replay);
    char checksum[17];
    char fileChecksum[17];
    std::snprintf(checksum, sizeof checksum, "%016" PRIx64, shown.checksum);
    std::snprintf(fileChecksum, sizeof fileChecksum, "%016" PRIx64, file.checksum);
    // clang-format off
    EM_ASM({
        if (Module.quorvexWatchEnded)
            Module.quorvexWatchEnded($0, $1, $2, UTF8ToString($3), UTF8ToString($4));
    }, shown.score, static_cast<double>(shown.gameTime), shown.kills, checksum, fileChecksum);
    // clang-format on
}

// Online is offered with the player's first key or tap after the first
// Game Over, so that Game Over itself is seen first.
bool offerWaiting = false;
int toldMode = -1;

// What a touch means, told to the page's touch controls: 0 the game is
// played (the sticks), 1 a screen (a tap is a click), 2 Game Over.
void tellTouchMode() {
    World& w = world();
    int mode = optionsScreenOpen() || session().input.menuShown ? 1 : w.marine.marineDead ? 2 : 0;
    if (mode == toldMode) return;
    toldMode = mode;
    // clang-format off
    EM_ASM({
        Module.quorvexTouchMode = $0;
        if (Module.quorvexTouchModeChanged) Module.quorvexTouchModeChanged();
    }, mode);
    // clang-format on
}

// The touch options, told to the page's controls at start and whenever
// the Options screen changes them.
void tellTouchOptions() {
    static bool told = false;
    static PlayerOptions last;
    const PlayerOptions& o = activeOptions();
    if (told && o.touchSize == last.touchSize && o.touchOpacity == last.touchOpacity &&
        o.touchLeftHanded == last.touchLeftHanded && o.touchVibration == last.touchVibration)
        return;
    told = true;
    last = o;
    // clang-format off
    EM_ASM({
        if (Module.quorvexTouchOptions) Module.quorvexTouchOptions($0, $1, $2, $3);
    }, static_cast<double>(o.touchSize), static_cast<double>(o.touchOpacity),
       o.touchLeftHanded ? 1 : 0, o.touchVibration ? 1 : 0);
    // clang-format on
}

// One animation frame: the messages waiting, then one frame of the game
// (or as many of a replay's as its clock has reached).
void frame() {
    platform::web::beginFrame();
    for (int i = 0; i < 1024; ++i) {
        bool replay = showingReplay();
        LoopPass pass = loopPass();
        if (pass == LoopPass::Quit) {
            closeGame();
            emscripten_cancel_main_loop();
            tellPage("quorvexNotice", "The game has ended: reload the page to play again.");
            return;
        }
        if (pass == LoopPass::Wait || (pass == LoopPass::Frame && !replay)) break;
        if (replay && replayWaiting()) break;
    }
    // The sender's step: the next request, when none is in flight.
    online::stepSender();
    if (online::takeOnlineOffer()) {
        offerWaiting = true;
        platform::web::holdNextPress();
    }
    tellTouchMode();
    tellTouchOptions();
    if (offerWaiting && platform::web::takeHeldPress()) {
        offerWaiting = false;
        offerOnline();
        // Said in the page too: the canvas alone tells nothing to a script.
        EM_ASM({ document.body.setAttribute('data-online', 'offered'); });
    }
}

void start() {
    Options options;
    // The page sizes the canvas; full screen waits for the player's F11.
    options.window = true;
    if (watching()) {
        options.mode = Options::ShowReplay;
        options.file = kWatchedReplay;
        setReplayEndHandler(replayEnded);
    }
    int status = openGame(options);
    if (status >= 0) {
        if (options.mode == Options::ShowReplay) {
            Replay replay;
            std::string why;
            if (readReplayFile(kWatchedReplay, replay, why) &&
                replay.rulesFingerprint != rulesFingerprint())
                why = kOtherRulesReason;
            if (why.empty()) why = "the game could not start";
            tellPage("quorvexWatchFailed", why.c_str());
        } else {
            tellPage("quorvexNotice", "The game could not start (see the browser's console).");
        }
        return;
    }
    tellPage("quorvexStarted", "");
    emscripten_set_main_loop(frame, 0, 0);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void quorvex_files_ready(int owner, int loaded) {
    platform::web::noteFilesLoaded(owner != 0, loaded != 0);
    start();
}

// The watch page's buttons: 0 pause (arg 1) or go on (arg 0), 1 speed
// (arg the factor), 2 restart.
EMSCRIPTEN_KEEPALIVE void quorvex_watch_command(int command, double arg) {
    switch (command) {
    case 0:
        pauseReplay(arg != 0.0);
        break;
    case 1:
        setReplaySpeed(arg);
        break;
    case 2:
        if (!restartReplay()) tellPage("quorvexNotice", "Nothing to restart.");
        break;
    default:
        break;
    }
}

// The page's view of the game for its tests: 0 and 1 the Marine's place,
// 2 and 3 the crosshair's, 4 and 7 the rounds left in his weapon's clip and
// its size, 5 the score, 6 the pad inputs held (buttons, and sticks and
// triggers off their rest).
EMSCRIPTEN_KEEPALIVE double quorvex_probe(int what) {
    switch (what) {
    case 0:
        return world().marine.position.x;
    case 1:
        return world().marine.position.y;
    case 2:
        return world().cursorArena.x;
    case 3:
        return world().cursorArena.y;
    case 4:
    case 7: {
        if (world().marine.currentWeapon < 0 || world().marine.currentWeapon > 3) return 0.0;
        const Weapon& w = world().marine.weapons[world().marine.currentWeapon];
        return what == 4 ? w.rounds : w.clipSize;
    }
    case 5:
        return world().score;
    case 6: {
        int held = 0;
        for (bool b : session().input.padState.held)
            held += b ? 1 : 0;
        for (int16_t a : session().input.padState.axis)
            held += a != 0 ? 1 : 0;
        return held;
    }
    default:
        return 0.0;
    }
}

} // extern "C"

int main() {
    // The data folder is packed at /data; the game reads it from its
    // working folder.
    if (chdir("/data") != 0) {
        std::fprintf(stderr, "quorvex: the packed data folder is missing\n");
        return 1;
    }
    if (watching()) {
        // A watcher's page keeps nothing: no files to read or own.
        start();
        return 0;
    }
    platform::web::mountPlayerFiles();
    return 0;
}
