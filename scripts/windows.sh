#!/usr/bin/env bash
# Builds the Windows game on Debian with MinGW-w64 and packs what a player
# downloads, into build-windows/ (QUORVEX_WINDOWS_DIR):
#   Quorvex-<version>-windows-x64.zip    unzip anywhere and run quorvex.exe
#   Quorvex-<version>-setup.exe          the installer (per user; /ALLUSERS, /S)
# The libraries come from Debian's own source packages, built once into a
# cache outside the clone (scripts/windows-libs.sh); a later run compiles
# only the game.
#
#   scripts/windows.sh [--no-install]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${QUORVEX_WINDOWS_DIR:-$root/build-windows}
jobs=$(nproc)
started=$SECONDS

install=1
for arg in "$@"; do
    case $arg in
    --no-install) install=0 ;;
    *)
        echo "usage: scripts/windows.sh [--no-install]" >&2
        exit 2
        ;;
    esac
done

[ "$install" = 0 ] || bash scripts/deps.sh windows
mkdir -p "$out"

bash scripts/windows-libs.sh "$out"
libs_done=$SECONDS

# The icon, drawn by the asset generator on this machine (it is a build
# tool, not part of the game), packed into one .ico.
host=$out/host
mkdir -p "$host"
if [ ! -x "$host/assetgen" ] || [ -n "$(find tools/assetgen -newer "$host/assetgen" -print -quit)" ]; then
    g++ -std=c++20 -O1 -ffp-contract=off -fno-fast-math tools/assetgen/*.cpp -lpng -o "$host/assetgen"
fi
"$host/assetgen" --icons "$host/icons"
icons=()
for size in 16 32 48 64 128 256; do
    icons+=("$host/icons/${size}x${size}/apps/quorvex.png")
done
python3 packaging/windows/make_icon.py "$out/quorvex.ico" "${icons[@]}"

# The game, with the flags the cross-checked verifier is built with.
game=$out/game
if [ ! -f "$game/build.ninja" ]; then
    cmake -S "$root" -B "$game" -G Ninja -C "$out/deps.cmake" \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-posix.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
          -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF -DQUORVEX_TOOLS=OFF -DQUORVEX_SERVER=OFF \
          -DQUORVEX_WINDOWS_ICON="$out/quorvex.ico" > "$out/configure.log" 2>&1 ||
        { cat "$out/configure.log"; exit 1; }
fi
cmake --build "$game" -j"$jobs"
game_done=$SECONDS

# The folder a player unzips, then the zip and the installer made from it.
version=$(sed -n 's/^project(Quorvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=Quorvex-$version-windows-x64
stage=$out/stage/$name
rm -rf "$out/stage"
cmake --install "$game" --prefix "$stage" > /dev/null
x86_64-w64-mingw32-strip "$stage"/*.exe
zipfile=$out/$name.zip
rm -f "$zipfile"
(cd "$out/stage" && zip -q -r -X -9 "$zipfile" "$name")
setup=$out/Quorvex-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
         packaging/windows/installer.nsi

echo "libraries ready in $((libs_done - started)) s, game built in $((game_done - libs_done)) s," \
     "packed in $((SECONDS - game_done)) s"
echo "wrote $zipfile ($(du -k "$zipfile" | cut -f1) KiB)"
echo "wrote $setup ($(du -k "$setup" | cut -f1) KiB)"
