"""The game's Online side against the real leaderboard server on a throwaway
PostgreSQL cluster: the in-process game cases of tests/test_online.cpp get
the servers' addresses, then quorvex --submit / --online run against a
real server and against a small local server that misbehaves on purpose."""
import http.server
import json
import os
import shutil
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
from harness import Cluster, Failures, Server, free_port, read, wait_for  # noqa: E402
import argparse  # noqa: E402

p = argparse.ArgumentParser()
for option in ("--server", "--verifier", "--game", "--tests", "--data", "--replays"):
    p.add_argument(option, required=True)
p.add_argument("--load", default="")
p.add_argument("--shots", default="")
p.add_argument("--sanitized", action="store_true")
args = p.parse_args()
for key in ("server", "verifier", "game", "tests", "data", "replays"):
    setattr(args, key, os.path.abspath(getattr(args, key)))
f = Failures()
tmp = tempfile.mkdtemp(prefix="quorvex-online-")
stop_all = threading.Event()
received = []
received_lock = threading.Lock()


class Misbehaving(http.server.BaseHTTPRequestHandler):
    """The first path segment picks the fault. Bounded: every answer ends
    within 15 s, and the server stops with the test."""

    def log_message(self, *a):
        pass

    def do_POST(self):
        length = int(self.headers.get("Content-Length", 0))
        self.body = self.rfile.read(length) if length <= 2 * 1024 * 1024 else b""
        self.answer()

    def do_GET(self):
        self.answer()

    def answer(self):
        mode = self.path.strip("/").split("/")[0]
        if mode == "stall":
            stop_all.wait(10)
            return
        if mode == "redirect":
            self.send_response(302)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode == "huge":
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(100 * 1024 * 1024))
            self.end_headers()
            try:
                chunk = b"[" * 65536
                for _ in range(1600):
                    self.wfile.write(chunk)
            except OSError:
                pass
            return
        if mode == "count":
            with received_lock:
                received.append(self.body)
                body = b'{"id":%d,"status":"queued"}' % len(received)
            time.sleep(0.05)  # long enough for the other copy to look
            self.send_response(202)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if mode == "old":
            # A server from before replay version 3: it refuses the newer files
            # as it did, with its reader's words.
            body = getattr(self, "body", b"")
            version = int.from_bytes(body[4:8], "little") if len(body) >= 8 else 0
            why = "replay version %d (this game reads versions 1 to 2)" % version
            answer = json.dumps({"error": "not a usable replay: " + why, "reason": why})
            status, body = (400, answer.encode()) if version > 2 else (404, b"{}")
            self.send_response(status)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        status, body = {"garbage": (200, b"\x00\xffnot json"),
                        "error": (500, b'{"error":"broken"}'),
                        "busy": (429, b'{"error":"busy"}')}.get(mode, (404, b"{}"))
        self.send_response(status)
        if mode == "busy":
            self.send_header("Retry-After", "30")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Threaded(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


bad = Threaded(("127.0.0.1", 0), Misbehaving)
threading.Thread(target=bad.serve_forever, daemon=True).start()
bad_url = "http://127.0.0.1:%d" % bad.server_address[1]

# The same over TLS with a certificate made for another name.
tls_url = None
if shutil.which("openssl"):
    key, cert = os.path.join(tmp, "key.pem"), os.path.join(tmp, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=someone.else.example", "-keyout", key, "-out", cert],
                   check=True, capture_output=True)
    tls = Threaded(("127.0.0.1", 0), Misbehaving)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    tls.socket = context.wrap_socket(tls.socket, server_side=True)
    threading.Thread(target=tls.serve_forever, daemon=True).start()
    tls_url = "https://127.0.0.1:%d" % tls.server_address[1]


homes = [0]


def home(name, enabled=1, server=""):
    homes[0] += 1
    d = os.path.join(tmp, "%s-%d" % (name, homes[0]))
    os.makedirs(os.path.join(d, "config", "quorvex"), exist_ok=True)
    with open(os.path.join(d, "config", "quorvex", "online.ini"), "w") as out:
        out.write("enabled = %d\nserver = %s\nname = %s\n" % (enabled, server, name))
    return {"XDG_CONFIG_HOME": os.path.join(d, "config"), "XDG_DATA_HOME": os.path.join(d, "data")}


def game(options, env, timeout=60):
    t0 = time.time()
    out = subprocess.run([args.game] + options, capture_output=True, text=True, timeout=timeout,
                         env=dict(os.environ, **env), cwd=args.data)
    return out.returncode, out.stdout + out.stderr, time.time() - t0


def gtest(case, env, timeout=300):
    out = subprocess.run([args.tests, "--gtest_filter=" + case], capture_output=True, text=True,
                         timeout=timeout, cwd=args.data,
                         env=dict(os.environ, SDL_VIDEODRIVER="offscreen", ALSOFT_DRIVERS="null",
                                  SDL_AUDIODRIVER="dummy", QUORVEX_ONE_TEST_PER_PROCESS="1",
                                  **env))
    text = out.stdout + out.stderr
    for line in text.splitlines():
        if "longest" in line or "stopped" in line:
            print("     " + line)
    ok = out.returncode == 0 and "[  PASSED  ] 1 test" in text
    if not ok:
        print(text[-3000:])
    return ok


cluster = Cluster()
server = Server(args, cluster, "--workers", "1")
url = "http://127.0.0.1:%d" % server.port
seed01 = os.path.join(args.replays, "bot-seed01.qvr")
garbage = os.path.join(tmp, "garbage.qvr")
with open(garbage, "wb") as out:
    out.write(b"not a replay" * 10)

# A death with Online on lands verified, and the page shows the player.
f.check(gtest("OnlineServer.ADeathLandsVerified",
              {"QUORVEX_TEST_SERVER": url, "QUORVEX_TEST_NAME": "Deathwish"}),
        "a death with Online on lands verified and Game Over learns the rank")
status, player = server.json("GET", "/api/v1/players/deathwish")
f.check(status == 200 and player.get("best") and player["best"][0]["rank"] >= 1,
        "the player's page in the API has the run")
f.check(player.get("best") and player["best"][0]["board"].endswith("-0.006-g2")
        and player["best"][0]["generation"] == 2,
        "a game played now lands on generation 2's Hard board: %s"
        % (player["best"][0]["board"] if player.get("best") else None))
chromium = shutil.which("chromium") or shutil.which("chromium-browser")
if chromium and player.get("best"):
    board = player["best"][0]["board"]
    dom = subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--dump-dom",
                          url + "/?board=" + board], capture_output=True, text=True,
                         timeout=60).stdout
    f.check("Deathwish" in dom, "the leaderboard page in headless Chromium shows the name")

