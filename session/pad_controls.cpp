#include "session/pad_controls.h"

#include <cmath>

#include "game/world/world.h"
#include "input/settings_values.h"
#include "math/rules_math.h"

namespace {

constexpr float fullScale = 32767.0f;
// sin 22.5 degrees: an axis counts when the stick is within 67.5 degrees of
// it, which cuts the circle into eight equal sectors.
constexpr float sectorShare = 0.3827f;
constexpr int16_t triggerThreshold = 16384;

float unit(int16_t v) {
    float f = static_cast<float>(v) / fullScale;
    return f < -1.0f ? -1.0f : f;
}

// Stick as arena directions (y up) and its length; false in the dead zone.
bool stick(const PadState& pad, uint32_t xAxis, uint32_t yAxis, float& x, float& y, float& len) {
    x = unit(pad.axis[xAxis]);
    y = -unit(pad.axis[yAxis]);
    len = std::sqrt(x * x + y * y);
    return len > world().padDeadZone;
}

// -1 up, +1 down, 0 neither or both.
int vertical(const PadState& pad) {
    PadDirections d = padWalk(pad);
    return (d.down ? 1 : 0) - (d.up ? 1 : 0);
}

} // namespace

void padOnMessage(PadState& pad, const Message& msg) {
    switch (msg.type) {
    case MsgType::PadAdded:
        pad = PadState{};
        pad.connected = true;
        break;
    case MsgType::PadRemoved:
        pad = PadState{};
        break;
    case MsgType::PadButtonDown:
    case MsgType::PadButtonUp:
        if (msg.wParam < PadButtonCount) pad.held[msg.wParam] = msg.type == MsgType::PadButtonDown;
        break;
    case MsgType::PadAxis:
        if (padAxisOf(msg.wParam) < PadAxisCount)
            pad.axis[padAxisOf(msg.wParam)] = padValueOf(msg.wParam);
        break;
    default:
        break;
    }
}

PadDirections padWalk(const PadState& pad) {
    PadDirections d;
    float x, y, len;
    if (stick(pad, PadLeftX, PadLeftY, x, y, len)) {
        float share = sectorShare * len;
        d.up = y > share;
        d.down = y < -share;
        d.left = x < -share;
        d.right = x > share;
    }
    d.up = d.up || pad.held[PadDpadUp];
    d.down = d.down || pad.held[PadDpadDown];
    d.left = d.left || pad.held[PadDpadLeft];
    d.right = d.right || pad.held[PadDpadRight];
    return d;
}

bool padAimPoint(const PadState& pad, Vec2 marinePos, float reach, Vec2& out) {
    float x, y, len;
    if (!stick(pad, PadRightX, PadRightY, x, y, len)) return false;
    out = marinePos + Vec2(x, y) * (reach / len);
    return true;
}

bool padFire(const PadState& pad) {
    return pad.axis[PadTriggerRight] >= triggerThreshold;
}

bool padSpecial(const PadState& pad) {
    return pad.axis[PadTriggerLeft] >= triggerThreshold;
}

bool padRun(const PadState& pad) {
    return pad.held[PadA] || pad.held[PadLeftStick];
}

int padCycleWeapon(int current, const int32_t owned[4], int ownedCount, int step) {
    bool has[4] = {};
    for (int i = 0; i < ownedCount && i < 4; ++i)
        if (owned[i] >= 100 && owned[i] <= 103) has[owned[i] - 100] = true;
    if (current < 0 || current > 3) current = 0;
    int dir = step < 0 ? 3 : 1; // one back is three ahead
    for (int k = 1, w = current; k <= 4; ++k) {
        w = (w + dir) % 4;
        if (has[w]) return w;
    }
    return current;
}

int padMenuItem(int hover, const PadState& before, const PadState& now, int count) {
    int was = vertical(before), is = vertical(now);
    if (is == 0 || is == was) return hover;
    if (hover < 1 || hover > count) return is > 0 ? 1 : count;
    int item = hover + is;
    return item < 1 ? 1 : (item > count ? count : item);
}

Vec2 padMenuItemPoint(int item) {
    // The middles of the hover boxes (see menu_items.cpp).
    if (rulesGeneration != kFirstGeneration) {
        switch (item) {
        case 1:
            return {0.1f, -0.075f};
        case 2:
            return {0.125f, -0.235f};
        case 3:
            return {0.125f, -0.555f};
        case 4:
            return {0.1f, -0.715f};
        default:
            return {0.0f, 0.0f};
        }
    }
    switch (item) {
    case 1:
        return {0.35f, -0.075f};
    case 2:
        return {0.375f, -0.395f};
    case 3:
        return {0.35f, -0.555f};
    default:
        return {0.0f, 0.0f};
    }
}
