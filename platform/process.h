// Small services of the process: running without a visible window and
// sleeping.
#pragma once

#include <cstdint>

namespace platform {

// Makes the next window an invisible offscreen one that draws nothing, and
// the sound silent (checking a replay needs neither a display, nor pixels,
// nor a sound card). Call before the first window.
void runHeadless();
void sleepMs(uint32_t ms);
// Drawing calls still run but no pixel is made (nobody looks at a replay
// being checked): the software renderer then skips rasterising.
void discardDrawing(bool discard);

} // namespace platform
