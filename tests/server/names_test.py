"""Names that pass for another player's, renames, weak tokens, and rate limits
shared by API processes, against real servers and a throwaway PostgreSQL."""
import hashlib
import http.client
import json
import os
import subprocess
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Cluster, Failures, Server, arguments, read, submit_headers,  # noqa
                     wait_terminal)

args = arguments()
f = Failures()
cluster = Cluster()
tmp = tempfile.mkdtemp(prefix="quorvex-names-")
gen2 = os.path.join(args.replays, "gen2-seed01.qvr")
no_limits = ["--set", "token_per_minute=0", "--set", "address_per_minute=0"]
weak = "A" * 43


def game(n):
    out = os.path.join(tmp, "g%d.qvr" % n)
    subprocess.run([args.load, "forge", gen2, out, "--data", args.data, "--game", str(n)],
                   check=True, timeout=120)
    return read(out)


def post(server, body, n, name, extra=None, bearer=None):
    headers = submit_headers(n, name)
    if bearer:
        headers["Authorization"] = "Bearer " + bearer
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
    try:
        conn.request("POST", "/api/v1/runs", body, dict(headers, **(extra or {})))
        res = conn.getresponse()
        return res.status, json.loads(res.read())
    finally:
        conn.close()


def player(server, name):
    return server.json("GET", "/api/v1/players/" + urllib.parse.quote(name))


server = Server(args, cluster, "--workers", "1", *no_limits)
# Players from before the rules: a name the rules now refuse with a weak
# token, and two names that look alike. They keep both.
for name, secret in (("Old  Timer", weak), ("Paypal", "p1" * 22), ("Paypa1", "p2" * 22)):
    cluster.sql("INSERT INTO players (name, name_key, token_hash, named) VALUES ('%s', '%s', "
                "sha256('%s'::bytea), true)" % (name, name.lower(), secret))
server.stop()
server = Server(args, cluster, "--workers", "1", *no_limits)  # fills the skeletons at start

unsent = game(90)  # refused and taken names store nothing: one file serves them all
# (what, body, token number or token, name, status, code or text in the answer)
cases = [
    ("Alice", game(91), 1, "Alice", 202, "queued"),
    ("Bob Smith", game(92), 2, "Bob Smith", 202, "queued"),
    ("Latin caxop", game(93), 3, "Caxop", 202, "queued"),
    ("Cyrillic A in Alice", unsent, 4, "\u0410lice", 400, "name_not_allowed"),
    ("fullwidth Alice", unsent, 4, "\uff21lice", 409, "another"),
    ("all-Cyrillic look-alike of Caxop", unsent, 4, "\u0441\u0430\u0445\u043e\u0440", 409,
     "another"),
    ("Hangul fillers U+3164", unsent, 4, "\u3164\u3164", 400, "invisible"),
    ("filler U+FFA0", unsent, 4, "Bob\uffa0", 400, "invisible"),
    ("filler U+1160", unsent, 4, "ab\u1160", 400, "invisible"),
    ("filler U+115F", unsent, 4, "\u115fab", 400, "invisible"),
    ("Bob  Smith beside Bob Smith", unsent, 4, "Bob  Smith", 400, "two spaces"),
    ("..", unsent, 4, "..", 400, "letter or a digit"),
    ("...", unsent, 4, "...", 400, "letter or a digit"),
    ("-.-", unsent, 4, "-.-", 400, "letter or a digit"),
    ("a look-alike of two older players", unsent, 4, "PaypaI", 409, "another"),
    ("a weak token", unsent, weak.replace("A", "B"), "Weakling", 400, "weak_token"),
    ("a weak hex token", unsent, "0123456789abcdef" * 4, "Weakling", 400, "weak_token"),
    ("an older player's weak token and name", game(94), weak, "Old  Timer", 202, "queued"),
    ("an older look-alike keeps its name", game(95), "p1" * 22, "Paypal", 202, "queued"),
    ("and so does the other", game(96), "p2" * 22, "Paypa1", 202, "queued"),
]
ids = {}
for what, body, who, name, status, expect in cases:
    got, answer = (post(server, body, who, name) if isinstance(who, int)
                   else post(server, body, 0, name, bearer=who))
    f.check(got == status and expect in json.dumps(answer, ensure_ascii=False),
            "%s: %d %s" % (what, got, answer))
    ids[what] = answer.get("id")
