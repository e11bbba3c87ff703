// The Options screen's rows: which rows each page has, what a row steps
// through or does when chosen, the questions it asks and the keys and
// buttons it captures. The messages that reach them are in
// options_screen_input.cpp.
#include <cmath>
#include <string>

#include "app/options_apply.h"
#include "app/options_screen_input.h"
#include "app/options_screen_state.h"
#include "input/bindings.h"

namespace options_screen {

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
#ifdef QUORVEX_WEB
        // Only the page has touch controls.
        out[n++] = {Row::TouchSize, 0};
        out[n++] = {Row::TouchOpacity, 0};
        out[n++] = {Row::TouchLeftHanded, 0};
        out[n++] = {Row::TouchVibration, 0};
#endif
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
           r == Row::AimColour || r == Row::DeadZone || r == Row::AimReach || r == Row::TouchSize ||
           r == Row::TouchOpacity;
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
    case Row::TouchSize:
        o.touchSize =
            stepValue(o.touchSize, kTouchSizeStep, kMinTouchSize, kMaxTouchSize, dir, wrap);
        break;
    case Row::TouchOpacity:
        o.touchOpacity = stepValue(o.touchOpacity, kTouchOpacityStep, kMinTouchOpacity,
                                   kMaxTouchOpacity, dir, wrap);
        break;
    case Row::TouchLeftHanded:
        o.touchLeftHanded = !o.touchLeftHanded;
        break;
    case Row::TouchVibration:
        o.touchVibration = !o.touchVibration;
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
#ifdef QUORVEX_WEB
    case Row::Server:
        note("The page sends only to the server it came from");
        break;
#else
    case Row::Server:
#endif
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

} // namespace options_screen
