"""Attacks on runs: copied and stolen games, games that were not played,
settings out of range, a verifier killed from outside, costly replays from
one address while another player waits, and a server killed mid-job."""
import http.client
import json
import os
import signal
import stat
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Cluster, Failures, Server, arguments, read, submit_headers,  # noqa
                     wait_for, wait_terminal)

args = arguments()
f = Failures()
cluster = Cluster()
tmp = tempfile.mkdtemp(prefix="quorvex-attack-")
memory = ["--set", "verify_memory_mib=0"] if args.sanitized else []
no_limits = ["--set", "token_per_minute=0", "--set", "address_per_minute=0"]
gen2 = os.path.join(args.replays, "gen2-seed01.qvr")
gen1 = os.path.join(args.replays, "bot-seed01.qvr")


def forge(name, source, *options):
    out = os.path.join(tmp, name)
    subprocess.run([args.load, "forge", source, out, "--data", args.data] + list(options),
                   check=True, timeout=120)
    return read(out)


def post(server, body, n, name, source="127.0.0.1"):
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30,
                                      source_address=(source, 0))
    try:
        conn.request("POST", "/api/v1/runs", body, submit_headers(n, name))
        res = conn.getresponse()
        return res.status, json.loads(res.read())
    finally:
        conn.close()


def script(name, body):
    path = os.path.join(tmp, name)
    with open(path, "w") as out:
        out.write("#!/bin/sh\n" + body + "\n")
    os.chmod(path, stat.S_IRWXU)
    return path


server = Server(args, cluster, "--workers", "2", *no_limits, *memory)

# Refused at submission, each with its code: (what, file, status, code).
refusals = [
    ("a game of no frames", forge("zero.qvr", gen2, "--frames", "0"), 422, "not_a_played_game"),
    ("no frames on board -1", forge("neg.qvr", gen2, "--frames", "0", "--acceleration", "-1"),
     422, "settings_out_of_range"),
    ("no frames on board 1e+38", forge("huge.qvr", gen2, "--frames", "0", "--acceleration",
     "1e38"), 422, "settings_out_of_range"),
    ("an acceleration no option allows", forge("fast.qvr", gen2, "--acceleration", "0.5"), 422,
     "settings_out_of_range"),
    ("a newest-version game that did not end in death",
     forge("alive.qvr", gen2, "--frames", "300", "--game", "7"), 422, "not_a_played_game"),
    ("frames of no length beyond its time", forge("pad.qvr", gen1, "--pad-frames", "200000"),
     422, "not_a_played_game"),
]
for what, body, status, code in refusals:
    got, answer = post(server, body, 1, "Alice")
    f.check(got == status and answer.get("code") == code and answer.get("reason"),
            "%s: %d %s" % (what, got, answer))
boards = [b["board"] for b in server.json("GET", "/api/v1/boards")[1]["boards"]]
f.check(not any(b.split("-")[1] in ("-1", "1e+38", "0.5") for b in boards if "-" in b),
        "no board from refused games: %s" % boards)

# An older game that did not end in death is verified, then not ranked.
status, sent = post(server, forge("alive1.qvr", gen1, "--frames", "300", "--game", "3"), 1,
                    "Alice")
run = wait_terminal(server, sent["id"]) if status == 202 else {}
f.check(run.get("status") == "rejected" and run.get("code") == "not_a_played_game",
        "an older game that did not end in death: %s" % run.get("reason", sent))

# The copied and the stolen run: a game is its first sender's.
status, first = post(server, read(gen2), 1, "Alice")
copy = forge("copy.qvr", gen2, "--end-time", "12345")
ownership = [
    ("a copy with another end time", copy, 2, "Bob", 422, "Alice"),
    ("the author again, another file", copy, 1, "Alice", 200, None),
    ("the author again, the same file", read(gen2), 1, "Alice", 200, None),
]
stolen = read(os.path.join(args.replays, "gen2-seed03.qvr"))
post(server, stolen, 3, "Mallory")
ownership.append(("the author of a file someone sent first", stolen, 4, "Carol", 422, "Mallory"))
for what, body, n, name, status, owner in ownership:
    got, answer = post(server, body, n, name)
    ok = got == status and (answer.get("code") == "game_taken" and owner in answer["reason"]
                            if owner else answer.get("id") == first["id"])
    f.check(ok, "%s: %d %s" % (what, got, answer))
