#!/usr/bin/env bash
# Load figures for docs/SERVER.md, against 127.0.0.1 only, on a throwaway
# cluster. Every step is bounded; the whole run stops by itself.
#   bash scripts/server-load.sh BUILD_DIR [ROWS]         (ROWS synthetic runs, default 1000000)
#   bash scripts/server-load.sh BUILD_DIR ROWS audit     the second audit's figures only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: server-load.sh BUILD_DIR [ROWS]}" && pwd)
rows=${2:-1000000}
only=${3:-}
pg=/usr/lib/postgresql/15/bin
dir=$(mktemp -d /tmp/quorvex-load-XXXXXX)
as_pg() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
[ "$(id -u)" -eq 0 ] && chown postgres "$dir"
as_pg "$pg/initdb" -D "$dir/data" -A trust -U quorvex >/dev/null
as_pg "$pg/pg_ctl" -D "$dir/data" -o "-k $dir -c listen_addresses=''" -l "$dir/log" -w start >/dev/null
db="host=$dir user=quorvex dbname=postgres"
port=18123
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    as_pg "$pg/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap cleanup EXIT
serve() {
    "$build/quorvex-server" --db "$db" --data "$root/data" --set token_per_minute=0 \
        --set address_per_minute=0 "$@" >>"$dir/server.log" 2>&1 &
    pids+=($!)
    sleep 1.5
}
load="$build/quorvex-load"
replay=$root/tests/replays/bot-seed01.qvr

# The second audit: junk boards beside a large default board, deep reads,
# slow uploads from more addresses than there are slots, a slow reader.
audit() {
    "$build/quorvex-server" --db "$db" --data "$root/data" --workers 1 \
        --listen 127.0.0.1:$port >>"$dir/server.log" 2>&1 &
    pids+=($!)
    sleep 2
    local default last name
    default=$(curl -s http://127.0.0.1:$port/api/v1/boards |
        python3 -c 'import json,sys; print(json.load(sys.stdin)["default"])')
    echo "# $rows synthetic runs on $default"
    start=$(date +%s)
    "$pg/psql" "$db" -q -v ON_ERROR_STOP=1 -v board="$default" -v count="$rows" \
        -v prefix="synthetic " -f "$root/server/loadtest/synthetic.sql"
    echo "{\"synthetic_rows\":$rows,\"seconds\":$(($(date +%s) - start))}"
    last=$("$pg/psql" "$db" -At -c "SELECT max(id) FROM runs")
    name=$("$pg/psql" "$db" -At -c "SELECT replace(name, ' ', '%20') FROM players
                                      WHERE id = (SELECT max(id) FROM players)")
    reads() {
        timeout 300 "$load" board --port $port --count 300 --path / --path /api/v1/boards \
            --path "/api/v1/runs/$last" --path "/api/v1/players/$name" \
            --path "/?offset=10000" --path "/api/v1/boards/default?offset=10000&limit=100"
    }
    echo "# reads"
    reads
    echo "# 50 submissions of made-up rule data from one address"
    for i in $(seq 1 50); do
        "$load" forge "$root/tests/replays/gen2-seed01.qvr" "$dir/junk$i.qvr" --data "$root/data" \
            --fingerprint "$(printf '%016x' $((0x1000000000000000 + i)))" >/dev/null
        curl -s -o /dev/null -w '%{http_code} ' -X POST http://127.0.0.1:$port/api/v1/runs \
            -H "Authorization: Bearer $(openssl rand -hex 32)" -H "X-Quorvex-Name: Junk$i" \
            -H "Content-Type: application/octet-stream" --data-binary @"$dir/junk$i.qvr"
    done
    echo
    sleep 5
    "$pg/psql" "$db" -At -c "SELECT 'boards: ' || count(*) || ' rows, ' ||
                                    count(*) FILTER (WHERE shown) || ' shown' FROM boards"
    curl -s http://127.0.0.1:$port/api/v1/boards |
        python3 -c 'import json,sys; print("listed:", [b["board"] for b in json.load(sys.stdin)["boards"]])'
    echo "# reads after"
    reads
    kill "${pids[@]}" 2>/dev/null || true
    sleep 2
    echo "# 17 addresses x 64 slow uploads for 40 s, default settings"
    "$build/quorvex-server" --db "$db" --data "$root/data" --workers 0 \
        --listen 127.0.0.1:$port >>"$dir/server.log" 2>&1 &
    pids+=($!)
    sleep 2
    timeout 120 "$load" slowbody --port $port --connections 1088 --per-source 64 --interval 8 \
        --seconds 40 --probe /api/v1/daily || true
    kill "${pids[@]}" 2>/dev/null || true
    sleep 2
    echo "# a reader at 180 kB/s of an 8.66 MB file, default settings"
    mkdir -p "$dir/site"
    echo '<!doctype html><title>Quorvex</title>' >"$dir/site/index.html"
    cp "$dir/site/index.html" "$dir/site/watch.html"
    head -c 8660000 /dev/urandom >"$dir/site/quorvex.0123456789abcdef.data"
    "$build/quorvex-server" --db "$db" --data "$root/data" --workers 0 --web "$dir/site" \
        --listen 127.0.0.1:$port >>"$dir/server.log" 2>&1 &
    pids+=($!)
    sleep 2
    timeout 120 "$load" read --port $port --probe /play/quorvex.0123456789abcdef.data \
        --rate 175.8 --seconds 100 || true
}
if [ "$only" = audit ]; then
    audit
    exit 0
fi

echo "# submissions, workers paused"
serve --api-only --listen 127.0.0.1:$port
timeout 300 "$load" submit --port $port --data "$root/data" --replay "$replay" --count 6000 \
    --threads 16 --players 500

echo "# submissions with the shared rate limits on (set high) while 200 connections drip"
"$build/quorvex-server" --db "$db" --data "$root/data" --api-only --listen 127.0.0.1:$((port + 1)) \
    --set token_per_minute=600000 --set token_burst=100000 --set address_per_minute=6000000 \
    --set address_burst=1000000 >>"$dir/server.log" 2>&1 &
pids+=($!)
sleep 1.5
"$pg/psql" "$db" -qc "DELETE FROM players"
timeout 120 "$load" drip --port $((port + 1)) --connections 200 --interval 1 --seconds 40 &
drip=$!
sleep 2
timeout 120 "$load" submit --port $((port + 1)) --data "$root/data" --replay "$replay" \
    --count 6000 --threads 16 --players 500
wait $drip || true

echo "# submission to verdict, one worker, one game a second"
# The previous step's runs would keep the worker busy for an hour: drop them.
"$pg/psql" "$db" -qc "DELETE FROM players"
"$build/quorvex-server" --db "$db" --data "$root/data" --workers-only --workers 1 \
    >>"$dir/server.log" 2>&1 &
pids+=($!)
timeout 200 "$load" verdicts --port $port --data "$root/data" --replay "$root"/tests/replays/*.qvr --count 60 \
    --per-second 1 --players 20

echo "# board reads with $rows synthetic runs"
start=$(date +%s)
"$pg/psql" "$db" -q -v ON_ERROR_STOP=1 -v board=ae7632e4135950c8-0.003 -v count="$rows" \
    -v prefix="synthetic " -f "$root/server/loadtest/synthetic.sql"
echo "{\"synthetic_rows\":$rows,\"seconds\":$(($(date +%s) - start))}"
timeout 120 "$load" board --port $port --board ae7632e4135950c8-0.003 --count 500
