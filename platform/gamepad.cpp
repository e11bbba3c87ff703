// Game controllers through SDL's mapping database: the first pad connected
// drives the game, the others wait until it leaves.
#include "platform/gamepad.h"
#include "platform/file_read.h"
#include "platform/user_files.h"

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

bool started = false;
SDL_GameController* driver = nullptr;
SDL_JoystickID driverId = -1;
// What the game has been told, so that a pad leaving can be undone exactly.
bool sentHeld[PadButtonCount] = {};
int16_t sentAxis[PadAxisCount] = {};

// Sticks rarely rest at exactly zero; readings this small are noise and
// would only flood the input record.
constexpr int noiseFloor = 2048;
// The community database is a few hundred kilobytes.
constexpr size_t mappingFileLimit = 4 * 1024 * 1024;

// The messages one event turns into: the first is returned, the rest posted.
struct Batch {
    Message msgs[2 + PadButtonCount + 2 * PadAxisCount];
    int count = 0;
    void add(MsgType type, uint32_t wParam = 0) {
        if (count < static_cast<int>(sizeof msgs / sizeof msgs[0]))
            msgs[count++] = Message{type, wParam};
    }
};

bool deliver(const Batch& batch, Message* out) {
    int first = 0;
    if (out != nullptr && batch.count > 0) {
        *out = batch.msgs[0];
        first = 1;
    }
    for (int i = first; i < batch.count; ++i)
        postMessage(batch.msgs[i]);
    return out != nullptr && batch.count > 0;
}

int16_t denoise(int16_t value) {
    return (value > -noiseFloor && value < noiseFloor) ? int16_t{0} : value;
}

// Makes the controller the driving pad and reports where its axes already
// stand. Buttons held before it took over are left out: their release is
// not passed on either.
void takeDriver(SDL_GameController* pad, Batch& batch) {
    driver = pad;
    driverId = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
    std::memset(sentHeld, 0, sizeof sentHeld);
    std::memset(sentAxis, 0, sizeof sentAxis);
    batch.add(MsgType::PadAdded);
    for (uint32_t axis = 0; axis < PadAxisCount; ++axis) {
        int16_t v =
            denoise(SDL_GameControllerGetAxis(pad, static_cast<SDL_GameControllerAxis>(axis)));
        if (v == 0) continue;
        sentAxis[axis] = v;
        batch.add(MsgType::PadAxis, padAxisParam(axis, v));
    }
}

// The first connected controller other than `gone` takes over, if any.
void adoptWaitingPad(SDL_JoystickID gone, Batch& batch) {
    for (int i = 0; i < SDL_NumJoysticks() && driver == nullptr; ++i) {
        if (!SDL_IsGameController(i) || SDL_JoystickGetDeviceInstanceID(i) == gone) continue;
        SDL_GameController* pad = SDL_GameControllerOpen(i);
        if (pad != nullptr) takeDriver(pad, batch);
    }
}

void releaseDriver(Batch& batch) {
    for (uint32_t b = 0; b < PadButtonCount; ++b)
        if (sentHeld[b]) batch.add(MsgType::PadButtonUp, b);
    for (uint32_t axis = 0; axis < PadAxisCount; ++axis)
        if (sentAxis[axis] != 0) batch.add(MsgType::PadAxis, padAxisParam(axis, 0));
    batch.add(MsgType::PadRemoved);
    SDL_GameControllerClose(driver);
    driver = nullptr;
    driverId = -1;
}

std::string mappingFilePath() {
    std::string dir = userConfigDir();
    return dir.empty() ? "" : dir + "/gamecontrollerdb.txt";
}

bool readWhole(const std::string& path, std::string& text, std::string& why) {
    ReadStatus status = readFileLimited(path, mappingFileLimit, text, &why);
    if (status == ReadStatus::Missing) why.clear();
    return status == ReadStatus::Ok;
}

// Mappings in the user's config folder override SDL's built-in ones (those
// given in SDL_GAMECONTROLLERCONFIG, which SDL reads itself, still win).
// Lines are handed to SDL one by one so that bad ones can be counted.
void loadMappings(const std::string& path) {
    std::string text, why;
    if (!readWhole(path, text, why)) {
        if (!why.empty())
            std::fprintf(stderr, "%s cannot be read: %s\n", path.c_str(), why.c_str());
        return;
    }
    const std::string here = std::string("platform:") + SDL_GetPlatform();
    int bad = 0, firstBad = 0, lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t platform = line.find("platform:");
        if (platform != std::string::npos && line.compare(platform, here.size(), here) != 0)
            continue;
        if (line.find('\0') != std::string::npos ||
            SDL_GameControllerAddMapping(line.c_str()) < 0) {
            if (bad++ == 0) firstBad = lineNo;
        }
    }
    if (bad > 0)
        std::fprintf(stderr, "%s: %d line%s skipped, not a controller mapping (first: line %d)\n",
                     path.c_str(), bad, bad == 1 ? "" : "s", firstBad);
}

void startControllers() {
    started = true;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "Gamepads are not available: %s\n", SDL_GetError());
        return;
    }
    std::string path = mappingFilePath();
    if (!path.empty()) loadMappings(path);
    // A pad that only the user's file maps gets no "added" event of its own.
    Batch batch;
    adoptWaitingPad(-1, batch);
    deliver(batch, nullptr);
}

