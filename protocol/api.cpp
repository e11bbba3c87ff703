#include "protocol/api.h"

#include <charconv>
#include <cstdlib>

namespace protocol {

std::string boardKey(const std::string& fingerprint, const std::string& acceleration,
                     int generation) {
    std::string key = fingerprint + "-" + acceleration;
    if (generation != 1) key += "-g" + std::to_string(generation);
    return key;
}

int generationOfBoard(const std::string& key) {
    size_t g = key.rfind("-g");
    int generation = 1;
    if (g != std::string::npos)
        std::from_chars(key.data() + g + 2, key.data() + key.size(), generation);
    return generation;
}

float accelerationOfBoard(const std::string& key) {
    size_t dash = key.find('-');
    return dash == std::string::npos ? -1.0f : std::strtof(key.c_str() + dash + 1, nullptr);
}

} // namespace protocol
