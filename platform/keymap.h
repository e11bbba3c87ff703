// SDL key codes to the Windows virtual-key codes the game speaks. Kept apart
// from the event pump so it can be checked without a window.
#pragma once

#include <SDL_keyboard.h>

#include <cstdint>

namespace platform {

// The virtual-key code for a key, or 0 for a key Windows has no code for.
// The key code decides (it follows the keyboard layout, as virtual keys do);
// the scan code is the fallback for letters and digits on layouts whose
// keys produce other characters.
uint32_t virtualKeyFor(SDL_Keycode key, SDL_Scancode scancode);

} // namespace platform
