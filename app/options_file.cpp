#include "app/options_file.h"

#include <ini.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/world/world.h"
#include "input/settings_values.h"
#include "platform/platform.h"
#include "platform/user_files.h"

namespace {

struct Reading {
    PlayerOptions values;
    OptionsExtra extra;
    std::vector<std::string>* complaints;
    bool keySet[KeyActionCount] = {};
    bool padSet[PadActionCount] = {};
    bool versionSeen = false;
};

void complain(Reading& r, const std::string& line) {
    r.complaints->push_back("options.ini: " + line);
}

bool parseBool(const char* v, bool& out) {
    static const char* const yes[] = {"1", "true", "on", "yes"};
    static const char* const no[] = {"0", "false", "off", "no"};
    for (const char* y : yes)
        if (strcasecmp(v, y) == 0) return out = true, true;
    for (const char* n : no)
        if (strcasecmp(v, n) == 0) return out = false, true;
    return false;
}

bool parseFloat(const char* v, double& out) {
    errno = 0;
    char* end = nullptr;
    out = std::strtod(v, &end);
    return end != v && *end == '\0' && errno == 0 && std::isfinite(out);
}

bool parseInt(const char* v, long& out) {
    errno = 0;
    char* end = nullptr;
    out = std::strtol(v, &end, 10);
    return end != v && *end == '\0' && errno == 0;
}

template <typename T> T clampWithNote(Reading& r, const char* name, T value, T low, T high) {
    if (value >= low && value <= high) return value;
    T clamped = value < low ? low : high;
    complain(r, std::string(name) + " = " + std::to_string(value) + " is out of range; using " +
                    std::to_string(clamped));
    return clamped;
}

uint16_t keyInputByName(const char* value) {
    uint16_t mouse = mouseInputByName(value);
    if (mouse != kNoInput) return mouse;
    return static_cast<uint16_t>(platform::scancodeByName(value));
}

std::string keyInputName(uint16_t input) {
    if (input >= kMouseLeft) return mouseInputName(input);
    return platform::scancodeName(input);
}

void readKeyBinding(Reading& r, const char* actionName, const char* value) {
    int action = keyActionByName(actionName);
    std::string key = std::string("key.") + actionName;
    if (action < 0) {
        r.extra.unknownLines.push_back(key + " = " + value);
        return;
    }
    Bindings& b = r.values.bindings;
    if (value[0] == '\0' || strcasecmp(value, "none") == 0) {
        b.key[action] = kNoInput;
        r.keySet[action] = true;
        return;
    }
    uint16_t input = keyInputByName(value);
    if (input == kNoInput || reservedKey(input)) {
        complain(r, key + " = " + value + ": no such key to bind; keeping " +
                        keyInputName(b.key[action]));
        return;
    }
    int other = keyActionOn(b, input);
    if (other >= 0 && other != action && r.keySet[other]) {
        complain(r, key + " = " + value + " takes that key from key." + keyActionName(other));
        b.key[other] = kNoInput;
    }
    bindKey(b, action, input);
    r.keySet[action] = true;
}

void readPadBinding(Reading& r, const char* actionName, const char* value) {
    int action = padActionByName(actionName);
    std::string key = std::string("pad.") + actionName;
    if (action < 0) {
        r.extra.unknownLines.push_back(key + " = " + value);
        return;
    }
    Bindings& b = r.values.bindings;
    if (value[0] == '\0' || strcasecmp(value, "none") == 0) {
        b.pad[action] = kNoPadInput;
        r.padSet[action] = true;
        return;
    }
    uint8_t input = padInputByName(value);
    if (input == kNoPadInput || reservedPadInput(input)) {
        complain(r, key + " = " + value + ": no such pad button to bind; keeping " +
                        padInputName(b.pad[action]));
        return;
    }
    int other = padActionOn(b, input);
    if (other >= 0 && other != action && r.padSet[other]) {
        complain(r, key + " = " + value + " takes that button from pad." + padActionName(other));
        b.pad[other] = kNoPadInput;
    }
    bindPad(b, action, input);
    r.padSet[action] = true;
}

bool readBool(Reading& r, const char* name, const char* value, bool& out) {
    if (parseBool(value, out)) return true;
    complain(r, std::string(name) + " = " + value + " is not on/off; ignored");
    return false;
}

bool readNumber(Reading& r, const char* name, const char* value, double& out) {
    if (parseFloat(value, out)) return true;
    complain(r, std::string(name) + " = " + value + " is not a number; ignored");
    return false;
}

// One known key; false when the name is not one of them.
bool readKnown(Reading& r, const char* name, const char* value) {
    PlayerOptions& o = r.values;
    double number = 0.0;
    long whole = 0;
    if (std::strcmp(name, "version") == 0) {
        if (!parseInt(value, whole) || whole < 1) {
            complain(r, std::string("version = ") + value + " is not a version; read as 1");
            whole = 1;
        }
        r.extra.version = whole > 1000000 ? 1000000 : static_cast<int>(whole);
        r.versionSeen = true;
    } else if (std::strcmp(name, "fullscreen") == 0) {
        readBool(r, name, value, o.fullScreen);
    } else if (std::strcmp(name, "width") == 0 || std::strcmp(name, "height") == 0) {
        if (!parseInt(value, whole)) {
            complain(r, std::string(name) + " = " + value + " is not a whole number; ignored");
            return true;
        }
        bool isWidth = name[0] == 'w';
        long v = clampWithNote<long>(r, name, whole, isWidth ? kMinScreenWidth : kMinScreenHeight,
                                     isWidth ? kMaxScreenWidth : kMaxScreenHeight);
        (isWidth ? o.width : o.height) = static_cast<int32_t>(v);
    } else if (std::strcmp(name, "spawn_acceleration") == 0) {
        if (readNumber(r, name, value, number))
            o.spawnAcceleration = static_cast<float>(clampWithNote<double>(
                r, name, number, kMinSpawnAcceleration, kMaxSpawnAcceleration));
    } else if (std::strcmp(name, "fps_counter") == 0) {
        readBool(r, name, value, o.fpsCounter);
    } else if (std::strcmp(name, "volume") == 0) {
        if (!parseInt(value, whole)) {
            complain(r, std::string(name) + " = " + value + " is not a whole number; ignored");
            return true;
        }
        long v = clampWithNote<long>(r, name, whole, 0, 100);
        o.volume = static_cast<int32_t>((v + 2) / 5 * 5);
    } else if (std::strcmp(name, "mute") == 0) {
        readBool(r, name, value, o.mute);
    } else if (std::strcmp(name, "mute_unfocused") == 0) {
        readBool(r, name, value, o.muteUnfocused);
    } else if (std::strcmp(name, "frame_cap") == 0) {
        readBool(r, name, value, o.frameCap);
    } else if (std::strcmp(name, "scale_filter") == 0) {
        if (std::strcmp(value, "sharp") == 0)
            o.scaleFilter = ScaleFilter::Sharp;
        else if (std::strcmp(value, "smooth") == 0)
            o.scaleFilter = ScaleFilter::Smooth;
        else
            complain(r, std::string("scale_filter = ") + value + " is not sharp or smooth");
    } else if (std::strcmp(name, "run_toggle") == 0) {
        readBool(r, name, value, o.runToggle);
    } else if (std::strcmp(name, "fire_toggle") == 0) {
        readBool(r, name, value, o.fireToggle);
    } else if (std::strcmp(name, "aim_line") == 0) {
        readBool(r, name, value, o.aimLine);
    } else if (std::strcmp(name, "aim_line_colour") == 0) {
        static const char* const colours[] = {"red", "yellow", "cyan", "white"};
        bool known = false;
        for (int i = 0; i < 4; ++i) {
            if (std::strcmp(value, colours[i]) == 0) {
                o.aimLineColour = static_cast<AimColour>(i);
                known = true;
            }
        }
        if (!known)
            complain(r, std::string("aim_line_colour = ") + value +
                            " is not red, yellow, cyan or white");
    } else if (std::strcmp(name, "pad_dead_zone") == 0) {
        if (readNumber(r, name, value, number))
            o.padDeadZone = static_cast<float>(
                clampWithNote<double>(r, name, number, kMinDeadZone, kMaxDeadZone));
    } else if (std::strcmp(name, "pad_aim_reach") == 0) {
        if (readNumber(r, name, value, number))
            o.padAimReach = static_cast<float>(
                clampWithNote<double>(r, name, number, kMinAimReach, kMaxAimReach));
    } else if (std::strcmp(name, "rumble") == 0) {
        readBool(r, name, value, o.rumble);
    } else if (std::strcmp(name, "touch_size") == 0) {
        if (readNumber(r, name, value, number))
            o.touchSize = static_cast<float>(
                clampWithNote<double>(r, name, number, kMinTouchSize, kMaxTouchSize));
    } else if (std::strcmp(name, "touch_opacity") == 0) {
        if (readNumber(r, name, value, number))
            o.touchOpacity = static_cast<float>(
                clampWithNote<double>(r, name, number, kMinTouchOpacity, kMaxTouchOpacity));
    } else if (std::strcmp(name, "touch_left_handed") == 0) {
        readBool(r, name, value, o.touchLeftHanded);
    } else if (std::strcmp(name, "touch_vibration") == 0) {
        readBool(r, name, value, o.touchVibration);
    } else if (std::strncmp(name, "key.", 4) == 0) {
        readKeyBinding(r, name + 4, value);
    } else if (std::strncmp(name, "pad.", 4) == 0) {
        readPadBinding(r, name + 4, value);
    } else {
        return false;
    }
    return true;
}

int onPair(void* user, const char* section, const char* name, const char* value) {
    Reading& r = *static_cast<Reading*>(user);
    if (section[0] != '\0') {
        // Sections are a later version's; keep them whole.
        std::string header = std::string("[") + section + "]";
        auto& lines = r.extra.unknownLines;
        bool open = false;
        for (const std::string& line : lines)
            open = line[0] == '[' ? line == header : open;
        if (!open) lines.push_back(header);
        lines.push_back(std::string(name) + " = " + value);
        return 1;
    }
    if (!readKnown(r, name, value))
        r.extra.unknownLines.push_back(std::string(name) + " = " + value);
    return 1;
}

const char* const kColourNames[] = {"red", "yellow", "cyan", "white"};

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

struct Store {
    bool read = false;
    PlayerOptions onDisk;
    OptionsExtra extra;
    bool refused = false; // a file that could be neither read nor moved aside
    bool saidUnwritable = false;
};

Store store;

void sayAll(const std::vector<std::string>& complaints) {
    for (const std::string& line : complaints)
        std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

bool parseOptionsText(const std::string& text, PlayerOptions& into, OptionsExtra& extra,
                      std::vector<std::string>& complaints) {
    if (text.find('\0') != std::string::npos) return false;
    Reading r;
    r.values = into;
    r.complaints = &complaints;
    if (ini_parse_string(text.c_str(), onPair, &r) != 0) return false;
    int missing = fillMissingBindings(r.values.bindings);
    if (missing > 0)
        complain(r, std::to_string(missing) + " action(s) left without a key or button: their "
                                              "defaults are taken by others");
    into = r.values;
    extra = r.extra;
    return true;
}

std::string formatOptionsText(const PlayerOptions& o, const OptionsExtra& extra) {
    std::string t;
    auto put = [&t](const char* name, const std::string& value) {
        t += name;
        t += " = ";
        t += value;
        t += '\n';
    };
    auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    // A newer file keeps its version: what this one did not understand stays.
    put("version",
        std::to_string(extra.version > kOptionsVersion ? extra.version : kOptionsVersion));
    put("fullscreen", flag(o.fullScreen));
    put("width", std::to_string(o.width));
    put("height", std::to_string(o.height));
    put("spawn_acceleration", number(o.spawnAcceleration));
    put("fps_counter", flag(o.fpsCounter));
    put("volume", std::to_string(o.volume));
    put("mute", flag(o.mute));
    put("mute_unfocused", flag(o.muteUnfocused));
    put("frame_cap", flag(o.frameCap));
    put("scale_filter", o.scaleFilter == ScaleFilter::Smooth ? "smooth" : "sharp");
    put("run_toggle", flag(o.runToggle));
    put("fire_toggle", flag(o.fireToggle));
    put("aim_line", flag(o.aimLine));
    put("aim_line_colour", kColourNames[static_cast<int>(o.aimLineColour) & 3]);
    put("pad_dead_zone", number(o.padDeadZone));
    put("pad_aim_reach", number(o.padAimReach));
    put("rumble", flag(o.rumble));
    put("touch_size", number(o.touchSize));
    put("touch_opacity", number(o.touchOpacity));
    put("touch_left_handed", flag(o.touchLeftHanded));
    put("touch_vibration", flag(o.touchVibration));
    for (int i = 0; i < KeyActionCount; ++i)
        put((std::string("key.") + keyActionName(i)).c_str(), keyInputName(o.bindings.key[i]));
    for (int i = 0; i < PadActionCount; ++i)
        put((std::string("pad.") + padActionName(i)).c_str(), padInputName(o.bindings.pad[i]));
    for (const std::string& line : extra.unknownLines) {
        t += line;
        t += '\n';
    }
    return t;
}

PlayerOptions optionsFromSettings() {
    World& w = world();
    PlayerOptions o;
    o.fullScreen = fullScreen != 0;
    o.width = w.screenWidth;
    o.height = w.screenHeight;
    o.spawnAcceleration = w.spawnAcceleration;
    o.fpsCounter = w.showFps != 0;
    return o;
}

std::string optionsPath() {
    std::string dir = platform::userConfigDir();
    return dir.empty() ? std::string() : dir + "/options.ini";
}

PlayerOptions loadPlayerOptions() {
    store = Store{};
    store.read = true;
    PlayerOptions options = optionsFromSettings();
    store.onDisk = options;
    std::string path = optionsPath();
    if (path.empty()) return options;
    std::string text, why;
    platform::ReadStatus status = platform::readFileLimited(path, kOptionsFileMaxBytes, text, &why);
    if (status == platform::ReadStatus::Missing) return options;
    std::vector<std::string> complaints;
    if (status == platform::ReadStatus::TooBig)
        why = "larger than 64 KiB";
    else if (status == platform::ReadStatus::Ok)
        why = "not an options file";
    if (status == platform::ReadStatus::Ok &&
        parseOptionsText(text, options, store.extra, complaints)) {
        sayAll(complaints);
        store.onDisk = options;
        return options;
    }
    std::string movedTo;
    if (platform::moveAside(path, movedTo)) {
        std::fprintf(stderr, "%s could not be read (%s); moved it to %s and using the defaults\n",
                     path.c_str(), why.c_str(), movedTo.c_str());
        // Written anew at the first change.
        store.onDisk = options;
    } else {
        store.refused = true;
        std::fprintf(stderr,
                     "%s could not be read (%s) nor moved aside; options will not be saved\n",
                     path.c_str(), why.c_str());
    }
    return options;
}

void savePlayerOptions(const PlayerOptions& options) {
    if (store.refused || (store.read && sameOptions(options, store.onDisk))) return;
    std::string path = optionsPath();
    if (path.empty()) return;
    std::string text = formatOptionsText(options, store.extra);
    std::string why;
    if (!platform::makePrivateDirs(platform::userConfigDir(), &why) ||
        !platform::writeFileSafely(path, text.data(), text.size(), &why)) {
        if (!store.saidUnwritable)
            std::fprintf(stderr, "Cannot save %s (%s); the options apply to this session only\n",
                         path.c_str(), why.c_str());
        store.saidUnwritable = true;
        return;
    }
    store.read = true;
    store.onDisk = options;
}

bool resetOptionsFile() {
    std::string path = optionsPath();
    if (path.empty() || !platform::fileExists(path)) return true;
    std::string movedTo;
    if (!platform::moveAside(path, movedTo)) {
        std::fprintf(stderr, "Cannot move %s aside (%s); the options stay as they are\n",
                     path.c_str(), std::strerror(errno));
        return false;
    }
    std::fprintf(stderr, "Moved %s to %s; starting with the default options\n", path.c_str(),
                 movedTo.c_str());
    return true;
}

void resetOptionsStore() {
    store = Store{};
}
