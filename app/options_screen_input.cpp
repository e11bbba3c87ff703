#include "app/options_screen_input.h"

#include <cstdarg>
#include <cstdio>

#include "app/options_apply.h"
#include "app/options_file.h"
#include "app/options_screen_state.h"
#include "game/world/world.h"
#include "input/input.h"
#include "session/aim_cursor.h"
#include "session/pad_controls.h"
#include "session/session.h"
#include "ui/menu.h"

namespace options_screen {

Screen screen;
OnlinePage onlinePage;
Held held;
Plate plate;
PadState padSeen;

void note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(screen.notice, sizeof screen.notice, format, args);
    va_end(args);
}

// Up and down; left and right step the value (on the tabs, the page).
void navigate(int dy, int dx) {
    if (asking()) {
        if (dx != 0) screen.choice = dx > 0 ? 1 : 0;
        return;
    }
    int count = 0;
    RowRef row = currentRow(&count);
    if (dy != 0) {
        screen.selected = (screen.selected + dy + count) % count;
        screen.notice[0] = '\0';
    }
    if (dx != 0) adjust(row, dx, false);
}

void press() {
    if (asking()) {
        answer(screen.choice);
        return;
    }
    activate(currentRow());
}

void back() {
    if (asking()) {
        answer(0);
        return;
    }
    closeOptionsScreen();
}

void click(Vec2 p) {
    if (asking()) {
        int c = optionsChoiceAt(p);
        if (c >= 0) answer(c);
        return;
    }
    int tab = optionsTabAt(p);
    if (tab >= 0) {
        screen.page = tab;
        screen.selected = 0;
        return;
    }
    int count = 0;
    currentRow(&count);
    int index = optionsRowAt(p, count);
    if (index < 1) return;
    screen.selected = index;
    RowRef row = currentRow();
    int side = optionsValueSide(p);
    if (stepped(row.kind) && side != 0)
        adjust(row, side, false);
    else
        activate(row);
}

// One push of the stick: the direction it entered, or 0.
void stickPush(const PadState& before, const PadState& now, int& dy, int& dx) {
    PadDirections was = padWalk(before), is = padWalk(now);
    dy = (is.down && !was.down) ? 1 : ((is.up && !was.up) ? -1 : 0);
    dx = (is.right && !was.right) ? 1 : ((is.left && !was.left) ? -1 : 0);
}

bool stickAxis(uint32_t axis) {
    return axis == PadLeftX || axis == PadLeftY;
}

// The screen's share of a message while it is open.
bool screenMessage(const Message& msg, uint32_t physical, const PadState& before) {
    if (screen.mode == Mode::EditText && editMessage(msg, physical)) return true;
    const bool repeat = (physical & PhysicalRepeat) != 0;
    const uint32_t code = msg.wParam;
    switch (msg.type) {
    case MsgType::Text:
        return true;
    case MsgType::KeyDown:
        if (code < 256 && screen.ignoreKey[code]) return true;
        if (capturing()) {
            if (code == VkEscape) {
                cancelCapture("Nothing changed");
            } else if (screen.mode == Mode::CaptureKey && !repeat && physical != 0) {
                captureKey(static_cast<uint16_t>(physical & ~PhysicalRepeat));
            }
            return true;
        }
        if (code == VkUp) navigate(-1, 0);
        if (code == VkDown) navigate(1, 0);
        if (code == VkLeft) navigate(0, -1);
        if (code == VkRight) navigate(0, 1);
        if (code == kVkReturn && !repeat) press();
        if (code == VkEscape && !repeat) back();
        return true;
    case MsgType::KeyUp:
        if (code < 256) screen.ignoreKey[code] = false;
        return false;
    case MsgType::LButtonDown:
        screen.clickStarted = !capturing();
        if (screen.mode == Mode::CaptureKey) captureKey(kMouseLeft);
        return true;
    case MsgType::LButtonUp:
        if (screen.clickStarted) click(world().cursorArena);
        screen.clickStarted = false;
        return true;
    case MsgType::RButtonDown:
        if (screen.mode == Mode::CaptureKey) captureKey(kMouseRight);
        return true;
    case MsgType::OtherButtonDown:
    case MsgType::Wheel:
        if (screen.mode == Mode::CaptureKey) captureKey(static_cast<uint16_t>(code));
        return true;
    case MsgType::OtherButtonUp:
        return true;
    case MsgType::PadButtonDown:
        if (code >= PadButtonCount || screen.ignorePad[code]) return true;
        if (capturing()) {
            if (code == PadBack)
                cancelCapture("Nothing changed");
            else if (screen.mode == Mode::CapturePad)
                capturePad(static_cast<uint8_t>(code));
            return true;
        }
        if (code == PadDpadUp) navigate(-1, 0);
        if (code == PadDpadDown) navigate(1, 0);
        if (code == PadDpadLeft) navigate(0, -1);
        if (code == PadDpadRight) navigate(0, 1);
        if (code == PadA) press();
        if (code == PadB || code == PadBack || code == PadStart) back();
        return true;
    case MsgType::PadButtonUp:
        if (code < PadButtonCount) screen.ignorePad[code] = false;
        // A's release would choose the menu item under the screen.
        return code == PadA;
    case MsgType::PadAxis: {
        uint32_t axis = padAxisOf(code);
        if (screen.mode == Mode::CapturePad &&
            (axis == PadTriggerLeft || axis == PadTriggerRight) &&
            before.axis[axis] < kTriggerPressed && padValueOf(code) >= kTriggerPressed) {
            capturePad(axis == PadTriggerLeft ? kPadTriggerLeft : kPadTriggerRight);
            return true;
        }
        if (!stickAxis(axis) || capturing()) return true;
        int dy = 0, dx = 0;
        stickPush(before, padSeen, dy, dx);
        if (dy != 0 || dx != 0) navigate(dy, dx);
        return true;
    }
    case MsgType::PadRemoved:
        if (capturing()) cancelCapture("The pad went away; nothing changed");
        return false;
    default:
        return false;
    }
}