# The server down at his death, started again: the run arrives by itself.
port = free_port()
signal = os.path.join(tmp, "saved")
result = {}
runner = threading.Thread(target=lambda: result.setdefault("ok", gtest(
    "OnlineServer.AGameFromWhileTheServerWasDownArrives",
    {"QUORVEX_TEST_DOWN_SERVER": "http://127.0.0.1:%d" % port, "QUORVEX_TEST_SIGNAL": signal})))
runner.start()
try:
    wait_for(lambda: os.path.exists(signal), 120, "the game's run saved while the server is down")
    time.sleep(3)  # a retry or two fails first
    later = Server(args, cluster, "--workers", "1", port=port)
except AssertionError as e:
    print(e)
runner.join()
f.check(result.get("ok", False), "a game from while the server was down arrives once it is back")

# Refused files move to refused/, a 429 keeps the file.
busy = Server(args, cluster, "--workers", "1", "--set", "token_burst=2", "--set",
              "token_per_minute=1")
f.check(gtest("OnlineServer.RefusedFilesMoveAsideAndBusyAnswersWait",
              {"QUORVEX_TEST_BUSY_SERVER": "http://127.0.0.1:%d" % busy.port,
               "QUORVEX_TEST_REPLAYS": args.replays}),
        "a refused file moves to refused/ with its reason; a 429 keeps it")

# A server that stalls: frames go on; Online off stops the send.
f.check(gtest("OnlineStall.FramesGoOnAndTurningOffStopsTheSend",
              {"QUORVEX_TEST_STALL_SERVER": bad_url + "/stall"}),
        "a stalling server: frames go on, turning Online off stops the send")

# Two copies of the game on one outbox: each file is sent once.
shared = os.path.join(tmp, "shared-outbox")
os.makedirs(shared)
for i in range(12):
    with open(os.path.join(shared, "run-%d-0000000%d.qvr" % (100 + i, i % 10)), "wb") as out:
        out.write(b"replay %d" % i)
twins = [threading.Thread(target=lambda k=k: result.__setitem__("twin%d" % k, gtest(
    "OnlineServer.SendsTheOutboxItFinds",
    {"QUORVEX_TEST_SERVER": bad_url + "/count", "QUORVEX_TEST_OUTBOX": shared})))
    for k in range(2)]
for t in twins:
    t.start()
for t in twins:
    t.join()
f.check(result.get("twin0") and result.get("twin1") and len(received) == 12
        and len(set(received)) == 12,
        "two copies on one outbox send each of 12 files once (%d sends)" % len(received))

