// Gamepads through the Gamepad API: the first pad with the standard mapping
// drives the game; its changes since the last poll become Pad* messages.
#include "platform/gamepad.h"

#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

#include "platform/web/web_window.h"

namespace platform {

namespace {

// The standard mapping's buttons, in PadButton's order (-1: none).
constexpr int kButtonIndex[PadButtonCount] = {0, 1, 2, 3, 8, 16, 9, 10, 11, 4, 5, 12, 13, 14, 15};

int driving = -1;
bool buttons[PadButtonCount] = {};
int16_t axes[PadAxisCount] = {};

int16_t toAxis(double v) {
    double s = std::round(v * 32767.0);
    if (s < -32768.0) s = -32768.0;
    if (s > 32767.0) s = 32767.0;
    return static_cast<int16_t>(s);
}

void release() {
    for (uint32_t b = 0; b < PadButtonCount; ++b)
        if (buttons[b]) postMessage(Message{MsgType::PadButtonUp, b});
    std::memset(buttons, 0, sizeof buttons);
    std::memset(axes, 0, sizeof axes);
}

} // namespace

namespace web {

void pollGamepads() {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    int count = emscripten_get_num_gamepads();
    EmscriptenGamepadEvent pad{};
    if (driving >= 0 &&
        (driving >= count ||
         emscripten_get_gamepad_status(driving, &pad) != EMSCRIPTEN_RESULT_SUCCESS ||
         !pad.connected)) {
        release();
        driving = -1;
        postMessage(Message{MsgType::PadRemoved, 0});
    }
    if (driving < 0) {
        for (int i = 0; i < count && driving < 0; ++i) {
            if (emscripten_get_gamepad_status(i, &pad) != EMSCRIPTEN_RESULT_SUCCESS) continue;
            if (pad.connected && std::strcmp(pad.mapping, "standard") == 0) {
                driving = i;
                postMessage(Message{MsgType::PadAdded, 0});
            }
        }
        if (driving < 0) return;
    }
    for (uint32_t b = 0; b < PadButtonCount; ++b) {
        int at = kButtonIndex[b];
        bool down = at < pad.numButtons && pad.digitalButton[at];
        if (down == buttons[b]) continue;
        buttons[b] = down;
        postMessage(Message{down ? MsgType::PadButtonDown : MsgType::PadButtonUp, b});
    }
    int16_t now[PadAxisCount] = {};
    for (int a = 0; a < 4; ++a)
        now[a] = a < pad.numAxes ? toAxis(pad.axis[a]) : 0;
    // The triggers are buttons 6 and 7, pressed from 0 to 1.
    now[PadTriggerLeft] = pad.numButtons > 6 ? toAxis(pad.analogButton[6]) : 0;
    now[PadTriggerRight] = pad.numButtons > 7 ? toAxis(pad.analogButton[7]) : 0;
    for (uint32_t a = 0; a < PadAxisCount; ++a) {
        if (now[a] == axes[a]) continue;
        axes[a] = now[a];
        postMessage(Message{MsgType::PadAxis, padAxisParam(a, now[a])});
    }
}

} // namespace web

bool padConnected() {
    return driving >= 0;
}

void rumblePad(float, float, uint32_t) {
    // The Gamepad API's vibration is not offered everywhere; none here yet.
}

void initGamepads() {}

} // namespace platform
