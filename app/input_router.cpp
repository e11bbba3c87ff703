#include "app/input_router.h"

#include "game/player/marine.h"
#include "game/world/world.h"
#include "input/input.h"
#include "session/pad_controls.h"
#include "session/session.h"

namespace {

struct Routing {
    Bindings bindings = defaultBindings();
    Bindings defaults = defaultBindings();
    bool runToggle = false;
    bool fireToggle = false;
    bool runLatched = false;
    bool fireLatched = false;
    bool triggerHeld[2] = {};
};

Routing routing;

constexpr int16_t kTriggerFull = 32767;
// The travel past which a trigger counts as a pressed button.
constexpr int16_t kTriggerPressed = 16384;

void add(RoutedMessages& out, MsgType type, uint32_t wParam) {
    if (out.count < 4) out.messages[out.count++] = Message{type, wParam};
}

bool gameRunning() {
    World& w = world();
    return !session().input.menuShown && !w.marine.marineDead;
}

// A held action, or a latched one when it toggles: each press flips it and
// releases do nothing.
void held(RoutedMessages& out, bool down, bool repeat, bool toggles, bool& latched, MsgType press,
          MsgType release, uint32_t wParam) {
    if (!toggles) {
        add(out, down ? press : release, wParam);
        return;
    }
    if (!down || repeat) return;
    latched = !latched;
    add(out, latched ? press : release, wParam);
}

void weaponStep(RoutedMessages& out, int step) {
    World& w = world();
    if (!gameRunning()) return;
    int weapon = padCycleWeapon(w.marine.currentWeapon, w.marine.owned, w.marine.ownedCount, step);
    add(out, MsgType::KeyDown, '1' + static_cast<uint32_t>(weapon));
    add(out, MsgType::KeyUp, '1' + static_cast<uint32_t>(weapon));
}

void keyAction(RoutedMessages& out, int action, bool down, bool repeat, bool momentary) {
    static const uint32_t walk[4] = {'W', 'S', 'A', 'D'};
    switch (action) {
    case ActionWalkUp:
    case ActionWalkDown:
    case ActionWalkLeft:
    case ActionWalkRight:
    case ActionPistol:
    case ActionAK:
    case ActionShotGun:
    case ActionGrenadeGun: {
        uint32_t vk = action <= ActionWalkRight
                          ? walk[action]
                          : '1' + static_cast<uint32_t>(action - ActionPistol);
        add(out, down ? MsgType::KeyDown : MsgType::KeyUp, vk);
        if (momentary) add(out, MsgType::KeyUp, vk);
        break;
    }
    case ActionRun:
        held(out, down, repeat, routing.runToggle, routing.runLatched, MsgType::KeyDown,
             MsgType::KeyUp, VkShift);
        if (momentary && !routing.runToggle) add(out, MsgType::KeyUp, VkShift);
        break;
    case ActionFire:
        held(out, down, repeat, routing.fireToggle, routing.fireLatched, MsgType::LButtonDown,
             MsgType::LButtonUp, 0);
        if (momentary && !routing.fireToggle) add(out, MsgType::LButtonUp, 0);
        break;
    case ActionSpecial:
        add(out, down ? MsgType::RButtonDown : MsgType::RButtonUp, 0);
        if (momentary) add(out, MsgType::RButtonUp, 0);
        break;
    case ActionPreviousWeapon:
    case ActionNextWeapon:
        if (down && !repeat) weaponStep(out, action == ActionPreviousWeapon ? -1 : 1);
        break;
    default:
        break;
    }
}

// Codes the bound actions send: an unbound key that the layout gives one of
// them must not act as that action too.
bool actionCode(uint32_t vk) {
    return vk == 'W' || vk == 'S' || vk == 'A' || vk == 'D' || vk == VkShift ||
           (vk >= '1' && vk <= '4');
}

// The right-hand Shift, Ctrl and Alt count as their left twins unless bound
// themselves.
uint16_t twin(uint16_t scancode) {
    return scancode >= 228 && scancode <= 230 ? static_cast<uint16_t>(scancode - 4) : scancode;
}

void routeKeyboard(RoutedMessages& out, const Message& msg, uint32_t physical) {
    bool repeat = (physical & PhysicalRepeat) != 0;
    uint16_t input = static_cast<uint16_t>(physical & ~PhysicalRepeat);
    bool down = msg.type == MsgType::KeyDown || msg.type == MsgType::LButtonDown ||
                msg.type == MsgType::RButtonDown || msg.type == MsgType::OtherButtonDown ||
                msg.type == MsgType::Wheel;
    // The menu's own keys and clicks always do what the menu does.
    bool mouseButton = input == kMouseLeft || input == kMouseRight;
    if (reservedKey(input) || (mouseButton && session().input.menuShown)) {
        add(out, msg.type, msg.wParam);
        return;
    }
    int action = keyActionOn(routing.bindings, input);
    if (action < 0 && input < kScanLimit) action = keyActionOn(routing.bindings, twin(input));
    if (action >= 0) {
        keyAction(out, action, down, repeat, msg.type == MsgType::Wheel);
        return;
    }
    // Unbound: keys keep the code their label gives them, mouse inputs do
    // nothing.
    if (msg.type != MsgType::KeyDown && msg.type != MsgType::KeyUp) return;
    add(out, msg.type, actionCode(msg.wParam) ? 0xFFu : msg.wParam);
}

// The message a pad input sends when it stands for `input` (a button or a
// trigger).
void padAs(RoutedMessages& out, uint8_t input, bool down) {
    if (input >= kPadTriggerLeft) {
        uint32_t axis = input == kPadTriggerLeft ? PadTriggerLeft : PadTriggerRight;
        add(out, MsgType::PadAxis, padAxisParam(axis, down ? kTriggerFull : 0));
        return;
    }
    add(out, down ? MsgType::PadButtonDown : MsgType::PadButtonUp, input);
}

bool isDefaultPadInput(uint8_t input) {
    return padActionOn(routing.defaults, input) >= 0;
}

void routePad(RoutedMessages& out, const Message& msg) {
    uint8_t input = kNoPadInput;
    bool down = false;
    if (msg.type == MsgType::PadAxis) {
        uint32_t axis = padAxisOf(msg.wParam);
        if (axis != PadTriggerLeft && axis != PadTriggerRight) {
            add(out, msg.type, msg.wParam);
            return;
        }
        input = axis == PadTriggerLeft ? kPadTriggerLeft : kPadTriggerRight;
        int action = padActionOn(routing.bindings, input);
        uint8_t target = action >= 0 ? routing.defaults.pad[action] : uint8_t{kNoPadInput};
        if (target == input) {
            add(out, msg.type, msg.wParam);
            return;
        }
        // A trigger standing for a button presses it past half travel.
        bool& wasHeld = routing.triggerHeld[input - kPadTriggerLeft];
        down = padValueOf(msg.wParam) >= kTriggerPressed;
        if (down == wasHeld) return;
        wasHeld = down;
        if (target != kNoPadInput) padAs(out, target, down);
        return;
    }
    input = static_cast<uint8_t>(msg.wParam);
    down = msg.type == MsgType::PadButtonDown;
    int action = padActionOn(routing.bindings, input);
    if (action >= 0) {
        padAs(out, routing.defaults.pad[action], down);
    } else if (isDefaultPadInput(input)) {
        // Its usual action moved elsewhere: it is just a button now.
        add(out, msg.type, PadGuide);
    } else {
        add(out, msg.type, msg.wParam);
    }
}

} // namespace

