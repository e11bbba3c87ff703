#include "session/session.h"

#include "draw/draw_list.h"
#include "game/rules/game_frame.h"
#include "game/world/world.h"
#include "session/aim_cursor.h"
#include "session/menu_items.h"
#include "session/pad_controls.h"

namespace {

constexpr uint32_t kKeyA = 'A';
constexpr uint32_t kKeyD = 'D';
constexpr uint32_t kKeyS = 'S';
constexpr uint32_t kKeyW = 'W';

Session& startingSession() {
    static Session s = sessionAtMenu();
    return s;
}

} // namespace

Session sessionAtMenu() {
    Session s;
    s.input.menuShown = 1;
    return s;
}

namespace detail {
thread_local Session* boundSession = &startingSession();
}

Session* bindSession(Session& s) {
    Session* before = detail::boundSession;
    detail::boundSession = &s;
    return before;
}

Session& programSession() {
    return startingSession();
}

PlayScope::PlayScope(World& w, Session& s)
    : worldBefore_(bindWorld(w)), sessionBefore_(bindSession(s)) {}

PlayScope::~PlayScope() {
    bindSession(*sessionBefore_);
    bindWorld(*worldBefore_);
}

TickInput takeTick(Session& s, const World& w) {
    const InputState& in = s.input;
    TickInput tick;
    tick.tickDelta = in.frameInput.tickDelta;
    tick.menuShown = in.menuShown;
    tick.aim = cursorAim(s, w);

    const PadDirections pad = padWalk(in.padState);
    if (in.keyDown[VkUp] || in.keyDown[kKeyW] || pad.up) tick.walk |= WalkUp;
    if (in.keyDown[VkDown] || in.keyDown[kKeyS] || pad.down) tick.walk |= WalkDown;
    if (in.keyDown[VkLeft] || in.keyDown[kKeyA] || pad.left) tick.walk |= WalkLeft;
    if (in.keyDown[VkRight] || in.keyDown[kKeyD] || pad.right) tick.walk |= WalkRight;
    tick.run = in.keyDown[VkShift] || padRun(in.padState);
    tick.fire = in.leftButtonDown || padFire(in.padState);
    tick.special = in.rightButtonDown || padSpecial(in.padState);

    tick.weapon = s.chosenWeapon;
    s.chosenWeapon = -1;
    return tick;
}

void runGameFrame() {
    draw::clear();
    stepWorld(world(), takeTick(session(), world()));
    if (drawList.recording) describeWorld(world(), drawList);
    settleMenuHover();
}
