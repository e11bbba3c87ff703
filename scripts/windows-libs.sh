#!/usr/bin/env bash
# Builds the libraries the Windows game links (SDL2, FreeType, libcurl and
# OpenAL Soft) with MinGW-w64 from Debian's own source packages, each once into
# a cache outside the clone, and writes OUTDIR/deps.cmake for the game's
# configure (cmake -C OUTDIR/deps.cmake, or include() it after the toolchain):
#   CMAKE_PREFIX_PATH, QUORVEX_WINDOWS_PREFIXES   the install prefixes
#   QUORVEX_WINDOWS_DLLS                          DLLs to ship beside the exe
#   QUORVEX_WINDOWS_LICENSES                      NAME=PATH, one per licence text
#
#   scripts/windows-libs.sh OUTDIR
#
# Prefixes live in ${XDG_CACHE_HOME:-$HOME/.cache}/quorvex/mingw/NAME-VERSION-rN;
# one whose stamp is there is used as it is, with nothing downloaded. Bump a
# recipe number below when that library's build options change.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: scripts/windows-libs.sh OUTDIR" >&2
    exit 2
fi
mkdir -p "$1"
out=$(cd "$1" && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvex/mingw
work=$cache/.work
toolchain=$root/cmake/toolchains/mingw-w64-posix.cmake
jobs=$(nproc)
started=$SECONDS

# name, Debian source package, suite, upstream version, recipe
libs=(
    "sdl2 libsdl2 bookworm 2.26.5 1"
    "freetype freetype bookworm 2.12.1 1"
    "curl curl bookworm 7.88.1 1"
    "openal-soft openal-soft trixie 1.24.2 1"
)
# The archive serves this one's orig tarball but not its .dsc (nor bookworm's
# version at all), so it comes from the pool and is checked here instead.
openal_tarball=openal-soft_1.24.2.orig.tar.gz
openal_sha256=7efd383d70508587fbc146e4c508771a2235a5fc8ae05bf6fe721c20a348bd7c

mkdir -p "$cache"
# One run at a time per cache: a second waits rather than building beside it.
exec 9>"$cache/.lock"
flock 9

prefix_of() { echo "$cache/$1-$4-r$5"; }

install_packages() {
    local packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 cmake ninja-build
                    dpkg-dev xz-utils curl ca-certificates)
    local missing=() p sudo=""
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The Debian archive this machine already uses, as apt itself reads its
# configuration (deb822 .sources or sources.list alike).
mirror=""
find_mirror() {
    # shellcheck disable=SC2016 # apt's own format fields, not shell
    mirror=$(apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE) $(TARGET_OF)' |
        awk '$2 == "bookworm" && ($3 == "deb" || $3 == "deb-src") { print $1; exit }')
    mirror=${mirror%/}
    if [ -z "$mirror" ]; then
        echo "windows-libs: no bookworm archive in this machine's apt sources" >&2
        exit 1
    fi
}

