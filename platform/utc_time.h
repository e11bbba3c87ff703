// The clock as the player's files record it: Unix seconds and their UTC
// text. Standard C++ only, for the rules on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// "YYYY-MM-DDTHH:MM:SSZ" for a Unix time, and back. The parse is strict
// (exactly that shape, fields in range) and returns false otherwise.
std::string utcTimestamp(int64_t unixSeconds);
bool parseUtcTimestamp(const char* text, size_t length, int64_t& unixSeconds);
int64_t unixTimeNow();

} // namespace platform
