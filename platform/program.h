// What a program needs of the system before anything else runs.
#pragma once

namespace platform {

// On Windows: output reaches the console the program was started from (the
// game is a windowed program, which gets none of its own), and the working
// folder becomes the "data" folder beside the program when there is one, as
// the Linux launcher's change of folder does. Elsewhere nothing.
#ifdef _WIN32
void startProgram();
#else
inline void startProgram() {}
#endif

} // namespace platform
