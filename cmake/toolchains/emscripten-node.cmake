# WebAssembly with emscripten (Debian's package, or the one $EMSCRIPTEN names),
# as programs for plain node: the module inside the .js file (Node's fetch
# cannot load a local .wasm with emscripten 3.1's loader), the real file
# system through NODERAWFS.
if(DEFINED ENV{EMSCRIPTEN})
    set(QUORVEX_EMSCRIPTEN_ROOT $ENV{EMSCRIPTEN})
else()
    set(QUORVEX_EMSCRIPTEN_ROOT /usr/share/emscripten)
endif()
include(${QUORVEX_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-sENVIRONMENT=node -sNODERAWFS=1 -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1")
set(CMAKE_CROSSCOMPILING_EMULATOR node)
