// Reading a whole file of bounded size, in standard C++ only: the part of the
// player's files that the rules and the verifier need, on every platform.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

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

// A UTF-8 path as the operating system takes it (UTF-16 on Windows), and back.
std::filesystem::path nativePath(const std::string& utf8);
std::string utf8Path(const std::filesystem::path& path);

// The command line as UTF-8 (on Windows read again from the wide one, so that
// any file name survives); argv as it is elsewhere.
std::vector<std::string> utf8Arguments(int argc, char** argv);
// Standard input as bytes, not text (a replay can be piped in on Windows too).
void binaryStandardInput();

} // namespace platform
