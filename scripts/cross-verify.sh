#!/usr/bin/env bash
# Builds the rules alone (quorvex-verify, quorvex-checksums, quorvex-bench-rules)
# for other machines and standard libraries, runs them on every committed
# replay and on the seeded checksum sequence, and fails unless each agrees
# with this machine's GCC build bit for bit:
#   native    x86-64, GCC, glibc (the reference)
#   clang     x86-64, clang with libc++
#   aarch64   64-bit ARM, GCC, static glibc, under qemu-aarch64
#   windows   x86-64 Windows, MinGW-w64, under wine
#   wasm      WebAssembly, emscripten, under node
# Replays of the first rules generation (versions 1 and 2) play with the
# platform's math library: the glibc builds must verify them, the Windows and
# WebAssembly builds must refuse them (exit 2, "other_platform").
#
#   scripts/cross-verify.sh [--no-install] [TARGET...]
#
# Builds go to build-cross/ (QUORVEX_CROSS_DIR), with wine's prefix: keep that
# folder between runs and only what changed is built again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${QUORVEX_CROSS_DIR:-$root/build-cross}
jobs=$(nproc)
started=$SECONDS

install=1
targets=()
for arg in "$@"; do
    case $arg in
    --no-install) install=0 ;;
    native | clang | aarch64 | windows | wasm) targets+=("$arg") ;;
    *)
        echo "usage: scripts/cross-verify.sh [--no-install] [native|clang|aarch64|windows|wasm]..." >&2
        exit 2
        ;;
    esac
done
[ ${#targets[@]} -gt 0 ] || targets=(clang aarch64 windows wasm)

if [ "$install" = 1 ]; then
    bash scripts/deps.sh cross
    echo "packages ready after $((SECONDS - started)) s"
fi

# Emscripten's optimizer needs Debian's acorn; wine keeps its prefix here.
export NODE_PATH=/usr/share/nodejs
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$out"

toolchain() {
    case $1 in
    native) echo "" ;;
    clang) echo "$root/cmake/toolchains/clang-libcxx.cmake" ;;
    aarch64) echo "$root/cmake/toolchains/aarch64-linux-gnu.cmake" ;;
    windows) echo "$root/cmake/toolchains/mingw-w64-posix.cmake" ;;
    wasm) echo "$root/cmake/toolchains/emscripten-node.cmake" ;;
    esac
}

# build TARGET: configures once, then builds what changed; says in
# TARGET.built whether it did.
build() {
    local target=$1 dir=$out/$1 file
    rm -f "$dir.built"
    file=$(toolchain "$target")
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$root" -B "$dir" -G Ninja -DQUORVEX_RULES_ONLY=ON -DQUORVEX_TESTS=OFF \
              -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
              -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 \
              ${file:+-DCMAKE_TOOLCHAIN_FILE="$file"} > "$dir.configure.log" 2>&1 ||
            { cat "$dir.configure.log"; return 1; }
    fi
    nice cmake --build "$dir" -j"$jobs" > "$dir.build.log" 2>&1 || { tail -40 "$dir.build.log"; return 1; }
    touch "$dir.built"
}

# run TARGET PROGRAM ARGS...: the program as its machine runs it.
run() {
    local target=$1 program=$2
    shift 2
    local exe=$out/$target/$program
    case $target in
    native | clang) "$exe" "$@" ;;
    aarch64) qemu-aarch64 "$exe" "$@" ;;
    windows) wine "$exe.exe" "$@" ;;
    wasm) node "$exe.js" "$@" ;;
    esac
}

# record TARGET NAME PROGRAM ARGS...: standard output (without the CR of a
# Windows text stream) and exit status into results/TARGET/NAME.{out,rc}.
record() {
    local target=$1 name=$2 dir=$out/results/$1
    shift 2
    mkdir -p "$dir"
    local rc=0
    run "$target" "$@" 2> "$dir/$name.err" | tr -d '\r' > "$dir/$name.out" || rc=${PIPESTATUS[0]}
    echo "$rc" > "$dir/$name.rc"
}

