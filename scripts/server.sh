#!/usr/bin/env bash
# A local leaderboard server in one command.
#   bash scripts/server.sh [--port N] [--no-web]   install, build, start (or reuse) and print
#                                                  the address
#   bash scripts/server.sh stop                    stop the server and its PostgreSQL cluster
# The cluster lives in build-server/cluster, on a Unix socket only. The browser game is built
# once into build-web/site (scripts/web.sh) and served at /play; --no-web serves without it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-server
state=$build/cluster
pg=/usr/lib/postgresql/15/bin
port=8080
web=1
site=$root/build-web/site

as_pg() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
    if [ -f "$build/server.pid" ] && kill -0 "$(cat "$build/server.pid")" 2>/dev/null; then
        pid=$(cat "$build/server.pid")
        kill "$pid"
        # It gives back the runs it was verifying; PostgreSQL must still be up then.
        for _ in $(seq 150); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.2
        done
        if kill -0 "$pid" 2>/dev/null; then
            kill -KILL "$pid" 2>/dev/null || true
            echo "server did not stop in 30 s; killed (a restart takes up its runs)"
        fi
        echo "server stopped"
    fi
    rm -f "$build/server.pid"
    if [ -f "$state/data/postmaster.pid" ]; then
        as_pg "$pg/pg_ctl" -D "$state/data" -m fast -w stop >/dev/null
        echo "PostgreSQL stopped"
    fi
}

usage() {
    echo "usage: bash scripts/server.sh [--port N] [--no-web] | stop" >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case "$1" in
    stop)
        stop
        exit 0
        ;;
    --port)
        [ $# -ge 2 ] || usage
        port=$2
        shift
        ;;
    --no-web) web=0 ;;
    *) usage ;;
    esac
    shift
done

bash "$root/scripts/deps.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=OFF \
    -DQUORVEX_BENCH=OFF -DQUORVEX_TOOLS=OFF "${launcher[@]}" >/dev/null
ninja -C "$build" quorvex-server quorvex-verify

mkdir -p "$state"
if [ ! -f "$state/data/PG_VERSION" ]; then
    [ "$(id -u)" -eq 0 ] && chown postgres "$state"
    as_pg "$pg/initdb" -D "$state/data" -A trust -U quorvex >/dev/null
fi
if ! as_pg "$pg/pg_ctl" -D "$state/data" status >/dev/null 2>&1; then
    as_pg "$pg/pg_ctl" -D "$state/data" -o "-k $state -c listen_addresses=''" \
        -l "$state/log" -w start >/dev/null
fi
conninfo="host=$state user=quorvex dbname=postgres"

# The browser game: built once, when it is missing.
web_args=()
if [ "$web" -eq 1 ]; then
    if [ ! -f "$site/index.html" ]; then
        if [ -f "$root/scripts/web.sh" ]; then
            echo "building the browser game once (scripts/web.sh; --no-web skips it)"
            bash "$root/scripts/web.sh" || echo "the browser game did not build; serving without it" >&2
        else
            echo "scripts/web.sh is not here: serving without the browser game" >&2
        fi
    fi
    if [ -f "$site/index.html" ]; then
        web_args=(--web "$site")
    fi
fi

if [ -f "$build/server.pid" ] && kill -0 "$(cat "$build/server.pid")" 2>/dev/null; then
    echo "already running: $(tail -n 1 "$build/server.log" | grep -o 'http://[^ ]*' || true)"
    exit 0
fi
nohup "$build/quorvex-server" --db "$conninfo" --listen "127.0.0.1:$port" --workers 2 \
    --data "$root/data" "${web_args[@]}" >"$build/server.log" 2>&1 &
echo $! >"$build/server.pid"
for _ in $(seq 50); do
    if grep -q "serving" "$build/server.log"; then
        echo "Quorvex leaderboard: http://127.0.0.1:$port/ (log: $build/server.log)"
        [ ${#web_args[@]} -gt 0 ] && echo "the game in the browser: http://127.0.0.1:$port/play"
        echo "database: $conninfo"
        exit 0
    fi
    kill -0 "$(cat "$build/server.pid")" 2>/dev/null || break
    sleep 0.2
done
cat "$build/server.log" >&2
exit 1
