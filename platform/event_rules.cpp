#include "platform/event_rules.h"

namespace platform {

FullScreenKey fullScreenKey(bool f11, bool enter, bool alt, bool down, bool repeat) {
    if (!f11 && !(enter && alt)) return FullScreenKey::Pass;
    return down && !repeat ? FullScreenKey::Toggle : FullScreenKey::Swallow;
}

bool focusNews(uint32_t& lostFor, bool gained, uint32_t window) {
    bool lost = window != 0 && lostFor == window;
    if (gained != lost) return false;
    lostFor = gained ? 0 : window;
    return true;
}

int decodeUtf8At(const char* text, uint32_t& cp) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    unsigned char b = s[0];
    if (b == 0) return 0;
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0) return 0;
    cp = len == 1 ? b : len == 2 ? (b & 0x1Fu) : len == 3 ? (b & 0x0Fu) : (b & 0x07u);
    // The text's NUL ends a cut sequence here too: it is no continuation.
    for (int k = 1; k < len; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[k] & 0x3Fu);
    }
    return len;
}

int decodeUtf8Text(const char* text, uint32_t* out, int max) {
    int count = 0;
    for (const char* p = text; *p != '\0' && count < max;) {
        uint32_t cp = 0;
        int len = decodeUtf8At(p, cp);
        if (len == 0) {
            ++p;
            continue;
        }
        out[count++] = cp;
        p += len;
    }
    return count;
}

} // namespace platform
