#!/usr/bin/env bash
# Load figures for docs/SERVER.md, against 127.0.0.1 only, on a throwaway
# cluster. Every step is bounded; the whole run stops by itself.
#   bash scripts/server-load.sh BUILD_DIR [ROWS]   (ROWS synthetic runs, default 1000000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: server-load.sh BUILD_DIR [ROWS]}" && pwd)
rows=${2:-1000000}
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
