# The game for Windows, cross-built with MinGW-w64: the same rules, interface,
# screens and SDL platform layer, with the player's files and the console in
# platform/win32/, the back end's OpenGL calls looked up in the context, and
# the libraries scripts/windows-libs.sh builds from Debian's sources.
# Included from the top CMakeLists when WIN32.
find_package(SDL2 CONFIG REQUIRED)
find_package(Freetype REQUIRED)
find_package(CURL CONFIG REQUIRED)
find_package(OpenAL CONFIG REQUIRED)
find_package(Threads REQUIRED)

# The GLES 3 header (the back end's one API) is plain C with no system
# dependency: a copy of the build machine's, as for the JSON header.
find_path(QUORVEX_GLES3_INCLUDE GLES3/gl3.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(COPY ${QUORVEX_GLES3_INCLUDE}/GLES3 ${QUORVEX_GLES3_INCLUDE}/KHR
     DESTINATION ${CMAKE_BINARY_DIR}/gles/include)

# Debian builds no MinGW inih: the small reader the page uses, same interface.
add_library(quorvex_ini STATIC platform/web/ini.cpp)
target_include_directories(quorvex_ini PUBLIC ${CMAKE_SOURCE_DIR}/platform/web/include)

add_library(quorvex_files STATIC platform/win32/user_files.cpp platform/win32/wide.cpp)
target_include_directories(quorvex_files PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quorvex_files PUBLIC quorvex_file_read bcrypt shell32 ole32)

add_library(quorvex_glyph_atlas STATIC platform/glyph_atlas.cpp)
target_link_libraries(quorvex_glyph_atlas PUBLIC quorvex_file_read)

file(GLOB PLATFORM_SOURCES CONFIGURE_DEPENDS platform/*.cpp)
list(REMOVE_ITEM PLATFORM_SOURCES ${CMAKE_SOURCE_DIR}/platform/user_files.cpp
     ${CMAKE_SOURCE_DIR}/platform/file_read.cpp ${CMAKE_SOURCE_DIR}/platform/utc_time.cpp
     ${CMAKE_SOURCE_DIR}/platform/glyph_atlas.cpp ${CMAKE_SOURCE_DIR}/platform/font_match.cpp)
# platform/gl_functions.cpp stays: the back end's calls are looked up here.
add_library(quorvex_platform STATIC ${PLATFORM_SOURCES} platform/win32/program.cpp
                                    platform/win32/font_match.cpp)
target_include_directories(quorvex_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(quorvex_platform SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/gles/include)
target_compile_definitions(quorvex_platform PUBLIC QUORVEX_GL_LOADER=1)
target_link_libraries(quorvex_platform PUBLIC quorvex_files quorvex_glyph_atlas SDL2::SDL2-static
                      Freetype::Freetype opengl32)

add_library(quorvex_saving STATIC ${SAVING_SOURCES})
target_link_libraries(quorvex_saving PUBLIC quorvex_rules quorvex_files)

file(GLOB ONLINE_SOURCES CONFIGURE_DEPENDS online/*.cpp)
list(REMOVE_ITEM ONLINE_SOURCES ${CMAKE_SOURCE_DIR}/online/sender_web.cpp
     ${CMAKE_SOURCE_DIR}/online/web_fetch.cpp)
add_library(quorvex_online STATIC ${ONLINE_SOURCES})
target_link_libraries(quorvex_online PUBLIC quorvex_rules quorvex_files CURL::libcurl quorvex_ini
                      nlohmann_json::nlohmann_json)

file(GLOB_RECURSE CORE_SOURCES CONFIGURE_DEPENDS app/*.cpp render/*.cpp audio/*.cpp ui/*.cpp)
list(REMOVE_ITEM CORE_SOURCES ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_SOURCE_DIR}/app/web_main.cpp)
add_library(quorvex_core STATIC ${CORE_SOURCES})
target_link_libraries(quorvex_core PUBLIC quorvex_rules quorvex_saving quorvex_online
                      quorvex_platform OpenAL::OpenAL quorvex_ini Threads::Threads)

# A windowed program (no console window of its own), with its icon, version
# and manifest (per-monitor DPI aware, no elevation) built in.
set(QUORVEX_WINDOWS_ICON "" CACHE FILEPATH "The program's icon (.ico), drawn by scripts/windows.sh")
if(QUORVEX_WINDOWS_ICON)
    set(QUORVEX_ICON_LINE "1 ICON \"${QUORVEX_WINDOWS_ICON}\"")
endif()
string(REPLACE "." "," QUORVEX_VERSION_COMMAS "${PROJECT_VERSION}.0")
configure_file(packaging/windows/quorvex.rc.in ${CMAKE_BINARY_DIR}/quorvex.rc @ONLY)
add_executable(quorvex WIN32 app/main.cpp ${CMAKE_BINARY_DIR}/quorvex.rc)
target_link_libraries(quorvex PRIVATE quorvex_core)

# What a player downloads, laid out by `cmake --install`: the programs, the
# DLLs they need, the data folder, how to play and every licence.
install(TARGETS quorvex quorvex-verify RUNTIME DESTINATION .)
install(FILES ${QUORVEX_WINDOWS_DLLS} DESTINATION .)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION data PATTERN README.md EXCLUDE)
install(FILES packaging/windows/README.txt DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/data/Fonts/LICENSE DESTINATION licenses
        RENAME LiberationMono.txt)
foreach(entry ${QUORVEX_WINDOWS_LICENSES})
    string(REGEX REPLACE "=.*$" "" name "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" file "${entry}")
    install(FILES "${file}" DESTINATION licenses RENAME "${name}")
endforeach()
