#include "input/bindings.h"

#include <cstring>

#include "platform/platform.h"

static_assert(uint32_t{kMouseLeft} == uint32_t{PhysicalMouseLeft} &&
              uint32_t{kWheelDown} == uint32_t{PhysicalWheelDown});
static_assert(uint32_t{kPadTriggerLeft} == uint32_t{PadButtonCount});

namespace {

struct ActionNames {
    const char* name;
    const char* label;
};

const ActionNames kKeyActions[KeyActionCount] = {
    {"walk_up", "Walk up"},
    {"walk_down", "Walk down"},
    {"walk_left", "Walk left"},
    {"walk_right", "Walk right"},
    {"run", "Run"},
    {"fire", "Fire"},
    {"special", "Special"},
    {"pistol", "Pistol"},
    {"ak", "AK"},
    {"shotgun", "ShotGun"},
    {"grenadegun", "GrenadeGun"},
    {"previous_weapon", "Previous weapon"},
    {"next_weapon", "Next weapon"},
};

const ActionNames kPadActions[PadActionCount] = {
    {"run", "Run"},
    {"fire", "Fire"},
    {"special", "Special"},
    {"previous_weapon", "Previous weapon"},
    {"next_weapon", "Next weapon"},
};

const char* const kPadInputs[kPadInputCount] = {
    "a",
    "b",
    "x",
    "y",
    "back",
    "guide",
    "start",
    "leftstick",
    "rightstick",
    "leftshoulder",
    "rightshoulder",
    "dpup",
    "dpdown",
    "dpleft",
    "dpright",
    "lefttrigger",
    "righttrigger",
};

const char* const kMouseInputs[kInputLimit - kMouseLeft] = {
    "Mouse Left", "Mouse Middle", "Mouse Right", "Mouse X1", "Mouse X2", "Wheel Up", "Wheel Down",
};

// PadA, PadStart, PadBack, PadGuide, the shoulders: the PadButton numbers.
constexpr uint8_t kPadA = 0, kPadBack = 4, kPadGuide = 5, kPadStart = 6;
constexpr uint8_t kPadLeftShoulder = 9, kPadRightShoulder = 10;

int byName(const ActionNames* table, int count, const char* name) {
    for (int i = 0; i < count; ++i)
        if (std::strcmp(table[i].name, name) == 0) return i;
    return -1;
}

} // namespace

const char* keyActionName(int action) {
    return action >= 0 && action < KeyActionCount ? kKeyActions[action].name : "";
}
const char* keyActionLabel(int action) {
    return action >= 0 && action < KeyActionCount ? kKeyActions[action].label : "";
}
const char* padActionName(int action) {
    return action >= 0 && action < PadActionCount ? kPadActions[action].name : "";
}
const char* padActionLabel(int action) {
    return action >= 0 && action < PadActionCount ? kPadActions[action].label : "";
}
int keyActionByName(const char* name) {
    return byName(kKeyActions, KeyActionCount, name);
}
int padActionByName(const char* name) {
    return byName(kPadActions, PadActionCount, name);
}

const char* padInputName(uint8_t input) {
    return input < kPadInputCount ? kPadInputs[input] : "";
}

uint8_t padInputByName(const char* name) {
    for (uint8_t i = 0; i < kPadInputCount; ++i)
        if (std::strcmp(kPadInputs[i], name) == 0) return i;
    return kNoPadInput;
}

const char* mouseInputName(uint16_t input) {
    return input >= kMouseLeft && input < kInputLimit ? kMouseInputs[input - kMouseLeft] : "";
}

uint16_t mouseInputByName(const char* name) {
    for (uint16_t i = kMouseLeft; i < kInputLimit; ++i)
        if (std::strcmp(kMouseInputs[i - kMouseLeft], name) == 0) return i;
    return kNoInput;
}

Bindings defaultBindings() {
    Bindings b;
    const uint16_t keys[KeyActionCount] = {
        kScanW, kScanS,     kScanA,     kScanD,     kScanLeftShift, kMouseLeft, kMouseRight,
        kScan1, kScan1 + 1, kScan1 + 2, kScan1 + 3, kWheelUp,       kWheelDown,
    };
    std::memcpy(b.key, keys, sizeof keys);
    const uint8_t pad[PadActionCount] = {kPadA, kPadTriggerRight, kPadTriggerLeft, kPadLeftShoulder,
                                         kPadRightShoulder};
    std::memcpy(b.pad, pad, sizeof pad);
    return b;
}

bool reservedKey(uint16_t input) {
    switch (input) {
    case kScanReturn:
    case kScanEscape:
    case kScanRight:
    case kScanLeft:
    case kScanDown:
    case kScanUp:
    case kScanPadEnter:
        return true;
    default:
        return false;
    }
}

bool reservedPadInput(uint8_t input) {
    return input == kPadStart || input == kPadBack || input == kPadGuide;
}

int keyActionOn(const Bindings& b, uint16_t input) {
    if (input == kNoInput) return -1;
    for (int i = 0; i < KeyActionCount; ++i)
        if (b.key[i] == input) return i;
    return -1;
}

int padActionOn(const Bindings& b, uint8_t input) {
    if (input == kNoPadInput) return -1;
    for (int i = 0; i < PadActionCount; ++i)
        if (b.pad[i] == input) return i;
    return -1;
}

int bindKey(Bindings& b, int action, uint16_t input) {
    if (action < 0 || action >= KeyActionCount || input == kNoInput || input >= kInputLimit ||
        reservedKey(input))
        return -2;
    int other = keyActionOn(b, input);
    if (other == action) return -1;
    if (other >= 0) b.key[other] = b.key[action];
    b.key[action] = input;
    return other;
}

int bindPad(Bindings& b, int action, uint8_t input) {
    if (action < 0 || action >= PadActionCount || input >= kPadInputCount ||
        reservedPadInput(input))
        return -2;
    int other = padActionOn(b, input);
    if (other == action) return -1;
    if (other >= 0) b.pad[other] = b.pad[action];
    b.pad[action] = input;
    return other;
}

int fillMissingBindings(Bindings& b) {
    const Bindings d = defaultBindings();
    int missing = 0;
    for (int i = 0; i < KeyActionCount; ++i) {
        if (b.key[i] != kNoInput) continue;
        if (keyActionOn(b, d.key[i]) < 0)
            b.key[i] = d.key[i];
        else
            ++missing;
    }
    for (int i = 0; i < PadActionCount; ++i) {
        if (b.pad[i] != kNoPadInput) continue;
        if (padActionOn(b, d.pad[i]) < 0)
            b.pad[i] = d.pad[i];
        else
            ++missing;
    }
    return missing;
}
