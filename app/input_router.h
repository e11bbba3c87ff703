// Bindings and toggles, applied before the window procedure: a physical key,
// button or wheel turn becomes the message of the action it is bound to, as
// the rules have always read it (W, Shift, "1", the left button...). Only
// what comes out is recorded, so replays and rules never see a binding.
#pragma once

#include "input/player_options.h"
#include "platform/platform.h"

struct RoutedMessages {
    Message messages[4];
    int count = 0;
};

// The bindings and toggles in force from the next message on.
void setRouting(const Bindings& bindings, bool runToggle, bool fireToggle);
// `physical` is platform::lastPhysicalInput() for `msg` (0 for a posted
// message, which passes unchanged).
RoutedMessages routeMessage(const Message& msg, uint32_t physical);
// Forgets latched toggles and held triggers (focus lost, a new process).
void resetRouting();
