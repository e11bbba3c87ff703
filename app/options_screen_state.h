// The Options screen's own state, shared by the files that handle its
// input (options_screen_input), its Online page (options_screen_online) and
// what it shows (options_screen_view). Only those files include this.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "input/pad_state.h"
#include "input/player_options.h"
#include "math/vec2.h"
#include "platform/platform.h"
#include "ui/options_screen.h"

namespace options_screen {

constexpr uint32_t kVkBackspace = 8;
constexpr uint32_t kVkReturn = 13;
// A new display stays this long unless the player keeps it.
constexpr uint32_t kConfirmMs = 10000;
constexpr int16_t kTriggerPressed = 16384;

enum class Row : uint8_t {
    Tabs,
    Volume,
    Mute,
    MuteUnfocused,
    FullScreen,
    WindowSize,
    Filter,
    FrameCap,
    Fps,
    KeyBind,
    PadBind,
    ResetControls,
    Difficulty,
    RunMode,
    FireMode,
    AimLine,
    AimColour,
    DeadZone,
    AimReach,
    Rumble,
    TouchSize,
    TouchOpacity,
    TouchLeftHanded,
    TouchVibration,
    OnlineOn,
    Server,
    Name,
    Forget,
    Back,
};

struct RowRef {
    Row kind = Row::Back;
    int action = 0;
};

enum class Mode : uint8_t {
    Browse,
    CaptureKey,
    CapturePad,
    ConfirmDisplay,
    ConfirmReset,
    ConfirmForget,
    EditText,
};

struct Screen {
    bool open = false;
    int page = 0;
    int selected = 1;
    Mode mode = Mode::Browse;
    int captureAction = 0;
    int choice = 0;
    uint32_t confirmSince = 0;
    PlayerOptions edit;
    PlayerOptions displayBefore;
    bool changed = false;
    char notice[96] = {};
    // Pressed before the screen opened: ignored until let go.
    bool ignoreKey[256] = {};
    bool ignorePad[PadButtonCount] = {};
    bool clickStarted = false;
    Vec2 lastCursor;
};

// What the player holds, whoever the press went to.
struct Held {
    bool key[256] = {};
    bool pad[PadButtonCount] = {};
    bool left = false;
};

// The menu's Options plate, chosen without the mouse.
struct Plate {
    bool chosen = false;
    bool pressedA = false;
    bool swallowStick = false; // the stick push that moved onto it or off it
    Vec2 lastCursor;
};

// The Online page: online.ini's server and name as last read (a frame
// copies no strings), the field being typed, and a forget under way.
struct OnlinePage {
    char server[256] = {};
    char name[96] = {};
    Row field = Row::Server;
    char text[256] = {};
    size_t length = 0;
    bool enabling = false; // turning Online on waits for the field
    bool offering = false; // the page's first Game Over asks: a name, or "No thanks"
    bool clicked = false;  // a press began while typing (a held fire button's release is not one)
    bool forgetting = false;
    uint32_t forgetSince = 0;
    char reasonBefore[128] = {};
};

extern Screen screen;
extern OnlinePage onlinePage;
extern Held held;
extern Plate plate;
extern PadState padSeen;

// Sets the screen's notice, printf-style.
[[gnu::format(printf, 1, 2)]] void note(const char* format, ...);

int pageRows(int page, RowRef* out);
RowRef currentRow(int* count = nullptr);
bool stepped(Row r);
std::string keyInputLabel(uint16_t input);
const char* padInputLabel(uint8_t input);
void changed();
void beginDisplayConfirm(const PlayerOptions& before);
void revertDisplay();
int sizeIndex(const PlayerOptions& o);
float stepValue(float value, float step, float low, float high, int dir, bool wrap);
void readOnlineConfig();
bool onlineOn();
void selectRow(Row kind);
void beginEdit(Row field);
void endEdit();
void turnOnline(bool on);
void acceptEdit();
void cancelEdit();
bool typeable(uint32_t c);
void typeChar(uint32_t c);
void eraseChar();
bool editMessage(const Message& msg, uint32_t physical);
void askForget();
void adjust(RowRef row, int dir, bool wrap);
void activate(RowRef row);
void answer(int choice);
void cancelCapture(const char* why);
void captureKey(uint16_t input);
void capturePad(uint8_t input);
bool asking();
bool capturing();
void navigate(int dy, int dx);
void press();
void back();
void click(Vec2 p);
void stickPush(const PadState& before, const PadState& now, int& dy, int& dx);
bool stickAxis(uint32_t axis);
bool screenMessage(const Message& msg, uint32_t physical, const PadState& before);
bool menuMessage(const Message& msg, uint32_t physical, const PadState& before, bool wasHeld);
void trackHeld(const Message& msg);
const char* helpFor(RowRef row, char* buffer, size_t size);
void showField(const char* text, bool typing, char* out, size_t size);
const char* onOff(bool on);
void describeRow(RowRef ref, OptionsRow& row);
void onlineNotice();
void describe(OptionsPicture& p);

} // namespace options_screen
