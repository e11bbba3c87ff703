#!/usr/bin/env bash
# Installs the Debian packages the game (and, with "test", its tests) needs;
# with "cross", only what the cross-built verifiers need (scripts/cross-verify.sh);
# with "web", what the browser build adds (scripts/web.sh); with "windows",
# what the Windows build adds (scripts/windows.sh).
set -euo pipefail

options=()
if [ "${1:-}" = "cross" ]; then
    packages=(build-essential cmake ninja-build python3 nlohmann-json3-dev
              clang libc++-dev libc++abi-dev g++-aarch64-linux-gnu qemu-user
              g++-mingw-w64-x86-64 wine64 wine emscripten nodejs)
    options=(--no-install-recommends)
elif [ "${1:-}" = "windows" ]; then
    # The compilers, the packer and what the icon's host tool links.
    packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 cmake ninja-build nsis zip python3
              g++ libpng-dev nlohmann-json3-dev libgles-dev dpkg-dev xz-utils curl ca-certificates)
    options=(--no-install-recommends)
elif [ "${1:-}" = "web" ]; then
    packages=(emscripten nodejs python3 chromium)
    options=(--no-install-recommends)
else
    packages=(build-essential cmake ninja-build pkg-config
              libsdl2-dev libopenal-dev libfreetype-dev libfontconfig-dev
              fonts-liberation libgl-dev libpng-dev nlohmann-json3-dev
              libinih-dev libcurl4-openssl-dev
              libmicrohttpd-dev zlib1g-dev libcpp-httplib-dev libpqxx-dev libssl-dev libicu-dev postgresql)
    if [ "${1:-}" = "test" ]; then
        packages+=(libgtest-dev libbenchmark-dev libalut-dev xvfb xauth xdotool imagemagick
                   clang libclang-rt-14-dev dpkg-dev file chromium wine64 wine)
    fi
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${options[@]}" "${missing[@]}"
fi
