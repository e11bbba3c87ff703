// The player's options in force: what changing one does at once, and what
// waits for the next New Game (anything a recorded game depends on).
#pragma once

#include "input/player_options.h"

// The options this session runs with; the Options screen edits a copy and
// hands it back through applyOptions.
const PlayerOptions& activeOptions();

// Makes `options` the active ones: sound, bindings and toggles, frame cap,
// scaling, the aim line, rumble and the FPS counter at once; difficulty and
// the pad's dead zone and reach at the next New Game (or at once when
// `rulesNow`, at start-up). The window's size and full screen are left to
// applyDisplayOptions.
void applyOptions(const PlayerOptions& options, bool rulesNow = false);
// Full screen and the window's size as `options` say.
void applyDisplayOptions(const PlayerOptions& options);
// New Game: the rule values chosen since the last game take effect.
void applyPendingRules();
// A daily game plays at `spawnAcceleration` whatever the player chose; the
// next ordinary New Game (applyPendingRules) puts the player's own back.
void applyDailyRules(float spawnAcceleration);
// Mutes the sound while the window is in the background, when asked to.
void noteWindowFocus(bool focused);
// Back to the defaults with nothing pending (tests, a new process).
void resetActiveOptions();
