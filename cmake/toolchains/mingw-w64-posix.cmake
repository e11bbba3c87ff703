# 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64), posix thread
# model by name: std::thread and std::mutex need it (OpenAL Soft does).
# Prefixes listed in QUORVEX_WINDOWS_PREFIXES (set by the deps.cmake that
# scripts/windows-libs.sh writes) join the find root path, so packages
# installed there are found while the build machine's own are not.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${QUORVEX_WINDOWS_PREFIXES})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
