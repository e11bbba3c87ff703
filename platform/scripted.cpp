#include "platform/scripted.h"

#include <vector>

#include "platform/platform.h"

namespace platform {

namespace {

bool testMode = false;
uint32_t scriptedTicks = 0;
int virtualCursorX = 0;
int virtualCursorY = 0;
std::vector<test::Box> capturedBoxes;

} // namespace

namespace scripted {

bool on() {
    return testMode;
}
uint32_t ticks() {
    return scriptedTicks;
}
void cursor(int& x, int& y) {
    x = virtualCursorX;
    y = virtualCursorY;
}
void moveCursor(int x, int y) {
    virtualCursorX = x;
    virtualCursorY = y;
}
void captureBox(const char* text, const char* caption) {
    capturedBoxes.push_back(test::Box{text, caption});
}

} // namespace scripted

namespace test {

void enable() {
    testMode = true;
}
bool enabled() {
    return testMode;
}
void setTicks(uint32_t ticks) {
    scriptedTicks = ticks;
}
void advanceTicks(uint32_t ms) {
    scriptedTicks += ms;
}
void setCursor(int x, int y) {
    scripted::moveCursor(x, y);
}
const std::vector<Box>& boxes() {
    return capturedBoxes;
}
void clearBoxes() {
    capturedBoxes.clear();
}

} // namespace test

} // namespace platform
