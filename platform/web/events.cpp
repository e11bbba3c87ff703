// The message queue: messages posted by the program, then the page's input
// events (arriving between frames through html5.h callbacks) as the Windows
// messages the game's window procedure expects.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstring>

#include "platform/audio_gate.h"
#include "platform/event_rules.h"
#include "platform/message_ring.h"
#include "platform/platform.h"
#include "platform/web/keys.h"
#include "platform/web/web_window.h"

namespace platform {

namespace {

MessageRing queue;
uint32_t lastPhysical = 0;
bool textOn = false;
uint32_t focusLostFor = 0;
bool audioStarted = false;
bool callbacksSet = false;
double cursorCssX = 0.0;
double cursorCssY = 0.0;
// A tap: the cursor moves to it, a frame passes (the hover follows), then
// the click, as a mouse would give them.
int tapStage = 0;
// A tap on the pixel the cursor is already on: the cursor steps aside for a
// frame first, since the game takes the mouse back from the pad (and its
// crosshair) only when the cursor moves.
constexpr int kTapAside = 4;
double tapCssX = 0.0;
double tapCssY = 0.0;
// The picture pixel tapped: the canvas may change size before the click
// (the first tap takes the page full screen), and the click goes where the
// finger was on the picture.
int tapPictureX = 0;
int tapPictureY = 0;
// The first press after this is held back and only noted (the page shows
// Online's offer with it).
bool holdingPress = false;
bool pressHeld = false;
uint32_t heldRelease = 0;

// The release matching a press that was held back goes no further either.
bool heldBack(const Message& msg) {
    if (heldRelease != 0 && msg.type == static_cast<MsgType>(heldRelease)) {
        heldRelease = 0;
        return true;
    }
    if (!holdingPress) return false;
    MsgType release;
    switch (msg.type) {
    case MsgType::KeyDown:
        release = MsgType::KeyUp;
        break;
    case MsgType::LButtonDown:
        release = MsgType::LButtonUp;
        break;
    case MsgType::RButtonDown:
        release = MsgType::RButtonUp;
        break;
    default:
        return false;
    }
    holdingPress = false;
    pressHeld = true;
    heldRelease = static_cast<uint32_t>(release);
    return true;
}

void push(const Message& msg, uint32_t physical) {
    if (heldBack(msg)) return;
    queue.push(msg, physical);
}

// Browsers start sound only from a click or key: the first one resumes the
// audio context the OpenAL library made.
void startAudio() {
    if (audioStarted) return;
    audioStarted = true;
    // clang-format off
    EM_ASM({
        if (typeof AL != 'undefined' && AL.currentCtx && AL.currentCtx.audioCtx)
            AL.currentCtx.audioCtx.resume();
        if (Module.quorvexAudioStarted) Module.quorvexAudioStarted();
    });
    // clang-format on
}

void focusChange(bool gained) {
    // The page is one window.
    if (!focusNews(focusLostFor, gained, 1)) return;
    push(Message{gained ? MsgType::FocusGained : MsgType::FocusLost, 0}, 0);
}

// Keys the browser keeps for the page itself (reload, developer tools,
// the system's shortcuts) pass on; the game never sees them.
bool browserKey(const EmscriptenKeyboardEvent& e) {
    if (e.ctrlKey || e.metaKey) return true;
    return std::strcmp(e.code, "F5") == 0 || std::strcmp(e.code, "F12") == 0;
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    if (browserKey(*e)) return EM_FALSE;
    bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    if (down) startAudio();
    // F11 and Alt+Enter switch full screen, as on the desktop.
    bool enter = std::strcmp(e->code, "Enter") == 0 || std::strcmp(e->code, "NumpadEnter") == 0;
    FullScreenKey chord =
        fullScreenKey(std::strcmp(e->code, "F11") == 0, enter, e->altKey, down, e->repeat);
    if (chord == FullScreenKey::Toggle) toggleFullScreen();
    if (chord != FullScreenKey::Pass) return EM_TRUE;
    // One character (a UTF-8 sequence of up to four bytes) is typed text.
    uint32_t cp = 0;
    int len = down && textOn ? decodeUtf8At(e->key, cp) : 0;
    if (len > 0 && e->key[len] == '\0') push(Message{MsgType::Text, cp}, 0);
    const web::KeyInfo* key = web::keyByCode(e->code);
    if (key == nullptr) return EM_FALSE;
    uint32_t vk = web::virtualKeyFor(*key, e->key);
    uint32_t physical = key->scancode | (e->repeat ? uint32_t{PhysicalRepeat} : 0u);
    push(Message{down ? MsgType::KeyDown : MsgType::KeyUp, vk}, physical);
    return EM_TRUE;
}

EM_BOOL onMouseButton(int type, const EmscriptenMouseEvent* e, void*) {
    bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    if (down) {
        startAudio();
        cursorCssX = e->targetX;
        cursorCssY = e->targetY;
    }
    switch (e->button) {
    case 0:
        push(Message{down ? MsgType::LButtonDown : MsgType::LButtonUp, 0}, PhysicalMouseLeft);
        return EM_TRUE;
    case 2:
        push(Message{down ? MsgType::RButtonDown : MsgType::RButtonUp, 0}, PhysicalMouseRight);
        return EM_TRUE;
    default: {
        uint32_t other = e->button == 1   ? uint32_t{PhysicalMouseMiddle}
                         : e->button == 3 ? uint32_t{PhysicalMouseX1}
                         : e->button == 4 ? uint32_t{PhysicalMouseX2}
                                          : 0u;
        if (other == 0) return EM_FALSE;
        push(Message{down ? MsgType::OtherButtonDown : MsgType::OtherButtonUp, other}, other);
        return EM_TRUE;
    }
    }
}

EM_BOOL onMouseMove(int, const EmscriptenMouseEvent* e, void*) {
    cursorCssX = e->targetX;
    cursorCssY = e->targetY;
    return EM_FALSE;
}

EM_BOOL onDoubleClick(int, const EmscriptenMouseEvent*, void*) {
    toggleFullScreen();
    return EM_TRUE;
}

EM_BOOL onWheel(int, const EmscriptenWheelEvent* e, void*) {
    if (e->deltaY == 0.0) return EM_TRUE;
    // The page's wheel runs down for positive deltas; SDL's up.
    uint32_t which = e->deltaY < 0.0 ? uint32_t{PhysicalWheelUp} : uint32_t{PhysicalWheelDown};
    push(Message{MsgType::Wheel, which}, which);
    return EM_TRUE;
}

EM_BOOL onFocus(int type, const EmscriptenFocusEvent*, void*) {
    focusChange(type == EMSCRIPTEN_EVENT_FOCUS);
    return EM_FALSE;
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
    if (e->hidden) focusChange(false);
    return EM_FALSE;
}

// In full screen the browser keeps Escape: leaving full screen opens the
// menu, as losing the focus does.
EM_BOOL onFullScreen(int, const EmscriptenFullscreenChangeEvent* e, void*) {
    if (!e->isFullscreen) {
        focusChange(false);
        focusChange(true);
    }
    EM_ASM(
        {
            if (Module.quorvexFullScreen) Module.quorvexFullScreen($0);
        },
        e->isFullscreen);
    return EM_FALSE;
}

void setCallbacks() {
    if (callbacksSet) return;
    callbacksSet = true;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    const char* document = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, onKey);
    emscripten_set_mousedown_callback("#canvas", nullptr, EM_TRUE, onMouseButton);
    // A button let go off the canvas is let go all the same.
    emscripten_set_mouseup_callback(window, nullptr, EM_TRUE, onMouseButton);
    emscripten_set_mousemove_callback("#canvas", nullptr, EM_TRUE, onMouseMove);
    emscripten_set_dblclick_callback("#canvas", nullptr, EM_TRUE, onDoubleClick);
    emscripten_set_wheel_callback("#canvas", nullptr, EM_TRUE, onWheel);
    emscripten_set_blur_callback(window, nullptr, EM_TRUE, onFocus);
    emscripten_set_focus_callback(window, nullptr, EM_TRUE, onFocus);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, onVisibility);
    emscripten_set_fullscreenchange_callback(document, nullptr, EM_TRUE, onFullScreen);
}

} // namespace