void setRouting(const Bindings& bindings, bool runToggle, bool fireToggle) {
    routing.bindings = bindings;
    routing.runToggle = runToggle;
    routing.fireToggle = fireToggle;
    if (!runToggle) routing.runLatched = false;
    if (!fireToggle) routing.fireLatched = false;
}

void resetRouting() {
    routing.runLatched = routing.fireLatched = false;
    routing.triggerHeld[0] = routing.triggerHeld[1] = false;
}

RoutedMessages routeMessage(const Message& msg, uint32_t physical) {
    RoutedMessages out;
    switch (msg.type) {
    case MsgType::KeyDown:
    case MsgType::KeyUp:
    case MsgType::LButtonDown:
    case MsgType::LButtonUp:
    case MsgType::RButtonDown:
    case MsgType::RButtonUp:
    case MsgType::OtherButtonDown:
    case MsgType::OtherButtonUp:
    case MsgType::Wheel:
        if (physical == 0)
            add(out, msg.type, msg.wParam);
        else
            routeKeyboard(out, msg, physical);
        break;
    case MsgType::PadButtonDown:
    case MsgType::PadButtonUp:
    case MsgType::PadAxis:
        // The menu reads the pad as it is: A, B and Start always work there.
        if (session().input.menuShown)
            add(out, msg.type, msg.wParam);
        else
            routePad(out, msg);
        break;
    case MsgType::FocusLost:
        resetRouting();
        add(out, msg.type, msg.wParam);
        break;
    default:
        add(out, msg.type, msg.wParam);
        break;
    }
    // Messages the window procedure has no use for never go further.
    int kept = 0;
    for (int i = 0; i < out.count; ++i) {
        MsgType t = out.messages[i].type;
        if (t != MsgType::OtherButtonDown && t != MsgType::OtherButtonUp && t != MsgType::Wheel)
            out.messages[kept++] = out.messages[i];
    }
    out.count = kept;
    return out;
}
