"""The README's leaderboard pictures from real games: a throwaway cluster and
server, distinct games played from the committed replays' inputs (each from a
seed of its own, at Normal, recorded to the Marine's death, verified by the
server), today's daily played by some of the same players, then the home page
and the day's board in headless Chromium. Run by hand, not by CTest:

  python3 tests/server/readme_shots.py --server build/quorvex-server \\
      --verifier build/quorvex-verify --load build/quorvex-load --data data \\
      --replays tests/replays --shots docs/screenshots"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
from harness import Cluster, Server, arguments, submit_headers, wait_terminal  # noqa: E402

PLAYERS = ["Ada", "Brick", "Corvo", "Dusk", "Ember", "Flint", "Gale", "Hex", "Iris", "Juno",
           "Kestrel", "Lumen"]

args = arguments()
chromium = shutil.which("chromium") or shutil.which("chromium-browser")
if not chromium or not args.shots:
    sys.exit("needs chromium and --shots DIR")
tmp = tempfile.mkdtemp(prefix="quorvex-shots-")
cluster = Cluster()
server = Server(args, cluster, "--workers", "2", "--set", "token_per_minute=0", "--set",
                "address_per_minute=0")
# The newest version's games: forged from other seeds they stay on today's boards.
sources = sorted(os.path.join(args.replays, f) for f in os.listdir(args.replays)
                 if f.startswith("gen2-"))


def forge(out, source, *options):
    path = os.path.join(tmp, out)
    subprocess.run([args.load, "forge", source, path, "--data", args.data, "--acceleration",
                    "0.003"] + list(options), check=True, timeout=300)
    with open(path, "rb") as f:
        return f.read()


def send(body, n, name):
    status, sent = server.json("POST", "/api/v1/runs", body, submit_headers(n, name))
    run = wait_terminal(server, sent["id"], 120) if status == 202 else sent
    print("%-8s %s %s" % (name, run.get("status"), run.get("reason", "")))


for i, name in enumerate(PLAYERS):
    send(forge("g%d.qvr" % i, sources[i % len(sources)], "--game", str(100 + i)), i + 1, name)
status, daily = server.json("GET", "/api/v1/daily")
day = daily["date"].replace("-", "")
# One game a source: from the day's one seed, the same inputs make the same game.
for i, name in enumerate(PLAYERS[:len(sources)]):
    send(forge("d%d.qvr" % i, sources[i], "--seed", str(daily["seed"]),
               "--day", day), i + 1, name)

url = "http://127.0.0.1:%d" % server.port
for page, shot in (("/", "leaderboard.png"), ("/daily/" + daily["date"], "daily-board.png")):
    subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu",
                    "--hide-scrollbars", "--window-size=1100,900",
                    "--screenshot=" + os.path.join(os.path.abspath(args.shots), shot), url + page],
                   check=True, timeout=60, capture_output=True)
    print("wrote", shot)
server.stop()
cluster.close()
shutil.rmtree(tmp, ignore_errors=True)