// The menu's share: the Options plate chosen by the arrows or the pad,
// and opened by Enter, A or a click on it.
bool menuMessage(const Message& msg, uint32_t physical, const PadState& before, bool wasHeld) {
    World& w = world();
    const uint32_t code = msg.wParam;
    switch (msg.type) {
    case MsgType::KeyDown:
        if (wasHeld || (physical & PhysicalRepeat) != 0) return false;
        if (code == VkUp || code == VkDown) plate.chosen = !plate.chosen;
        if (code == kVkReturn && plate.chosen) {
            openOptionsScreen();
            return true;
        }
        return false;
    case MsgType::LButtonUp:
        // The rules hover nothing there: the release is harmless to them.
        if (overOptionsPlate(w.cursorArena)) openOptionsScreen();
        return false;
    case MsgType::PadButtonDown:
        if (plate.chosen) {
            if (code == PadA) {
                plate.pressedA = !wasHeld;
                return true;
            }
            if (code == PadDpadUp) {
                plate.chosen = false;
                return true;
            }
            if (code == PadDpadDown || code == PadB || code == PadStart) plate.chosen = false;
            return false;
        }
        if ((code == PadDpadDown && session().input.menuHover == itemAboveOptions()) ||
            (code == PadDpadUp && session().input.menuHover == itemBelowOptions())) {
            plate.chosen = true;
            return true;
        }
        return false;
    case MsgType::PadButtonUp:
        if (code == PadA && plate.pressedA) {
            plate.pressedA = false;
            openOptionsScreen();
            return true;
        }
        return false;
    case MsgType::PadAxis: {
        if (!stickAxis(padAxisOf(code))) return false;
        if (plate.swallowStick) {
            PadDirections d = padWalk(padSeen);
            if (d.up || d.down) return true;
            plate.swallowStick = false;
            return false;
        }
        int dy = 0, dx = 0;
        stickPush(before, padSeen, dy, dx);
        if (dy == 0) return false;
        if (plate.chosen) {
            plate.chosen = false;
            plate.swallowStick = dy < 0;
            return dy < 0;
        }
        if ((dy > 0 && session().input.menuHover == itemAboveOptions()) ||
            (dy < 0 && session().input.menuHover == itemBelowOptions())) {
            plate.chosen = true;
            plate.swallowStick = true;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void trackHeld(const Message& msg) {
    padOnMessage(padSeen, msg);
    const uint32_t code = msg.wParam;
    switch (msg.type) {
    case MsgType::KeyDown:
    case MsgType::KeyUp:
        if (code < 256) held.key[code] = msg.type == MsgType::KeyDown;
        break;
    case MsgType::LButtonDown:
    case MsgType::LButtonUp:
        held.left = msg.type == MsgType::LButtonDown;
        break;
    case MsgType::PadButtonDown:
    case MsgType::PadButtonUp:
        if (code < PadButtonCount) held.pad[code] = msg.type == MsgType::PadButtonDown;
        break;
    case MsgType::PadRemoved:
        padSeen = PadState{};
        for (bool& b : held.pad)
            b = false;
        break;
    case MsgType::FocusLost:
        held = Held{};
        break;
    default:
        break;
    }
}

} // namespace options_screen

using namespace options_screen;

bool optionsScreenOpen() {
    return screen.open;
}

bool optionsPlateChosen() {
    return plate.chosen && session().input.menuShown && !screen.open;
}

bool optionsScreenMessage(const Message& msg, uint32_t physical) {
    PadState before = padSeen;
    bool wasHeld = false;
    if (msg.type == MsgType::KeyDown && msg.wParam < 256) wasHeld = held.key[msg.wParam];
    if (msg.type == MsgType::PadButtonDown && msg.wParam < PadButtonCount)
        wasHeld = held.pad[msg.wParam];
    trackHeld(msg);
    if (screen.open) return screenMessage(msg, physical, before);
    if (!session().input.menuShown) {
        plate = Plate{};
        return false;
    }
    return menuMessage(msg, physical, before, wasHeld);
}

bool reachesGameUnderOptions(const Message& routed) {
    switch (routed.type) {
    case MsgType::KeyUp:
    case MsgType::RButtonUp:
    case MsgType::FocusLost:
    case MsgType::FocusGained:
    case MsgType::PadAdded:
    case MsgType::PadRemoved:
    case MsgType::Destroy:
        return true;
    case MsgType::PadButtonUp:
        return routed.wParam != PadA;
    default:
        return false;
    }
}

void openOptionsScreen() {
    screen.open = true;
    screen.page = 0;
    screen.selected = 1;
    screen.mode = Mode::Browse;
    screen.edit = activeOptions();
    screen.changed = false;
    screen.notice[0] = '\0';
    screen.clickStarted = false;
    screen.lastCursor = world().cursorArena;
    onlinePage = OnlinePage{};
    readOnlineConfig();
    for (int i = 0; i < 256; ++i)
        screen.ignoreKey[i] = held.key[i];
    for (uint32_t i = 0; i < PadButtonCount; ++i)
        screen.ignorePad[i] = held.pad[i];
    plate = Plate{};
}

void closeOptionsScreen() {
    if (!screen.open) return;
    if (screen.mode == Mode::ConfirmDisplay) revertDisplay();
    if (screen.mode == Mode::EditText) platform::stopTextInput();
    screen.open = false;
    screen.mode = Mode::Browse;
    if (screen.changed) savePlayerOptions(activeOptions());
}

void resetOptionsScreen() {
    if (screen.mode == Mode::EditText) platform::stopTextInput();
    screen = Screen{};
    onlinePage = OnlinePage{};
    held = Held{};
    plate = Plate{};
    padSeen = PadState{};
}

void optionsScreenFrame() {
    World& w = world();
    if (!screen.open) {
        // The mouse moving takes the choice back from the keys and the pad.
        if (!session().input.menuShown ||
            (session().input.padMenuCursor == 0 &&
             (w.cursorArena.x != plate.lastCursor.x || w.cursorArena.y != plate.lastCursor.y)))
            plate.chosen = false;
        plate.lastCursor = w.cursorArena;
        return;
    }
    // The page's offer of Online lies over Game Over, with no menu under it.
    if (!session().input.menuShown && !onlinePage.offering) {
        closeOptionsScreen();
        return;
    }
    if (screen.mode == Mode::ConfirmDisplay &&
        platform::tickCount() - screen.confirmSince >= kConfirmMs)
        revertDisplay();
    if (w.cursorArena.x != screen.lastCursor.x || w.cursorArena.y != screen.lastCursor.y) {
        screen.lastCursor = w.cursorArena;
        if (asking()) {
            int c = optionsChoiceAt(w.cursorArena);
            if (c >= 0) screen.choice = c;
        } else if (!capturing() && screen.mode != Mode::EditText) {
            int count = 0;
            currentRow(&count);
            int row = optionsRowAt(w.cursorArena, count);
            if (row >= 0) screen.selected = row;
        }
    }
    static OptionsPicture picture;
    describe(picture);
    drawOptionsScreen(picture);
}