bool soundAllowed() {
    return audioStarted;
}

namespace web {

void cursorCss(double& x, double& y) {
    x = cursorCssX;
    y = cursorCssY;
}

void beginFrame() {
    setCallbacks();
    pollGamepads();
    // A tap's stages, a frame each: the cursor aside (4, 3: set between
    // frames), on the tap (1 or 3 to 2), then the click (2).
    bool tapping = tapStage != 0;
    if (tapStage == kTapAside) {
        tapStage = 3;
    } else if (tapStage == 3) {
        cursorCssX = tapCssX;
        cursorCssY = tapCssY;
        tapStage = 2;
    } else if (tapStage == 2) {
        push(Message{MsgType::LButtonDown, 0}, PhysicalMouseLeft);
        push(Message{MsgType::LButtonUp, 0}, PhysicalMouseLeft);
        tapStage = 0;
    } else if (tapStage == 1) {
        tapStage = 2;
    }
    if (tapping && tapStage != 3) {
        int nowX, nowY;
        web::canvasPointToPicture(cursorCssX, cursorCssY, nowX, nowY);
        if (nowX != tapPictureX || nowY != tapPictureY)
            web::pictureToCanvasPoint(tapPictureX, tapPictureY, cursorCssX, cursorCssY);
    }
}

void holdNextPress() {
    holdingPress = true;
    pressHeld = false;
}

bool takeHeldPress() {
    bool was = pressHeld;
    pressHeld = false;
    return was;
}

} // namespace web

