// Shared by the fuzz targets: the readers take a path, so each input goes to
// one scratch file per process; message boxes are captured, never shown.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Captures message boxes and drops the ones shown so far.
void quietBoxes();
// Writes the input to this process's scratch file (suffix gives the
// extension) and returns its path; aborts when the file cannot be written.
const char* writeInput(const uint8_t* data, size_t size, const char* suffix);
// True when `text` is NUL-terminated within `capacity` bytes.
bool terminated(const char* text, size_t capacity);
// Stops the run with a message when an invariant of a reader fails.
[[noreturn]] void fail(const char* what);

} // namespace fuzz
