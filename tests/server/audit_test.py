"""The second audit's attacks: look-alikes by a change of case, junk boards and
dailies, names claimed by runs that never verify, refused clients' rows,
proxies' hops, framing, slow uploads and downloads, and a restart mid-job."""
import http.client
import json
import os
import socket
import stat
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Cluster, Failures, Server, arguments, read, submit_headers,  # noqa
                     wait_for, wait_terminal)

args = arguments()
f = Failures()
cluster = Cluster()
tmp = tempfile.mkdtemp(prefix="quorvex-audit-")
gen2 = os.path.join(args.replays, "gen2-seed01.qvr")
open_limits = ["--set", "token_per_minute=0", "--set", "address_per_minute=0"]
junk_fp = "0123456789abcdef"


def forge(name, *options, source=gen2):
    out = os.path.join(tmp, name)
    subprocess.run([args.load, "forge", source, out, "--data", args.data] + list(options),
                   check=True, timeout=120)
    return read(out)


def post(server, body, n, name, extra=None):
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
    try:
        conn.request("POST", "/api/v1/runs", body, dict(submit_headers(n, name), **(extra or {})))
        res = conn.getresponse()
        return res.status, json.loads(res.read())
    finally:
        conn.close()


def shown_name(server, key):
    return server.json("GET", "/api/v1/players/" + urllib.parse.quote(key))[1].get("player")


server = Server(args, cluster, "--workers", "2", "--set", "clock=2026-12-10T12:00:00Z",
                *open_limits)
# Players whose names others will try to pass for; Alice renames to Alicia
# and her old name is reserved.
game = iter(range(200, 300))
for n, name in [(1, "Lily"), (2, "liiy"), (3, "TOM"), (4, "\u0442\u043e\u043c"), (5, "Alice"),
                (6, "aiice"), (5, "Alicia")]:
    status, sent = post(server, forge("p%d%s.qvr" % (n, name.encode().hex()), "--game",
                                      str(next(game))), n, name)
    run = wait_terminal(server, sent["id"]) if status == 202 else {}
    f.check(run.get("status") == "verified", "%s plays a verified game: %s" % (name, run.get("status")))

# A change of case is a rename like any other: (what, token, name sent).
for what, n, name in [
    ("a capital i makes liiy pass for Lily", 2, "LiIy"),
    ("Cyrillic capitals make \u0442\u043e\u043c pass for TOM", 4, "\u0422\u041e\u041c"),
    ("a capital i takes Alice's reserved name", 6, "AIice"),
]:
    status, answer = post(server, forge("case%d.qvr" % n, "--game", str(next(game))), n, name)
    f.check(status == 409, "%s: %d %s" % (what, status, answer))
f.check(shown_name(server, "liiy") == "liiy" and shown_name(server, "lily") == "Lily",
        "the board still shows liiy and Lily: %s, %s" % (shown_name(server, "liiy"),
                                                         shown_name(server, "lily")))


def ranks_agree():
    board = server.json("GET", "/api/v1/runs/1")[1]["board"]
    entries = server.json("GET", "/api/v1/boards/" + board)[1]["entries"]
    return entries and all(server.json("GET", "/api/v1/runs/%d" % e["run"])[1]["rank"] == e["rank"]
                           for e in entries)


# Ranks from the counts agree with the board's order, before and after a
# player leaves.
f.check(ranks_agree(), "each run's rank is its place on the board")
server.request("DELETE", "/api/v1/players/me", headers=submit_headers(3, "TOM"))
f.check(ranks_agree(), "and still after a player deleted themselves")
# Punctuation and spaces say nothing of who a name is.
for name in ["Lily.", "Li ly", "Li-ly", ".Lily", "L_ily"]:
    status, answer = post(server, forge("punct.qvr", "--game", "299"), 7, name)
    f.check(status == 409, "%r beside Lily: %d %s" % (name, status, answer))