f.check(cluster.sql("SELECT count(*) FROM players WHERE name_skeleton IS NULL") == "1",
        "one of the two older look-alikes has no skeleton")

# Renames: one carried by a verified run, one by a rejected run.
status, sent = post(server, game(97), 1, "Alicia")
forged = os.path.join(tmp, "forged.qvr")
subprocess.run([args.load, "forge", os.path.join(tmp, "g92.qvr"), forged, "--edit-seed", "4242"],
               check=True, timeout=60)
status2, sent2 = post(server, read(forged), 2, "Robert")
f.check(status == 202 and status2 == 202, "renames sent with runs: %d %d" % (status, status2))
# The same game with another score at its end (as a dead body shoved onto a
# bonus leaves the whole file beside the copy cut at the death) is one game.
raised = os.path.join(tmp, "raised.qvr")
subprocess.run([args.load, "forge", os.path.join(tmp, "g97.qvr"), raised, "--score", "999999"],
               check=True, timeout=60)
status3, sent3 = post(server, read(raised), 1, "Alicia")
f.check(status3 == 200 and sent3.get("id") == sent.get("id"),
        "a copy with another final score is the same game: %d %s" % (status3, sent3.get("id")))
f.check(wait_terminal(server, sent["id"])["status"] == "verified", "the renaming run verifies")
f.check(wait_terminal(server, sent2["id"])["status"] == "rejected", "the forged run is rejected")
f.check(player(server, "alicia")[0] == 200 and player(server, "alice")[0] == 404,
        "a verified run's rename takes effect")
f.check(player(server, "Bob Smith")[0] == 200 and player(server, "robert")[0] == 404,
        "a rejected run's rename does not")
got, answer = post(server, game(98), 5, "Alice")
f.check(got == 409, "the old name stays reserved for its owner: %d %s" % (got, answer))
got, answer = post(server, game(99), 1, "Alice")
f.check(got == 202 and player(server, "Alicia")[1].get("player") in ("Alicia", "Alice"),
        "its owner may take it back: %d" % got)
server.stop()

# Rate limits shared by two API processes on one database, by address.
limited = ["--api-only", "--set", "token_per_minute=0", "--set", "address_per_minute=1",
           "--set", "address_burst=2"]
first = Server(args, cluster, *limited, "--set", "trusted_proxies=127.0.0.1, ::1")
second = Server(args, cluster, *limited)
codes = [post(s, b"junk", 10 + i, "Eve")[0] for i, s in enumerate((first, second, second))]
f.check(codes == [400, 400, 429], "the limit holds across two API processes: %s" % codes)
# A fresh start: each process remembers whom it refused until their wait ends.
cluster.sql("DELETE FROM rate_buckets")
second.stop()
second = Server(args, cluster, *limited)
forwarded = [("10.0.0.1", first), ("10.0.0.1", first), ("10.0.0.2", first),
             ("7.7.7.7, 10.0.0.1", first), ("10.0.0.3", second), ("10.0.0.4", second),
             ("10.0.0.5", second)]
codes = [post(s, b"junk", 20 + i, "Eve", {"X-Forwarded-For": xff})[0]
         for i, (xff, s) in enumerate(forwarded)]
f.check(codes == [400, 400, 400, 429, 400, 400, 429],
        "X-Forwarded-For used from a trusted proxy, ignored from others: %s" % codes)
first.stop()
second.stop()
cluster.close()
f.exit()
