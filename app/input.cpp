#include "app/input.h"

#include "app/startup.h"
#include "session/messages.h"

float previousTicks = 0.0f;

void shutDown() {
    platform::destroyWindow();
    platform::postQuitMessage();
}

void windowProc(const Message& msg) {
    switch (msg.type) {
    case MsgType::Create:
        startUp();
        break;
    case MsgType::Destroy:
        shutDown();
        break;
    default:
        handleGameMessage(msg);
        break;
    }
}
