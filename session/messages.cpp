#include "session/messages.h"

#include "game/monsters/monsters.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"
#include "game/world/world.h"
#include "math/rng.h"
#include "math/rules_math.h"
#include "session/menu_items.h"
#include "session/pad_controls.h"
#include "session/session.h"

SessionHooks sessionHooks;

void startFromSeed(uint32_t seed) {
    World& w = world();
    Session& s = session();
    w.gameSeed = seed;
    seedGameStreams(seed);
    w.spawnTimer = 0.0f;
    w.hmSoundTimer = 0.0f;
    w.runFactor = 0.0f;
    w.pickupNotice = NoticeNone;
    w.pickupMessageAlpha = 0.0f;
    releaseHeldInput(s.input);
    s.input.menuHover = 0;
    s.padCrosshair = Vec2(0.0f, 0.0f);
}

void startNewGame() {
    World& w = world();
    Session& s = session();
    if (!s.replayDriving && sessionHooks.beforeNewGame) sessionHooks.beforeNewGame();
    // A game played is always played by today's rules.
    if (!s.replayDriving) followGeneration(kCurrentGeneration);
    resetGame();
    s.chosenWeapon = -1;
    s.input.menuShown = 0;
    s.input.padMenuCursor = 0;
    s.input.padChoosing = 0;
    if (rulesGeneration != kFirstGeneration) startFromSeed(w.nextGameSeed);
    if (!s.replayDriving && sessionHooks.afterNewGame) sessionHooks.afterNewGame();
}

namespace {

// A weapon he owns, chosen for the next frame. The last choice of a frame
// is the one he holds; any choice starts the reload over.
void chooseWeapon(int id) {
    const Marine& m = world().marine;
    for (int i = 0; i < m.ownedCount && i < 4; ++i)
        if (m.owned[i] == id) session().chosenWeapon = static_cast<int8_t>(id - WeaponPistol);
}

// The weapon in his hands as the next frame will find it.
int weaponInHand() {
    const Session& s = session();
    return s.chosenWeapon >= 0 ? s.chosenWeapon : world().marine.currentWeapon;
}

// Escape, Start, and B in the menu: the menu opens over a living Marine, or
// closes with the cursor back where it was.
void toggleMenu() {
    World& w = world();
    Session& s = session();
    if (w.marine.marineDead) return;
    if (s.input.menuShown) {
        if (!s.replayDriving && sessionHooks.moveCursor)
            sessionHooks.moveCursor(s.savedCursor.x, s.savedCursor.y);
        s.input.menuShown = 0;
        s.input.padMenuCursor = 0;
    } else {
        if (s.replayDriving || !sessionHooks.readCursor) {
            s.savedCursor = ScreenPoint{s.input.frameInput.cursorX, s.input.frameInput.cursorY};
        } else {
            sessionHooks.readCursor(s.savedCursor.x, s.savedCursor.y);
        }
        s.input.menuShown = 1;
    }
}

// Any key or pad button, two seconds after his death, brings the menu back.
void afterDeathInput() {
    World& w = world();
    Session& s = session();
    if (w.marine.marineDead && w.deathTime >= 2000.0f) s.input.menuShown = 1;
}

void onKeyDown(uint32_t code) {
    World& w = world();
    Session& s = session();
    s.input.padInUse = 0;
    afterDeathInput();

    if (code == VkEscape) toggleMenu();

    if (code >= '1' && code <= '4' && !s.input.menuShown && !w.marine.marineDead)
        chooseWeapon(WeaponPistol + static_cast<int>(code - '1'));

    if (code < 256) s.input.keyDown[code] = 1;
}

void chooseHoveredItem() {
    Session& s = session();
    switch (hoveredAction()) {
    case MenuAction::NewGame:
        startNewGame();
        break;
    case MenuAction::Daily:
        // The day's seed comes from the leaderboard; the program asks for
        // it and starts the game when it has it.
        if (!s.replayDriving && sessionHooks.dailyChosen) sessionHooks.dailyChosen();
        break;
    case MenuAction::Credits:
        s.input.creditsShown = !s.input.creditsShown;
        break;
    case MenuAction::Exit:
        if (!s.replayDriving && sessionHooks.exitChosen) sessionHooks.exitChosen();
        break;
    default:
        break;
    }
}

void onLeftButtonUp() {
    session().input.leftButtonDown = 0;
    chooseHoveredItem();
}

bool gameRunning() {
    World& w = world();
    Session& s = session();
    return !s.input.menuShown && !w.marine.marineDead;
}

void onPadButtonDown(uint32_t button) {
    World& w = world();
    Session& s = session();
    s.input.padInUse = 1;
    // A chooses on its release, and only when pressed over a menu already
    // shown: not after a run that started in the game.
    if (button == PadA) s.input.padChoosing = s.input.menuShown;
    afterDeathInput();
    switch (button) {
    case PadStart:
        toggleMenu();
        break;
    case PadB:
        if (s.input.menuShown) toggleMenu();
        break;
    case PadLeftShoulder:
    case PadRightShoulder:
        if (gameRunning())
            chooseWeapon(WeaponPistol + padCycleWeapon(weaponInHand(), w.marine.owned,
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
    Session& s = session();
    PadState before = s.input.padState;
    padOnMessage(s.input.padState, msg);
    switch (msg.type) {
    case MsgType::PadButtonDown:
        onPadButtonDown(msg.wParam);
        break;
    case MsgType::PadButtonUp:
        if (msg.wParam != PadA) break;
        if (s.input.padChoosing && s.input.menuShown) chooseHoveredItem();
        s.input.padChoosing = 0;
        break;
    case MsgType::PadAxis: {
        int value = padValueOf(msg.wParam);
        if (value > kInUseTravel || value < -kInUseTravel) s.input.padInUse = 1;
        break;
    }
    case MsgType::PadRemoved:
        // Unplugged in the middle of a game it was playing: as Escape.
        if (s.input.padInUse && gameRunning()) toggleMenu();
        // The mouse aims and hovers again.
        s.input.padInUse = 0;
        s.input.padAiming = 0;
        s.input.padMenuCursor = 0;
        break;
    default:
        break;
    }
    if (!s.input.menuShown) return;
    int item = padMenuItem(s.input.menuHover, before, s.input.padState, menuItemCount());
    if (item != s.input.menuHover) {
        s.input.menuHover = item;
        s.input.padMenuCursor = item;
    }
}

} // namespace

void handleGameMessage(const Message& msg) {
    World& w = world();
    Session& s = session();
    switch (msg.type) {
    case MsgType::KeyDown:
        onKeyDown(msg.wParam);
        break;
    case MsgType::KeyUp:
        if (msg.wParam < 256) s.input.keyDown[msg.wParam] = 0;
        break;
    case MsgType::LButtonDown:
        s.input.leftButtonDown = 1;
        s.input.padInUse = 0;
        break;
    case MsgType::LButtonUp:
        onLeftButtonUp();
        break;
    case MsgType::RButtonDown:
        s.input.rightButtonDown = 1;
        s.input.padInUse = 0;
        break;
    case MsgType::RButtonUp:
        s.input.rightButtonDown = 0;
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
        releaseHeldInput(s.input);
        // A fight left alone would kill him: the menu opens as Escape opens it.
        if (!s.input.menuShown && !w.marine.marineDead) toggleMenu();
        break;
    default:
        break;
    }
}
