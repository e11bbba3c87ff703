// The window procedure: the window's creation and destruction belong to the
// program, every other message to the game.
#pragma once

#include "platform/platform.h"
#include "session/messages.h"

extern float previousTicks; // tick count of the previous idle pass

// Handles one message; the message loop and tests feed every message here.
void windowProc(const Message& msg);
// Releases the rendering context and the window and posts the quit message.
void shutDown();
