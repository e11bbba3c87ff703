#include "app/options_screen_input.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/options_apply.h"
#include "app/options_file.h"
#include "app/options_screen_state.h"
#include "game/player/aim_cursor.h"
#include "game/player/pad_controls.h"
#include "input/bindings.h"
#include "input/input.h"
#include "input/pad_state.h"
#include "input/player_options.h"
#include "online/sender.h"
#include "ui/menu.h"
#include "ui/options_screen.h"

namespace options_screen {

Screen screen;
OnlinePage onlinePage;
Held held;
Plate plate;
PadState padSeen;

int pageRows(int page, RowRef* out) {
    int n = 0;
    out[n++] = {Row::Tabs, 0};
    switch (page) {
    case 0:
        out[n++] = {Row::Volume, 0};
        out[n++] = {Row::Mute, 0};
        out[n++] = {Row::MuteUnfocused, 0};
        break;
    case 1:
        out[n++] = {Row::FullScreen, 0};
        out[n++] = {Row::WindowSize, 0};
        out[n++] = {Row::Filter, 0};
        out[n++] = {Row::FrameCap, 0};
        out[n++] = {Row::Fps, 0};
        break;
    case 2:
        for (int a = 0; a < KeyActionCount; ++a)
            out[n++] = {Row::KeyBind, a};
        for (int a = 0; a < PadActionCount; ++a)
            out[n++] = {Row::PadBind, a};
        out[n++] = {Row::ResetControls, 0};
        break;
    case 3:
        out[n++] = {Row::Difficulty, 0};
        out[n++] = {Row::RunMode, 0};
        out[n++] = {Row::FireMode, 0};
        out[n++] = {Row::AimLine, 0};
        out[n++] = {Row::AimColour, 0};
        out[n++] = {Row::DeadZone, 0};
        out[n++] = {Row::AimReach, 0};
        out[n++] = {Row::Rumble, 0};
        break;
    default:
        out[n++] = {Row::OnlineOn, 0};
        out[n++] = {Row::Server, 0};
        out[n++] = {Row::Name, 0};
        out[n++] = {Row::Forget, 0};
        break;
    }
    out[n++] = {Row::Back, 0};
    return n;
}

RowRef currentRow(int* count) {
    RowRef rows[kOptionsRowMax];
    int n = pageRows(screen.page, rows);
    if (count) *count = n;
    if (screen.selected < 0 || screen.selected >= n) screen.selected = 0;
    return rows[screen.selected];
}

bool stepped(Row r) {
    return r == Row::Volume || r == Row::WindowSize || r == Row::Difficulty ||
           r == Row::AimColour || r == Row::DeadZone || r == Row::AimReach;
}

std::string keyInputLabel(uint16_t input) {
    if (input == kNoInput) return "-";
    if (input < kScanLimit) return platform::keyLabel(input);
    return mouseInputName(input);
}

const char* padInputLabel(uint8_t input) {
    static const char* const kNames[kPadInputCount] = {
        "A",          "B",          "X",           "Y",  "Back", "Guide",
        "Start",      "L stick",    "R stick",     "LB", "RB",   "D-pad up",
        "D-pad down", "D-pad left", "D-pad right", "LT", "RT"};
    return input < kPadInputCount ? kNames[input] : "-";
}

// Every change is in force at once (the rules' values from the next New
// Game); options.ini is written when the screen closes.
void changed() {
    screen.changed = true;
    applyOptions(screen.edit);
}

void beginDisplayConfirm(const PlayerOptions& before) {
    // A second change while asking still goes back to the display before
    // the first one.
    if (screen.mode != Mode::ConfirmDisplay) screen.displayBefore = before;
    applyDisplayOptions(screen.edit);
    screen.changed = true;
    screen.mode = Mode::ConfirmDisplay;
    screen.choice = 1;
    screen.confirmSince = platform::tickCount();
}

void revertDisplay() {
    screen.edit.fullScreen = screen.displayBefore.fullScreen;
    screen.edit.width = screen.displayBefore.width;
    screen.edit.height = screen.displayBefore.height;
    applyDisplayOptions(screen.edit);
    screen.mode = Mode::Browse;
    note("The display went back to what it was");
}

int sizeIndex(const PlayerOptions& o) {
    for (int i = 0; i < 3; ++i)
        if (kScreenSizes[i].width == o.width && kScreenSizes[i].height == o.height) return i;
    return 2;
}

// A value that moves in steps between two ends; `wrap` goes round from the
// top to the bottom (Enter, A and clicks), arrows stop at the ends.
float stepValue(float value, float step, float low, float high, int dir, bool wrap) {
    float index = std::round((value - low) / step) + static_cast<float>(dir);
    float top = std::round((high - low) / step);
    if (index > top) index = wrap ? 0.0f : top;
    if (index < 0.0f) index = 0.0f;
    return low + index * step;
}

void selectRow(Row kind) {
    RowRef rows[kOptionsRowMax];
    int n = pageRows(screen.page, rows);
    for (int i = 0; i < n; ++i)
        if (rows[i].kind == kind) screen.selected = i;
}

void adjust(RowRef row, int dir, bool wrap) {
    PlayerOptions& o = screen.edit;
    PlayerOptions before = o;
    switch (row.kind) {
    case Row::Tabs:
        screen.page = (screen.page + dir + kOptionsPageCount) % kOptionsPageCount;
        screen.selected = 0;
        return;
    case Row::Volume:
        o.volume = static_cast<int32_t>(
            stepValue(static_cast<float>(o.volume), 5.0f, 0.0f, 100.0f, dir, wrap));
        break;
    case Row::Mute:
        o.mute = !o.mute;
        break;
    case Row::MuteUnfocused:
        o.muteUnfocused = !o.muteUnfocused;
        break;
    case Row::FullScreen:
        o.fullScreen = !o.fullScreen;
        beginDisplayConfirm(before);
        return;
    case Row::WindowSize: {
        const ScreenSize& s = kScreenSizes[(sizeIndex(o) + dir + 3) % 3];
        o.width = s.width;
        o.height = s.height;
        beginDisplayConfirm(before);
        return;
    }
    case Row::Filter:
        o.scaleFilter =
            o.scaleFilter == ScaleFilter::Sharp ? ScaleFilter::Smooth : ScaleFilter::Sharp;
        break;
    case Row::FrameCap:
        o.frameCap = !o.frameCap;
        break;
    case Row::Fps:
        o.fpsCounter = !o.fpsCounter;
        break;
    case Row::Difficulty: {
        Difficulty d = difficultyOf(o.spawnAcceleration);
        int next = d == Difficulty::Custom ? 1 : (static_cast<int>(d) + dir + 3) % 3;
        o.spawnAcceleration = kDifficultyAcceleration[next];
        break;
    }
    case Row::RunMode:
        o.runToggle = !o.runToggle;
        break;
    case Row::FireMode:
        o.fireToggle = !o.fireToggle;
        break;
    case Row::AimLine:
        o.aimLine = !o.aimLine;
        break;
    case Row::AimColour: {
        int count = static_cast<int>(AimColour::Count);
        o.aimLineColour =
            static_cast<AimColour>((static_cast<int>(o.aimLineColour) + dir + count) % count);
        break;
    }
    case Row::DeadZone:
        o.padDeadZone = stepValue(o.padDeadZone, 0.05f, kMinDeadZone, kMaxDeadZone, dir, wrap);
        break;
    case Row::AimReach:
        o.padAimReach = stepValue(o.padAimReach, 0.1f, kMinAimReach, kMaxAimReach, dir, wrap);
        break;
    case Row::Rumble:
        o.rumble = !o.rumble;
        break;
    case Row::OnlineOn:
        turnOnline(!onlineOn());
        return;
    default:
        return;
    }
    changed();
}

void activate(RowRef row) {
    screen.notice[0] = '\0';
    switch (row.kind) {
    case Row::KeyBind:
        screen.mode = Mode::CaptureKey;
        screen.captureAction = row.action;
        break;
    case Row::PadBind:
        screen.mode = Mode::CapturePad;
        screen.captureAction = row.action;
        break;
    case Row::ResetControls:
        screen.mode = Mode::ConfirmReset;
        screen.choice = 0;
        break;
    case Row::Server:
    case Row::Name:
        onlinePage.enabling = false;
        note("Type, then Enter to keep it or Escape to cancel");
        beginEdit(row.kind);
        break;
    case Row::Forget:
        screen.mode = Mode::ConfirmForget;
        screen.choice = 0;
        break;
    case Row::Back:
        closeOptionsScreen();
        break;
    default:
        adjust(row, 1, true);
        break;
    }
}

void answer(int choice) {
    if (screen.mode == Mode::ConfirmDisplay) {
        if (choice == 1) {
            screen.mode = Mode::Browse;
            note("Display kept");
        } else {
            revertDisplay();
        }
        return;
    }
    bool forget = screen.mode == Mode::ConfirmForget;
    screen.mode = Mode::Browse;
    if (choice != 1) return;
    if (forget) {
        askForget();
        return;
    }
    screen.edit.bindings = defaultBindings();
    changed();
    note("Controls reset to their defaults");
}

void cancelCapture(const char* why) {
    screen.mode = Mode::Browse;
    note("%s", why);
}

void captureKey(uint16_t input) {
    int action = screen.captureAction;
    Bindings& b = screen.edit.bindings;
    int other = bindKey(b, action, input);
    screen.mode = Mode::Browse;
    if (other == -2) {
        note("%s belongs to the menu; nothing changed", keyInputLabel(input).c_str());
        return;
    }
    changed();
    // The rows show where each went; the line says that two moved.
    if (other >= 0)
        note("%s swapped with %s", keyActionLabel(action), keyActionLabel(other));
    else
        note("%s on %s", keyActionLabel(action), keyInputLabel(input).c_str());
}

void capturePad(uint8_t input) {
    int action = screen.captureAction;
    Bindings& b = screen.edit.bindings;
    int other = bindPad(b, action, input);
    screen.mode = Mode::Browse;
    if (other == -2) {
        note("%s belongs to the menu; nothing changed", padInputLabel(input));
        return;
    }
    changed();
    if (other >= 0)
        note("Pad: %s swapped with %s", padActionLabel(action), padActionLabel(other));
    else
        note("%s on %s", padActionLabel(action), padInputLabel(input));
}

bool asking() {
    return screen.mode == Mode::ConfirmDisplay || screen.mode == Mode::ConfirmReset ||
           screen.mode == Mode::ConfirmForget;
}

bool capturing() {
    return screen.mode == Mode::CaptureKey || screen.mode == Mode::CapturePad;
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
        if (screen.clickStarted) click(cursorArena);
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
        if (overOptionsPlate(cursorArena)) openOptionsScreen();
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
        if ((code == PadDpadDown && menuHover == 1) || (code == PadDpadUp && menuHover == 2)) {
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
        if ((dy > 0 && menuHover == 1) || (dy < 0 && menuHover == 2)) {
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
    return plate.chosen && menuShown && !screen.open;
}

bool optionsScreenMessage(const Message& msg, uint32_t physical) {
    PadState before = padSeen;
    bool wasHeld = false;
    if (msg.type == MsgType::KeyDown && msg.wParam < 256) wasHeld = held.key[msg.wParam];
    if (msg.type == MsgType::PadButtonDown && msg.wParam < PadButtonCount)
        wasHeld = held.pad[msg.wParam];
    trackHeld(msg);
    if (screen.open) return screenMessage(msg, physical, before);
    if (!menuShown) {
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
    screen.lastCursor = cursorArena;
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
    if (!screen.open) {
        // The mouse moving takes the choice back from the keys and the pad.
        if (!menuShown || (padMenuCursor == 0 && (cursorArena.x != plate.lastCursor.x ||
                                                  cursorArena.y != plate.lastCursor.y)))
            plate.chosen = false;
        plate.lastCursor = cursorArena;
        return;
    }
    if (!menuShown) {
        closeOptionsScreen();
        return;
    }
    if (screen.mode == Mode::ConfirmDisplay &&
        platform::tickCount() - screen.confirmSince >= kConfirmMs)
        revertDisplay();
    if (cursorArena.x != screen.lastCursor.x || cursorArena.y != screen.lastCursor.y) {
        screen.lastCursor = cursorArena;
        if (asking()) {
            int c = optionsChoiceAt(cursorArena);
            if (c >= 0) screen.choice = c;
        } else if (!capturing() && screen.mode != Mode::EditText) {
            int count = 0;
            currentRow(&count);
            int row = optionsRowAt(cursorArena, count);
            if (row >= 0) screen.selected = row;
        }
    }
    static OptionsPicture picture;
    describe(picture);
    drawOptionsScreen(picture);
}
