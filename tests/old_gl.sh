#!/usr/bin/env bash
# A driver that offers less than OpenGL 3.3 core: the game names what it
# found and exits with status 1, drawing nothing. Mesa pretends to be older
# when asked.
set -u
game=$1
data=$2
cd "$data" || exit 1
for version in 3.0 2.1 3.2COMPAT; do
    out=$(SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null MESA_GL_VERSION_OVERRIDE=$version \
        timeout 60 "$game" --window 2>&1)
    status=$?
    if [ "$status" -ne 1 ]; then
        echo "OpenGL $version: exit status $status, not 1"
        exit 1
    fi
    case "$out" in
    *"needs OpenGL 3.3 core or OpenGL ES 3.0; this machine offers OpenGL ${version%COMPAT}"*) ;;
    *)
        echo "OpenGL $version: no message naming it: $out"
        exit 1
        ;;
    esac
done
echo "ok: each older OpenGL is named and refused"
