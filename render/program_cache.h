// The linked shader program kept between runs ("shaders.bin" in the user's
// cache folder): loading it skips the GLSL compiler, whose first use in a
// process costs about 20 ms of start-up on Mesa. The file is keyed by the
// driver and the shaders' text; another driver, another version or other
// shaders make it anew. Where the context offers no program binaries
// (WebGL), nothing is kept.
#pragma once

#include <cstdint>
#include <string>

namespace render {

// What makeShaderProgram last did with the cache.
enum class ProgramCacheUse { None, Loaded, Saved };

// The file for a context (OpenGL ES keeps its own), or "" where there is no
// usable home.
std::string programCachePath(bool es);
// Loads the program saved for `key` into `program` (made, nothing attached);
// false when there is none that the driver takes. A file that cannot be read
// is moved aside with one line on standard error.
bool loadCachedProgram(uint32_t program, const std::string& key, const std::string& path);
// Saves the linked `program` (linked with the retrievable hint) under `key`.
// True when the file was written.
bool saveCachedProgram(uint32_t program, const std::string& key, const std::string& path);

} // namespace render