server.stop()

# Verifiers killed from outside (out of memory, a restart) are retried.
marker = os.path.join(tmp, "killed-once")
# (The server's own question at start, --rules, is let through: the kill
# must land on a verification.)
killed = script("killed", 'if [ "$1" != --rules ] && [ ! -e %s ]; then touch %s; kill -KILL $$; fi\n'
                'exec %s "$@"' % (marker, marker, args.verifier))
# Jobs the cases above left queued are dropped, so that the kill lands on
# this game's verification.
cluster.sql("DELETE FROM jobs")
api = Server(args, cluster, "--api-only", *no_limits)
worker = Server(args, cluster, "--workers-only", "--workers", "1", *memory, verifier=killed)
status, sent = post(api, forge("g11.qvr", gen2, "--game", "11"), 5, "Dora")
run = wait_terminal(api, sent["id"], 60)
f.check(run["status"] == "verified", "a killed verifier is retried, then verifies: %s %s"
        % (run["status"], run["reason"]))
worker.stop()

# A server killed mid-job takes its verifier with it and leaves no files.
pids = os.path.join(tmp, "pids")
hang = script("hang", "echo $$ >> %s\nexec sleep 60" % pids)
os.environ["TMPDIR"] = os.path.join(tmp, "scratch")
os.makedirs(os.environ["TMPDIR"])
doomed = Server(args, cluster, "--workers-only", "--workers", "1", verifier=hang)
status, sent = post(api, forge("g12.qvr", gen2, "--game", "12"), 6, "Erin")
wait_for(lambda: os.path.exists(pids), 20, "the verifier to start")
child = int(open(pids).read().split()[0])
doomed.kill()


def gone():
    try:
        os.kill(child, 0)
        return False
    except ProcessLookupError:
        return True


wait_for(gone, 10, "the orphaned verifier to end")
f.check(gone() and not os.listdir(os.environ["TMPDIR"]),
        "a killed server leaves no verifier and no files: %s" % os.listdir(os.environ["TMPDIR"]))

# Four costly replays from one address, honest games from another: with two
# workers the honest verdicts stay on time.
workers = Server(args, cluster, "--workers-only", "--workers", "2", *memory)
for k in range(4):
    costly = forge("costly%d.qvr" % k, gen1, "--game", str(40 + k), "--repeat", "120")
    post(api, costly, 7, "Mallory", source="127.0.0.2")
waits = []
honest = ["bot-seed01", "bot-seed02", "bot-seed04", "bot-seed18", "gen2-seed04", "gen2-seed07"]
for k, game in enumerate(honest):  # 80-second games
    sent_at = time.time()
    status, sent = post(api, read(os.path.join(args.replays, game + ".qvr")), 8, "Frank")
    run = wait_terminal(api, sent["id"], 120)
    waits.append(time.time() - sent_at)
waits.sort()
p95 = waits[int(0.95 * len(waits))] if len(waits) > 1 else waits[0]
f.check(p95 < 5, "honest verdicts while costly replays wait: p95 %.2f s (%s)"
        % (p95, ", ".join("%.2f" % w for w in waits)))
costly_runs = cluster.sql("SELECT string_agg(status || ':' || code, ',') FROM runs r "
                          "JOIN players p ON p.id = r.player_id WHERE p.name = 'Mallory' "
                          "AND r.status <> 'queued' AND r.status <> 'verifying'")
print("costly replays so far: %s" % costly_runs)
workers.stop()
api.stop()
cluster.close()
f.exit()
