// Keys by KeyboardEvent.code: the SDL scancode of the same place on the
// keyboard (so options.ini binds the same key as on the desktop), its SDL
// name, and the Windows virtual-key code the game speaks.
#pragma once

#include <cstdint>

namespace platform::web {

struct KeyInfo {
    const char* code;    // KeyboardEvent.code
    uint32_t scancode;   // SDL scancode (USB HID usage)
    const char* name;    // SDL's name for the scancode
    uint32_t virtualKey; // for US QWERTY; letters and digits follow the layout
};

// Null for a code the game has no key for.
const KeyInfo* keyByCode(const char* code);
const KeyInfo* keyByScancode(uint32_t scancode);
const KeyInfo* keyByName(const char* name);
// The virtual key for a press: the layout's letter or digit (KeyboardEvent.key)
// where it gives one, as Windows does, else the place's own.
uint32_t virtualKeyFor(const KeyInfo& key, const char* typed);

} // namespace platform::web
