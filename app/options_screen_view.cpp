// What the Options screen shows: each row's label, value and help line,
// filled into the picture the interface draws.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/options_apply.h"
#include "app/options_file.h"
#include "app/options_screen_state.h"
#include "input/bindings.h"
#include "input/input.h"
#include "online/sender.h"

namespace options_screen {

const char* helpFor(RowRef row, char* buffer, size_t size) {
    switch (row.kind) {
    case Row::Tabs:
        return "Left and right change the page";
    case Row::Volume:
        return "Loudness of every sound, 0 to 100";
    case Row::Mute:
        return "Silences every sound";
    case Row::MuteUnfocused:
        return "Silences the game while another window is in front";
    case Row::FullScreen:
        return "Fills the display; kept only when you say so";
    case Row::WindowSize:
        return "The window's size; kept only when you say so";
    case Row::Filter:
        return "Scaling: sharp whole pixels, or smooth";
    case Row::FrameCap:
        return "Waits for the display between frames";
    case Row::Fps:
        return "Shows the frame rate in the corner";
    case Row::KeyBind:
        std::snprintf(buffer, size, "Enter, then the key or button for %s",
                      keyActionLabel(row.action));
        return buffer;
    case Row::PadBind:
        std::snprintf(buffer, size, "A, then the pad button for %s", padActionLabel(row.action));
        return buffer;
    case Row::ResetControls:
        return "Every key and pad button back where it started";
    case Row::Difficulty:
        return "How fast the swarm grows; from the next New Game";
    case Row::RunMode:
        return "Run while held, or press once to run and again to walk";
    case Row::FireMode:
        return "Fire while held, or press once to fire and again to stop";
    case Row::AimLine:
        return "A line from the Marine to the crosshair";
    case Row::AimColour:
        return "The aim line's colour";
    case Row::DeadZone:
        return "Stick travel that still counts as rest; next New Game";
    case Row::AimReach:
        return "How far the right stick aims; from the next New Game";
    case Row::Rumble:
        return "Shakes the pad when the Marine is hurt";
    case Row::TouchSize:
        return "The size of the sticks and buttons on a touch screen";
    case Row::TouchOpacity:
        return "How solid the touch controls are drawn";
    case Row::TouchLeftHanded:
        return "Swaps the sticks: aim with the left thumb, walk with the right";
    case Row::TouchVibration:
        return "The phone vibrates where the pad would rumble";
    case Row::OnlineOn:
        return "Sends finished games to the server; nothing leaves while off";
    case Row::Server:
#ifdef QUORVEX_WEB
        return "The server this page came from: runs go there only";
#else
        return "The leaderboard server's address, http:// or https://";
#endif
    case Row::Name:
        return online::kNameRules;
    case Row::Forget:
        return "Asks the server to forget you, then drops your token";
    default:
        return "Back to the menu (Escape, B)";
    }
}

// The font has ASCII alone: other characters show as '?'. A long value
// shows its start, or while typed its end, with the caret.
void showField(const char* text, bool typing, char* out, size_t size) {
    constexpr size_t kShown = 22;
    char plain[256];
    size_t n = 0;
    for (const char* c = text; *c != '\0' && n + 1 < sizeof plain; ++c) {
        auto b = static_cast<unsigned char>(*c);
        if ((b & 0xC0) == 0x80) continue;
        plain[n++] = b < 0x80 ? *c : '?';
    }
    plain[n] = '\0';
    if (!typing) {
        if (n == 0)
            std::snprintf(out, size, "-");
        else if (n > kShown)
            std::snprintf(out, size, "%.*s...", static_cast<int>(kShown - 3), plain);
        else
            std::snprintf(out, size, "%s", plain);
        return;
    }
    if (n + 1 > kShown)
        std::snprintf(out, size, "...%s_", plain + n - (kShown - 4));
    else
        std::snprintf(out, size, "%s_", plain);
}

const char* onOff(bool on) {
    return on ? "On" : "Off";
}

void describeRow(RowRef ref, OptionsRow& row) {
    const PlayerOptions& o = screen.edit;
    static const char* const kColours[4] = {"Red", "Yellow", "Cyan", "White"};
    const char* label = "";
    row.stepped = stepped(ref.kind);
    row.value[0] = '\0';
    auto value = [&row](const char* format, auto... args) {
        std::snprintf(row.value, sizeof row.value, format, args...);
    };
    switch (ref.kind) {
    case Row::Volume:
        label = "Volume";
        value("%d", o.volume);
        break;
    case Row::Mute:
        label = "Mute";
        value("%s", onOff(o.mute));
        break;
    case Row::MuteUnfocused:
        label = "Mute while unfocused";
        value("%s", onOff(o.muteUnfocused));
        break;
    case Row::FullScreen:
        label = "Full screen";
        value("%s", onOff(o.fullScreen));
        break;
    case Row::WindowSize:
        label = "Window size";
        value("%dx%d", o.width, o.height);
        break;
    case Row::Filter:
        label = "Scaling filter";
        value("%s", o.scaleFilter == ScaleFilter::Sharp ? "Sharp" : "Smooth");
        break;
    case Row::FrameCap:
        label = "Frame cap";
        value("%s", onOff(o.frameCap));
        break;
    case Row::Fps:
        label = "FPS counter";
        value("%s", onOff(o.fpsCounter));
        break;
    case Row::KeyBind:
        label = keyActionLabel(ref.action);
        value("%s", keyInputLabel(o.bindings.key[ref.action]).c_str());
        break;
    case Row::PadBind:
        std::snprintf(row.label, sizeof row.label, "Pad: %s", padActionLabel(ref.action));
        value("%s", padInputLabel(o.bindings.pad[ref.action]));
        return;
    case Row::ResetControls:
        label = "Reset controls";
        break;
    case Row::Difficulty:
        label = "Difficulty";
        value("%s", difficultyName(difficultyOf(o.spawnAcceleration)));
        break;
    case Row::RunMode:
        label = "Run";
        value("%s", o.runToggle ? "Toggle" : "Hold");
        break;
    case Row::FireMode:
        label = "Fire";
        value("%s", o.fireToggle ? "Toggle" : "Hold");
        break;
    case Row::AimLine:
        label = "Aim line";
        value("%s", onOff(o.aimLine));
        break;
    case Row::AimColour:
        label = "Aim line colour";
        value("%s", kColours[static_cast<int>(o.aimLineColour) & 3]);
        break;
    case Row::DeadZone:
        label = "Pad dead zone";
        value("%.2f", static_cast<double>(o.padDeadZone));
        break;
    case Row::AimReach:
        label = "Pad aim reach";
        value("%.1f", static_cast<double>(o.padAimReach));
        break;
    case Row::Rumble:
        label = "Rumble";
        value("%s", onOff(o.rumble));
        break;
    case Row::TouchSize:
        label = "Touch size";
        value("%d%%", static_cast<int>(std::lround(o.touchSize * 100.0f)));
        break;
    case Row::TouchOpacity:
        label = "Touch opacity";
        value("%d%%", static_cast<int>(std::lround(o.touchOpacity * 100.0f)));
        break;
    case Row::TouchLeftHanded:
        label = "Touch left-handed";
        value("%s", onOff(o.touchLeftHanded));
        break;
    case Row::TouchVibration:
        label = "Touch vibration";
        value("%s", onOff(o.touchVibration));
        break;
    case Row::OnlineOn:
        label = "Online";
        value("%s", onOff(onlineOn()));
        break;
    case Row::Server:
    case Row::Name: {
        label = ref.kind == Row::Server ? "Server" : "Name";
        bool typing = screen.mode == Mode::EditText && onlinePage.field == ref.kind;
        const char* now = ref.kind == Row::Server ? onlinePage.server : onlinePage.name;
        showField(typing ? onlinePage.text : now, typing, row.value, sizeof row.value);
        break;
    }
    case Row::Forget:
        label = "Forget me online";
        break;
    default:
        label = "Back";
        break;
    }
    std::snprintf(row.label, sizeof row.label, "%s", label);
}

void describe(OptionsPicture& p) {
    RowRef rows[kOptionsRowMax];
    p.rowCount = pageRows(screen.page, rows);
    p.page = screen.page;
    p.selected = screen.selected;
    for (int i = 1; i < p.rowCount; ++i)
        describeRow(rows[i], p.rows[i]);
    char help[sizeof p.help];
    std::snprintf(p.help, sizeof p.help, "%s", helpFor(currentRow(), help, sizeof help));
    if (screen.page == kOptionsPageCount - 1) onlineNotice();
    std::snprintf(p.notice, sizeof p.notice, "%s", screen.notice);
    p.prompt[0] = '\0';
    p.promptChoices = asking();
    p.promptChoice = screen.choice;
    switch (screen.mode) {
    case Mode::CaptureKey:
        std::snprintf(p.prompt, sizeof p.prompt, "Press a key for %s, Escape to cancel",
                      keyActionLabel(screen.captureAction));
        break;
    case Mode::CapturePad:
        std::snprintf(p.prompt, sizeof p.prompt, "Press a button for %s, Back to cancel",
                      padActionLabel(screen.captureAction));
        break;
    case Mode::ConfirmDisplay: {
        uint32_t gone = platform::tickCount() - screen.confirmSince;
        uint32_t left = gone >= kConfirmMs ? 0 : (kConfirmMs - gone + 999) / 1000;
        std::snprintf(p.prompt, sizeof p.prompt, "Keep this display? %u", left);
        break;
    }
    case Mode::ConfirmReset:
        std::snprintf(p.prompt, sizeof p.prompt, "Reset to defaults?");
        break;
    case Mode::ConfirmForget:
        std::snprintf(p.prompt, sizeof p.prompt, "Forget me online?");
        break;
    default:
        break;
    }
}

} // namespace options_screen
