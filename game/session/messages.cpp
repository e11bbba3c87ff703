#include "game/session/messages.h"

#include "game/monsters/monsters.h"
#include "game/player/aim_cursor.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/pad_controls.h"
#include "game/player/weapons.h"
#include "game/session/menu_items.h"
#include "game/world/world_state.h"
#include "math/rng.h"
#include "math/rules_math.h"

SessionHooks sessionHooks;
ScreenPoint savedCursor;
bool replayDriving = false;
uint32_t nextGameSeed = 1;

void startFromSeed(uint32_t seed) {
    gameSeed = seed;
    seedGameStreams(seed);
    spawnTimer = 0.0f;
    hmSoundTimer = 0.0f;
    runFactor = 0.0f;
    pickupMessage[0] = '\0';
    pickupMessageAlpha = 0.0f;
    releaseHeldInput();
    menuHover = 0;
    padCrosshair = Vec2(0.0f, 0.0f);
}

void startNewGame() {
    if (!replayDriving && sessionHooks.beforeNewGame) sessionHooks.beforeNewGame();
    // A game played is always played by today's rules.
    if (!replayDriving) rulesGeneration = kCurrentGeneration;
    resetGame();
    menuShown = 0;
    padMenuCursor = 0;
    padChoosing = 0;
    if (rulesGeneration != kFirstGeneration) startFromSeed(nextGameSeed);
    if (!replayDriving && sessionHooks.afterNewGame) sessionHooks.afterNewGame();
}

namespace {

// Escape, Start, and B in the menu: the menu opens over a living Marine, or
// closes with the cursor back where it was.
void toggleMenu() {
    if (marine.marineDead) return;
    if (menuShown) {
        if (!replayDriving && sessionHooks.moveCursor)
            sessionHooks.moveCursor(savedCursor.x, savedCursor.y);
        menuShown = 0;
        padMenuCursor = 0;
    } else {
        if (replayDriving || !sessionHooks.readCursor) {
            savedCursor = ScreenPoint{frameInput.cursorX, frameInput.cursorY};
        } else {
            sessionHooks.readCursor(savedCursor.x, savedCursor.y);
        }
        menuShown = 1;
    }
}

// Any key or pad button, two seconds after his death, brings the menu back.
void afterDeathInput() {
    if (marine.marineDead && deathTime >= 2000.0f) menuShown = 1;
}

void onKeyDown(uint32_t code) {
    padInUse = 0;
    afterDeathInput();

    if (code == VkEscape) toggleMenu();

    if (code >= '1' && code <= '4' && !menuShown && !marine.marineDead)
        selectWeapon(WeaponPistol + static_cast<int>(code - '1'));

    if (code < 256) keyDown[code] = 1;
}

void chooseHoveredItem() {
    switch (hoveredAction()) {
    case MenuAction::NewGame:
        startNewGame();
        break;
    case MenuAction::Daily:
        // The day's seed comes from the leaderboard; the program asks for
        // it and starts the game when it has it.
        if (!replayDriving && sessionHooks.dailyChosen) sessionHooks.dailyChosen();
        break;
    case MenuAction::Credits:
        creditsShown = !creditsShown;
        break;
    case MenuAction::Exit:
        if (!replayDriving && sessionHooks.exitChosen) sessionHooks.exitChosen();
        break;
    default:
        break;
    }
}

void onLeftButtonUp() {
    leftButtonDown = 0;
    chooseHoveredItem();
}

bool gameRunning() {
    return !menuShown && !marine.marineDead;
}

void onPadButtonDown(uint32_t button) {
    padInUse = 1;
    // A chooses on its release, and only when pressed over a menu already
    // shown: not after a run that started in the game.
    if (button == PadA) padChoosing = menuShown;
    afterDeathInput();
    switch (button) {
    case PadStart:
        toggleMenu();
        break;
    case PadB:
        if (menuShown) toggleMenu();
        break;
    case PadLeftShoulder:
    case PadRightShoulder:
        if (gameRunning())
            selectWeapon(WeaponPistol + padCycleWeapon(marine.currentWeapon, marine.owned,
                                                       marine.ownedCount,
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
    PadState before = padState;
    padOnMessage(padState, msg);
    switch (msg.type) {
    case MsgType::PadButtonDown:
        onPadButtonDown(msg.wParam);
        break;
    case MsgType::PadButtonUp:
        if (msg.wParam != PadA) break;
        if (padChoosing && menuShown) chooseHoveredItem();
        padChoosing = 0;
        break;
    case MsgType::PadAxis: {
        int value = padValueOf(msg.wParam);
        if (value > kInUseTravel || value < -kInUseTravel) padInUse = 1;
        break;
    }
    case MsgType::PadRemoved:
        // Unplugged in the middle of a game it was playing: as Escape.
        if (padInUse && gameRunning()) toggleMenu();
        // The mouse aims and hovers again.
        padInUse = 0;
        padAiming = 0;
        padMenuCursor = 0;
        break;
    default:
        break;
    }
    if (!menuShown) return;
    int item = padMenuItem(menuHover, before, padState, menuItemCount());
    if (item != menuHover) {
        menuHover = item;
        padMenuCursor = item;
    }
}

} // namespace

void handleGameMessage(const Message& msg) {
    switch (msg.type) {
    case MsgType::KeyDown:
        onKeyDown(msg.wParam);
        break;
    case MsgType::KeyUp:
        if (msg.wParam < 256) keyDown[msg.wParam] = 0;
        break;
    case MsgType::LButtonDown:
        leftButtonDown = 1;
        padInUse = 0;
        break;
    case MsgType::LButtonUp:
        onLeftButtonUp();
        break;
    case MsgType::RButtonDown:
        rightButtonDown = 1;
        padInUse = 0;
        break;
    case MsgType::RButtonUp:
        rightButtonDown = 0;
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
        releaseHeldInput();
        // A fight left alone would kill him: the menu opens as Escape opens it.
        if (!menuShown && !marine.marineDead) toggleMenu();
        break;
    default:
        break;
    }
}
