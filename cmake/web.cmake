# The game for the browser: the same rules, interface and screens, with the
# platform layer's web variant (html5.h, WebGL 2, the browser's OpenAL, IDBFS)
# and no sender thread. Included from the top CMakeLists when EMSCRIPTEN.
set(QUORVEX_WEB_FLAGS -sUSE_SDL=0)
add_compile_definitions(QUORVEX_WEB=1)

# Debian builds no WebAssembly inih: the few calls the game makes of it come
# from a small reader of the same interface.
add_library(quorvex_ini STATIC platform/web/ini.cpp)
target_include_directories(quorvex_ini PUBLIC ${CMAKE_SOURCE_DIR}/platform/web/include)

add_library(quorvex_files STATIC platform/user_files.cpp platform/web/storage.cpp)
target_include_directories(quorvex_files PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quorvex_files PUBLIC quorvex_file_read)

add_library(quorvex_glyph_atlas STATIC platform/glyph_atlas.cpp)
target_link_libraries(quorvex_glyph_atlas PUBLIC quorvex_file_read)

file(GLOB WEB_PLATFORM_SOURCES CONFIGURE_DEPENDS platform/web/*.cpp)
list(REMOVE_ITEM WEB_PLATFORM_SOURCES ${CMAKE_SOURCE_DIR}/platform/web/ini.cpp
     ${CMAKE_SOURCE_DIR}/platform/web/storage.cpp)
add_library(quorvex_platform STATIC ${WEB_PLATFORM_SOURCES} platform/event_rules.cpp
            platform/pacing.cpp platform/scripted.cpp)
target_include_directories(quorvex_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quorvex_platform PUBLIC quorvex_files quorvex_glyph_atlas)

add_library(quorvex_saving STATIC ${SAVING_SOURCES})
target_link_libraries(quorvex_saving PUBLIC quorvex_rules quorvex_files)

# online.ini, the outbox, the API's requests and answers and the sender's
# state machine as on the desktop; the page's loop steps the machine and it
# sends through the browser's fetch instead of a thread with libcurl.
add_library(quorvex_online STATIC online/online_config.cpp online/outbox.cpp
            online/api_answers.cpp online/sender_rules.cpp online/sender.cpp
            online/sender_machine.cpp online/sender_web.cpp online/web_fetch.cpp)
target_link_libraries(quorvex_online PUBLIC quorvex_rules quorvex_files quorvex_protocol
                      quorvex_ini nlohmann_json::nlohmann_json)

file(GLOB_RECURSE CORE_SOURCES CONFIGURE_DEPENDS app/*.cpp render/*.cpp audio/*.cpp ui/*.cpp)
list(REMOVE_ITEM CORE_SOURCES ${CMAKE_SOURCE_DIR}/app/main.cpp
     ${CMAKE_SOURCE_DIR}/app/online_link.cpp ${CMAKE_SOURCE_DIR}/app/web_main.cpp)
add_library(quorvex_core STATIC ${CORE_SOURCES} app/online_link.cpp)
target_link_libraries(quorvex_core PUBLIC quorvex_rules quorvex_saving quorvex_online
                      quorvex_platform quorvex_ini)

# The data folder (with the baked glyph atlas added by scripts/web.sh) goes
# into quorvex.data, fetched beside the module.
set(QUORVEX_WEB_DATA "${CMAKE_SOURCE_DIR}/data" CACHE PATH "data folder packed into the page")
# The page's module and the benchmark's (below) are linked alike.
set(QUORVEX_WEB_EXPORTS _main,_quorvex_files_ready,_quorvex_files_synced,_quorvex_watch_command)
function(quorvex_web_module target exports)
    set_target_properties(${target} PROPERTIES SUFFIX ".js")
    target_link_libraries(${target} PRIVATE quorvex_core)
    target_link_options(${target} PRIVATE
        -sENVIRONMENT=web -sINITIAL_MEMORY=67108864 -sMAX_WEBGL_VERSION=2 -sMIN_WEBGL_VERSION=2 -sALLOW_MEMORY_GROWTH=1
        -sDYNAMIC_EXECUTION=0 -sEXIT_RUNTIME=0 -sFORCE_FILESYSTEM=1
        "-sEXPORTED_FUNCTIONS=${exports}"
        "-sEXPORTED_RUNTIME_METHODS=FS,ccall"
        -sFETCH=1 -lopenal -lidbfs.js -lGL
        "--preload-file" "${QUORVEX_WEB_DATA}@/data")
endfunction()

add_executable(quorvex app/web_main.cpp)
quorvex_web_module(quorvex "${QUORVEX_WEB_EXPORTS}")

# The same game with the benchmark's full-load world, which the page test
# draws for its frame figure. Never served: scripts/web.sh writes it to a
# site of its own beside the page's.
add_executable(quorvex-bench-web app/web_main.cpp bench/world.cpp bench/web_frame.cpp)
quorvex_web_module(quorvex-bench-web "${QUORVEX_WEB_EXPORTS},_quorvex_bench_full_load")
