// Whether sound may play yet. Browsers start audio only after the player's
// first click or key; the desktop always may.
#pragma once

namespace platform {

#ifdef __EMSCRIPTEN__
bool soundAllowed();
#else
inline bool soundAllowed() {
    return true;
}
#endif

} // namespace platform
