// Reading a whole file of bounded size, in standard C++ only: the part of the
// player's files that the rules and the verifier need, on every platform.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

enum class ReadStatus {
    Ok,
    Missing,    // no such file (nor folder)
    Unreadable, // exists but cannot be opened or read, or is not a plain file
    TooBig,     // larger than the limit
};
// Reads the whole file when it holds at most maxBytes.
ReadStatus readFileLimited(const std::string& path, size_t maxBytes, std::string& out,
                           std::string* why);

} // namespace platform
