#pragma once

namespace bench {

// Draws the current pools as a frame would, with no game logic, and swaps.
void drawFloor();

} // namespace bench
