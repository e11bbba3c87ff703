// The Daily Challenge: choosing it asks the sender for today's game (the
// menu never waits), and the game starts from the day's seed at the day's
// difficulty when the answer comes.
#pragma once

#include <cstdint>

#include "online/sender.h"
#include "ui/menu.h"

// The session's hook: "Daily Challenge" was chosen.
void dailyChosen();
// Once a frame, before the game's: starts the daily whose answer has come,
// while the menu still offers it.
void dailyFrame();
// For New Game: true (with the day's seed and day) when the game about to
// start is the daily; the question is then answered.
bool takeDailyStart(uint32_t& seed, uint32_t& day);
// What the plate shows for the sender's state.
DailyPlate dailyPlateOf(const online::Status& status);
// What the menu drew on the plate last, and whether the sender's state would
// now draw it otherwise: a menu at rest must wake to show it.
void notePlateDrawn(const DailyPlate& plate);
bool dailyPlateMoved();
// Forgets a daily chosen and not started (tests).
void resetDaily();
