"""The API's answers to good and bad requests, and the verdicts behind them,
against a real server and a throwaway PostgreSQL cluster."""
import os
import socket
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Cluster, Failures, Server, arguments, read, submit_headers, token,  # noqa
                     wait_terminal)

args = arguments()
sanitized = args.sanitized
f = Failures()
cluster = Cluster()
tmp = tempfile.mkdtemp(prefix="quorvex-api-")
replays = {n: os.path.join(args.replays, "bot-seed%s.qvr" % n) for n in ("01", "02", "04", "18")}
seed01 = read(replays["01"])
seed02 = read(replays["02"])


def forge(name, *options):
    out = os.path.join(tmp, name)
    os.spawnv(os.P_WAIT, args.load, [args.load, "forge", replays["04"], out] + list(options))
    return read(out)


forged = forge("forged.qvr", "--score", "999999")
other_rules = forge("other.qvr", "--fingerprint", "0123456789abcdef")
memory = ["--set", "verify_memory_mib=0"] if sanitized else []
server = Server(args, cluster, "--workers", "1", "--set", "token_per_minute=0", "--set",
                "address_per_minute=0", "--set", "request_seconds=2", *memory)
H = submit_headers
big_header = {"X-Padding": "p" * 20000}

# (what, method, path, body, headers, status, text expected in the answer)
cases = [
    ("a replay is queued", "POST", "/api/v1/runs", seed01, H(1, "Alice"), 202, '"queued"'),
    ("the same player sending it again gets their run", "POST", "/api/v1/runs", seed01,
     H(1, "Alice"), 200, '"id":1'),
    ("another player's copy is refused", "POST", "/api/v1/runs", seed01, H(2, "Bob"), 422,
     '"code":"game_taken"'),
    ("a forgery is queued", "POST", "/api/v1/runs", forged, H(2, "Bob"), 202, '"queued"'),
    ("other rule data is queued", "POST", "/api/v1/runs", other_rules, H(2, "Bob"), 202, "queued"),
    ("a name in any script", "POST", "/api/v1/runs", seed02, H(3, "Zoë 李.x_y-z"), 202, "queued"),
    ("garbage", "POST", "/api/v1/runs", b"\x00garbage" * 50, H(4, "Carl"), 400, "not a replay"),
    ("zero length", "POST", "/api/v1/runs", b"", H(4, "Carl"), 400, "not a replay"),
    ("truncated", "POST", "/api/v1/runs", seed01[:5000], H(4, "Carl"), 400, "truncated"),
    ("resealed damage", "POST", "/api/v1/runs", seed01[:-9] + b"\x01" + seed01[-8:], H(4, "Carl"),
     400, "checksum"),
    ("oversized", "POST", "/api/v1/runs", b"Q" * (1024 * 1024 + 1), H(4, "Carl"), 413, "1 MiB"),
    ("no token", "POST", "/api/v1/runs", seed01, {"X-Quorvex-Name": "Carl"}, 401, "token"),
    ("short token", "POST", "/api/v1/runs", seed01,
     {"Authorization": "Bearer abc", "X-Quorvex-Name": "Carl"}, 401, "token"),
    ("a taken name, other capitals", "POST", "/api/v1/runs", read(replays["18"]), H(4, "ALICE"), 409,
     "another"),
    ("markup in a name", "POST", "/api/v1/runs", seed02, H(4, "<script>x"), 400, "letters"),
    ("a control character", "POST", "/api/v1/runs", seed02, H(4, "ab\x01cd"), 400, "Name"),
    ("a bidi override", "POST", "/api/v1/runs", seed02, H(4, "ab\u202ecd"),
     400, "letters"),
    ("only spaces", "POST", "/api/v1/runs", seed02, H(4, "     "), 400, "characters"),
    ("one letter", "POST", "/api/v1/runs", seed02, H(4, "a"), 400, "2 to 20"),
    ("10 KB of name", "POST", "/api/v1/runs", seed02, H(4, "n" * 10000), 431, "too large"),
    ("SQL in a name", "POST", "/api/v1/runs", seed02, H(4, "x' OR '1'='1"), 400, "letters"),
    ("JSON instead of a replay", "POST", "/api/v1/runs", b'{"score": 1',
     dict(H(4, "Carl"), **{"Content-Type": "application/json"}), 415, "octet-stream"),
    ("SQL in a board", "GET", "/api/v1/boards/x';DROP%20TABLE%20runs;--", None, {}, 400, "board"),
    ("SQL in a player", "GET", "/api/v1/players/x'%20OR%20'1'='1", None, {}, 404, "player"),
    ("SQL in a run id", "GET", "/api/v1/runs/1;DELETE%20FROM%20runs", None, {}, 404, "run"),
    ("a limit above 100", "GET", "/api/v1/boards/default?limit=101", None, {}, 400, "limit"),
    ("a negative offset", "GET", "/api/v1/boards/default?offset=-1", None, {}, 400, "offset"),
    ("an unknown run", "GET", "/api/v1/runs/999999", None, {}, 404, "no such run"),
    ("the wrong method", "PUT", "/api/v1/runs", b"x", {}, 405, "not allowed"),
    ("the wrong method on boards", "DELETE", "/api/v1/boards", None, {}, 405, "not allowed"),
    ("an unknown path", "GET", "/api/v2/runs", None, {}, 404, "nothing"),
    ("a huge header line", "GET", "/api/v1/boards", None, big_header, 431, "too large"),
    ("a huge path", "GET", "/" + "a" * 5000, None, {}, 414, "too long"),
    ("deleting without a token", "DELETE", "/api/v1/players/me", None, {}, 401, "token"),
    ("the page of an unknown player", "GET", "/players/nobody", None, {}, 404, "no such"),
]
ids = {}
for what, method, path, body, headers, status, expect in cases:
    got, data, _ = server.request(method, path, body, headers)
    text = data.decode(errors="replace")
    f.check(got == status and expect in text, "%s: %d %s" % (what, got, text[:100]))
    if got == 202:
        ids[what] = int(text.split('"id":')[1].split(",")[0].split("}")[0])

