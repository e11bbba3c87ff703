// Which physical key, mouse button or pad button each game action sits on.
// Keys are named by position (USB HID usage numbers, which SDL's scancodes
// are), so the defaults sit where W A S D sit on a QWERTY keyboard whatever
// the layout. The rules never see this table: a binding only says which of
// today's codes a physical input stands for.
#pragma once

#include <cstdint>

enum KeyAction : int {
    ActionWalkUp = 0,
    ActionWalkDown,
    ActionWalkLeft,
    ActionWalkRight,
    ActionRun,
    ActionFire,
    ActionSpecial,
    ActionPistol,
    ActionAK,
    ActionShotGun,
    ActionGrenadeGun,
    ActionPreviousWeapon,
    ActionNextWeapon,
    KeyActionCount,
};

enum PadAction : int {
    PadActionRun = 0,
    PadActionFire,
    PadActionSpecial,
    PadActionPreviousWeapon,
    PadActionNextWeapon,
    PadActionCount,
};

// A keyboard input: 1-511 a key by position (HID usage), then the mouse.
// 0 is nothing.
enum : uint16_t {
    kNoInput = 0,
    kScanA = 4,
    kScanD = 7,
    kScanS = 22,
    kScanW = 26,
    kScan1 = 30,
    kScanReturn = 40,
    kScanEscape = 41,
    kScanSpace = 44,
    kScanRight = 79,
    kScanLeft = 80,
    kScanDown = 81,
    kScanUp = 82,
    kScanPadEnter = 88,
    kScanLeftShift = 225,
    kScanRightShift = 229,
    kScanLimit = 512,
    kMouseLeft = 512,
    kMouseMiddle,
    kMouseRight,
    kMouseX1,
    kMouseX2,
    kWheelUp,
    kWheelDown,
    kInputLimit,
};

// A pad input: the PadButton numbers, then the two triggers.
enum : uint8_t {
    kPadTriggerLeft = 15,
    kPadTriggerRight = 16,
    kPadInputCount = 17,
    kNoPadInput = 0xFF,
};

struct Bindings {
    uint16_t key[KeyActionCount] = {};
    uint8_t pad[PadActionCount] = {};
};

// The file's names ("walk_up") and the screen's labels ("Walk up").
const char* keyActionName(int action);
const char* keyActionLabel(int action);
const char* padActionName(int action);
const char* padActionLabel(int action);
int keyActionByName(const char* name);
int padActionByName(const char* name);

// SDL's controller names ("a", "leftshoulder", "righttrigger").
const char* padInputName(uint8_t input);
uint8_t padInputByName(const char* name);
// The mouse's names ("Mouse Left", "Wheel Up"); "" for keys.
const char* mouseInputName(uint16_t input);
uint16_t mouseInputByName(const char* name);

Bindings defaultBindings();

// The menu's own keys and buttons: Escape, Enter and the arrows; the pad's
// Start, Back and Guide. They are never bound.
bool reservedKey(uint16_t input);
bool reservedPadInput(uint8_t input);

// The action an input is bound to, or -1.
int keyActionOn(const Bindings& b, uint16_t input);
int padActionOn(const Bindings& b, uint8_t input);

// Puts `action` on `input`. An action already there takes the input
// `action` had: the two swap. Returns that other action, -1 when none, or
// -2 when the input is reserved or out of range (nothing changes).
int bindKey(Bindings& b, int action, uint16_t input);
int bindPad(Bindings& b, int action, uint8_t input);

// After a hand-edited file: every action left without an input gets its
// default when that is free. Returns how many are still unbound.
int fillMissingBindings(Bindings& b);
