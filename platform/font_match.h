// The system's own face for a font name, where the shipped one is missing.
#pragma once

#include <string>

namespace platform {

// The file (and face index in it) of the bold face the system picks for
// `name`, falling back to any monospaced face, like GDI's font mapper.
bool matchFontFace(const char* name, std::string& file, int& index);

} // namespace platform
