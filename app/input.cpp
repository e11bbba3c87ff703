#include "app/input.h"

#include "app/settings.h"
#include "app/startup.h"
#include "game/player/death.h"
#include "game/player/marine.h"
#include "game/player/weapons.h"

float frameDelta = 0.0f;
float runFactor = 0.0f;
float previousTicks = 0.0f;
uint8_t keyDown[256] = {};
uint8_t leftButtonDown = 0;
uint8_t rightButtonDown = 0;
uint8_t menuShown = 0;
uint8_t creditsShown = 0;
int32_t menuHover = 0;
ScreenPoint savedCursor;
Vec2 cursorArena;

void updateCursor() {
    int px = 0;
    int py = 0;
    platform::getCursorPos(px, py);
    // Integer halves, as the screen size always was; never zero.
    int halfW = screenWidth / 2 > 0 ? screenWidth / 2 : 1;
    int halfH = screenHeight / 2 > 0 ? screenHeight / 2 : 1;
    cursorArena.x = static_cast<float>(px) / static_cast<float>(halfW) - 1.0f;
    cursorArena.y = 1.0f - static_cast<float>(py) / static_cast<float>(halfH);
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
            platform::setCursorPos(savedCursor.x, savedCursor.y);
            menuShown = 0;
        } else {
            platform::getCursorPos(savedCursor.x, savedCursor.y);
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
        resetGame();
        break;
    case 2:
        creditsShown = !creditsShown;
        break;
    case 3:
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
