"""Boards by rules generation, on a database that held a leaderboard before
generations: its boards and runs stay generation 1 with their keys and ranks,
new files go to their generation's board, the pages name the older boards,
and workers follow what the verifier reports (including "not on this
platform", which leaves the run queued)."""
import json
import os
import stat
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(__file__))
from harness import (PG_BIN, Cluster, Failures, Server, arguments, read, submit_headers,  # noqa
                     wait_for, wait_terminal)

args = arguments()
f = Failures()
tmp = tempfile.mkdtemp(prefix="quorvex-generations-")
memory = ["--set", "verify_memory_mib=0"] if args.sanitized else []
migrations = os.path.join(os.path.dirname(__file__), "../../server/db/migrations")
CLASSIC = "Classic"
replays = sorted(os.path.join(args.replays, n) for n in os.listdir(args.replays)
                 if n.endswith(".qvr"))


def version_of(path):
    return int.from_bytes(read(path)[4:8], "little")


old_replays = [p for p in replays if version_of(p) in (1, 2)]
# The committed generation-2 bot games (tests/replays/gen2-*.qvr).
new_replays = [p for p in replays if version_of(p) == 3]
assert new_replays, "no generation-2 replay committed"



def verifier_json(*options):
    out = subprocess.run([args.verifier, "--json", "--data", args.data] + list(options),
                         capture_output=True, text=True, timeout=60)
    return json.loads(out.stdout.splitlines()[0])


def variant(source, n):
    """Another real game from the same inputs: another run, the same kind of verdict."""
    out = os.path.join(tmp, "v%d.qvr" % n)
    subprocess.run([args.load, "forge", source, out, "--data", args.data, "--game",
                    str(2000 + n)], check=True)
    return read(out)


def script(name, line, code):
    """A stand-in verifier answering `line`; --rules goes to the real one."""
    path = os.path.join(tmp, name)
    with open(path, "w") as out:
        out.write('#!/bin/sh\n[ "$1" = --rules ] && exec "%s" "$@"\ncat <<\'EOF\'\n%s\nEOF\n'
                  'exit %d\n' % (args.verifier, json.dumps(line), code))
    os.chmod(path, stat.S_IRWXU)
    return path


def sql_text(value):
    return "'" + value.replace("'", "''") + "'"


rules = json.loads(subprocess.run([args.verifier, "--rules", "--data", args.data],
                                  capture_output=True, text=True, timeout=60).stdout)
fp = rules["fingerprint"]
seed01 = old_replays[0]
bot = verifier_json(seed01)
classic_normal = "%s-0.003" % fp
classic_bot = "%s-%s" % (bot["fingerprint"], json.dumps(bot["spawn_acceleration"]))

# A leaderboard as the server before generations left it: schema 1 only,
# two boards, three verified runs and one still queued.
cluster = Cluster()
cluster.sql(read(os.path.join(migrations, "001_schema.sql")).decode())
cluster.sql("CREATE TABLE schema_migrations (version integer PRIMARY KEY, name text NOT NULL, "
            "applied_at timestamptz NOT NULL DEFAULT now()); "
            "INSERT INTO schema_migrations (version, name) VALUES (1, '001_schema.sql')")
cluster.sql("INSERT INTO boards (key, fingerprint, spawn_acceleration) VALUES "
            "(%s, %s, 0.003), (%s, %s, %s); "
            "INSERT INTO server_facts VALUES ('default_board', %s)"
            % (sql_text(classic_normal), sql_text(fp), sql_text(classic_bot),
               sql_text(bot["fingerprint"]), json.dumps(bot["spawn_acceleration"]),
               sql_text(classic_normal)))
before = [("Old One", 5000), ("Old Two", 1800), ("Old Three", 100)]
for i, (name, score) in enumerate(before):
    result = json.dumps({"score": score, "time": 100.5 + i, "kills": 10, "checksum": "0" * 16,
                         "frames": 1000})
    cluster.sql(
        "INSERT INTO players (name, name_key, token_hash) VALUES (%s, lower(%s), "
        "decode(md5(%s), 'hex')); "
        "INSERT INTO runs (player_id, sha256, replay, board, status, recorded, replayed, "
        "verdict_at, verifier_version) SELECT id, decode(md5('run' || id), 'hex'), '\\x00', "
        "%s, 'verified', %s, %s, now(), '1.0.0' FROM players WHERE name = %s; "
        "INSERT INTO board_best SELECT board, player_id, id, %d, %f, 10, submitted_at "
        "FROM runs WHERE player_id = (SELECT id FROM players WHERE name = %s)"
        % (sql_text(name), sql_text(name), sql_text(name), sql_text(classic_bot),
           sql_text(result), sql_text(result), sql_text(name), score, 100.5 + i, sql_text(name)))
