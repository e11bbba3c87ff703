// The one seam between the game and the operating system. Everything that
// touches SDL2, fontconfig or FreeType lives behind these calls; the game
// speaks in Windows terms (virtual-key codes, a window procedure fed with
// messages, a millisecond tick count) and never sees SDL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class MsgType : uint8_t {
    Create,  // sent once by the entry right after the window exists
    Destroy, // the window is being closed (system close key, window manager)
    KeyDown, // wParam: Windows virtual-key code
    KeyUp,   // wParam: Windows virtual-key code
    LButtonDown,
    LButtonUp,
    RButtonDown,
    RButtonUp,
    Quit, // ends the message loop
    // The keyboard focus left the window, or the window was minimised.
    FocusLost,
    FocusGained,
    // The gamepad that drives the game (the first one connected).
    PadButtonDown, // wParam: PadButton
    PadButtonUp,   // wParam: PadButton
    PadAxis,       // wParam: padAxisParam(axis, value)
    PadAdded,      // a pad became the driving pad
    PadRemoved,    // the driving pad went away
    // Mouse inputs the window procedure has no message for; wParam is the
    // physical input. The application turns them into the messages above
    // (or drops them) before the window procedure sees anything.
    OtherButtonDown,
    OtherButtonUp,
    Wheel,
    // A character typed while text input is on; wParam: its Unicode code
    // point. For the program's own fields: never for the game or a replay.
    Text,
};

// Where the message peekMessage returned last came from: a key by position
// (its SDL scancode, 1-511), a mouse button or a wheel turn (from 512 on),
// or 0 for a message the program posted. PhysicalRepeat marks keyboard
// auto-repeat.
enum PhysicalInput : uint32_t {
    PhysicalMouseLeft = 512,
    PhysicalMouseMiddle,
    PhysicalMouseRight,
    PhysicalMouseX1,
    PhysicalMouseX2,
    PhysicalWheelUp,
    PhysicalWheelDown,
    PhysicalRepeat = 0x8000,
};

struct Message {
    MsgType type = MsgType::Quit;
    uint32_t wParam = 0;
};

// Gamepad buttons and axes, in the standard controller layout.
enum PadButton : uint32_t {
    PadA = 0,
    PadB,
    PadX,
    PadY,
    PadBack,
    PadGuide,
    PadStart,
    PadLeftStick,
    PadRightStick,
    PadLeftShoulder,
    PadRightShoulder,
    PadDpadUp,
    PadDpadDown,
    PadDpadLeft,
    PadDpadRight,
    PadButtonCount,
};

enum PadAxisId : uint32_t {
    PadLeftX = 0,
    PadLeftY, // down is positive
    PadRightX,
    PadRightY,       // down is positive
    PadTriggerLeft,  // 0 released to 32767 fully pressed
    PadTriggerRight, // 0 released to 32767 fully pressed
    PadAxisCount,
};

// A PadAxis message carries the axis in the low byte and the value
// (-32768 to 32767) in the high 16 bits.
inline uint32_t padAxisParam(uint32_t axis, int16_t value) {
    return (axis & 0xFFu) | (static_cast<uint32_t>(static_cast<uint16_t>(value)) << 16);
}
inline uint32_t padAxisOf(uint32_t wParam) {
    return wParam & 0xFFu;
}
inline int16_t padValueOf(uint32_t wParam) {
    return static_cast<int16_t>(static_cast<uint16_t>(wParam >> 16));
}

// Windows virtual-key codes the game uses by name.
enum VirtualKey : uint32_t {
    VkShift = 16,
    VkEscape = 27,
    VkLeft = 37,
    VkUp = 38,
    VkRight = 39,
    VkDown = 40,
};

