// Gamepads through the Gamepad API: the first pad with the standard mapping
// drives the game. The page's touch controls are a second, virtual pad
// merged into the same state; the merged state's changes since the last
// poll become Pad* messages.
#include "platform/gamepad.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

#include "platform/web/web_window.h"

namespace platform {

namespace {

// The standard mapping's buttons, in PadButton's order (-1: none).
constexpr int kButtonIndex[PadButtonCount] = {0, 1, 2, 3, 8, 16, 9, 10, 11, 4, 5, 12, 13, 14, 15};

int driving = -1;
// What the game was last told.
bool buttons[PadButtonCount] = {};
int16_t axes[PadAxisCount] = {};
// The real pad as last read.
bool padButtons[PadButtonCount] = {};
int16_t padAxes[PadAxisCount] = {};
// The touch controls, as the page last set them; once touched the virtual
// pad stays for the page's life, so it never goes away as a pad removed.
bool touchKnown = false;
uint32_t touchButtons = 0;
int16_t touchAxes[PadAxisCount] = {};

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
    std::memset(padButtons, 0, sizeof padButtons);
    std::memset(padAxes, 0, sizeof padAxes);
}

void readPad(const EmscriptenGamepadEvent& pad) {
    bool changed = false;
    for (uint32_t b = 0; b < PadButtonCount; ++b) {
        int at = kButtonIndex[b];
        bool down = at < pad.numButtons && pad.digitalButton[at];
        changed = changed || down != padButtons[b];
        padButtons[b] = down;
    }
    int16_t now[PadAxisCount] = {};
    for (int a = 0; a < 4; ++a)
        now[a] = a < pad.numAxes ? toAxis(pad.axis[a]) : 0;
    // The triggers are buttons 6 and 7, pressed from 0 to 1.
    now[PadTriggerLeft] = pad.numButtons > 6 ? toAxis(pad.analogButton[6]) : 0;
    now[PadTriggerRight] = pad.numButtons > 7 ? toAxis(pad.analogButton[7]) : 0;
    for (uint32_t a = 0; a < PadAxisCount; ++a) {
        changed = changed || now[a] != padAxes[a];
        padAxes[a] = now[a];
    }
    // A real pad in use hides the touch controls.
    if (changed && touchKnown)
        EM_ASM({
            if (Module.quorvexTouchOff) Module.quorvexTouchOff();
        });
}

// The pads merged: a button held on either is held; a touched stick or
// trigger (off its rest) wins over the real one.
void postMerged() {
    for (uint32_t b = 0; b < PadButtonCount; ++b) {
        bool down = padButtons[b] || (touchButtons & (1u << b)) != 0;
        if (down == buttons[b]) continue;
        buttons[b] = down;
        postMessage(Message{down ? MsgType::PadButtonDown : MsgType::PadButtonUp, b});
    }
    for (uint32_t a = 0; a < PadAxisCount; ++a) {
        int16_t now = touchAxes[a] != 0 ? touchAxes[a] : padAxes[a];
        if (now == axes[a]) continue;
        axes[a] = now;
        postMessage(Message{MsgType::PadAxis, padAxisParam(a, now)});
    }
}

} // namespace

namespace web {

void pollGamepads() {
    bool sampled = emscripten_sample_gamepad_data() == EMSCRIPTEN_RESULT_SUCCESS;
    int count = sampled ? emscripten_get_num_gamepads() : 0;
    EmscriptenGamepadEvent pad{};
    if (sampled && driving >= 0 &&
        (driving >= count ||
         emscripten_get_gamepad_status(driving, &pad) != EMSCRIPTEN_RESULT_SUCCESS ||
         !pad.connected)) {
        release();
        driving = -1;
        postMessage(Message{MsgType::PadRemoved, 0});
        // The touch pad is still there: the game hears of it again.
        if (touchKnown) postMessage(Message{MsgType::PadAdded, 0});
    }
    if (sampled && driving < 0) {
        for (int i = 0; i < count && driving < 0; ++i) {
            if (emscripten_get_gamepad_status(i, &pad) != EMSCRIPTEN_RESULT_SUCCESS) continue;
            if (pad.connected && std::strcmp(pad.mapping, "standard") == 0) {
                driving = i;
                if (!touchKnown) postMessage(Message{MsgType::PadAdded, 0});
            }
        }
    }
    if (driving >= 0) readPad(pad);
    if (driving >= 0 || touchKnown) postMerged();
}

} // namespace web

bool padConnected() {
    return driving >= 0 || touchKnown;
}

void rumblePad(float low, float high, uint32_t ms) {
    // The phone's vibration where the browser has it, while touch is used
    // (on or off, no strength; the Rumble option governs it as any pad's,
    // the page's touch options too); the Gamepad API's is not offered
    // everywhere.
    if (ms == 0 || (low <= 0.0f && high <= 0.0f)) return;
    // clang-format off
    EM_ASM({
        if (Module.quorvexVibrate) Module.quorvexVibrate($0);
    }, ms);
    // clang-format on
}

void initGamepads() {}

} // namespace platform

extern "C" {

// The page's touch controls: PadButton bits and the six axes.
EMSCRIPTEN_KEEPALIVE void quorvex_touch_pad(uint32_t held, int lx, int ly, int rx, int ry, int lt,
                                            int rt) {
    auto clamp = [](int v) {
        return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
    };
    if (!platform::touchKnown) {
        platform::touchKnown = true;
        if (platform::driving < 0) platform::postMessage(Message{MsgType::PadAdded, 0});
    }
    platform::touchButtons = held & ((1u << PadButtonCount) - 1u);
    const int v[PadAxisCount] = {lx, ly, rx, ry, lt, rt};
    for (uint32_t a = 0; a < PadAxisCount; ++a)
        platform::touchAxes[a] = clamp(v[a]);
}

} // extern "C"
