// The message queue: messages posted by the program, then window events
// translated into the Windows messages the game's window procedure expects.
#include "platform/event_rules.h"
#include "platform/gamepad.h"
#include "platform/keymap.h"
#include "platform/message_ring.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"

#include <SDL.h>

namespace platform {

namespace {

MessageRing posted;

// Closing a window arrives as both a window-close event and SDL_QUIT; the
// game must see one Destroy per window.
uint32_t destroySentFor = 0;
bool quitSeen = false;
uint32_t lastPhysical = 0;
// The window whose focus loss was last reported; the game hears of a loss
// once, and of a gain only after a loss.
uint32_t focusLostFor = 0;

// One text event holds up to 31 bytes, so at most 31 characters; they are
// handed out one message each.
bool textOn = false;
uint32_t pendingText[32];
int pendingCount = 0;
int pendingAt = 0;

// Decodes UTF-8 into pendingText; a broken sequence is dropped.
void queueText(const char* text) {
    pendingAt = 0;
    pendingCount = decodeUtf8Text(text, pendingText, 32);
}

bool takeText(Message& out) {
    if (pendingAt >= pendingCount) return false;
    out = Message{MsgType::Text, pendingText[pendingAt++]};
    return true;
}

bool takePosted(Message& out) {
    uint32_t from = 0;
    return posted.take(out, from);
}

bool destroyOnce(Message& out) {
    SDL_Window* w = sdlWindow();
    uint32_t id = w != nullptr ? SDL_GetWindowID(w) : 0;
    if (id == 0) {
        // No window left: only a quit request (a signal) still means stop.
        if (quitSeen) return false;
        quitSeen = true;
    } else {
        if (destroySentFor == id) return false;
        destroySentFor = id;
    }
    out = Message{MsgType::Destroy, 0};
    return true;
}

bool focusChange(bool gained, Message& out) {
    SDL_Window* w = sdlWindow();
    if (!focusNews(focusLostFor, gained, w != nullptr ? SDL_GetWindowID(w) : 0)) return false;
    out = Message{gained ? MsgType::FocusGained : MsgType::FocusLost, 0};
    return true;
}

bool translate(const SDL_Event& e, Message& out) {
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        SDL_Keycode sym = e.key.keysym.sym;
        FullScreenKey chord = fullScreenKey(
            sym == SDLK_F11, sym == SDLK_RETURN || sym == SDLK_KP_ENTER,
            (e.key.keysym.mod & KMOD_ALT) != 0, e.type == SDL_KEYDOWN, e.key.repeat != 0);
        if (chord == FullScreenKey::Toggle) toggleFullScreen();
        if (chord != FullScreenKey::Pass) return false;
        // Auto-repeat stays in: Windows repeats WM_KEYDOWN too.
        uint32_t vk = virtualKeyFor(e.key.keysym.sym, e.key.keysym.scancode);
        uint32_t scancode = static_cast<uint32_t>(e.key.keysym.scancode);
        if (vk == 0) return false;
        out = Message{e.type == SDL_KEYDOWN ? MsgType::KeyDown : MsgType::KeyUp, vk};
        lastPhysical = scancode | (e.key.repeat != 0 ? uint32_t{PhysicalRepeat} : 0u);
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        if (e.button.button == SDL_BUTTON_LEFT) {
            out = Message{down ? MsgType::LButtonDown : MsgType::LButtonUp, 0};
            lastPhysical = PhysicalMouseLeft;
            return true;
        }
        if (e.button.button == SDL_BUTTON_RIGHT) {
            out = Message{down ? MsgType::RButtonDown : MsgType::RButtonUp, 0};
            lastPhysical = PhysicalMouseRight;
            return true;
        }
        uint32_t other = e.button.button == SDL_BUTTON_MIDDLE ? uint32_t{PhysicalMouseMiddle}
                         : e.button.button == SDL_BUTTON_X1   ? uint32_t{PhysicalMouseX1}
                         : e.button.button == SDL_BUTTON_X2   ? uint32_t{PhysicalMouseX2}
                                                              : 0u;
        if (other == 0) return false;
        out = Message{down ? MsgType::OtherButtonDown : MsgType::OtherButtonUp, other};
        lastPhysical = other;
        return true;
    }
    case SDL_MOUSEWHEEL: {
        int y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (y == 0) return false;
        lastPhysical = y > 0 ? PhysicalWheelUp : PhysicalWheelDown;
        out = Message{MsgType::Wheel, lastPhysical};
        return true;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            return destroyOnce(out);
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED:
            return focusChange(false, out);
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            return focusChange(true, out);
        case SDL_WINDOWEVENT_RESTORED:
            markPictureStale();
            return focusChange(true, out);
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            markPictureStale();
            return false;
        default:
            return false;
        }
    case SDL_QUIT:
        return destroyOnce(out);
    case SDL_TEXTINPUT:
        if (!textOn) return false;
        queueText(e.text.text);
        return takeText(out);
    default:
        return translatePadEvent(e, out);
    }
}

} // namespace

bool peekMessage(Message& out) {
    initGamepads();
    lastPhysical = 0;
    if (takePosted(out)) return true;
    if (takeText(out)) return true;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
        if (translate(e, out)) return true;
    }
    return false;
}

uint32_t lastPhysicalInput() {
    return lastPhysical;
}

void startTextInput() {
    textOn = true;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_StartTextInput();
}

void stopTextInput() {
    textOn = false;
    pendingCount = pendingAt = 0;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_StopTextInput();
}

bool textInputOn() {
    return textOn;
}

void postMessage(const Message& msg) {
    posted.push(msg);
}

void postQuitMessage() {
    postMessage(Message{MsgType::Quit, 0});
}

} // namespace platform
