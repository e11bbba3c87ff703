// options.ini: the player's choices, `key = value` lines after
// `version = 1`, in $XDG_CONFIG_HOME/quorvex/. Read after the data folder's
// Settings.ini and the player's old-style one; the last one read wins.
#pragma once

#include <string>
#include <vector>

#include "input/player_options.h"

constexpr int kOptionsVersion = 1;
// Far beyond any real options file; a larger one is refused unread.
constexpr size_t kOptionsFileMaxBytes = 64 * 1024;

// What a file holds beyond the values: keys this version does not know
// (written back as they were) and the version it was written by.
struct OptionsExtra {
    int version = kOptionsVersion;
    std::vector<std::string> unknownLines; // "name = value", in file order
};

// Reads `text` over `into`: known keys set their value (out-of-range ones
// clamped), the rest are kept in `extra`. Each complaint (one per bad
// value) is appended to `complaints` as one line. False when the text is
// not an options file at all; `into` is then untouched.
bool parseOptionsText(const std::string& text, PlayerOptions& into, OptionsExtra& extra,
                      std::vector<std::string>& complaints);
std::string formatOptionsText(const PlayerOptions& options, const OptionsExtra& extra);

// The options as the six-number Settings.ini left them in the settings
// values.
PlayerOptions optionsFromSettings();

// The player's options file, "" with no usable home.
std::string optionsPath();

// Start-up: the settings values must already hold what the Settings.ini
// files said. Reads options.ini over them; a file that cannot be read or
// parsed is moved aside and the defaults stay. Complaints go to standard
// error, one line each.
PlayerOptions loadPlayerOptions();
// Writes options.ini when `options` differ from what was last read or
// written. An unwritable folder costs one line on standard error (once).
void savePlayerOptions(const PlayerOptions& options);
// `--reset-options`: moves the file aside (never deletes it). False, with
// one line on standard error, when it is there and cannot be moved.
bool resetOptionsFile();
// Forgets what was read (tests).
void resetOptionsStore();
