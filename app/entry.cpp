#include "app/entry.h"

#include <cstring>

#include "app/frame.h"
#include "app/input.h"
#include "app/settings.h"
#include "audio/sound_bank.h"
#include "game/monsters/monster_templates.h"
#include "game/monsters/monsters.h"
#include "game/projectiles/bullet_templates.h"
#include "platform/platform.h"
#include "render/particle_layer.h"
#include "render/texture_bank.h"

LoopPass loopPass() {
    Message msg;
    if (platform::peekMessage(msg)) {
        if (msg.type == MsgType::Quit) return LoopPass::Quit;
        windowProc(msg);
        return LoopPass::Message;
    }
    float now = static_cast<float>(platform::tickCount());
    frameDelta = (now - previousTicks) * runFactor;
    previousTicks = now;
    runFrame();
    return LoopPass::Frame;
}

int runGame() {
    readSettings("Settings.ini");
    if (!platform::createWindow("Quorvex Game", screenWidth, screenHeight)) return 1;
    applyDisplayMode();
    windowProc(Message{MsgType::Create, 0});

    previousTicks = static_cast<float>(platform::tickCount());
    runFactor = 1.0f;
    while (loopPass() != LoopPass::Quit) {
    }
    return 0;
}

void resetProgramState() {
    textureBank.clear();
    particleTemplates.clear();
    bulletTemplateCount = 0;
    templateCount = 0;
    closeAudio();

    frameDelta = 0.0f;
    runFactor = 0.0f;
    previousTicks = 0.0f;
    std::memset(keyDown, 0, sizeof(keyDown));
    leftButtonDown = rightButtonDown = 0;
    menuShown = creditsShown = 0;
    menuHover = 0;
    savedCursor = ScreenPoint{};
    cursorArena = Vec2{};
    gameTime = 0.0f;
    pickupMessage[0] = '\0';
    pickupMessageAlpha = 0.0f;
    spawnTimer = 0.0f;
    hmSoundTimer = 0.0f;
}
