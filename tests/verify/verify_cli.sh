#!/usr/bin/env bash
# quorvex-verify through the real executable: the committed replays verify
# in one process; broken and foreign files each get one line and the right
# exit status; the program links no window, graphics or sound library.
#   verify_cli.sh QUORVEX_VERIFY DATA_DIR REPLAY_DIR
set -u
verify=$1 data=$2 replays=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect STATUS LINES COMMAND...: exit status and number of output lines.
expect() {
    local status=$1 lines=$2
    shift 2
    "$@" > "$scratch/out" 2> "$scratch/err"
    local got=$?
    [ "$got" -eq "$status" ] || fail "$* exited $got, wanted $status: $(head -3 "$scratch/out" "$scratch/err")"
    local n
    n=$(wc -l < "$scratch/out")
    [ "$n" -eq "$lines" ] || fail "$* printed $n lines, wanted $lines"
}

if ldd "$verify" | grep -Eiq 'sdl|libgl|opengl|openal|alut|freetype|fontconfig'; then
    fail "quorvex-verify links $(ldd "$verify" | grep -Ei 'sdl|libgl|opengl|openal|alut|freetype|fontconfig')"
fi

# Nor the player's-file code (locks, safe writes, the random source): what
# it reads it reads with standard C++.
if nm -D "$verify" | grep -Ewq 'flock|mkostemp|mkostemp64|getrandom|renameat2'; then
    fail "quorvex-verify calls $(nm -D "$verify" | grep -Ew 'flock|mkostemp|mkostemp64|getrandom|renameat2')"
fi

count=$(ls "$replays"/*.qvr | wc -l)
expect 0 "$count" "$verify" --data "$data" "$replays"/*.qvr
grep -q 'bot-seed01.qvr: score [0-9]* time [0-9.]* kills [0-9]* checksum [0-9a-f]\{16\}$' "$scratch/out" ||
    fail "first-generation text lines: $(grep bot-seed01 "$scratch/out")"
grep -q 'gen2-seed01.qvr: score [0-9]* time [0-9.]* kills [0-9]* checksum [0-9a-f]\{16\} generation 2 seed [0-9]* end death$' "$scratch/out" ||
    fail "second-generation text lines: $(grep gen2-seed01 "$scratch/out")"
expect 0 "$count" "$verify" --json --data "$data" "$replays"/*.qvr
python3 - "$scratch/out" <<'PY' || fail "JSON lines"
import json, sys
generations = set()
for line in open(sys.argv[1]):
    r = json.loads(line)
    assert r["status"] == "verified" and r["recorded"] == r["replayed"], r
    assert {k: r["replayed"][k] for k in ("score", "time", "kills")} == r["result"], r
    assert len(r["fingerprint"]) == 16 and r["version"], r
    assert r["differs_from"] is None and r["other_platform"] is False, r
    generations.add(r["generation"])
    if r["generation"] == 2:
        assert isinstance(r["seed"], int) and r["end"] == "death" and r["day"] is None, r
    else:
        assert r["seed"] is None and r["end"] is None, r
assert generations == {1, 2}, generations
PY

# Threads change nothing but the time: every committed replay, each given
# three times so that threads play the same games side by side, gives the
# same lines on one thread as on four.
set -- "$replays"/*.qvr "$replays"/*.qvr "$replays"/*.qvr
"$verify" --data "$data" --jobs 1 "$@" > "$scratch/one" 2>&1
"$verify" --data "$data" --jobs 4 "$@" > "$scratch/four" 2>&1
[ "$(wc -l < "$scratch/one")" -eq $((3 * count)) ] && cmp -s "$scratch/one" "$scratch/four" ||
    fail "one thread and four differ: $(diff "$scratch/one" "$scratch/four" | head -4)"
expect 2 0 "$verify" --jobs 0 "$replays/bot-seed01.qvr"

# A moment of a game: played past its end, the world is the recorded one;
# the time reads as seconds or minutes:seconds; a bad one is refused.
recorded=$(grep -o 'checksum [0-9a-f]*' "$scratch/one" | sed -n 5p)
expect 0 1 "$verify" --data "$data" --at 99:00 "$replays/gen2-seed01.qvr"
grep -q "(the game ended before).*$recorded\$" "$scratch/out" || fail "--at past the end: $(cat "$scratch/out")"
expect 0 1 "$verify" --data "$data" --json --at 0:30.5 "$replays/gen2-seed01.qvr"
python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert r["reached"] and 30.5 <= r["time"] < 30.6 and not r["dead"], r' "$scratch/out" ||
    fail "--at 0:30.5: $(cat "$scratch/out")"
for moment in abc 1:75 -3 ""; do expect 2 0 "$verify" --data "$data" --at "$moment" "$replays/gen2-seed01.qvr"; done
expect 2 0 "$verify" --data "$data" --at 10 "$replays/gen2-seed01.qvr" "$replays/gen2-seed03.qvr"

: > "$scratch/empty.qvr"
head -c 300 "$replays/bot-seed01.qvr" > "$scratch/truncated.qvr"
printf 'not a replay at all' > "$scratch/garbage.qvr"
mkdir "$scratch/folder.qvr"
# Other rule data: a monster template changed in a copy of the data folder.
cp -r "$data" "$scratch/data"
sed -i '0,/[0-9]/s/[0-9]/7/' "$scratch/data/Monsters/MonsterToothSmall.mst"
while IFS='|' read -r name status reason; do
    expect "$status" 1 "$verify" --json --data "$data" "$scratch/$name"
    grep -q "\"reason\":\"$reason" "$scratch/out" || fail "$name: $(cat "$scratch/out")"
done <<'TABLE'
missing.qvr|2|no such file
empty.qvr|2|not a replay file
truncated.qvr|2|truncated
garbage.qvr|2|not a replay file
folder.qvr|2|
TABLE
expect 2 1 "$verify" --json --data "$scratch/data" "$replays/bot-seed01.qvr"
grep -q '"reason":"made with other rule data' "$scratch/out" || fail "other rules: $(cat "$scratch/out")"

# A thousand files at once, mixed: one line each, the worst status wins.
mkdir "$scratch/many"
for i in $(seq 1 1000); do : > "$scratch/many/$i.qvr"; done
expect 2 1001 "$verify" --data "$data" "$replays/bot-seed02.qvr" "$scratch"/many/*.qvr
expect 2 0 "$verify" --no-such-option
expect 2 0 "$verify" --data "$scratch/nowhere" "$replays/bot-seed01.qvr"

# A data folder that lacks a rule file, or holds a damaged one, is no ground
# for any verdict: one line naming the file, no verdicts, exit 2.
cp -r "$data" "$scratch/nobullet" && rm "$scratch/nobullet/Bullets/BulletAK.blt"
cp -r "$data" "$scratch/badspark" && printf 'x' > "$scratch/badspark/Particles/ParticleShot.prt"
mkdir "$scratch/emptydata"
while IFS='|' read -r folder named; do
    for command in "$verify --data $scratch/$folder $replays/bot-seed01.qvr" \
                   "$verify --rules --data $scratch/$folder"; do
        expect 2 0 $command
        [ "$(wc -l < "$scratch/err")" -eq 1 ] && grep -q "rule data could not be read: $named" "$scratch/err" ||
            fail "$command: $(cat "$scratch/err")"
    done
done <<'TABLE'
nobullet|Bullets/BulletAK.blt
badspark|Particles/ParticleShot.prt
emptydata|Monsters/MonsterZombieSmall.mst
TABLE

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
[ "$failures" -eq 0 ]
