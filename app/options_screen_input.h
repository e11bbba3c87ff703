// The Options screen's state and what the player's input does to it. It
// lies over the menu: while it is open it takes the player's messages
// before the window procedure, so neither the game nor a recording sees
// them, and the world stands still under the menu. The menu's Options
// plate is the program's too.
#pragma once

#include <cstdint>

#include "platform/platform.h"

bool optionsScreenOpen();
// The keyboard or the pad has chosen the menu's Options plate.
bool optionsPlateChosen();

// Sees every message from the queue first. True when the message was the
// screen's (or opened it) and must go no further.
bool optionsScreenMessage(const Message& msg, uint32_t physical);
// With the screen open, whether a message routed from a message that went
// on may still reach the game: releases may, nothing that could choose a
// menu item does.
bool reachesGameUnderOptions(const Message& routed);

// Once a frame, after the menu: the display's countdown, the mouse's
// hover, then the picture.
void optionsScreenFrame();

void openOptionsScreen();
// Closes it (back to the menu) and writes options.ini when anything changed.
void closeOptionsScreen();
// Forgets everything, closed (a new process, tests).
void resetOptionsScreen();
#ifdef QUORVEX_WEB
// Asks for Online at the page's first Game Over (a name, or "No thanks").
void offerOnline();
#endif
