#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test
# headless: the browser and Windows builds (their tests join the normal
# build's), the normal build, the cross-built verifiers, then the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
jobs=$(nproc)
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null

# First, so that configuring the normal build finds them and adds the page's
# tests in headless Chromium and the Windows game's under wine.
bash scripts/web.sh
bash scripts/windows.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
# The same games on other machines and standard libraries (docs/REPLAYS.md).
bash scripts/cross-verify.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_SANITIZE=ON \
      -DQUORVEX_BENCH=OFF -DQUORVEX_TOOLS=OFF > /dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
bash fuzz/run.sh 15
