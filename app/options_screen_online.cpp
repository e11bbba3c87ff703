// The Options screen's Online page: the server and name typed in, turning
// Online on (asking for what is missing), forgetting the player, and what
// the sender says back.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/options_apply.h"
#include "app/options_file.h"
#include "app/options_screen_input.h"
#include "app/options_screen_state.h"
#include "input/bindings.h"
#include "input/input.h"
#include "online/sender.h"
#ifdef QUORVEX_WEB
#include "online/sender_web.h"
#endif

namespace options_screen {

void readOnlineConfig() {
    online::OnlineConfig c = online::currentConfig();
    std::snprintf(onlinePage.server, sizeof onlinePage.server, "%s", c.server.c_str());
    std::snprintf(onlinePage.name, sizeof onlinePage.name, "%s", c.name.c_str());
}

bool onlineOn() {
    online::Status status;
    online::readStatus(status);
    return status.enabled;
}

void beginEdit(Row field) {
    onlinePage.field = field;
    const char* now = field == Row::Server ? onlinePage.server : onlinePage.name;
    std::snprintf(onlinePage.text, sizeof onlinePage.text, "%s", now);
    onlinePage.length = std::strlen(onlinePage.text);
    onlinePage.clicked = false;
    selectRow(field);
    screen.mode = Mode::EditText;
    platform::startTextInput();
}

void endEdit() {
    screen.mode = Mode::Browse;
    platform::stopTextInput();
}

// On asks first for what is missing, one field at a time, then turns on.
void turnOnline(bool on) {
    onlinePage.enabling = false;
    if (on && onlinePage.server[0] == '\0') {
        onlinePage.enabling = true;
        note("Type the server's address first");
        beginEdit(Row::Server);
        return;
    }
    if (on && onlinePage.name[0] == '\0') {
        onlinePage.enabling = true;
        note("Choose a name first");
        beginEdit(Row::Name);
        return;
    }
    std::string why;
    if (online::setEnabled(on, &why))
        note("%s", on ? "Online on" : "Online off: nothing leaves this machine");
    else
        note("%s: %s", on ? "Online stays off" : "Not saved", why.c_str());
    // The offer answered with a name: back to Game Over, which follows the run.
    if (onlinePage.offering) {
        onlinePage.offering = false;
        closeOptionsScreen();
    }
}

void acceptEdit() {
    std::string value(onlinePage.text, onlinePage.length);
    std::string why;
    bool server = onlinePage.field == Row::Server;
    bool ok = server ? online::setServer(value, &why) : online::setName(value, &why);
    if (!ok) {
        // Still typing: the help line keeps the rules in view.
        note("Not kept: %s", why.c_str());
        return;
    }
    endEdit();
    readOnlineConfig();
    note("%s", server ? "Server kept" : "Name kept");
    if (onlinePage.enabling) turnOnline(true);
}

void cancelEdit() {
    endEdit();
    note("%s", onlinePage.enabling ? "Online stays off" : "Nothing changed");
    onlinePage.enabling = false;
#ifdef QUORVEX_WEB
    if (onlinePage.offering) {
        // "No thanks": never asked again; the Online page still turns it on.
        onlinePage.offering = false;
        online::declineOnline();
        closeOptionsScreen();
    }
#endif
}

// Controls and the marks that let text run the wrong way are never typed.
bool typeable(uint32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c > 0x10FFFF) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return !(c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
             (c >= 0x2066 && c <= 0x2069));
}

void typeChar(uint32_t c) {
    if (!typeable(c)) return;
    char bytes[4];
    size_t n = 0;
    if (c < 0x80) {
        bytes[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        bytes[n++] = static_cast<char>(0xC0 | (c >> 6));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes[n++] = static_cast<char>(0xE0 | (c >> 12));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes[n++] = static_cast<char>(0xF0 | (c >> 18));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    // A name has at most 20 characters of at most 4 bytes.
    size_t limit = onlinePage.field == Row::Name ? 80 : sizeof onlinePage.text - 1;
    if (onlinePage.length + n > limit) return;
    std::memcpy(onlinePage.text + onlinePage.length, bytes, n);
    onlinePage.length += n;
    onlinePage.text[onlinePage.length] = '\0';
}

void eraseChar() {
    size_t& n = onlinePage.length;
    while (n > 0 && (static_cast<unsigned char>(onlinePage.text[n - 1]) & 0xC0) == 0x80)
        --n;
    if (n > 0) --n;
    onlinePage.text[n] = '\0';
}

// The typed field's share of a message: every key and button stays here.
bool editMessage(const Message& msg, uint32_t physical) {
    const uint32_t code = msg.wParam;
    switch (msg.type) {
    case MsgType::Text:
        typeChar(code);
        return true;
    case MsgType::KeyDown:
        if (code < 256 && screen.ignoreKey[code]) return true;
        if (code == kVkBackspace) eraseChar();
        if ((physical & PhysicalRepeat) != 0) return true;
        if (code == kVkReturn) acceptEdit();
        if (code == VkEscape) cancelEdit();
        return true;
    case MsgType::LButtonDown:
        screen.clickStarted = false;
        onlinePage.clicked = true;
        return true;
    case MsgType::LButtonUp:
        if (onlinePage.clicked) acceptEdit();
        return true;
    case MsgType::PadButtonDown:
        if (code >= PadButtonCount || screen.ignorePad[code]) return true;
        if (code == PadA) acceptEdit();
        if (code == PadB || code == PadBack) cancelEdit();
        return true;
    case MsgType::PadAxis:
        return true; // the stick would move off the field
    default:
        return false;
    }
}

void askForget() {
    onlinePage.forgetting = true;
    onlinePage.forgetSince = platform::tickCount();
    online::Status status;
    online::readStatus(status);
    std::memcpy(onlinePage.reasonBefore, status.reason, sizeof status.reason);
    online::forgetMe();
    note("Asking the server to forget you...");
}

// What the sender says back: a forget's outcome, and a name the server
// gave to someone else.
void onlineNotice() {
    online::Status status;
    online::readStatus(status);
    if (onlinePage.forgetting) {
        bool changedSince = std::strcmp(status.reason, onlinePage.reasonBefore) != 0;
        // The same outcome twice in a row leaves the reason as it was.
        bool settled = platform::tickCount() - onlinePage.forgetSince > 3000 &&
                       (std::strncmp(status.reason, "Forgotten", 9) == 0 ||
                        std::strncmp(status.reason, "Not forgotten", 13) == 0);
        if (changedSince || settled) {
            onlinePage.forgetting = false;
            note("%.90s", status.reason);
            readOnlineConfig();
        }
    }
    if (status.nameTaken && screen.notice[0] == '\0' && screen.mode != Mode::EditText)
        note("Name taken, choose another");
}

} // namespace options_screen

#ifdef QUORVEX_WEB
// The page's first Game Over: the Online page opens on the name, with the
// server the page came from above it. Enter turns Online on and sends the
// game just lost; Escape is "No thanks".
void offerOnline() {
    using namespace options_screen;
    if (optionsScreenOpen()) closeOptionsScreen();
    openOptionsScreen();
    screen.page = kOptionsPageCount - 1;
    onlinePage.offering = true;
    onlinePage.enabling = true;
    beginEdit(Row::Name);
    note("Send this run to the board? Name, Enter. Escape: No thanks");
}
#endif
