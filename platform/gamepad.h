// Gamepads: the first game controller connected drives the game; its
// buttons and axes arrive as Pad* messages through peekMessage.
#pragma once

#include <cstdint>

#include "platform/platform.h"

union SDL_Event;

namespace platform {

// True while a pad drives the game.
bool padConnected();
// Rumbles the driving pad for `ms` milliseconds; strengths run from 0 to 1
// (low- and high-frequency motor). Nothing happens without a pad or motors.
void rumblePad(float lowStrength, float highStrength, uint32_t ms);

// For the message queue only: starts the controller subsystem once video is
// up, loading the user's mapping file, and turns the driving pad's events
// into messages. Messages beyond the first of one event are posted.
void initGamepads();
bool translatePadEvent(const SDL_Event& e, Message& out);

namespace test {
// An in-process game controller in the standard layout, no hardware needed.
// Returns its handle (0 to 3), or -1 when none could be attached.
int attachPad();
void setPadButton(int pad, PadButton button, bool down);
void setPadAxis(int pad, PadAxisId axis, int16_t value);
// Unplugs it, as a cable pulled out would.
void detachPad(int pad);
// Loads a mapping file as the one in the user's config folder is loaded.
void loadPadMappings(const char* path);
// The last rumble asked of a virtual pad (0 to 65535 per motor).
uint16_t padRumbleLow(int pad);
uint16_t padRumbleHigh(int pad);
} // namespace test

} // namespace platform
