# The game for Windows, cross-built with MinGW-w64: the same rules, interface,
# screens and SDL platform layer, with the player's files and the console in
# platform/win32/, the back end's OpenGL calls looked up in the context, and
# the libraries scripts/windows-libs.sh builds from Debian's sources.
# Included from the top CMakeLists when WIN32, in place of Linux's packages
# and platform files; cmake/windows_package.cmake follows the game.
find_package(SDL2 CONFIG REQUIRED)
find_package(Freetype REQUIRED)
find_package(CURL CONFIG REQUIRED)
find_package(OpenAL CONFIG REQUIRED)

# The GLES 3 header (the back end's one API) is plain C with no system
# dependency: a copy of the build machine's, as for the JSON header.
find_path(QUORVEX_GLES3_INCLUDE GLES3/gl3.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(COPY ${QUORVEX_GLES3_INCLUDE}/GLES3 ${QUORVEX_GLES3_INCLUDE}/KHR
     DESTINATION ${CMAKE_BINARY_DIR}/gles/include)

# Debian builds no MinGW inih: the small reader the page uses, same interface.
add_library(quorvex_ini_lib STATIC platform/web/ini.cpp)
target_include_directories(quorvex_ini_lib PUBLIC ${CMAKE_SOURCE_DIR}/platform/web/include)
add_library(quorvex_http_lib INTERFACE)
target_link_libraries(quorvex_http_lib INTERFACE CURL::libcurl)
add_library(quorvex_sound_lib INTERFACE)
target_link_libraries(quorvex_sound_lib INTERFACE OpenAL::OpenAL)

add_library(quorvex_files STATIC platform/win32/user_files.cpp platform/win32/wide.cpp)
target_include_directories(quorvex_files PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quorvex_files PUBLIC quorvex_file_read bcrypt shell32 ole32)

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