queued_bytes = read(seed01)
cluster.sql("INSERT INTO players (name, name_key, token_hash) VALUES ('Queued', 'queued', "
            "decode(md5('q'), 'hex')); "
            "WITH f AS (SELECT decode('%s', 'hex') AS bytes) "
            "INSERT INTO runs (player_id, sha256, replay, board, recorded) SELECT p.id, "
            "sha256(f.bytes), f.bytes, %s, %s FROM players p, f WHERE p.name = 'Queued'; "
            "INSERT INTO jobs (run_id) SELECT max(id) FROM runs"
            % (queued_bytes.hex(), sql_text(classic_bot), sql_text(json.dumps(bot["recorded"]))))
old_ranks = {e: i + 1 for i, (e, _) in enumerate(before)}

# The server migrates it and verifies the queued run on its old board.
server = Server(args, cluster, "--workers", "1", "--set", "token_per_minute=0", "--set",
                "address_per_minute=0", *memory)
latest = len(os.listdir(os.path.join(os.path.dirname(__file__), "..", "..", "server", "db",
                                     "migrations")))
f.check(cluster.sql("SELECT max(version) FROM schema_migrations") == str(latest),
        "the schema is migrated to the latest version, %d" % latest)
kept = cluster.sql("SELECT string_agg(key || ':' || generation, ',' ORDER BY key) FROM boards "
                   "WHERE key IN (%s, %s)" % (sql_text(classic_normal), sql_text(classic_bot)))
f.check(kept == ",".join(sorted([classic_normal + ":1", classic_bot + ":1"])),
        "the old boards keep their keys as generation 1: %s" % kept)
f.check(cluster.sql("SELECT count(*) || ' ' || min(generation) || ' ' || max(generation) "
                    "FROM runs") == "4 1 1", "every old run is kept, as generation 1")
queued = wait_terminal(server, 4)
f.check(queued["status"] == "verified" and queued["board"] == classic_bot
        and queued["generation"] == 1 and queued["rank"] == 3,
        "the run queued before the migration is verified on its old board: %s, %s, rank %s"
        % (queued["status"], queued["board"], queued["rank"]))

# Each file to its generation's board: (what, file, board, generation).
current = "%s-0.003-g2" % fp
cases = [("a generation-1 file", variant(p, i), classic_bot, 1)
         for i, p in enumerate(old_replays[1:2])]
for i, p in enumerate(new_replays[:2]):
    info = verifier_json(p)
    key = "%s-%s-g2" % (info["fingerprint"], json.dumps(info["spawn_acceleration"]))
    cases.append(("a generation-2 file (%s)" % os.path.basename(p), variant(p, 10 + i), key, 2))
for n, (what, body, board, generation) in enumerate(cases):
    status, answer = server.json("POST", "/api/v1/runs", body,
                                 submit_headers(20 + n, "New %d" % n))
    run = wait_terminal(server, answer["id"]) if status == 202 else answer
    f.check(status == 202 and run["status"] == "verified" and run["board"] == board
            and run["generation"] == generation,
            "%s goes to %s: %d %s %s" % (what, board, status, run.get("status"),
                                         run.get("board")))
    if generation == 2:
        f.check(run["seed"] is not None and run["end"] in ("death", "new-game", "exit",
                                                           "program-end"),
                "its seed and end are kept: %s %s" % (run.get("seed"), run.get("end")))
# A generation-2 file with its score edited: the verifier names the second.
edited = os.path.join(tmp, "edited.qvr")
subprocess.run([args.load, "forge", new_replays[0], edited, "--score", "5"], check=True)
status, answer = server.json("POST", "/api/v1/runs", read(edited), submit_headers(29, "Editor"))
run = wait_terminal(server, answer["id"])
f.check(run["status"] == "rejected" and run["reason"].startswith("differs from ")
        and " s on: score recorded 5, replayed " in run["reason"],
        "an edited generation-2 file: %s" % run["reason"])
status, page = server.json("GET", "/api/v1/boards/%s" % urllib.parse.quote(classic_bot))
ranks = {e["player"]: e["rank"] for e in page["entries"]}
f.check(all(ranks.get(name) == old_ranks[name] for name in ("Old One", "Old Two"))
        and page["generation"] == 1,
        "the old players keep their ranks on the Classic board: %s" % ranks)

status, boards = server.json("GET", "/api/v1/boards")
f.check(boards["default"] == current and boards["classic"] == classic_normal,
        "the default board is generation 2's Normal, the classic one generation 1's: %s, %s"
        % (boards["default"], boards["classic"]))
f.check(server.json("GET", "/api/v1/boards/classic")[1].get("board") == classic_normal,
        "/api/v1/boards/classic names it too")

# From here on workers come and go with stand-in verifiers; one API serves.
server.stop()
api = Server(args, cluster, "--api-only", "--set", "token_per_minute=0", "--set",
             "address_per_minute=0", *memory)

# Workers and what the verifier says: (what, answer, exit status, status, reason, facts).
line = {"file": "x", "version": "1.0.0", "fingerprint": bot["fingerprint"],
        "spawn_acceleration": bot["spawn_acceleration"], "recorded": bot["recorded"],
        "replayed": bot["recorded"], "generation": 1, "seed": None, "end": None, "day": None,
        "differs_from": None}
