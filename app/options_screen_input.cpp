#include "app/options_screen_input.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/options_apply.h"
#include "app/options_file.h"
#include "game/player/aim_cursor.h"
#include "game/player/pad_controls.h"
#include "input/bindings.h"
#include "input/input.h"
#include "input/pad_state.h"
#include "input/player_options.h"
#include "online/sender.h"
#include "ui/menu.h"
#include "ui/options_screen.h"

namespace {

constexpr uint32_t kVkBackspace = 8;
constexpr uint32_t kVkReturn = 13;
// A new display stays this long unless the player keeps it.
constexpr uint32_t kConfirmMs = 10000;
constexpr int16_t kTriggerPressed = 16384;

enum class Row : uint8_t {
    Tabs,
    Volume,
    Mute,
    MuteUnfocused,
    FullScreen,
    WindowSize,
    Filter,
    FrameCap,
    Fps,
    KeyBind,
    PadBind,
    ResetControls,
    Difficulty,
    RunMode,
    FireMode,
    AimLine,
    AimColour,
    DeadZone,
    AimReach,
    Rumble,
    OnlineOn,
    Server,
    Name,
    Forget,
    Back,
};

struct RowRef {
    Row kind = Row::Back;
    int action = 0;
};

enum class Mode : uint8_t {
    Browse,
    CaptureKey,
    CapturePad,
    ConfirmDisplay,
    ConfirmReset,
    ConfirmForget,
    EditText,
};

struct Screen {
    bool open = false;
    int page = 0;
    int selected = 1;
    Mode mode = Mode::Browse;
    int captureAction = 0;
    int choice = 0;
    uint32_t confirmSince = 0;
    PlayerOptions edit;
    PlayerOptions displayBefore;
    bool changed = false;
    char notice[96] = {};
    // Pressed before the screen opened: ignored until let go.
    bool ignoreKey[256] = {};
    bool ignorePad[PadButtonCount] = {};
    bool clickStarted = false;
    Vec2 lastCursor;
};

// What the player holds, whoever the press went to.
struct Held {
    bool key[256] = {};
    bool pad[PadButtonCount] = {};
    bool left = false;
};

// The menu's Options plate, chosen without the mouse.
struct Plate {
    bool chosen = false;
    bool pressedA = false;
    bool swallowStick = false; // the stick push that moved onto it or off it
    Vec2 lastCursor;
};

// The Online page: online.ini's server and name as last read (a frame
// copies no strings), the field being typed, and a forget under way.
struct OnlinePage {
    char server[256] = {};
    char name[96] = {};
    Row field = Row::Server;
    char text[256] = {};
    size_t length = 0;
    bool enabling = false; // turning Online on waits for the field
    bool forgetting = false;
    uint32_t forgetSince = 0;
    char reasonBefore[128] = {};
};

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

RowRef currentRow(int* count = nullptr) {
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

template <typename... Args> void note(const char* format, Args... args) {
    std::snprintf(screen.notice, sizeof screen.notice, format, args...);
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

void readOnlineConfig() {
    online::OnlineConfig c = online::currentConfig();
    std::snprintf(onlinePage.server, sizeof onlinePage.server, "%s", c.server.c_str());
    std::snprintf(onlinePage.name, sizeof onlinePage.name, "%s", c.name.c_str());
}

bool onlineOn() {
    online::Status status;
    online::readStatus(status);
    return status.enabled;
}

void selectRow(Row kind) {
    RowRef rows[kOptionsRowMax];
    int n = pageRows(screen.page, rows);
    for (int i = 0; i < n; ++i)
        if (rows[i].kind == kind) screen.selected = i;
}

void beginEdit(Row field) {
    onlinePage.field = field;
    const char* now = field == Row::Server ? onlinePage.server : onlinePage.name;
    std::snprintf(onlinePage.text, sizeof onlinePage.text, "%s", now);
    onlinePage.length = std::strlen(onlinePage.text);
    selectRow(field);
    screen.mode = Mode::EditText;
    platform::startTextInput();
}

void endEdit() {
    screen.mode = Mode::Browse;
    platform::stopTextInput();
}

// On asks first for what is missing, one field at a time, then turns on.
void turnOnline(bool on) {
    onlinePage.enabling = false;
    if (on && onlinePage.server[0] == '\0') {
        onlinePage.enabling = true;
        note("Type the server's address first");
        beginEdit(Row::Server);
        return;
    }
    if (on && onlinePage.name[0] == '\0') {
        onlinePage.enabling = true;
        note("Choose a name first");
        beginEdit(Row::Name);
        return;
    }
    std::string why;
    if (online::setEnabled(on, &why))
        note("%s", on ? "Online on" : "Online off: nothing leaves this machine");
    else
        note("%s: %s", on ? "Online stays off" : "Not saved", why.c_str());
}

void acceptEdit() {
    std::string value(onlinePage.text, onlinePage.length);
    std::string why;
    bool server = onlinePage.field == Row::Server;
    bool ok = server ? online::setServer(value, &why) : online::setName(value, &why);
    if (!ok) {
        // Still typing: the help line keeps the rules in view.
        note("Not kept: %s", why.c_str());
        return;
    }
    endEdit();
    readOnlineConfig();
    note("%s", server ? "Server kept" : "Name kept");
    if (onlinePage.enabling) turnOnline(true);
}

void cancelEdit() {
    endEdit();
    note("%s", onlinePage.enabling ? "Online stays off" : "Nothing changed");
    onlinePage.enabling = false;
}

// Controls and the marks that let text run the wrong way are never typed.
bool typeable(uint32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c > 0x10FFFF) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return !(c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
             (c >= 0x2066 && c <= 0x2069));
}

void typeChar(uint32_t c) {
    if (!typeable(c)) return;
    char bytes[4];
    size_t n = 0;
    if (c < 0x80) {
        bytes[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        bytes[n++] = static_cast<char>(0xC0 | (c >> 6));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes[n++] = static_cast<char>(0xE0 | (c >> 12));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes[n++] = static_cast<char>(0xF0 | (c >> 18));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    // A name has at most 20 characters of at most 4 bytes.
    size_t limit = onlinePage.field == Row::Name ? 80 : sizeof onlinePage.text - 1;
    if (onlinePage.length + n > limit) return;
    std::memcpy(onlinePage.text + onlinePage.length, bytes, n);
    onlinePage.length += n;
    onlinePage.text[onlinePage.length] = '\0';
}

void eraseChar() {
    size_t& n = onlinePage.length;
    while (n > 0 && (static_cast<unsigned char>(onlinePage.text[n - 1]) & 0xC0) == 0x80)
        --n;
    if (n > 0) --n;
    onlinePage.text[n] = '\0';
}

// The typed field's share of a message: every key and button stays here.
bool editMessage(const Message& msg, uint32_t physical) {
    const uint32_t code = msg.wParam;
    switch (msg.type) {
    case MsgType::Text:
        typeChar(code);
        return true;
    case MsgType::KeyDown:
        if (code < 256 && screen.ignoreKey[code]) return true;
        if (code == kVkBackspace) eraseChar();
        if ((physical & PhysicalRepeat) != 0) return true;
        if (code == kVkReturn) acceptEdit();
        if (code == VkEscape) cancelEdit();
        return true;
    case MsgType::LButtonDown:
        screen.clickStarted = false;
        return true;
    case MsgType::LButtonUp:
        acceptEdit();
        return true;
    case MsgType::PadButtonDown:
        if (code >= PadButtonCount || screen.ignorePad[code]) return true;
        if (code == PadA) acceptEdit();
        if (code == PadB || code == PadBack) cancelEdit();
        return true;
    case MsgType::PadAxis:
        return true; // the stick would move off the field
    default:
        return false;
    }
}

void askForget() {
    onlinePage.forgetting = true;
    onlinePage.forgetSince = platform::tickCount();
    online::Status status;
    online::readStatus(status);
    std::memcpy(onlinePage.reasonBefore, status.reason, sizeof status.reason);
    online::forgetMe();
    note("Asking the server to forget you...");
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

const char* helpFor(RowRef row, char* buffer, size_t size) {
    switch (row.kind) {
    case Row::Tabs:
        return "Left and right change the page";
    case Row::Volume:
        return "Loudness of every sound, 0 to 100";
    case Row::Mute:
        return "Silences every sound";
    case Row::MuteUnfocused:
        return "Silences the game while another window is in front";
    case Row::FullScreen:
        return "Fills the display; kept only when you say so";
    case Row::WindowSize:
        return "The window's size; kept only when you say so";
    case Row::Filter:
        return "Scaling: sharp whole pixels, or smooth";
    case Row::FrameCap:
        return "Waits for the display between frames";
    case Row::Fps:
        return "Shows the frame rate in the corner";
    case Row::KeyBind:
        std::snprintf(buffer, size, "Enter, then the key or button for %s",
                      keyActionLabel(row.action));
        return buffer;
    case Row::PadBind:
        std::snprintf(buffer, size, "A, then the pad button for %s", padActionLabel(row.action));
        return buffer;
    case Row::ResetControls:
        return "Every key and pad button back where it started";
    case Row::Difficulty:
        return "How fast the swarm grows; from the next New Game";
    case Row::RunMode:
        return "Run while held, or press once to run and again to walk";
    case Row::FireMode:
        return "Fire while held, or press once to fire and again to stop";
    case Row::AimLine:
        return "A line from the Marine to the crosshair";
    case Row::AimColour:
        return "The aim line's colour";
    case Row::DeadZone:
        return "Stick travel that still counts as rest; next New Game";
    case Row::AimReach:
        return "How far the right stick aims; from the next New Game";
    case Row::Rumble:
        return "Shakes the pad when the Marine is hurt";
    case Row::OnlineOn:
        return "Sends finished games to the server; nothing leaves while off";
    case Row::Server:
        return "The leaderboard server's address, http:// or https://";
    case Row::Name:
        return online::kNameRules;
    case Row::Forget:
        return "Asks the server to forget you, then drops your token";
    default:
        return "Back to the menu (Escape, B)";
    }
}

// The font has ASCII alone: other characters show as '?'. A long value
// shows its start, or while typed its end, with the caret.
void showField(const char* text, bool typing, char* out, size_t size) {
    constexpr size_t kShown = 22;
    char plain[256];
    size_t n = 0;
    for (const char* c = text; *c != '\0' && n + 1 < sizeof plain; ++c) {
        auto b = static_cast<unsigned char>(*c);
        if ((b & 0xC0) == 0x80) continue;
        plain[n++] = b < 0x80 ? *c : '?';
    }
    plain[n] = '\0';
    if (!typing) {
        if (n == 0)
            std::snprintf(out, size, "-");
        else if (n > kShown)
            std::snprintf(out, size, "%.*s...", static_cast<int>(kShown - 3), plain);
        else
            std::snprintf(out, size, "%s", plain);
        return;
    }
    if (n + 1 > kShown)
        std::snprintf(out, size, "...%s_", plain + n - (kShown - 4));
    else
        std::snprintf(out, size, "%s_", plain);
}

const char* onOff(bool on) {
    return on ? "On" : "Off";
}

void describeRow(RowRef ref, OptionsRow& row) {
    const PlayerOptions& o = screen.edit;
    static const char* const kColours[4] = {"Red", "Yellow", "Cyan", "White"};
    const char* label = "";
    row.stepped = stepped(ref.kind);
    row.value[0] = '\0';
    auto value = [&row](const char* format, auto... args) {
        std::snprintf(row.value, sizeof row.value, format, args...);
    };
    switch (ref.kind) {
    case Row::Volume:
        label = "Volume";
        value("%d", o.volume);
        break;
    case Row::Mute:
        label = "Mute";
        value("%s", onOff(o.mute));
        break;
    case Row::MuteUnfocused:
        label = "Mute while unfocused";
        value("%s", onOff(o.muteUnfocused));
        break;
    case Row::FullScreen:
        label = "Full screen";
        value("%s", onOff(o.fullScreen));
        break;
    case Row::WindowSize:
        label = "Window size";
        value("%dx%d", o.width, o.height);
        break;
    case Row::Filter:
        label = "Scaling filter";
        value("%s", o.scaleFilter == ScaleFilter::Sharp ? "Sharp" : "Smooth");
        break;
    case Row::FrameCap:
        label = "Frame cap";
        value("%s", onOff(o.frameCap));
        break;
    case Row::Fps:
        label = "FPS counter";
        value("%s", onOff(o.fpsCounter));
        break;
    case Row::KeyBind:
        label = keyActionLabel(ref.action);
        value("%s", keyInputLabel(o.bindings.key[ref.action]).c_str());
        break;
    case Row::PadBind:
        std::snprintf(row.label, sizeof row.label, "Pad: %s", padActionLabel(ref.action));
        value("%s", padInputLabel(o.bindings.pad[ref.action]));
        return;
    case Row::ResetControls:
        label = "Reset controls";
        break;
    case Row::Difficulty:
        label = "Difficulty";
        value("%s", difficultyName(difficultyOf(o.spawnAcceleration)));
        break;
    case Row::RunMode:
        label = "Run";
        value("%s", o.runToggle ? "Toggle" : "Hold");
        break;
    case Row::FireMode:
        label = "Fire";
        value("%s", o.fireToggle ? "Toggle" : "Hold");
        break;
    case Row::AimLine:
        label = "Aim line";
        value("%s", onOff(o.aimLine));
        break;
    case Row::AimColour:
        label = "Aim line colour";
        value("%s", kColours[static_cast<int>(o.aimLineColour) & 3]);
        break;
    case Row::DeadZone:
        label = "Pad dead zone";
        value("%.2f", static_cast<double>(o.padDeadZone));
        break;
    case Row::AimReach:
        label = "Pad aim reach";
        value("%.1f", static_cast<double>(o.padAimReach));
        break;
    case Row::Rumble:
        label = "Rumble";
        value("%s", onOff(o.rumble));
        break;
    case Row::OnlineOn:
        label = "Online";
        value("%s", onOff(onlineOn()));
        break;
    case Row::Server:
    case Row::Name: {
        label = ref.kind == Row::Server ? "Server" : "Name";
        bool typing = screen.mode == Mode::EditText && onlinePage.field == ref.kind;
        const char* now = ref.kind == Row::Server ? onlinePage.server : onlinePage.name;
        showField(typing ? onlinePage.text : now, typing, row.value, sizeof row.value);
        break;
    }
    case Row::Forget:
        label = "Forget me online";
        break;
    default:
        label = "Back";
        break;
    }
    std::snprintf(row.label, sizeof row.label, "%s", label);
}

// What the sender says back: a forget's outcome, and a name the server
// gave to someone else.
void onlineNotice() {
    online::Status status;
    online::readStatus(status);
    if (onlinePage.forgetting) {
        bool changedSince = std::strcmp(status.reason, onlinePage.reasonBefore) != 0;
        // The same outcome twice in a row leaves the reason as it was.
        bool settled = platform::tickCount() - onlinePage.forgetSince > 3000 &&
                       (std::strncmp(status.reason, "Forgotten", 9) == 0 ||
                        std::strncmp(status.reason, "Not forgotten", 13) == 0);
        if (changedSince || settled) {
            onlinePage.forgetting = false;
            note("%.90s", status.reason);
            readOnlineConfig();
        }
    }
    if (status.nameTaken && screen.notice[0] == '\0' && screen.mode != Mode::EditText)
        note("Name taken, choose another");
}

void describe(OptionsPicture& p) {
    RowRef rows[kOptionsRowMax];
    p.rowCount = pageRows(screen.page, rows);
    p.page = screen.page;
    p.selected = screen.selected;
    for (int i = 1; i < p.rowCount; ++i)
        describeRow(rows[i], p.rows[i]);
    char help[sizeof p.help];
    std::snprintf(p.help, sizeof p.help, "%s", helpFor(currentRow(), help, sizeof help));
    if (screen.page == kOptionsPageCount - 1) onlineNotice();
    std::snprintf(p.notice, sizeof p.notice, "%s", screen.notice);
    p.prompt[0] = '\0';
    p.promptChoices = asking();
    p.promptChoice = screen.choice;
    switch (screen.mode) {
    case Mode::CaptureKey:
        std::snprintf(p.prompt, sizeof p.prompt, "Press a key for %s, Escape to cancel",
                      keyActionLabel(screen.captureAction));
        break;
    case Mode::CapturePad:
        std::snprintf(p.prompt, sizeof p.prompt, "Press a button for %s, Back to cancel",
                      padActionLabel(screen.captureAction));
        break;
    case Mode::ConfirmDisplay: {
        uint32_t gone = platform::tickCount() - screen.confirmSince;
        uint32_t left = gone >= kConfirmMs ? 0 : (kConfirmMs - gone + 999) / 1000;
        std::snprintf(p.prompt, sizeof p.prompt, "Keep this display? %u", left);
        break;
    }
    case Mode::ConfirmReset:
        std::snprintf(p.prompt, sizeof p.prompt, "Reset to defaults?");
        break;
    case Mode::ConfirmForget:
        std::snprintf(p.prompt, sizeof p.prompt, "Forget me online?");
        break;
    default:
        break;
    }
}

} // namespace

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
