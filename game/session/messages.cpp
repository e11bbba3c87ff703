#include "game/session/messages.h"

#include "game/monsters/monsters.h"
#include "game/player/aim_cursor.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/pad_controls.h"
#include "game/player/weapons.h"
#include "game/session/menu_items.h"
#include "game/world/world.h"
#include "math/rng.h"
#include "math/rules_math.h"

SessionHooks sessionHooks;

void startFromSeed(uint32_t seed) {
    World& w = world();
    w.gameSeed = seed;
    seedGameStreams(seed);
    w.spawnTimer = 0.0f;
    w.hmSoundTimer = 0.0f;
    w.input.runFactor = 0.0f;
    w.pickupMessage[0] = '\0';
    w.pickupMessageAlpha = 0.0f;
    releaseHeldInput(w.input);
    w.input.menuHover = 0;
    w.padCrosshair = Vec2(0.0f, 0.0f);
}

void startNewGame() {
    World& w = world();
    if (!w.replayDriving && sessionHooks.beforeNewGame) sessionHooks.beforeNewGame();
    // A game played is always played by today's rules.
    if (!w.replayDriving) followGeneration(kCurrentGeneration);
    resetGame();
    w.input.menuShown = 0;
    w.input.padMenuCursor = 0;
    w.input.padChoosing = 0;
    if (rulesGeneration != kFirstGeneration) startFromSeed(w.nextGameSeed);
    if (!w.replayDriving && sessionHooks.afterNewGame) sessionHooks.afterNewGame();
}

namespace {

// Escape, Start, and B in the menu: the menu opens over a living Marine, or
// closes with the cursor back where it was.
void toggleMenu() {
    World& w = world();
    if (w.marine.marineDead) return;
    if (w.input.menuShown) {
        if (!w.replayDriving && sessionHooks.moveCursor)
            sessionHooks.moveCursor(w.savedCursor.x, w.savedCursor.y);
        w.input.menuShown = 0;
        w.input.padMenuCursor = 0;
    } else {
        if (w.replayDriving || !sessionHooks.readCursor) {
            w.savedCursor = ScreenPoint{w.input.frameInput.cursorX, w.input.frameInput.cursorY};
        } else {
            sessionHooks.readCursor(w.savedCursor.x, w.savedCursor.y);
        }
        w.input.menuShown = 1;
    }
}

// Any key or pad button, two seconds after his death, brings the menu back.
void afterDeathInput() {
    World& w = world();
    if (w.marine.marineDead && w.deathTime >= 2000.0f) w.input.menuShown = 1;
}

void onKeyDown(uint32_t code) {
    World& w = world();
    w.input.padInUse = 0;
    afterDeathInput();

    if (code == VkEscape) toggleMenu();

    if (code >= '1' && code <= '4' && !w.input.menuShown && !w.marine.marineDead)
        selectWeapon(WeaponPistol + static_cast<int>(code - '1'));

    if (code < 256) w.input.keyDown[code] = 1;
}

void chooseHoveredItem() {
    World& w = world();
    switch (hoveredAction()) {
    case MenuAction::NewGame:
        startNewGame();
        break;
    case MenuAction::Daily:
        // The day's seed comes from the leaderboard; the program asks for
        // it and starts the game when it has it.
        if (!w.replayDriving && sessionHooks.dailyChosen) sessionHooks.dailyChosen();
        break;
    case MenuAction::Credits:
        w.input.creditsShown = !w.input.creditsShown;
        break;
    case MenuAction::Exit:
        if (!w.replayDriving && sessionHooks.exitChosen) sessionHooks.exitChosen();
        break;
    default:
        break;
    }
}

void onLeftButtonUp() {
    world().input.leftButtonDown = 0;
    chooseHoveredItem();
}

bool gameRunning() {
    World& w = world();
    return !w.input.menuShown && !w.marine.marineDead;
}

void onPadButtonDown(uint32_t button) {
    World& w = world();
    w.input.padInUse = 1;
    // A chooses on its release, and only when pressed over a menu already
    // shown: not after a run that started in the game.
    if (button == PadA) w.input.padChoosing = w.input.menuShown;
    afterDeathInput();
    switch (button) {
    case PadStart:
        toggleMenu();
        break;
    case PadB:
        if (w.input.menuShown) toggleMenu();
        break;
    case PadLeftShoulder:
    case PadRightShoulder:
        if (gameRunning())
            selectWeapon(WeaponPistol + padCycleWeapon(w.marine.currentWeapon, w.marine.owned,
                                                       w.marine.ownedCount,
                                                       button == PadLeftShoulder ? -1 : 1));
        break;
    default:
        break;
    }
}

// Past this much travel a stick or trigger counts as the pad being used;
// the zeroes a pad sends as it goes away do not.
constexpr int kInUseTravel = 8192;

void onPadMessage(const Message& msg) {
    World& w = world();
    PadState before = w.input.padState;
    padOnMessage(w.input.padState, msg);
    switch (msg.type) {
    case MsgType::PadButtonDown:
        onPadButtonDown(msg.wParam);
        break;
    case MsgType::PadButtonUp:
        if (msg.wParam != PadA) break;
        if (w.input.padChoosing && w.input.menuShown) chooseHoveredItem();
        w.input.padChoosing = 0;
        break;
    case MsgType::PadAxis: {
        int value = padValueOf(msg.wParam);
        if (value > kInUseTravel || value < -kInUseTravel) w.input.padInUse = 1;
        break;
    }
    case MsgType::PadRemoved:
        // Unplugged in the middle of a game it was playing: as Escape.
        if (w.input.padInUse && gameRunning()) toggleMenu();
        // The mouse aims and hovers again.
        w.input.padInUse = 0;
        w.input.padAiming = 0;
        w.input.padMenuCursor = 0;
        break;
    default:
        break;
    }
    if (!w.input.menuShown) return;
    int item = padMenuItem(w.input.menuHover, before, w.input.padState, menuItemCount());
    if (item != w.input.menuHover) {
        w.input.menuHover = item;
        w.input.padMenuCursor = item;
    }
}

} // namespace

void handleGameMessage(const Message& msg) {
    World& w = world();
    switch (msg.type) {
    case MsgType::KeyDown:
        onKeyDown(msg.wParam);
        break;
    case MsgType::KeyUp:
        if (msg.wParam < 256) w.input.keyDown[msg.wParam] = 0;
        break;
    case MsgType::LButtonDown:
        w.input.leftButtonDown = 1;
        w.input.padInUse = 0;
        break;
    case MsgType::LButtonUp:
        onLeftButtonUp();
        break;
    case MsgType::RButtonDown:
        w.input.rightButtonDown = 1;
        w.input.padInUse = 0;
        break;
    case MsgType::RButtonUp:
        w.input.rightButtonDown = 0;
        break;
    case MsgType::PadButtonDown:
    case MsgType::PadButtonUp:
    case MsgType::PadAxis:
    case MsgType::PadAdded:
    case MsgType::PadRemoved:
        onPadMessage(msg);
        break;
    case MsgType::FocusLost:
        // Keys let go in another window never come back as key-ups here.
        releaseHeldInput(w.input);
        // A fight left alone would kill him: the menu opens as Escape opens it.
        if (!w.input.menuShown && !w.marine.marineDead) toggleMenu();
        break;
    default:
        break;
    }
}