Uint16 motorLevel(float strength) {
    if (!(strength > 0.0f)) return 0;
    if (strength >= 1.0f) return 0xFFFF;
    return static_cast<Uint16>(strength * 65535.0f + 0.5f);
}

} // namespace

bool padConnected() {
    return driver != nullptr;
}

void rumblePad(float lowStrength, float highStrength, uint32_t ms) {
    if (driver == nullptr) return;
    SDL_GameControllerRumble(driver, motorLevel(lowStrength), motorLevel(highStrength), ms);
}

void initGamepads() {
    if (!started && SDL_WasInit(SDL_INIT_VIDEO) != 0) startControllers();
}

bool translatePadEvent(const SDL_Event& e, Message& out) {
    Batch batch;
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
        if (driver != nullptr) return false;
        SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which);
        if (pad == nullptr) return false;
        takeDriver(pad, batch);
        return deliver(batch, &out);
    }
    case SDL_CONTROLLERDEVICEREMOVED:
        if (driver == nullptr || e.cdevice.which != driverId) return false;
        releaseDriver(batch);
        adoptWaitingPad(e.cdevice.which, batch);
        return deliver(batch, &out);
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
        uint32_t b = e.cbutton.button;
        if (driver == nullptr || e.cbutton.which != driverId || b >= PadButtonCount) return false;
        if (sentHeld[b] == down) return false;
        sentHeld[b] = down;
        out = Message{down ? MsgType::PadButtonDown : MsgType::PadButtonUp, b};
        return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
        uint32_t axis = e.caxis.axis;
        if (driver == nullptr || e.caxis.which != driverId || axis >= PadAxisCount) return false;
        int16_t v = denoise(e.caxis.value);
        if (v == sentAxis[axis]) return false;
        sentAxis[axis] = v;
        out = Message{MsgType::PadAxis, padAxisParam(axis, v)};
        return true;
    }
    default:
        return false;
    }
}

namespace test {

namespace {

struct VirtualPad {
    SDL_Joystick* joystick = nullptr;
    uint16_t rumbleLow = 0;
    uint16_t rumbleHigh = 0;
};
constexpr int virtualPadCapacity = 4;
VirtualPad virtualPads[virtualPadCapacity];

int SDLCALL recordRumble(void* userdata, Uint16 low, Uint16 high) {
    auto* pad = static_cast<VirtualPad*>(userdata);
    pad->rumbleLow = low;
    pad->rumbleHigh = high;
    return 0;
}

SDL_Joystick* joystickOf(int pad) {
    if (pad < 0 || pad >= virtualPadCapacity) return nullptr;
    return virtualPads[pad].joystick;
}

} // namespace

int attachPad() {
    // The offscreen window never has the focus; pad input must reach it anyway.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (!started) startControllers();
    int slot = 0;
    while (slot < virtualPadCapacity && virtualPads[slot].joystick != nullptr)
        ++slot;
    if (slot == virtualPadCapacity) return -1;
    VirtualPad& pad = virtualPads[slot];
    pad = VirtualPad{};

    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Quorvex test pad";
    desc.userdata = &pad;
    desc.Rumble = recordRumble;
    int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
        std::fprintf(stderr, "No virtual pad: %s\n", SDL_GetError());
        return -1;
    }
    pad.joystick = SDL_JoystickOpen(index);
    if (pad.joystick == nullptr) {
        SDL_JoystickDetachVirtual(index);
        return -1;
    }
    return slot;
}

void setPadButton(int pad, PadButton button, bool down) {
    if (SDL_Joystick* j = joystickOf(pad))
        SDL_JoystickSetVirtualButton(j, static_cast<int>(button), down ? 1 : 0);
}

void setPadAxis(int pad, PadAxisId axis, int16_t value) {
    SDL_Joystick* j = joystickOf(pad);
    if (j == nullptr) return;
    int raw = value;
    // The controller layer stretches a trigger's whole raw range onto 0..32767.
    if (axis == PadTriggerLeft || axis == PadTriggerRight) {
        int v = value < 0 ? 0 : value;
        raw = -32768 + (v * 65535 + 16383) / 32767;
    }
    SDL_JoystickSetVirtualAxis(j, static_cast<int>(axis), static_cast<Sint16>(raw));
}

void detachPad(int pad) {
    SDL_Joystick* j = joystickOf(pad);
    if (j == nullptr) return;
    SDL_JoystickID id = SDL_JoystickInstanceID(j);
    SDL_JoystickClose(j);
    virtualPads[pad].joystick = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) {
            SDL_JoystickDetachVirtual(i);
            return;
        }
    }
}

void loadPadMappings(const char* path) {
    if (!started) startControllers();
    loadMappings(path);
}

uint16_t padRumbleLow(int pad) {
    return pad >= 0 && pad < virtualPadCapacity ? virtualPads[pad].rumbleLow : 0;
}

uint16_t padRumbleHigh(int pad) {
    return pad >= 0 && pad < virtualPadCapacity ? virtualPads[pad].rumbleHigh : 0;
}

} // namespace test

} // namespace platform
