#include "app/input.h"

#include "app/replay_recorder.h"
#include "app/startup.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"

float previousTicks = 0.0f;
ScreenPoint savedCursor;
bool replayDriving = false;

void startNewGame() {
    endRecording();
    resetGame();
    menuShown = 0;
    beginRecording();
}

void shutDown() {
    platform::destroyWindow();
    platform::postQuitMessage();
}

namespace {

void onKeyDown(uint32_t code) {
    if (marine.marineDead && deathTime >= 2000.0f) menuShown = 1;

    if (code == VkEscape && !marine.marineDead) {
        if (menuShown) {
            if (!replayDriving) platform::setCursorPos(savedCursor.x, savedCursor.y);
            menuShown = 0;
        } else {
            if (replayDriving) {
                savedCursor = ScreenPoint{frameInput.cursorX, frameInput.cursorY};
            } else {
                platform::getCursorPos(savedCursor.x, savedCursor.y);
            }
            menuShown = 1;
        }
    }

    if (code >= '1' && code <= '4' && !menuShown && !marine.marineDead)
        selectWeapon(WeaponPistol + static_cast<int>(code - '1'));

    if (code < 256) keyDown[code] = 1;
}

void onLeftButtonUp() {
    leftButtonDown = 0;
    switch (menuHover) {
    case 1:
        startNewGame();
        break;
    case 2:
        creditsShown = !creditsShown;
        break;
    case 3:
        if (replayDriving) break;
        endRecording();
        platform::postQuitMessage();
        break;
    default:
        break;
    }
}

} // namespace

void windowProc(const Message& msg) {
    switch (msg.type) {
    case MsgType::Create:
        startUp();
        break;
    case MsgType::Destroy:
        shutDown();
        break;
    case MsgType::KeyDown:
        onKeyDown(msg.wParam);
        break;
    case MsgType::KeyUp:
        if (msg.wParam < 256) keyDown[msg.wParam] = 0;
        break;
    case MsgType::LButtonDown:
        leftButtonDown = 1;
        break;
    case MsgType::LButtonUp:
        onLeftButtonUp();
        break;
    case MsgType::RButtonDown:
        rightButtonDown = 1;
        break;
    case MsgType::RButtonUp:
        rightButtonDown = 0;
        break;
    default:
        break;
    }
}