# A private apt state: our deb-src lines, lists and cache, the system's untouched.
apt_opts=()
apt_ready=0
prepare_apt() {
    [ "$apt_ready" = 0 ] || return 0
    local dir=$work/apt keyring=/usr/share/keyrings/debian-archive-keyring.gpg signed=""
    rm -rf "$dir"
    mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
    [ -f "$keyring" ] && signed="[signed-by=$keyring] "
    echo "deb-src ${signed}$mirror bookworm main" >"$dir/sources.list"
    apt_opts=(-o "Dir::Etc::SourceList=$dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent
              -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache")
    # The sandbox user cannot enter a private home folder anyway.
    [ "$(id -u)" -eq 0 ] && apt_opts+=(-o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" -qq update
    apt_ready=1
}

# fetch NAME PACKAGE SUITE VERSION SRCDIR: unpacks the source into SRCDIR,
# Debian's patches applied where there is a .dsc.
fetch() {
    local name=$1 package=$2 suite=$3 version=$4 src=$5 dl=$work/$1/download
    rm -rf "$dl" && mkdir -p "$dl"
    if [ "$name" = openal-soft ]; then
        curl -fsS --retry 3 -o "$dl/$openal_tarball" "$mirror/pool/main/o/openal-soft/$openal_tarball"
        if ! echo "$openal_sha256  $dl/$openal_tarball" | sha256sum -c --status; then
            echo "windows-libs: $openal_tarball does not match its SHA-256: not building it" >&2
            exit 1
        fi
        mkdir -p "$src"
        tar -xzf "$dl/$openal_tarball" -C "$src" --strip-components=1
        return
    fi
    prepare_apt
    (cd "$dl" && apt-get "${apt_opts[@]}" -qq source --download-only "$package/$suite")
    local dsc debian_version upstream
    dsc=$(find "$dl" -maxdepth 1 -name "${package}_*.dsc" | head -n 1)
    debian_version=$(sed -n 's/^Version: //p' "$dsc")
    upstream=${debian_version#*:}
    upstream=${upstream%-*}
    upstream=${upstream%%+*}
    if [ "$upstream" != "$version" ]; then
        echo "windows-libs: $suite has $package $debian_version, this script builds $version" >&2
        exit 1
    fi
    dpkg-source -x "$dsc" "$src" >/dev/null
}

# cmake_build SRC BUILD PREFIX ARGS...: a Release build with Ninja, installed.
cmake_build() {
    local src=$1 build=$2 prefix=$3
    shift 3
    nice -n 10 cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
    nice -n 10 cmake --build "$build" -j "$jobs"
    cmake --install "$build"
}

# licences NAME SRC FILE...: copies them as NAME-FILE, ready for one folder.
licences() {
    local name=$1 src=$2 f dir base
    shift 2
    dir=$prefix/share/licenses/$name
    mkdir -p "$dir"
    for f in "$@"; do
        base=$(basename "$f")
        cp "$src/$f" "$dir/$name-${base%.[tT][xX][tT]}.txt"
    done
}

require() {
    local f
    for f in "$@"; do
        [ -e "$prefix/$f" ] || { echo "windows-libs: $prefix/$f was not installed" >&2; exit 1; }
    done
}

recipe_sdl2() {
    cmake_build "$1" "$2" "$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL_HIDAPI=ON -DSDL_HIDAPI_JOYSTICK=ON -DSDL_JOYSTICK=ON -DSDL_HAPTIC=ON \
        -DSDL_VIDEO=ON -DSDL_OPENGL=ON -DSDL2_DISABLE_UNINSTALL=ON
    licences SDL2 "$1" LICENSE.txt
    require lib/libSDL2.a lib/libSDL2main.a lib/cmake/SDL2/SDL2Config.cmake
    grep -q 'SDL2::SDL2-static' "$prefix/lib/cmake/SDL2/SDL2staticTargets.cmake"
    grep -q 'SDL2::SDL2main' "$prefix/lib/cmake/SDL2/SDL2mainTargets.cmake"
}

recipe_freetype() {
    cmake_build "$1" "$2" "$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
        -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
    licences freetype "$1" LICENSE.TXT docs/FTL.TXT
    require lib/libfreetype.a include/freetype2/ft2build.h lib/cmake/freetype/freetype-config.cmake
}

recipe_curl() {
    # HTTP_ONLY leaves HTTP and HTTPS; Schannel uses Windows' own certificate store.
    cmake_build "$1" "$2" "$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF \
        -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DHTTP_ONLY=ON \
        -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_MBEDTLS=OFF \
        -DCURL_USE_BEARSSL=OFF -DCURL_USE_WOLFSSL=OFF -DCURL_USE_NSS=OFF -DCURL_USE_GSSAPI=OFF \
        -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF \
        -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_MSH3=OFF \
        -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DENABLE_ARES=OFF \
        -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON \
        -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none
    licences curl "$1" COPYING
    require lib/libcurl.a lib/cmake/CURL/CURLConfig.cmake
    # Users of the static library must see CURL_STATICLIB or they ask for __imp_ symbols.
    grep -q 'INTERFACE_COMPILE_DEFINITIONS "CURL_STATICLIB"' "$prefix/lib/cmake/CURL/CURLTargets.cmake"
}

recipe_openal_soft() {
    # A DLL (LGPL: the player may replace it) that needs only Windows' own DLLs;
    # stripped, it is half the size.
    cmake_build "$1" "$2" "$prefix" -DALSOFT_UTILS=OFF -DALSOFT_EXAMPLES=OFF \
        -DALSOFT_TESTS=OFF -DALSOFT_UPDATE_BUILD_VERSION=OFF \
        -DALSOFT_STATIC_LIBGCC=ON -DALSOFT_STATIC_STDCXX=ON -DALSOFT_STATIC_WINPTHREAD=ON \
        -DCMAKE_SHARED_LINKER_FLAGS="-static-libgcc -static-libstdc++ -static -s" \
        -DALSOFT_BACKEND_PIPEWIRE=OFF -DALSOFT_BACKEND_PULSEAUDIO=OFF -DALSOFT_BACKEND_JACK=OFF \
        -DALSOFT_BACKEND_PORTAUDIO=OFF -DALSOFT_BACKEND_SDL2=OFF -DALSOFT_BACKEND_SDL3=OFF \
        -DALSOFT_BACKEND_OPENSL=OFF -DALSOFT_BACKEND_OBOE=OFF \
        -DALSOFT_INSTALL_CONFIG=OFF -DALSOFT_INSTALL_HRTF_DATA=OFF -DALSOFT_INSTALL_AMBDEC_PRESETS=OFF
    licences openal-soft "$1" COPYING BSD-3Clause LICENSE-pffft
    licences openal-soft "$1" fmt-11.1.1/LICENSE
    mv "$prefix/share/licenses/openal-soft/openal-soft-LICENSE.txt" \
        "$prefix/share/licenses/openal-soft/openal-soft-fmt-LICENSE.txt"
    require bin/OpenAL32.dll lib/cmake/OpenAL/OpenALConfig.cmake include/AL/alc.h
    local dll=$prefix/bin/OpenAL32.dll imports
    imports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/.*DLL Name: //p')
    if grep -qi '^lib' <<<"$imports"; then
        echo "windows-libs: OpenAL32.dll needs more than Windows' own DLLs: $(tr '\n' ' ' <<<"$imports")" >&2
        exit 1
    fi
    local text
    text=$(strings "$dll")
    grep -qw ALC_SOFT_loopback <<<"$text"
    grep -qx null <<<"$text"
}

# build LIB-LINE: prints the library's line; builds it unless its stamp is there.
prefixes=()
build() {
    local name package suite version recipe t0 log
    read -r name package suite version recipe <<<"$1"
    prefix=$(prefix_of "$name" "$package" "$suite" "$version" "$recipe")
    prefixes+=("$prefix")
    if [ -f "$prefix/.complete" ]; then
        echo "$name $version: cached"
        return
    fi
    t0=$SECONDS
    [ -n "$mirror" ] || { install_packages; find_mirror; }
    rm -rf "$prefix" "${work:?}/$name"
    mkdir -p "$work/$name" "$work/logs"
    log=$work/logs/$name-$version-r$recipe.log
    echo "$name $version: building (log: $log)"
    [ "$name" = openal-soft ] || prepare_apt
    # In the background, not in a condition, so that errexit holds inside.
    (
        fetch "$name" "$package" "$suite" "$version" "$work/$name/src"
        "recipe_${name//-/_}" "$work/$name/src" "$work/$name/build"
    ) >"$log" 2>&1 &
    if ! wait $!; then
        tail -n 30 "$log" >&2
        echo "windows-libs: $name $version failed; the whole log is $log" >&2
        exit 1
    fi
    rm -rf "${work:?}/$name"
    date -u +%FT%TZ >"$prefix/.complete"
    echo "$name $version: built in $((SECONDS - t0)) s"
}

for lib in "${libs[@]}"; do
    build "$lib"
done

# cmake_list ITEM...: one CMake list literal.
cmake_list() {
    local IFS=';'
    echo "$*"
}
openal_prefix=${prefixes[3]}
dlls=("$openal_prefix/bin/OpenAL32.dll")
licence_entries=()
for p in "${prefixes[@]}"; do
    for d in "$p"/share/licenses/*/; do
        # Only our copies: a library may install its own beside them.
        for f in "$d$(basename "$d")"-*; do
            licence_entries+=("$(basename "$f")=$f")
        done
    done
done
cat >"$out/deps.cmake" <<EOF
# Written by scripts/windows-libs.sh: the MinGW-w64 builds of the game's libraries.
# Targets: SDL2::SDL2-static SDL2::SDL2main, Freetype::Freetype, CURL::libcurl,
# OpenAL::OpenAL.
set(QUORVEX_WINDOWS_PREFIXES "$(cmake_list "${prefixes[@]}")" CACHE STRING "MinGW-w64 library prefixes" FORCE)
set(CMAKE_PREFIX_PATH "$(cmake_list "${prefixes[@]}")" CACHE STRING "" FORCE)
set(QUORVEX_WINDOWS_DLLS "$(cmake_list "${dlls[@]}")" CACHE STRING "DLLs shipped beside the game" FORCE)
set(QUORVEX_WINDOWS_LICENSES "$(cmake_list "${licence_entries[@]}")" CACHE STRING "NAME=PATH of each library's licence text" FORCE)
# Packages are looked for only below the find root path: when this file is
# included after the toolchain, the prefixes join it here (the posix toolchain
# adds QUORVEX_WINDOWS_PREFIXES itself).
list(APPEND CMAKE_FIND_ROOT_PATH \${QUORVEX_WINDOWS_PREFIXES})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
EOF
echo "wrote $out/deps.cmake in $((SECONDS - started)) s"