replays=(tests/replays/*.qvr)

# Every build at once: one build's slow steps (the verifier's JSON, the
# WebAssembly links) leave cores to the others.
t0=$SECONDS
builds=(native)
for target in "${targets[@]}"; do
    [ "$target" = native ] || builds+=("$target")
done
for target in "${builds[@]}"; do
    build "$target" &
done
wait
echo "built in $((SECONDS - t0)) s"
if [ ! -f "$out/native.built" ]; then
    echo "FAIL: the native build failed"
    exit 1
fi

# The reference first: which replays are of which generation, as the
# native verifier reads them.
rm -rf "$out/results"
record native all quorvex-verify --json --data data "${replays[@]}"
mapfile -t generations < <(python3 - "$out/results/native/all.out" <<'PY'
import json, sys
for line in open(sys.argv[1]):
    r = json.loads(line)
    # Files read before the generations existed are all of the first.
    print(r.get("generation") or 1)
PY
)
if [ ${#generations[@]} -ne ${#replays[@]} ]; then
    echo "FAIL: the native verifier printed ${#generations[@]} lines for ${#replays[@]} replays"
    exit 1
fi
first=()
second=()
for i in "${!replays[@]}"; do
    if [ "${generations[$i]}" = 1 ]; then first+=("${replays[$i]}"); else second+=("${replays[$i]}"); fi
done
echo "replays: ${#second[@]} of the current generation, ${#first[@]} of the first"

# play TARGET: everything the target's build is asked, into results/TARGET.
# Its driver also records its games (results/TARGET/made) for the native
# verifier to judge.
play() {
    local target=$1
    rm -rf "$out/results/$target/made"
    mkdir -p "$out/results/$target/made"
    record "$target" checksums quorvex-checksums --data data --replays "$out/results/$target/made"
    # The games the native driver records are the current generation's,
    # made by the reference build: every target must verify them as it does.
    [ "$target" != native ] || made=("$out"/results/native/made/*.qvr)
    record "$target" rules quorvex-verify --json --rules --data data
    [ ${#first[@]} -eq 0 ] || record "$target" first quorvex-verify --json --data data "${first[@]}"
    [ ${#second[@]} -eq 0 ] || record "$target" second quorvex-verify --json --data data "${second[@]}"
    record "$target" made quorvex-verify --json --data data "${made[@]}"
    # The speed of whatever this build can replay.
    local playable=("${second[@]}" "${made[@]}")
    case $target in native | clang | aarch64) playable+=("${first[@]}") ;; esac
    record "$target" bench quorvex-bench-rules --data data --rounds 2 "${playable[@]}"
}

made=()
play native
failed=0
for target in "${targets[@]}"; do
    [ "$target" = native ] && continue
    if [ ! -f "$out/$target.built" ]; then
        echo "FAIL: $target does not build"
        failed=1
        continue
    fi
    t1=$SECONDS
    play "$target"
    # And the native verifier judges what the target recorded.
    theirs=("$out/results/$target/made"/*.qvr)
    [ -e "${theirs[0]}" ] && record native "from-$target" quorvex-verify --json --data data "${theirs[@]}"
    echo "$target: ran in $((SECONDS - t1)) s"
done

python3 - "$out/results" "$root/tests/golden/rules_checksums.txt" "${targets[@]}" <<'PY' || failed=1
import json, os, sys

results, golden, targets = sys.argv[1], sys.argv[2], sys.argv[3:]
OTHER = "made by an older version of the game that only the Linux build replays"
GLIBC = {"native", "clang", "aarch64"}
problems = []

def read(target, name):
    base = os.path.join(results, target, name)
    if not os.path.exists(base + ".out"):
        return None, None
    with open(base + ".out") as f:
        text = f.read()
    with open(base + ".rc") as f:
        return text, int(f.read())

def lines(text):
    return [json.loads(l) for l in text.splitlines() if l.strip()]

native = {name: read("native", name) for name in ("rules", "first", "second", "made", "checksums")}
text, rc = native["checksums"]
with open(golden) as f:
    if text != f.read():
        problems.append("native: the checksum sequence differs from " + golden)
for name in ("first", "second", "made"):
    text, rc = native[name]
    if text is None:
        continue
    for r in lines(text):
        if r["status"] != "verified":
            problems.append("native: %s: %s %s" % (r["file"], r["status"], r["reason"]))

for target in targets:
    if target == "native":
        continue
    says = []
    for name in ("rules", "second", "made", "checksums"):
        want, want_rc = native[name]
        if want is None:
            continue
        got, got_rc = read(target, name)
        if got is None:
            says.append("%s: not run" % name)
        elif got != want or got_rc != want_rc:
            if name == "checksums":
                a, b = got.splitlines(), want.splitlines()
                at = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
                says.append("checksums differ from frame %d on (exit %d)" % (at, got_rc))
            elif name == "rules":
                says.append("rules line %s, native %s" % (got.strip(), want.strip()))
            else:
                ours = {r["file"]: r for r in lines(got)}
                for r in lines(want):
                    o = ours.get(r["file"])
                    if o != r:
                        says.append("%s: %s" % (r["file"], json.dumps(o and {
                            k: o.get(k) for k in ("status", "reason", "replayed")})))
    want, want_rc = native["first"]
    if want is not None:
        got, got_rc = read(target, "first")
        if got is None:
            says.append("first generation: not run")
        elif target in GLIBC:
            if got != want or got_rc != want_rc:
                ours = {r["file"]: r for r in lines(got)}
                for r in lines(want):
                    if ours.get(r["file"]) != r:
                        says.append("%s: %s, native %s" % (r["file"], json.dumps(
                            (ours.get(r["file"]) or {}).get("replayed")), json.dumps(r["replayed"])))
        else:
            for r in lines(got):
                refused = (r["status"] == "unusable" and r.get("other_platform") is True
                           and r["reason"] == OTHER)
                if not refused:
                    says.append("%s: %s (%s), not refused as of another platform" % (
                        r["file"], r["status"], r["reason"]))
            if got_rc != 2:
                says.append("first generation: exit %d, not 2" % got_rc)
    text, rc = read("native", "from-" + target)
    if text is None:
        says.append("it recorded no game")
    else:
        for r in lines(text):
            if r["status"] != "verified":
                says.append("its own %s: %s natively (%s)" % (
                    os.path.basename(r["file"]), r["status"], r["reason"]))
    bench, _ = read(target, "bench")
    speed = bench.strip().rsplit(": ", 1)[-1] if bench else "no replay it can play"
    if says:
        problems.append("%s:\n    %s" % (target, "\n    ".join(says)))
        print("%-8s DIFFERS  (%s)" % (target, speed))
    else:
        print("%-8s agrees   (%s)" % (target, speed))
bench, _ = read("native", "bench")
print("%-8s ref.     (%s)" % ("native", bench.strip().rsplit(": ", 1)[-1] if bench else "-"))
for p in problems:
    print("FAIL: " + p)
sys.exit(1 if problems else 0)
PY

echo "cross checks took $((SECONDS - started)) s"
exit $failed
