#include "server/pages/board_names.h"

#include <charconv>

namespace {

int keyGeneration(const std::string& key) {
    size_t g = key.rfind("-g");
    int generation = 1;
    if (g != std::string::npos)
        std::from_chars(key.data() + g + 2, key.data() + key.size(), generation);
    return generation;
}

} // namespace

std::string boardName(const std::string& key, double spawnAcceleration, int generation,
                      int current) {
    // "daily-YYYY-MM-DD-...": the day is in the key.
    if (key.rfind("daily-", 0) == 0 && key.size() >= 16) {
        std::string name = "Daily " + key.substr(6, 10);
        return generation < current ? "Classic " + name : name;
    }
    // The game's presets (Options > Difficulty).
    std::string difficulty;
    if (spawnAcceleration == 0.003)
        difficulty = "Normal";
    else if (spawnAcceleration == 0.0015)
        difficulty = "Easy";
    else if (spawnAcceleration == 0.006)
        difficulty = "Hard";
    else
        difficulty = "Custom (spawn acceleration " + nlohmann::json(spawnAcceleration).dump() + ")";
    if (generation >= current) return difficulty;
    return difficulty == "Normal" ? "Classic" : "Classic " + difficulty;
}

void nameBoard(nlohmann::json& record, int current) {
    if (!record.is_object() || !record.contains("board") || !record["board"].is_string()) return;
    std::string key = record["board"].get<std::string>();
    double acceleration = record.value("spawn_acceleration", 0.0);
    int generation = record.contains("generation") && record["generation"].is_number_integer()
                         ? record["generation"].get<int>()
                         : keyGeneration(key);
    record["name"] = boardName(key, acceleration, generation, current);
}
