// What players call a board: "Normal", "Easy", "Hard", "Custom (spawn
// acceleration 0.01)", "Daily 2026-12-10", and the previous rules' boards
// "Classic". Every page and API record names boards this way, never only
// by their keys.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// `current` is the generation of the rules the server plays now.
std::string boardName(const std::string& key, double spawnAcceleration, int generation,
                      int current);
// Adds "name" beside a record's "board", from its key, "spawn_acceleration"
// and "generation" (the key's generation where the record has none).
void nameBoard(nlohmann::json& record, int current);