namespace platform {

// How the window shows the game: the borderless window at (0, 0) of the
// picture's size (the default), an ordinary movable, resizable window, or
// the whole display at its own resolution. Set before createWindow.
enum class WindowMode : uint8_t { Borderless, Decorated, FullScreen };
void setWindowMode(WindowMode mode);

// Opens the window with a double-buffered OpenGL 3.3 core context (OpenGL
// ES 3.0 where the environment's QUORVEX_GL is "es"), makes the context
// current and asks for vertical sync (going on without it where refused).
// The game draws a picture of width x height: into an offscreen framebuffer
// that the window shows scaled to fit, aspect kept, centred, black bars
// around; straight into the window where that framebuffer cannot be made.
// Returns false, after saying why on standard error, when no display can
// show a window or the driver offers less than those versions (the message
// names what it offers).
bool createWindow(const char* title, int width, int height);
// Counts the contexts made: what was made in another context is gone.
uint32_t contextSerial();
// Releases the rendering context and the window.
void destroyWindow();
// The full-screen setting: the window covers its display at the display's
// own resolution. The display mode itself is never changed; the arguments
// are kept for the callers and no longer used.
void changeDisplayMode(int width, int height, int bitsPerPixel);
// Full screen on and off at run time (F11 and Alt+Enter do it too; those
// keys never reach the game).
void setFullScreen(bool on);
void toggleFullScreen();
// How the picture is scaled into a larger window: smooth (fitted, filtered)
// or sharp (whole pixels at a whole-number scale).
void setSmoothScaling(bool on);
// Resizes the window (not the picture, which keeps the size it started
// with and is scaled into it); ignored in full screen.
void setWindowPixelSize(int width, int height);
bool isFullScreen();
// True while the game draws into the offscreen picture.
bool hasScaledPicture();
// Draws the picture's texture into the window's back buffer (bound, viewport
// the whole window) at (x, y, w, h), window pixels from the bottom left, with
// the texture's filtering as set. False where it could not, and the picture
// is copied by the framebuffer blit instead. The back end sets it, so that
// showing the picture takes the same shaders as drawing it.
using PicturePresenter = bool (*)(uint32_t texture, int windowW, int windowH, int x, int y, int w,
                                  int h);
void setPicturePresenter(PicturePresenter presenter);
// The window's drawable size in pixels (0 x 0 when minimised or closed).
void windowSize(int& width, int& height);
// Shows the finished picture. When the swap does not wait for the display,
// waits until the display's next refresh (60 Hz when unknown) so that the
// input read next is fresh; setFrameCap(false) turns that wait off. Tests
// never wait.
void swapBuffers();
// For a frame that would draw exactly the last picture again: the window is
// presented anew only when it needs it (exposed, resized, full screen
// toggled, or no scaled picture to present from); otherwise this just waits
// as long as a paced swap would.
void showPictureAgain();
void setFrameCap(bool on);
bool frameCapOn();

// Takes the next waiting message, translating pending window events first.
// Returns false when nothing is waiting.
bool peekMessage(Message& out);
uint32_t lastPhysicalInput();
// Typed text arrives as Text messages only between these two calls (the
// platform's input method is off the rest of the time).
void startTextInput();
void stopTextInput();
bool textInputOn();
// Appends a message to the queue (tests inject input this way).
void postMessage(const Message& msg);
void postQuitMessage();

// The pointer in picture pixels, polled, wherever it is on the screen
// (outside the picture the values run past its edges); setting it moves
// the pointer to that picture pixel.
void getCursorPos(int& x, int& y);
void setCursorPos(int x, int y);
void showCursor(bool show);

// Keys by position: SDL scancodes, which are the USB HID usage numbers.
// The layout-independent name ("W", "Left Shift"), "" for none; the code
// for a name, 0 when there is no such key; and the label the player's
// keyboard layout gives the key (its name when the layout gives none).
const char* scancodeName(uint32_t scancode);
uint32_t scancodeByName(const char* name);
std::string keyLabel(uint32_t scancode);

// Milliseconds since some fixed point, wrapping like GetTickCount.
uint32_t tickCount();

// Modal box with one OK button. Without a display that can show it, caption
// and text go to standard error instead.
void messageBox(const char* text, const char* caption);

// Finds and opens the face ahead of addFontToAtlas (fontconfig and FreeType
// only, no GL), on any thread, as long as no other font call runs meanwhile.
bool prepareFontFace(const char* face);

// The face the game ships, relative to the data folder (the working folder).
// Every font comes from it; only when it is missing or unreadable does
// fontconfig's match for the asked face stand in (with a line on stderr).
constexpr const char* kShippedFontFile = "Fonts/LiberationMono-Bold.ttf";

struct GlyphAtlas;
// Renders the 96 glyphs of a font of this GDI-style size into the atlas
// (appending a font, growing the atlas's height; the width stays 512 unless
// a glyph needs more), with at least one empty pixel between boxes. Returns
// the font's index, or -1 (a message on stderr) when no face could be
// loaded, the size is unusable or the atlas is full; the atlas is then
// unchanged. An existing font of that size is reused. Sizes are GDI's
// CreateFont's: a character cell of the given pixel height and average
// character width; glyphs are 1-bit, auto-hinted.
int addFontToAtlas(GlyphAtlas& atlas, const char* face, int height, int width);

// Test support: a scripted clock, a virtual cursor and captured message
// boxes. Once enabled, tickCount, getCursorPos/setCursorPos and messageBox
// use these instead of the system, so tests never block.
namespace test {
struct Box {
    std::string text;
    std::string caption;
};
void enable();
bool enabled();
void setTicks(uint32_t ticks);
void advanceTicks(uint32_t ms);
void setCursor(int x, int y);
const std::vector<Box>& boxes();
void clearBoxes();
// Shows the picture in the window's back buffer as swapBuffers would and
// reads the whole window back (RGBA, bottom row first), then goes on drawing
// the picture. False when there is no window or it is empty.
bool readWindowPixels(std::vector<uint8_t>& rgba, int& width, int& height);
// The size the next window opens at, instead of the picture's (0 x 0 goes
// back to the picture's size). Offscreen windows cannot be resized later.
void setNextWindowSize(int width, int height);
} // namespace test

} // namespace platform
