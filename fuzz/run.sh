#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each one:
# first its kept regression inputs, then a bounded fuzzing run from the seeds.
# Usage: fuzz/run.sh [seconds per target, default 20] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_bmp fuzz_settings fuzz_particle fuzz_bullet fuzz_monster fuzz_replay fuzz_glyph_atlas)
build=build-fuzz
jobs=$(( $(nproc) < 2 ? 1 : 2 ))

generator=()
command -v ninja > /dev/null && generator=(-G Ninja)
CC=clang CXX=clang++ cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEX_FUZZ=ON -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF -DQUORVEX_TOOLS=OFF > /dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

# Seeds: the shipped data and the bitmap conformance suite.
seeds_for() {
    case "$1" in
    fuzz_bmp) echo data/Textures ../shared/testdata/bmpsuite ;;
    fuzz_settings) echo data/Settings.ini ;;
    fuzz_particle) echo data/Particles ;;
    fuzz_bullet) echo data/Bullets ;;
    fuzz_monster) echo data/Monsters ;;
    fuzz_replay) echo tests/replays ;;
    fuzz_glyph_atlas) echo fuzz/seeds/fuzz_glyph_atlas ;;
    esac
}

# The game's textures run to megabytes; headers and a few rows are what matter.
max_len_for() {
    case "$1" in
    fuzz_bmp) echo 65536 ;;
    fuzz_replay) echo 262144 ;;
    fuzz_glyph_atlas) echo 32768 ;;
    *) echo 4096 ;;
    esac
}

# The readers' message boxes go to standard error in test mode; closing it
# keeps the log readable (sanitizer reports use their own channel).
options=(-close_fd_mask=2 -rss_limit_mb=2048 -timeout=10 -print_final_stats=0)
status=0
for target in "${targets[@]}"; do
    exe="$build/fuzz/$target"
    regressions="fuzz/regressions/$target"
    dict=()
    [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")

    mapfile -t kept < <(find "$regressions" -type f 2> /dev/null | sort)
    if [ ${#kept[@]} -gt 0 ]; then
        echo "== $target: ${#kept[@]} regression inputs"
        if ! "$exe" "${options[@]}" "${kept[@]}" > "$build/$target.replay.log" 2>&1; then
            tail -n 40 "$build/$target.replay.log"
            echo "FAIL: $target regression input"
            status=1
            continue
        fi
    fi

    # Seed files are copied into a private corpus (libFuzzer writes its finds
    # into the first folder); seed folders are read as they are.
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    seed_dirs=()
    for seed in $(seeds_for "$target"); do
        if [ -d "$seed" ]; then
            seed_dirs+=("$seed")
        elif [ -f "$seed" ]; then
            cp "$seed" "$corpus/"
        fi
    done
    [ -d "$regressions" ] && seed_dirs+=("$regressions")
    echo "== $target: fuzzing for $seconds s"
    if ! "$exe" "${options[@]}" "${dict[@]}" -max_len="$(max_len_for "$target")" \
        -max_total_time="$seconds" \
        -artifact_prefix="$artifacts/" "$corpus" "${seed_dirs[@]}" > "$build/$target.log" 2>&1; then
        tail -n 60 "$build/$target.log"
        grep -h "fuzz invariant broken" "$build/$target.log" || true
        echo "FAIL: $target found an input that breaks the reader; it is under $artifacts/"
        echo "      fix the reader and keep the input in $regressions/"
        status=1
        continue
    fi
    grep -E "^#[0-9]+[[:space:]]+DONE" "$build/$target.log" | tail -n 1 || true
done
exit $status
