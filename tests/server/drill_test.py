"""The fault drill: while submissions pour in, kill -9 the API and a worker
and restart PostgreSQL. The load tool resubmits whatever was refused or cut
off; afterwards every run answered 202 or 200 has exactly one verdict and no
replay is stored twice."""
import argparse
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa
from harness import Cluster, Failures, Server, wait_for  # noqa

extra = argparse.ArgumentParser()
extra.add_argument("--count", type=int, default=150)
extra.add_argument("--frames", type=int, default=120)
extra.add_argument("--per-second", type=float, default=40)
mine, rest = extra.parse_known_args()
sys.argv = sys.argv[:1] + rest
args = harness.arguments()
f = Failures()
cluster = Cluster()
tmp = tempfile.mkdtemp(prefix="quorvex-drill-")
short = os.path.join(tmp, "short.qvr")
subprocess.run([args.load, "forge", os.path.join(args.replays, "bot-seed01.qvr"), short,
                "--frames", str(mine.frames)], check=True)
memory = ["--set", "verify_memory_mib=0"] if args.sanitized else []
# Short leases, so the killed worker's job comes back within the drill.
memory += ["--set", "lease_seconds=6", "--set", "verify_wall_seconds=5"]
no_limits = ["--set", "token_per_minute=0", "--set", "address_per_minute=0"]
api = Server(args, cluster, "--api-only", *no_limits)
port = api.port
worker = Server(args, cluster, "--workers-only", "--workers", "1", *memory)
ledger = os.path.join(tmp, "ledger")
start = time.time()
load = subprocess.Popen([args.load, "drill", "--port", str(port), "--data", args.data,
                         "--replay", short, "--count",
                         str(mine.count), "--threads", "8", "--per-second", str(mine.per_second), "--ledger", ledger, "--seconds",
                         "600"], stdout=subprocess.PIPE, text=True)


def answered():
    try:
        with open(ledger) as lines:
            return sum(1 for _ in lines)
    except OSError:
        return 0


def reach(fraction):
    wait_for(lambda: answered() >= mine.count * fraction or load.poll() is not None, 600,
             "%d%% of the submissions" % (fraction * 100))


reach(0.25)
api.kill()
print("killed the API at %d answers" % answered(), flush=True)
time.sleep(0.5)
api = Server(args, cluster, "--api-only", *no_limits, port=port)
reach(0.5)
worker.kill()
print("killed a worker at %d answers" % answered(), flush=True)
worker = Server(args, cluster, "--workers-only", "--workers", "2", *memory)
reach(0.75)
cluster.stop("immediate")
print("PostgreSQL stopped hard at %d answers" % answered(), flush=True)
time.sleep(1)
cluster.start()
summary = load.communicate(timeout=600)[0].strip()
print(summary + " in %.1f s" % (time.time() - start))
f.check(load.returncode == 0, "the load tool got an answer for every submission")

with open(ledger) as lines:
    entries = [line.split() for line in lines]
ids = sorted({int(e[2]) for e in entries})
f.check(len(entries) == mine.count and len(ids) == mine.count,
        "%d submissions, %d answered, %d distinct runs" % (mine.count, len(entries), len(ids)))
wait_for(lambda: cluster.sql("SELECT count(*) FROM runs WHERE status IN ('queued', 'verifying')")
         == "0", max(600, mine.count * 0.25), "every verdict")
rows = cluster.sql("SELECT count(*), count(DISTINCT sha256), "
                   "count(*) FILTER (WHERE status IN ('verified', 'rejected') "
                   "AND verdict_at IS NOT NULL) FROM runs").split("|")
f.check(rows[0] == rows[1] == rows[2] == str(mine.count),
        "stored once each, each with one verdict: %s" % rows)
known = set(int(x) for x in cluster.sql("SELECT string_agg(id::text, ',') FROM runs").split(","))
f.check(set(ids) <= known, "every answered id is a stored run")
f.check(cluster.sql("SELECT count(*) FROM jobs") == "0", "the queue is empty")
print("verdicts: " + cluster.sql("SELECT string_agg(status || ' ' || n, ', ') FROM (SELECT "
                                 "status, count(*) n FROM runs GROUP BY status) s"))
print("drill done in %.1f s" % (time.time() - start))
api.stop()
worker.stop()
cluster.close()
f.exit()
