#!/usr/bin/env bash
# Installs what the game needs, builds it and starts it from the data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF -DQUORVEX_TOOLS=OFF > /dev/null
cmake --build build-release -j"$(nproc)"
cd data && exec ../build-release/quorvex
