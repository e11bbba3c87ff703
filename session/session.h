// The session: what stands between the player and the world. It keeps what
// the window's messages leave held (keys, buttons, the pad), the menu and
// the cursor (session/messages.h), and each frame turns them into the
// world's TickInput. A replay of messages is played through a session of
// its own, beside the world it drives.
//
// Like the world, the session a thread plays is bound to it; the program's
// own is the main thread's.
#pragma once

#include <cstdint>

#include "game/world/tick_input.h"
#include "input/input.h"
#include "math/vec2.h"

struct World;

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct Session {
    // The held input and the menu, kept from the messages (input/input.h).
    InputState input;
    // Where the cursor was when the menu opened; it goes back there.
    ScreenPoint savedCursor;
    // Where the pad's right stick last put the crosshair, in arena units.
    Vec2 padCrosshair;
    // A weapon (0 to 3) a message chose since the last frame, or -1.
    int8_t chosenWeapon = -1;
    // Set while a replay feeds this session: the real cursor is neither
    // read nor moved, and "Exit Win" does not end the program.
    bool replayDriving = false;
};

// A session as a program starts: the menu shown, nothing held.
Session sessionAtMenu();

namespace detail {
extern thread_local Session* boundSession;
}

// The session this thread plays.
inline Session& session() {
    return *detail::boundSession;
}
// Makes `s` the session this thread plays, and returns the one it was.
Session* bindSession(Session& s);
// The program's own session, bound on the main thread from the start (and
// on any thread that binds none).
Session& programSession();

// Binds a world and its session for a scope, and those before them again
// after.
class PlayScope {
  public:
    PlayScope(World& w, Session& s);
    ~PlayScope();
    PlayScope(const PlayScope&) = delete;
    PlayScope& operator=(const PlayScope&) = delete;

  private:
    World* worldBefore_;
    Session* sessionBefore_;
};

// This frame's commands from what the session holds and the world as the
// frame begins (the pad aims from where the Marine stands). Takes the
// weapon chosen since the last frame, and keeps where the pad aimed.
TickInput takeTick(Session& s, const World& w);

// The game's part of the program's frame: the bound world stepped by the
// bound session's commands and, where anyone looks, described; then the
// menu's hover settles.
void runGameFrame();
