#include "platform/web/keys.h"

#include <strings.h>

#include <cstring>

namespace platform::web {

namespace {

const KeyInfo kKeys[] = {
    {"KeyA", 4, "A", 65},
    {"KeyB", 5, "B", 66},
    {"KeyC", 6, "C", 67},
    {"KeyD", 7, "D", 68},
    {"KeyE", 8, "E", 69},
    {"KeyF", 9, "F", 70},
    {"KeyG", 10, "G", 71},
    {"KeyH", 11, "H", 72},
    {"KeyI", 12, "I", 73},
    {"KeyJ", 13, "J", 74},
    {"KeyK", 14, "K", 75},
    {"KeyL", 15, "L", 76},
    {"KeyM", 16, "M", 77},
    {"KeyN", 17, "N", 78},
    {"KeyO", 18, "O", 79},
    {"KeyP", 19, "P", 80},
    {"KeyQ", 20, "Q", 81},
    {"KeyR", 21, "R", 82},
    {"KeyS", 22, "S", 83},
    {"KeyT", 23, "T", 84},
    {"KeyU", 24, "U", 85},
    {"KeyV", 25, "V", 86},
    {"KeyW", 26, "W", 87},
    {"KeyX", 27, "X", 88},
    {"KeyY", 28, "Y", 89},
    {"KeyZ", 29, "Z", 90},
    {"Digit1", 30, "1", 49},
    {"Digit2", 31, "2", 50},
    {"Digit3", 32, "3", 51},
    {"Digit4", 33, "4", 52},
    {"Digit5", 34, "5", 53},
    {"Digit6", 35, "6", 54},
    {"Digit7", 36, "7", 55},
    {"Digit8", 37, "8", 56},
    {"Digit9", 38, "9", 57},
    {"Digit0", 39, "0", 48},
    {"Enter", 40, "Return", 13},
    {"Escape", 41, "Escape", 27},
    {"Backspace", 42, "Backspace", 8},
    {"Tab", 43, "Tab", 9},
    {"Space", 44, "Space", 32},
    {"Minus", 45, "-", 189},
    {"Equal", 46, "=", 187},
    {"BracketLeft", 47, "[", 219},
    {"BracketRight", 48, "]", 221},
    {"Backslash", 49, "\\", 220},
    {"Semicolon", 51, ";", 186},
    {"Quote", 52, "'", 222},
    {"Backquote", 53, "`", 192},
    {"Comma", 54, ",", 188},
    {"Period", 55, ".", 190},
    {"Slash", 56, "/", 191},
    {"CapsLock", 57, "CapsLock", 20},
    {"F1", 58, "F1", 112},
    {"F2", 59, "F2", 113},
    {"F3", 60, "F3", 114},
    {"F4", 61, "F4", 115},
    {"F5", 62, "F5", 116},
    {"F6", 63, "F6", 117},
    {"F7", 64, "F7", 118},
    {"F8", 65, "F8", 119},
    {"F9", 66, "F9", 120},
    {"F10", 67, "F10", 121},
    {"F11", 68, "F11", 122},
    {"F12", 69, "F12", 123},
    {"PrintScreen", 70, "PrintScreen", 44},
    {"ScrollLock", 71, "ScrollLock", 145},
    {"Pause", 72, "Pause", 19},
    {"Insert", 73, "Insert", 45},
    {"Home", 74, "Home", 36},
    {"PageUp", 75, "PageUp", 33},
    {"Delete", 76, "Delete", 46},
    {"End", 77, "End", 35},
    {"PageDown", 78, "PageDown", 34},
    {"ArrowRight", 79, "Right", 39},
    {"ArrowLeft", 80, "Left", 37},
    {"ArrowDown", 81, "Down", 40},
    {"ArrowUp", 82, "Up", 38},
    {"NumLock", 83, "Numlock", 144},
    {"NumpadDivide", 84, "Keypad /", 111},
    {"NumpadMultiply", 85, "Keypad *", 106},
    {"NumpadSubtract", 86, "Keypad -", 109},
    {"NumpadAdd", 87, "Keypad +", 107},
    {"NumpadEnter", 88, "Keypad Enter", 13},
    {"Numpad1", 89, "Keypad 1", 97},
    {"Numpad2", 90, "Keypad 2", 98},
    {"Numpad3", 91, "Keypad 3", 99},
    {"Numpad4", 92, "Keypad 4", 100},
    {"Numpad5", 93, "Keypad 5", 101},
    {"Numpad6", 94, "Keypad 6", 102},
    {"Numpad7", 95, "Keypad 7", 103},
    {"Numpad8", 96, "Keypad 8", 104},
    {"Numpad9", 97, "Keypad 9", 105},
    {"Numpad0", 98, "Keypad 0", 96},
    {"NumpadDecimal", 99, "Keypad .", 110},
    {"IntlBackslash", 100, "", 226},
    {"ContextMenu", 101, "Application", 93},
    {"ControlLeft", 224, "Left Ctrl", 17},
    {"ShiftLeft", 225, "Left Shift", 16},
    {"AltLeft", 226, "Left Alt", 18},
    {"MetaLeft", 227, "Left GUI", 91},
    {"ControlRight", 228, "Right Ctrl", 17},
    {"ShiftRight", 229, "Right Shift", 16},
    {"AltRight", 230, "Right Alt", 18},
    {"MetaRight", 231, "Right GUI", 92},
};

} // namespace

const KeyInfo* keyByCode(const char* code) {
    if (code == nullptr) return nullptr;
    for (const KeyInfo& k : kKeys)
        if (std::strcmp(k.code, code) == 0) return &k;
    return nullptr;
}

const KeyInfo* keyByScancode(uint32_t scancode) {
    for (const KeyInfo& k : kKeys)
        if (k.scancode == scancode) return &k;
    return nullptr;
}

const KeyInfo* keyByName(const char* name) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    for (const KeyInfo& k : kKeys)
        if (strcasecmp(k.name, name) == 0) return &k;
    return nullptr;
}

uint32_t virtualKeyFor(const KeyInfo& key, const char* typed) {
    // Only the main block's letters and digits follow the layout.
    bool main = (key.scancode >= 4 && key.scancode <= 39);
    if (main && typed != nullptr && typed[0] != '\0' && typed[1] == '\0') {
        char c = typed[0];
        if (c >= 'a' && c <= 'z') return static_cast<uint32_t>(c - 'a' + 65);
        if (c >= 'A' && c <= 'Z') return static_cast<uint32_t>(c - 'A' + 65);
        if (c >= '0' && c <= '9') return static_cast<uint32_t>(c);
    }
    return key.virtualKey;
}

} // namespace platform::web
