// Whether the back end's OpenGL calls must be looked up in the context
// first: chosen by the build (Windows does; Linux and the page link them).
#pragma once

#include <string>

namespace platform {

#ifdef QUORVEX_GL_LOADER
bool loadGlFunctions(std::string& missing);
#else
inline bool loadGlFunctions(std::string&) {
    return true;
}
#endif

} // namespace platform
