#!/bin/sh
# Builds the Debian package from a build tree, unpacks it into a scratch
# root, checks its files and control data, then starts the unpacked game
# through its launcher without a display and checks that it comes up: alive
# after a few seconds with nothing printed, and under Xvfb (when installed)
# its window on screen with no message box beside it.
#
#   test-package.sh <build dir>
#
# CTest passes the install layout in QUORVEX_* variables. Exit 77 (skipped)
# when the data folder holds no Settings.ini yet: the game cannot start then.
set -eu

# How long the game must stay up before it counts as started.
settle=3
guard="" # the timeout process watching the running game

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Children of a process: the kernel's list where it has one, else a scan.
children_of() {
    if [ -r "/proc/$1/task/$1/children" ]; then
        cat "/proc/$1/task/$1/children"
        return
    fi
    for stat in /proc/[0-9]*/stat; do
        line=$(cat "$stat" 2>/dev/null) || continue
        # Fields after the parenthesised name: state, parent pid.
        rest=${line##*) }
        parent=${rest#* }
        parent=${parent%% *}
        if [ "$parent" = "$1" ]; then
            pid=${stat#/proc/}
            echo "${pid%/stat}"
        fi
    done
}

game_pid() {
    [ -n "$guard" ] || return 0
    children_of "$guard" | tr ' ' '\n' | sed -n '/./{p;q;}'
}

# SIGKILL: SDL catches SIGTERM, and a message box under X would block the
# game's own shutdown.
stop_game() {
    [ -n "$guard" ] || return 0
    pid=$(game_pid)
    if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
    wait "$guard" 2>/dev/null || true
    guard=""
}

# Starts the launcher under a hard time limit, from a folder that is not the
# data folder, so the launcher has to change into it itself.
start_game() {
    name=$1
    shift
    (cd "$work" && exec env "$@" timeout -s KILL 60 "$launcher" \
        >"$work/$name.out" 2>"$work/$name.err") &
    guard=$!
}

show_logs() {
    for f in "$work/$1.out" "$work/$1.err"; do
        [ -s "$f" ] && { echo "--- ${f##*/}"; cat "$f"; }
    done
    return 0
}

check_running() {
    name=$1
    pid=$(game_pid)
    if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then
        show_logs "$name" >&2
        fail "$name: the game ended early"
    fi
}

# Anything printed is an error: the game reports bad files in message boxes,
# which land on standard error where no box can be shown.
check_quiet() {
    name=$1
    if [ -s "$work/$name.err" ] || [ -s "$work/$name.out" ]; then
        show_logs "$name" >&2
        fail "$name: the game printed messages"
    fi
}

# Width and height of a PNG, from its header chunk.
png_size() {
    sig=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
    [ "$sig" = "89504e470d0a1a0a" ] || return 1
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d\n", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }'
}

# Runs inside xvfb-run: the game's window must be on screen, alone (a message
# box would be a second window), and show a drawn picture rather than a blank.
x11_check() {
    start_game x11 SDL_VIDEODRIVER=x11 ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
    mkdir -p "$shots"
    shot=$shots/package-menu.png
    # Give it the settling time, then wait for the first drawn frame (or a
    # message box) to reach the screen. Screenshots are slow while the game
    # draws flat out, so take them only then.
    sleep "$settle"
    waited=$settle
    spread=0
    while :; do
        check_running x11
        mine=$(xdotool search --onlyvisible --pid "$(game_pid)" 2>/dev/null | tr '\n' ' ')
        if [ -n "$mine" ]; then
            import -window root "$shot"
            spread=$(convert "$shot" -format '%[fx:round(1000*standard_deviation)]' info:)
            [ "$spread" -eq 0 ] || break
        fi
        [ "$waited" -lt 40 ] || break
        sleep 1
        waited=$((waited + 1))
    done
    root=$(xdotool search --maxdepth 0 --name '' 2>/dev/null)
    all=$(xdotool search --maxdepth 1 --onlyvisible --class '' 2>/dev/null | tr '\n' ' ')
    geometry=$(xdotool getwindowgeometry --shell "${mine%% *}" 2>/dev/null || true)
    stop_game
    [ -n "$mine" ] || fail "x11: the game shows no window"
    for w in $all; do
        case " $root $mine " in *" $w "*) continue ;; esac
        fail "x11: another window is open: \"$(xdotool getwindowname "$w" 2>/dev/null)\""
    done
    [ "$spread" -gt 0 ] || fail "x11: the window stayed blank for ${waited} s ($shot)"
    check_quiet x11
    echo "x11: the game's window is up alone after ${waited} s; screenshot $shot"

    # The menu's plates, green over the title picture: arena x 0.17 to 0.58,
    # y -0.02 to -0.45 (clear of the slanted ends), in the window's pixels.
    # Only reported unless QUORVEX_PACKAGE_TEST_MENU=1: the menu art may
    # still change.
    X=0 Y=0 WIDTH=1024 HEIGHT=768
    eval "$geometry"
    crop=$(awk -v w="$WIDTH" -v h="$HEIGHT" -v x="$X" -v y="$Y" 'BEGIN {
        l = int(1.17 / 2 * w); r = int(1.58 / 2 * w); t = int(1.02 / 2 * h); b = int(1.45 / 2 * h)
        printf "%dx%d+%d+%d", r - l, b - t, x + l, y + t }')
    rgb=$(convert "$shot" -crop "$crop" +repage \
        -format '%[fx:round(255*mean.r)] %[fx:round(255*mean.g)] %[fx:round(255*mean.b)]' info:)
    # shellcheck disable=SC2086 # three numbers
    set -- $rgb
    if [ "$2" -gt $(($1 + 30)) ] && [ "$2" -gt $(($3 + 30)) ]; then
        echo "x11: the menu's green plates are on screen (mean colour $rgb)"
    else
        echo "x11: NOTE: no green menu plates where expected (mean colour $rgb)"
        [ "${QUORVEX_PACKAGE_TEST_MENU:-0}" != 1 ] || fail "x11: the menu is not on screen"
    fi
}

if [ "${1:-}" = --under-x ]; then
    work=$2 launcher=$3 shots=$4
    trap stop_game EXIT
    x11_check
    exit 0
fi

build=$(cd "$1" && pwd)
version=${QUORVEX_PROJECT_VERSION:?}
data_source=${QUORVEX_DATA_SOURCE_DIR:?}
gamesdir=${QUORVEX_INSTALL_GAMESDIR:?}
datadir=${QUORVEX_INSTALL_DATADIR:?}
programdir=${QUORVEX_INSTALL_PROGRAMDIR:?}
datarootdir=${QUORVEX_INSTALL_DATAROOTDIR:?}
icons_expected=${QUORVEX_ICONS_EXPECTED:-0}
shots=${QUORVEX_SCREENSHOT_DIR:-$build/screenshots}
cpack=${QUORVEX_CPACK:-cpack}
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-package.XXXXXX")

cleanup() {
    stop_game
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# --- Package -----------------------------------------------------------------

echo "building the package"
if ! (cd "$build" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") \
    >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack could not build the package"
fi
set -- "$work"/out/quorvex_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then fail "expected one quorvex_*.deb, found: $*"; fi
deb=$1
echo "package: ${deb##*/}"

info=$(dpkg-deb -I "$deb")
field() {
    printf '%s\n' "$info" | sed -n "s/^ $1: //p"
}
[ "$(field Package)" = quorvex ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "package version is '$(field Version)', not $version"
[ "$(field Section)" = games ] || fail "section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
for dep in libsdl2-2.0-0 libopenal1 libfreetype6 libfontconfig1 libcurl4 fonts-liberation libgl1; do
    printf '%s\n' "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | grep -qx "$dep" ||
        fail "Depends lacks $dep: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr
launcher=$usr/$gamesdir/quorvex
program=$usr/$programdir/quorvex
data=$usr/$datadir

[ -x "$launcher" ] || fail "no launcher at /usr/$gamesdir/quorvex"
[ "$(head -c 2 "$launcher")" = "#!" ] || fail "the launcher is not a script"
[ -x "$program" ] || fail "no program at /usr/$programdir/quorvex"
[ "$(od -An -c -N4 "$program" | tr -d ' ')" = '177ELF' ] || fail "the program is not an ELF file"
if [ -f "$data_source/Settings.ini" ]; then
    [ -d "$data" ] || fail "no data folder at /usr/$datadir"
fi
[ ! -e "$data/README.md" ] || fail "the data folder's README is installed as data"

# Every data file, byte for byte.
count=0
if [ -d "$data_source" ]; then
    (cd "$data_source" && find . -type f ! -path ./README.md) >"$work/data.list"
    while IFS= read -r f; do
        cmp -s "$data_source/$f" "$data/$f" || fail "data file ${f#./} missing or changed"
        count=$((count + 1))
    done <"$work/data.list"
fi
echo "data files: $count"
if [ -f "$data_source/Fonts/LICENSE" ]; then
    cmp -s "$data_source/Fonts/LICENSE" "$usr/$datarootdir/doc/quorvex/LICENSE.fonts" ||
        fail "the face's licence is not among the package's documents"
fi

desktop=$usr/$datarootdir/applications/quorvex.desktop
[ -f "$desktop" ] || fail "no desktop entry"
for line in "Name=Quorvex" "Exec=quorvex" "Icon=quorvex" "Terminal=false" \
    "Categories=Game;ActionGame;" "Type=Application"; do
    grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
done
grep -q '^Comment=.' "$desktop" || fail "desktop entry lacks a comment"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$desktop" || fail "desktop entry is not valid"
fi

set -- "$usr/$datarootdir"/metainfo/*.metainfo.xml
if [ $# -ne 1 ] || [ ! -f "$1" ]; then fail "expected one metainfo file, found: $*"; fi
metainfo=$1
if command -v xmllint >/dev/null 2>&1; then
    xmllint --noout "$metainfo" || fail "metainfo is not well-formed XML"
fi
for tag in "<summary>" "<description>" '<launchable type="desktop-id">quorvex.desktop<' \
    "<content_rating" "<releases>"; do
    grep -q "$tag" "$metainfo" || fail "metainfo lacks $tag"
done
# The newest release comes first and has to be this version.
newest=$(sed -n 's/.*<release [^>]*version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
[ "$newest" = "$version" ] || fail "metainfo's newest release is '$newest', not $version"

if [ "$icons_expected" = 1 ]; then
    for n in 16 32 48 64 128 256; do
        icon=$usr/$datarootdir/icons/hicolor/${n}x${n}/apps/quorvex.png
        [ -f "$icon" ] || fail "no ${n}x${n} icon"
        size=$(png_size "$icon") || fail "the ${n}x${n} icon is not a PNG"
        [ "$size" = "${n}x${n}" ] || fail "the ${n}x${n} icon is $size"
    done
    echo "icons: 16 to 256"
fi

# --- The installed game --------------------------------------------------------

if [ ! -f "$data_source/Settings.ini" ]; then
    echo "SKIP: $data_source holds no Settings.ini yet, so the game cannot start"
    exit 77
fi

echo "running the game offscreen"
start_game offscreen SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
sleep "$settle"
check_running offscreen
stop_game
check_quiet offscreen
echo "offscreen: running after ${settle} s, nothing printed"

if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xdotool >/dev/null 2>&1 ||
    ! command -v import >/dev/null 2>&1; then
    echo "no Xvfb, xdotool or ImageMagick: window check left out"
    exit 0
fi

# Under a virtual X server a message box would be a second window: the game's
# own window must be there alone.
echo "running the game under Xvfb"
xvfb-run -a -s "-screen 0 1024x768x24" sh "$0" --under-x "$work" "$launcher" "$shots" ||
    fail "x11: the window check failed"