# The command line: (what, home, options, exit status, text in the output)
down = "http://127.0.0.1:%d" % free_port()
cli = home("Cli", 1, url)
seed04 = os.path.join(args.replays, "bot-seed04.qvr")
cases = [
    ("--submit sends a replay", cli, ["--submit", seed04], 0, "verified rank"),
    ("--submit garbage is refused", home("Cli", 1, url), ["--submit", garbage], 1,
     "refused: not a replay"),
    ("--submit with Online off sends nothing", home("Off", 0, url), ["--submit", seed01], 2,
     "Online is off"),
    ("--submit a missing file", home("Cli", 1, url), ["--submit", "/no/such.qvr"], 2, "no such"),
    ("--submit to a server that is down", home("Cli", 1, down), ["--submit", seed01], 3,
     "cannot be reached"),
    ("--submit to garbage answers", home("Cli", 1, bad_url + "/garbage"), ["--submit", seed01],
     3, "cannot be read"),
    ("--submit to a 500 forever", home("Cli", 1, bad_url + "/error"), ["--submit", seed01], 3,
     "500"),
    ("--submit to a redirect loop", home("Cli", 1, bad_url + "/redirect"), ["--submit", seed01],
     3, "302"),
    ("--submit to a 429", home("Cli", 1, bad_url + "/busy"), ["--submit", seed01], 3, "429"),
    ("--submit to a 100 MB answer", home("Cli", 1, bad_url + "/huge"), ["--submit", seed01], 3,
     "too long"),
    ("--submit to a certificate for another name", home("Cli", 1, tls_url or down),
     ["--submit", seed01], 3, "certificate" if tls_url else "cannot be reached"),
    ("--submit with an address that is no URL", home("Cli", 1, "localhost:8080"),
     ["--submit", seed01], 2, "http://"),
    ("--online lists the best runs", cli, ["--online"], 0, "points in"),
    ("--online with the server down", home("Cli", 1, down), ["--online"], 3, "cannot be reached"),
    ("a name another player holds (409)", home("Deathwish", 1, url),
     ["--submit", os.path.join(args.replays, "bot-seed18.qvr")], 1,
     "refused:"),
    ("--forget-online deletes the player", cli, ["--forget-online"], 0, "forgot Cli and 1 runs"),
    ("then the player is gone", home("Cli", 1, url), ["--online"], 0, "no verified runs"),
    ("--forget-online without a token", cli, ["--forget-online"], 0, "nothing to forget"),
]
for what, env, options, code, text in cases:
    rc, out, seconds = game(options, env)
    f.check(rc == code and text in out,
            "%s: exit %d, %r (%.1f s)%s" % (what, rc, text, seconds,
                                            "" if rc == code and text in out else ": " + out))

# An older server refuses a file of the newest version: the game sets it aside
# with the server's reason, --online lists it and --submit sends it again to a
# server that takes it, which takes it out of refused/.
newest = os.path.join(args.replays, "gen2-seed01.qvr")
aside = home("Aside", 1, url)
outbox = os.path.join(aside["XDG_DATA_HOME"], "quorvex", "outbox")
os.makedirs(outbox)
with open(os.path.join(outbox, "run-200-00000000.qvr"), "wb") as out:
    out.write(read(newest))
refused = os.path.join(outbox, "refused", "run-200-00000000.qvr")
sent_aside = gtest("OnlineServer.SendsTheOutboxItFinds",
                   {"QUORVEX_TEST_SERVER": bad_url + "/old", "QUORVEX_TEST_OUTBOX": outbox})
reason = read(refused + ".reason").decode() if os.path.exists(refused + ".reason") else ""
f.check(sent_aside and os.path.exists(refused) and "replay version 3" in reason,
        "an older server's refusal of %s is set aside with its reason: %r"
        % (os.path.basename(newest), reason.strip()))
rc, out, _ = game(["--online"], aside)
f.check("refused  run-200-00000000.qvr: replay version 3 (this game reads versions 1 to 2)"
        in out and "quorvex --submit " + outbox + "/refused/FILE" in out,
        "--online lists it with the reason and how to send it again: %s" % out.strip())
rc, out, _ = game(["--submit", refused], aside)
f.check(rc == 0 and "sent again" in out and not os.path.exists(refused)
        and not os.path.exists(refused + ".reason"),
        "--submit sends it again to a server that takes it: exit %d, %s" % (rc, out.strip()))

with open(os.path.join(cli["XDG_CONFIG_HOME"], "quorvex", "online.ini")) as ini:
    text = ini.read()
f.check("token = \n" in text and "enabled = 0" in text, "forgetting deletes the token")

stop_all.set()
bad.shutdown()
shutil.rmtree(tmp, ignore_errors=True)
f.exit()
