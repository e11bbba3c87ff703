// The rules the desktop's events (SDL) and the page's (html5.h) follow
// alike, apart from where the events come from: the full-screen keys, a
// focus change reported once, and typed text decoded from UTF-8.
#pragma once

#include <cstdint>

namespace platform {

// F11 and Alt+Enter switch full screen; the game never sees them. A press
// switches (Toggle); its repeats and its release go nowhere (Swallow).
enum class FullScreenKey { Pass, Toggle, Swallow };
FullScreenKey fullScreenKey(bool f11, bool enter, bool alt, bool down, bool repeat);

// The game hears of a focus loss once, and of a gain only after a loss.
// `lostFor` remembers the window (any nonzero id) whose loss was reported;
// true when this change is news.
bool focusNews(uint32_t& lostFor, bool gained, uint32_t window);

// The code point at the start of a NUL-terminated UTF-8 text and its bytes;
// 0 at the end or at a broken sequence (skip one byte there).
int decodeUtf8At(const char* text, uint32_t& cp);
// All of `text`, at most `max` code points; broken sequences are dropped.
int decodeUtf8Text(const char* text, uint32_t* out, int max);

} // namespace platform