# Files that can never verify: (what, file, status, code); none makes a board.
status, today = server.json("GET", "/api/v1/daily")
seed = today.get("seed", 0)
junk = [
    ("made-up rule data", forge("junk.qvr", "--fingerprint", junk_fp), 202, None),
    ("a daily of made-up rule data",
     forge("junkdaily.qvr", "--acceleration", "0.003", "--seed", str(seed), "--day", "20261210",
           "--fingerprint", junk_fp), 422, "daily_wrong_rules"),
    ("an acceleration a hair off Normal",
     forge("hair.qvr", "--acceleration", "0.0030001", "--game", "298"), 422,
     "difficulty_not_ranked"),
]
for what, body, want, code in junk:
    status, answer = post(server, body, 8, "Ghost")
    f.check(status == want and answer.get("code") == code, "%s: %d %s" % (what, status, answer))
    if status == 202:
        run = wait_terminal(server, answer["id"])
        f.check(run["status"] == "rejected", "%s is rejected: %s" % (what, run["reason"]))
boards = [b["board"] for b in server.json("GET", "/api/v1/boards")[1]["boards"]]
f.check(not any(junk_fp in b or "0.0030001" in b for b in boards), "no junk board: %s" % boards)
status, _, _ = server.request("GET", "/api/v1/boards/%s-0.01-g2" % junk_fp)
f.check(status == 404, "the junk board's page is not there: %d" % status)
status, body, _ = server.request("GET", "/daily/2026-12-10")
f.check(junk_fp not in body.decode(), "the day's page knows one board")
# The rejected run claimed its name only while it waited.
status, answer = post(server, forge("ghost.qvr", "--game", "297"), 9, "Ghost")
f.check(status == 202, "a name whose first run was rejected is free: %d %s" % (status, answer))
server.stop()

# Refused clients are counted without a row each; proxies' hops may carry a
# port, and IPv6 clients count by their /64.
limited = ["--api-only", "--set", "token_per_minute=60", "--set", "address_per_minute=1",
           "--set", "address_burst=1", "--set", "trusted_proxies=127.0.0.1"]
server = Server(args, cluster, *limited)
cluster.sql("DELETE FROM rate_buckets")
codes = [post(server, b"junk", 100 + i, "Eve", {"X-Forwarded-For": "10.9.9.9"})[0]
         for i in range(40)]
rows = int(cluster.sql("SELECT count(*) FROM rate_buckets"))
f.check(codes.count(429) == 39 and rows <= 3, "40 from one address: %d refused, %d rows"
        % (codes.count(429), rows))
for what, hops, want in [
    ("hops with ports", ["10.1.1.1:5000", "10.1.1.2:6000", "10.1.1.1:7000"], [400, 400, 429]),
    ("IPv6 hops with brackets and ports", ["[2001:db8:5::1]:443", "2001:db8:6::1"], [400, 400]),
    ("one IPv6 /64", ["2001:db8::1", "2001:db8::2", "2001:db8:0:1::1"], [400, 429, 400]),
]:
    got = [post(server, b"junk", 200, "Eve", {"X-Forwarded-For": hop})[0] for hop in hops]
    f.check(got == want, "%s: %s" % (what, got))
server.stop()


# Framing: refused at once, with the headers every answer has.
def exchange(port, raw, seconds=3):
    with socket.create_connection(("127.0.0.1", port), timeout=seconds) as s:
        try:
            s.sendall(raw)
            return s.recv(65536).decode(errors="replace")
        except OSError:
            return ""


server = Server(args, cluster, "--workers", "0", *open_limits)
head = b"POST /api/v1/runs HTTP/1.1\r\nHost: x\r\n"
for what, raw, want in [
    ("two Transfer-Encoding", head + b"Transfer-Encoding: chunked\r\n" * 2 + b"\r\n0\r\n\r\n",
     " 400 "),
    ("xchunked", head + b"Transfer-Encoding: xchunked\r\n\r\n", " 501 "),
    ("gzip, chunked", head + b"Transfer-Encoding: gzip, chunked\r\n\r\n", " 501 "),
    ("a space before the colon", head + b"Content-Length : 5\r\n\r\nabcde", " 400 "),
]:
    answer = exchange(server.port, raw)
    f.check(answer.split("\r\n")[0].find(want) > 0 and "nosniff" in answer
            and "default-src 'none'" in answer, "%s: %r" % (what, answer[:80]))
