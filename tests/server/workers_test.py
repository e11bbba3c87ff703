"""Claims, leases and retries with several worker processes on one database."""
import os
import stat
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Cluster, Failures, Server, arguments, read, submit_headers,  # noqa
                     wait_for, wait_terminal)

args = arguments()
f = Failures()
cluster = Cluster()
tmp = tempfile.mkdtemp(prefix="quorvex-workers-")
memory = ["--set", "verify_memory_mib=0"] if args.sanitized else []


def script(name, body):
    path = os.path.join(tmp, name)
    with open(path, "w") as out:
        out.write("#!/bin/sh\n" + body + "\n")
    os.chmod(path, stat.S_IRWXU)
    return path


def variant(n, *options):
    out = os.path.join(tmp, "v%d.qvr" % n)
    # Another real game each time; edited ones start from the whole committed game.
    game = list(options) or ["--game", str(1000 + n)]
    os.spawnv(os.P_WAIT, args.load, [args.load, "forge", os.path.join(args.replays,
              "bot-seed01.qvr"), out, "--data", args.data] + game)
    return read(out)


def submit(n, *options):
    status, answer = api.json("POST", "/api/v1/runs", variant(n, *options),
                              submit_headers(n, "Player %d" % n))
    assert status == 202, answer
    return answer["id"]


api = Server(args, cluster, "--api-only", "--set", "token_per_minute=0", "--set",
             "address_per_minute=0")

# Two workers share the queue: every run gets exactly one verdict.
a = Server(args, cluster, "--workers-only", "--workers", "1", *memory)
b = Server(args, cluster, "--workers-only", "--workers", "1", *memory)
ids = [submit(n) for n in range(6)]
runs = [wait_terminal(api, i) for i in ids]
f.check(all(r["status"] == "verified" for r in runs), "six runs verified by two workers")
workers = cluster.sql("SELECT string_agg(DISTINCT split_part(verdict_worker, '/', 1), ',') "
                      "FROM runs").split(",")
f.check(len(workers) == 2, "both workers took jobs: %s" % workers)
f.check(cluster.sql("SELECT count(*) FROM jobs") == "0", "no job is left behind")
a.stop()
b.stop()

# A worker killed mid-job: its lease runs out and another worker finishes it.
stuck = Server(args, cluster, "--workers-only", "--workers", "1", "--set", "lease_seconds=2",
               verifier=script("hang", "exec sleep 5"))
held = submit(10)
wait_for(lambda: cluster.sql("SELECT status FROM runs WHERE id = %d" % held) == "verifying", 20,
         "the stuck worker to claim the job")
stuck.kill()
c = Server(args, cluster, "--workers-only", "--workers", "1", *memory)
run = wait_terminal(api, held, 30)
attempts = cluster.sql("SELECT verdict_worker FROM runs WHERE id = %d" % held)
f.check(run["status"] == "verified" and str(c.proc.pid) in attempts,
        "a dead worker's job returns to the queue: %s by %s" % (run["status"], attempts))
c.stop()

# A verifier that keeps crashing: retried, then "verifier failed".
crash = Server(args, cluster, "--workers-only", "--workers", "1", "--set", "verify_retries=2",
               verifier=script("crash", "kill -SEGV $$"))
failing = submit(11)
run = wait_terminal(api, failing, 30)
f.check(run["status"] == "rejected" and run["reason"] == "verifier failed",
        "a crashing verifier: %s after retries" % run["reason"])
crash.stop()

# A replay that plays for far too long is ended by the CPU limit.
limited = Server(args, cluster, "--workers-only", "--workers", "1", "--set",
                 "verify_cpu_seconds=1", *memory)
start = time.time()
run = wait_terminal(api, submit(12, "--repeat", "60"), 60)
f.check(run["status"] == "rejected" and run["reason"].startswith("over the limits"),
        "an hour-long replay: %s in %.1f s" % (run["reason"], time.time() - start))
limited.stop()

api.stop()
cluster.close()
f.exit()
