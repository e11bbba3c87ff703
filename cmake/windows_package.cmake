# The Windows programs' resources, and what a player downloads. Included from
# the top CMakeLists after the game's targets, when WIN32.

# A windowed program (no console window of its own), with its icon, version
# and manifest (per-monitor DPI aware, no elevation) built in.
set(QUORVEX_WINDOWS_ICON "" CACHE FILEPATH "The program's icon (.ico), drawn by scripts/windows.sh")
if(QUORVEX_WINDOWS_ICON)
    set(QUORVEX_ICON_LINE "1 ICON \"${QUORVEX_WINDOWS_ICON}\"")
endif()
string(REPLACE "." "," QUORVEX_VERSION_COMMAS "${PROJECT_VERSION}.0")
configure_file(packaging/windows/quorvex.rc.in ${CMAKE_BINARY_DIR}/quorvex.rc @ONLY)
set_target_properties(quorvex PROPERTIES WIN32_EXECUTABLE ON)
target_sources(quorvex PRIVATE ${CMAKE_BINARY_DIR}/quorvex.rc)

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