server.stop()


def load(port, *options, seconds=90):
    out = subprocess.run([args.load, *options, "--port", str(port)], capture_output=True,
                         text=True, timeout=seconds)
    return json.loads(out.stdout.strip().splitlines()[-1])


# Slow uploads from more addresses than there are slots; the API answers.
server = Server(args, cluster, "--workers", "0", "--set", "connection_limit=96", "--set",
                "connections_per_address=16")
r = load(server.port, "slowbody", "--connections", "112", "--per-source", "16", "--interval",
         "4", "--seconds", "12", "--probe", "/api/v1/daily")
f.check(r["requests"] > 20 and r["failed"] <= r["requests"] // 10,
        "112 slow uploads for 96 slots: %s" % r)
server.stop()

# A download that keeps moving is not cut however long it takes.
site = os.path.join(tmp, "site")
os.makedirs(site)
for page in ("index.html", "watch.html"):
    with open(os.path.join(site, page), "w") as out:
        out.write("<!doctype html><title>Quorvex</title>")
with open(os.path.join(site, "game.0123456789abcdef.data"), "wb") as out:
    out.write(os.urandom(16 << 20))  # more than the sockets' buffers hold
server = Server(args, cluster, "--workers", "0", "--web", site, "--set", "request_seconds=2")
r = load(server.port, "read", "--probe", "/play/game.0123456789abcdef.data", "--rate", "800",
         "--seconds", "40")
f.check(r["whole"], "16 MiB read at 800 KiB/s, past the request's deadline: %s" % r)
server.stop()


# A server stopped mid-verification: the next one takes its runs up at once.
def script(name, body):
    path = os.path.join(tmp, name)
    with open(path, "w") as out:
        out.write("#!/bin/sh\n" + body + "\n")
    os.chmod(path, stat.S_IRWXU)
    return path


hang = script("hang", 'if [ "$1" = --rules ]; then exec %s "$@"; fi\nexec sleep 60'
              % args.verifier)
cluster.sql("DELETE FROM jobs")
doomed = Server(args, cluster, "--workers", "1", *open_limits, verifier=hang)
status, sent = post(doomed, forge("restart.qvr", "--game", "296"), 10, "Restart")
wait_for(lambda: doomed.json("GET", "/api/v1/runs/%d" % sent["id"])[1]["status"] == "verifying",
         20, "the run to be verifying")
doomed.kill()
started = time.time()
server = Server(args, cluster, "--workers", "1", *open_limits)

def verified():
    return server.json("GET", "/api/v1/runs/%d" % sent["id"])[1]["status"] == "verified"


while not verified() and time.time() - started < 20:
    time.sleep(0.2)
f.check(verified(), "a run verifying at a restart verified %.1f s after it"
        % (time.time() - started))

# Rejected files are kept a while, their verdicts for good.
server.stop()
server = Server(args, cluster, "--workers", "1", *open_limits, "--set", "rejected_days=0")
status, sent = post(server, forge("junk2.qvr", "--fingerprint", junk_fp, "--game", "295"), 11,
                    "Dropped")
wait_terminal(server, sent["id"])
wait_for(lambda: server.request("GET", "/api/v1/runs/%d/replay" % sent["id"])[0] == 410, 30,
         "the rejected file to go")
f.check(server.json("GET", "/api/v1/runs/%d" % sent["id"])[1]["status"] == "rejected",
        "a rejected run's file goes; its verdict stays")
server.stop()
cluster.close()
f.exit()
