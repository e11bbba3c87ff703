#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test
# headless: the browser and Windows builds (their tests join the normal
# build's), the normal build, the cross-built verifiers, then the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
# Every package first: the builds below run side by side, and apt takes one
# at a time.
bash scripts/deps.sh test
bash scripts/deps.sh web
bash scripts/deps.sh windows
jobs=$(nproc)
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null

# The Windows build beside the others: its libraries' first build is mostly
# one-core configure checks, which leave a core to the rest.
mkdir -p build-windows
bash scripts/windows.sh --no-install > build-windows/windows.log 2>&1 &
windows=$!
bash scripts/web.sh --no-install
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs"
if ! wait "$windows"; then
    tail -n 60 build-windows/windows.log
    echo "FAIL: the Windows build (build-windows/windows.log)"
    exit 1
fi
tail -n 3 build-windows/windows.log
# Configured again, so that the page's tests in headless Chromium and the
# Windows game's under wine join the suite.
cmake -S . -B build > /dev/null
ctest --test-dir build --output-on-failure -j"$jobs"
# The same games on other machines and standard libraries (docs/REPLAYS.md).
bash scripts/cross-verify.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_SANITIZE=ON \
      -DQUORVEX_BENCH=OFF -DQUORVEX_TOOLS=OFF > /dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
bash fuzz/run.sh 15
