"""The daily game against real servers with a test clock: the day's seed, the
refusals, a midnight with two API processes, two players on one day's board,
and boards named on the pages."""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Cluster, Failures, Server, arguments, read, submit_headers, wait_terminal  # noqa

args = arguments()
f = Failures()
cluster = Cluster()
tmp = tempfile.mkdtemp(prefix="quorvex-daily-")
memory = ["--set", "verify_memory_mib=0"] if args.sanitized else []
open_limits = ["--set", "token_per_minute=0", "--set", "address_per_minute=0"]


def forge(base, name, *options):
    out = os.path.join(tmp, name)
    os.spawnv(os.P_WAIT, args.load, [args.load, "forge", os.path.join(args.replays, base), out,
                                     "--data", args.data] + list(options))
    return read(out)


def daily(seed, day, *more, base="gen2-seed01.qvr"):
    """A real game of the day: Normal, the inputs played from `seed` to the death."""
    return forge(base, "%s-%s-%s.qvr" % (base, seed, day), "--acceleration", "0.003", "--seed",
                 str(seed), "--day", str(day), *more)


server = Server(args, cluster, "--workers", "1", "--set", "clock=2026-12-10T12:00:00Z",
                *open_limits, *memory)
status, today = server.json("GET", "/api/v1/daily")
seed = today.get("seed", 0)
fp = today.get("fingerprint", "")
board = "daily-2026-12-10-%s-g%d" % (fp, today.get("generation", 0))
f.check(status == 200 and today.get("date") == "2026-12-10" and isinstance(seed, int)
        and 0 <= seed < 2 ** 32 and today.get("difficulty") == "normal"
        and today.get("spawn_acceleration") == 0.003 and today.get("board") == board
        and today.get("closes_at") == "2026-12-11T00:10:00Z" and len(fp) == 16
        and today.get("name") == "Daily 2026-12-10", "the day's daily: %s" % today)
f.check(server.json("GET", "/api/v1/daily")[1].get("seed") == seed, "asked again, the same seed")

# (what, file, status and code expected)
refusals = [
    ("another seed", daily((seed + 1) % 2 ** 32, 20261210), 422, "daily_wrong_seed"),
    ("the seed edited, the file sealed again",
     daily(seed, 20261210, "--edit-seed", str((seed + 7) % 2 ** 32)), 422, "daily_wrong_seed"),
    ("another difficulty", forge("gen2-seed01.qvr", "hard.qvr", "--seed", str(seed), "--day",
                                 "20261210"), 422, "daily_wrong_difficulty"),
    ("a day not begun", daily(seed, 20261211), 422, "daily_unknown_day"),
    ("a closed day", daily(seed, 20261208), 422, "board_closed"),
    # The file's reader refuses a day that is no date before any daily check.
    ("not a date", daily(seed, 20261340), 400, "not_a_replay"),
]
for what, body, want, code in refusals:
    status, answer = server.json("POST", "/api/v1/runs", body, submit_headers(9, "Mallory"))
    f.check(status == want and answer.get("code") == code and answer.get("reason"),
            "%s is refused %s: %d %s" % (what, code, status, answer))

# Two players play the day's game: same seed, different inputs, one board.
runs = []
for n, (base, name) in enumerate((("gen2-seed01.qvr", "Ann"), ("gen2-seed03.qvr", "Ben"))):
    status, answer = server.json("POST", "/api/v1/runs", daily(seed, 20261210, base=base),
                                 submit_headers(n + 1, name))
    f.check(status == 202, "%s's daily game is queued: %d %s" % (name, status, answer))
    runs.append(answer.get("id", 0))
records = [wait_terminal(server, run) for run in runs if run]
f.check(len(records) == 2 and all(r["status"] == "verified" and r["board"] == board
                                  and r["seed"] == seed and r["day"] == "2026-12-10"
                                  and r["rank"] in (1, 2) and r["name"] == "Daily 2026-12-10"
                                  for r in records),
        "both verified on the day's board with the day's seed: %s" % records)
status, page = server.json("GET", "/api/v1/boards/" + board)
f.check(status == 200 and sorted(e["player"] for e in page.get("entries", [])) == ["Ann", "Ben"]
        and page.get("name") == "Daily 2026-12-10", "the day's board ranks both: %s" % page)
status, boards = server.json("GET", "/api/v1/boards")
f.check(all(b["name"] in ("Normal", "Easy", "Hard") or b["name"].startswith("Custom (spawn")
            for b in boards.get("boards", [])) and not any(b["board"].startswith("daily-")
                                                           for b in boards.get("boards", [])),
        "the board list names its boards and keeps the days apart: %s" % boards)
server.stop()

# Midnight: two API processes, the clock two seconds before it; the day's
# seed is made once, before anyone asks.
apis = [Server(args, cluster, "--api-only", "--set", "clock=2026-12-10T23:59:58Z", *open_limits,
               *memory) for _ in range(2)]
time.sleep(3.5)
f.check(cluster.sql("SELECT count(*) FROM daily_seeds WHERE day = '2026-12-11'") == "1",
        "at midnight one seed is made for the new day")
answers = [api.json("GET", "/api/v1/daily")[1] for api in apis]
f.check(all(a.get("date") == "2026-12-11" for a in answers)
        and answers[0].get("seed") == answers[1].get("seed") != seed,
        "both processes serve the new day's one seed: %s" % answers)
status, answer = apis[0].json("POST", "/api/v1/runs", daily(seed, 20261210, base="gen2-seed04.qvr"),
                              submit_headers(3, "Cid"))
f.check(status == 202, "a game of the day before, sent in the grace, is taken: %d %s"
        % (status, answer))

# (path, texts the page holds)
pages = [
    ("/", ["Daily 2026-12-11", "min left", "Normal (default)", 'href="/daily"']),
    ("/daily", ["Daily 2026-12-10", "Daily 2026-12-11", 'href="/daily/2026-12-10"']),
    ("/daily/2026-12-10", ["Daily 2026-12-10", "Ann", "Ben", "closed"]),
    ("/runs/%d" % runs[0], [">Daily 2026-12-10</a>", 'href="/daily/2026-12-10"']),
    ("/players/Ann", [">Daily 2026-12-10</a>"]),
]
for path, texts in pages:
    status, body, _ = apis[1].request("GET", path)
    text = body.decode(errors="replace")
    missing = [t for t in texts if t not in text]
    f.check(status == 200 and not missing and ">" + fp not in text,
            "%s names its boards: %d, missing %s" % (path, status, missing))
f.check(apis[1].request("GET", "/daily/2026-02-30")[0] == 404
        and apis[1].request("GET", "/daily/2027-01-01")[0] == 404, "no page for a day without a game")
for api in apis:
    api.stop()
cluster.close()
f.exit()