elsewhere = "made by an older version of the game that only the Linux build replays"
replayed = dict(bot["recorded"], score=bot["recorded"]["score"] + 5)
verdicts = [
    ("a differing file names the second", dict(line, status="differs", reason="",
                                               replayed=replayed, differs_from=12), 1,
     "rejected", "differs from 12 s on: score recorded", (None, None, None)),
    ("the seed, end and day are kept", dict(line, status="verified", reason="", seed=4242,
                                            end="death", day="2026-12-24"), 0,
     "verified", "", (4242, "death", "2026-12-24")),
    ("odd facts are left out", dict(line, status="verified", reason="", seed=-5, end="boom",
                                    day="2026-02-30"), 0, "verified", "", (None, None, None)),
    ("a generation the server did not read", dict(line, status="verified", reason="",
                                                  generation=2), 0, "rejected",
     "the verifier read generation 2 where the server read 1", (None, None, None)),
]
for n, (what, answer, code, want, reason, facts) in enumerate(verdicts):
    worker = Server(args, cluster, "--workers-only", "--workers", "1",
                    verifier=script("v%d" % n, answer, code))
    status, sent = api.json("POST", "/api/v1/runs", variant(seed01, 30 + n),
                            submit_headers(30 + n, "Verdict %d" % n))
    run = wait_terminal(api, sent["id"], 30)
    f.check(run["status"] == want and run["reason"].startswith(reason)
            and (run["seed"], run["end"], run["day"]) == facts,
            "%s: %s %r %s" % (what, run["status"], run["reason"],
                              (run["seed"], run["end"], run["day"])))
    worker.stop()

# A verifier that cannot replay the generation on its platform: the run stays
# queued, each worker leaves it once (no spinning), and a worker that can
# replay it verifies it later.
other = script("other", dict(line, status="unusable", reason=elsewhere, other_platform=True,
                             recorded=None, replayed=None), 2)
away = Server(args, cluster, "--workers-only", "--workers", "2", verifier=other)
status, sent = api.json("POST", "/api/v1/runs", variant(seed01, 40), submit_headers(40, "Waits"))
job = sent["id"]
wait_for(lambda: cluster.sql("SELECT cardinality(passed_by) FROM jobs WHERE run_id = %d" % job)
         == "2", 20, "both workers to leave the job")
time.sleep(3)
state = cluster.sql("SELECT r.status || ' ' || j.attempts || ' ' || cardinality(j.passed_by) "
                    "FROM runs r JOIN jobs j ON j.run_id = r.id WHERE r.id = %d" % job)
run = api.json("GET", "/api/v1/runs/%d" % job)[1]
f.check(state == "queued 0 2" and elsewhere in run["reason"],
        "a verifier for another platform leaves the run queued: %s, %r" % (state, run["reason"]))
f.check(away.output().count("left in the queue for a worker that can replay it") == 2,
        "each worker says so in its log once")
away.stop()
able = Server(args, cluster, "--workers-only", "--workers", "1", *memory)
run = wait_terminal(api, job, 30)
f.check(run["status"] == "verified" and run["reason"] == "",
        "a worker that can replay it verifies it: %s %r" % (run["status"], run["reason"]))
able.stop()

# The pages: the current board links the Classic one; a Classic board says
# what it is and leads back; every key and name shown escaped.
status, body, _ = api.request("GET", "/")
index = body.decode()
link = '<a href="/?board=%s">%s</a>' % (urllib.parse.quote(classic_normal), CLASSIC)
f.check(status == 200 and link in index and '<optgroup label="%s">' % CLASSIC in index,
        "the index links %r" % CLASSIC)
status, body, _ = api.request("GET", "/?board=" + urllib.parse.quote(classic_bot))
page = body.decode()
f.check(status == 200 and "<small>%s" % CLASSIC in page and 'href="/"' in page
        and "Old One" in page, "a Classic board names itself and leads back")
status, body, _ = api.request("GET", "/runs/4")
f.check('">%s' % CLASSIC in body.decode(), "a run page names its Classic board")
status, body, _ = api.request("GET", "/players/old%20one")
f.check('">%s' % CLASSIC in body.decode(), "a player page names the Classic board")
# A board key with markup (put in by hand) as the Classic link.
hostile = '<b>x</b>"-0.003'
cluster.sql("INSERT INTO boards (key, fingerprint, spawn_acceleration, generation, created_at, "
            "shown) VALUES (%s, %s, 0.003, 1, now() + interval '1 day', true); "
            "UPDATE boards SET fingerprint = 'other' WHERE key = %s"
            % (sql_text(hostile), sql_text(fp), sql_text(classic_normal)))
status, body, _ = api.request("GET", "/")
index = body.decode()
f.check(status == 200 and "<b>x" not in index and "&lt;b&gt;x&lt;/b&gt;&quot;" in index
        and '/?board=%3Cb%3Ex%3C%2Fb%3E%22-0.003"' in index,
        "a Classic board's key is escaped in the link and the list")
f.check(api.json("GET", "/api/v1/boards/classic")[1].get("board") == hostile,
        "the classic board is looked up with the key as a parameter")

api.stop()
cluster.close()
f.exit()
