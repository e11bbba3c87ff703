// The scripted clock, cursor and message boxes that tests switch on
// (platform::test::enable): one copy for the desktop and the page, read by
// each variant's tickCount, getCursorPos, setCursorPos and messageBox.
#pragma once

#include <cstdint>

namespace platform::scripted {

bool on();
uint32_t ticks();
void cursor(int& x, int& y);
void moveCursor(int x, int y);
void captureBox(const char* text, const char* caption);

} // namespace platform::scripted
