# Fails when code includes a layer above its own, or when code other than
# the GL back end and the platform includes a graphics header. The layers,
# bottom up: platform; input, math, draw; game; session; replay, ui; saving,
# render, audio, online; app. The game's rules (game/) see nothing of the
# platform, not even its message vocabulary: that is the session's. Only app/ and the tests include online/. protocol/ (what
# the game and the server both spell) stands apart: it includes nothing of
# the project, and only online/, server/, app/ and the tests include it.
# Run by CTest as "layering":
#   cmake -DSOURCE_DIR=<repo> -P tests/check_layers.cmake
set(above_core "game/;session/;replay/;ui/;saving/;render/;audio/;online/;app/;verify/;server/")
set(forbidden_platform "input/;math/;draw/;protocol/;${above_core}")
set(forbidden_input "draw/;protocol/;${above_core}")
set(forbidden_math "input/;draw/;protocol/;${above_core}")
set(forbidden_draw "input/;protocol/;${above_core}")
set(forbidden_game "platform/;session/;replay/;ui/;saving/;render/;audio/;online/;app/;verify/;server/;protocol/")
set(forbidden_session "replay/;ui/;saving/;render/;audio/;online/;app/;verify/;server/;protocol/")
set(forbidden_replay "ui/;saving/;render/;audio/;online/;app/;verify/;server/;protocol/")
set(forbidden_ui "replay/;saving/;render/;audio/;online/;app/;verify/;server/;protocol/")
set(forbidden_render "saving/;audio/;online/;app/;verify/;server/;protocol/")
set(forbidden_audio "saving/;render/;online/;app/;verify/;server/;protocol/")
set(forbidden_online "saving/;ui/;render/;audio/;app/;verify/;server/")
set(forbidden_saving "ui/;render/;audio/;online/;app/;verify/;server/;protocol/")
set(forbidden_verify "saving/;ui/;render/;audio/;online/;app/;server/;protocol/")
set(forbidden_protocol "platform/;input/;math/;draw/;${above_core}")
set(no_graphics "input;math;draw;game;session;replay;ui;saving;online;verify;protocol")

set(failures "")
foreach(layer platform input math draw game session replay ui saving render audio online verify protocol)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    list(FIND no_graphics ${layer} plain)
    foreach(source ${sources})
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line ${includes})
            string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
            foreach(above ${forbidden_${layer}})
                string(FIND "${header}" "${above}" at)
                if(at EQUAL 0)
                    list(APPEND failures "${name} includes ${header}")
                endif()
            endforeach()
        endforeach()
        if(NOT plain EQUAL -1)
            file(STRINGS "${source}" graphics REGEX "^[ \t]*#[ \t]*include[ \t]*<(GL|SDL|AL|ft2build|fontconfig)")
            foreach(line ${graphics})
                list(APPEND failures "${name} includes a graphics, sound or window header: ${line}")
            endforeach()
        endif()
    endforeach()
endforeach()

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "Includes that reach up a layer or past the back ends:\n  ${text}")
endif()
message(STATUS "layering: every include points down or sideways; only render/ and platform/ see GL")