bool peekMessage(Message& out) {
    setCallbacks();
    lastPhysical = 0;
    return queue.take(out, lastPhysical);
}

uint32_t lastPhysicalInput() {
    return lastPhysical;
}

// The page keeps a hidden text field focused while the game takes text, so
// that a phone shows its keyboard.
void startTextInput() {
    textOn = true;
    EM_ASM({
        if (Module.quorvexTextInput) Module.quorvexTextInput(1);
    });
}

void stopTextInput() {
    textOn = false;
    EM_ASM({
        if (Module.quorvexTextInput) Module.quorvexTextInput(0);
    });
}

bool textInputOn() {
    return textOn;
}

void postMessage(const Message& msg) {
    push(msg, 0);
}

void postQuitMessage() {
    postMessage(Message{MsgType::Quit, 0});
}

} // namespace platform

extern "C" {

// A tap on a screen (not the game): the press held back, if one is
// awaited (answers 1), else a click where it landed when `click` is 1.
EMSCRIPTEN_KEEPALIVE int quorvex_touch_tap(double cssX, double cssY, int click) {
    using namespace platform;
    startAudio();
    if (holdingPress) {
        holdingPress = false;
        pressHeld = true;
        return 1;
    }
    if (click == 0) return 0;
    int nowX, nowY, tapX, tapY;
    web::canvasPointToPicture(cursorCssX, cursorCssY, nowX, nowY);
    web::canvasPointToPicture(cssX, cssY, tapX, tapY);
    tapPictureX = tapX;
    tapPictureY = tapY;
    cursorCssX = cssX;
    cursorCssY = cssY;
    tapStage = 1;
    if (nowX != tapX || nowY != tapY) return 0;
    // Far enough to be another pixel however the picture is scaled.
    double step = 1.0;
    for (; step < 64.0; step *= 2.0) {
        web::canvasPointToPicture(cssX + step, cssY, nowX, nowY);
        if (nowX != tapX) break;
    }
    tapCssX = cssX;
    tapCssY = cssY;
    cursorCssX = cssX + step;
    tapStage = kTapAside;
    return 0;
}

// The page's text field, where a phone's keyboard types: `what` 0 a typed
// code point, 1 Backspace, 2 Enter, as the keyboard's keys would give them.
EMSCRIPTEN_KEEPALIVE void quorvex_text_field(int what, int codePoint) {
    using namespace platform;
    if (!textOn) return;
    startAudio();
    if (what == 0) {
        if (codePoint > 0) push(Message{MsgType::Text, static_cast<uint32_t>(codePoint)}, 0);
        return;
    }
    const web::KeyInfo* key = web::keyByCode(what == 1 ? "Backspace" : "Enter");
    if (key == nullptr) return;
    uint32_t vk = web::virtualKeyFor(*key, "");
    push(Message{MsgType::KeyDown, vk}, key->scancode);
    push(Message{MsgType::KeyUp, vk}, key->scancode);
}

} // extern "C"