# A body that drips in a byte at a time is cut off at the request deadline.
with socket.create_connection(("127.0.0.1", server.port), timeout=10) as s:
    head = "POST /api/v1/runs HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n" % len(seed04 := read(
        replays["04"]))
    head += "".join("%s: %s\r\n" % kv for kv in H(5, "Dripper").items()) + "\r\n"
    s.sendall(head.encode())
    answer = b""
    start = time.time()
    try:
        for byte in seed04[:40]:
            s.sendall(bytes([byte]))
            time.sleep(0.2)
        answer = s.recv(4096)
    except OSError:
        answer = answer or b"(connection closed)"
    f.check(b" 408 " in answer and time.time() - start < 12, "a slow drip: " +
            answer.split(b"\r\n")[0].decode(errors="replace"))

# Verdicts: the real game reproduced, the edited score and the foreign rules were not.
run = wait_terminal(server, ids["a replay is queued"])
f.check(run["status"] == "verified" and run["recorded"] == run["replayed"] and run["rank"] in (1, 2)
        and run["verifier_version"] == "1.0.0" and run["verdict_fingerprint"]
        and run["board"].endswith("-0.01"), "a real game is verified: %s" % run)
run = wait_terminal(server, ids["a forgery is queued"])
f.check(run["status"] == "rejected" and run["reason"].startswith("differs")
        and run["recorded"]["score"] == 999999, "a forgery is rejected: %s" % run["reason"])
run = wait_terminal(server, ids["other rule data is queued"])
f.check(run["status"] == "rejected" and "other rule data" in run["reason"],
        "other rule data is rejected: %s" % run["reason"])
wait_terminal(server, ids["a name in any script"])
stored = cluster.sql("SELECT count(*) FROM runs")
f.check(stored == "4", "nothing else was stored: %s runs" % stored)

status, page = server.json("GET", "/api/v1/boards/%s?limit=10" %
                           server.json("GET", "/api/v1/runs/1")[1]["board"])
names = [e["player"] for e in page["entries"]]
f.check(status == 200 and sorted(names) == ["Alice", "Zoë 李.x_y-z"],
        "the board ranks the verified runs: %s" % names)
scores = [e["score"] for e in page["entries"]]
f.check(scores == sorted(scores, reverse=True), "ranked by score: %s" % scores)
status, player = server.json("GET", "/api/v1/players/ALICE")
f.check(status == 200 and player["player"] == "Alice" and len(player["best"]) == 1
        and player["runs"][0]["run"] == 1, "a player's runs and bests: %s" % player)
status, data, headers = server.request("GET", "/api/v1/runs/1/replay")
f.check(status == 200 and data == seed01, "the replay comes back byte for byte")
status, boards = server.json("GET", "/api/v1/boards")
f.check(status == 200 and any(b["default"] for b in boards["boards"]) and
        boards["default"].endswith("-0.003-g2"), "the default board is the shipped one: %s" %
        boards["default"])

# Deleting a player takes their name, runs and replays off every board.
status, gone = server.json("DELETE", "/api/v1/players/me", None,
                           {"Authorization": "Bearer " + token(1)})
f.check(status == 200 and gone["deleted"] == "Alice", "a player deletes themselves: %s" % gone)
status, page = server.json("GET", "/api/v1/boards/%s" % page["board"])
f.check(all(e["player"] != "Alice" for e in page["entries"]), "the board forgets them")
f.check(server.json("GET", "/api/v1/runs/1")[0] == 404, "their run is gone")
f.check(server.json("DELETE", "/api/v1/players/me", None,
                    {"Authorization": "Bearer " + token(1)})[0] == 404, "deleting twice: 404")
status, again = server.json("POST", "/api/v1/runs", seed01, H(6, "Alice"))
f.check(status == 202, "the name and the replay are free again: %d" % status)

# Rate limits: per token and per address, with Retry-After.
limited = Server(args, cluster, "--api-only", "--set", "token_per_minute=1", "--set",
                 "token_burst=1", "--set", "address_per_minute=2", "--set", "address_burst=3")
answers = [limited.request("POST", "/api/v1/runs", b"junk", H(7, "Eve")) for _ in range(2)]
f.check(answers[0][0] == 400 and answers[1][0] == 429 and "Retry-After" in answers[1][2],
        "per token: %s" % [a[0] for a in answers])
answers = [limited.request("POST", "/api/v1/runs", b"junk", H(8 + i, "Eve")) for i in range(3)]
f.check([a[0] for a in answers] == [400, 429, 429] and int(answers[2][2]["Retry-After"]) >= 1,
        "per address: %s" % [a[0] for a in answers])
limited.stop()

server.stop()
cluster.close()
f.exit()
