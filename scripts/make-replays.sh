#!/usr/bin/env bash
# Remakes the committed replays of today's rules, tests/replays/gen2-*.qvr,
# from seeded bot games. Run it in the same commit as any deliberate change of
# the game's behaviour (CI verifies each replay with `quorvex --verify`). The
# first generation's games, tests/replays/bot-seed*.qvr, are never remade:
# they must verify as they are for ever.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$(nproc)" --target quorvex quorvex_tests
rm -f tests/replays/gen2-*.qvr
mkdir -p tests/replays
SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null QUORVEX_MAKE_REPLAYS="$PWD/tests/replays" \
    ./build/tests/quorvex_tests --gtest_filter='Replays.MakeCommittedReplays'
for replay in tests/replays/gen2-*.qvr; do
    (cd data && ../build/quorvex --verify "../$replay")
done
