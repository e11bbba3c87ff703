"""The real game under Xvfb with Online on: a game played to death lands
verified on a real leaderboard server (throwaway PostgreSQL), Game Over is
captured once the rank is known, the leaderboard page in headless Chromium
shows the player's name, and "Exit Win" ends the program at once.

  e2e_online.py --game build/quorvex --server build/quorvex-server
                --verifier build/quorvex-verify --data data --shots build/screenshots
Exit status: 0 passed, 1 failed, 77 skipped (a tool or PostgreSQL missing)."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "e2e"))
sys.path.insert(0, os.path.join(here, "..", "server"))
import real_program as rp  # noqa: E402
from harness import Cluster, Server  # noqa: E402

NAME = "Xvfb Marine"

p = argparse.ArgumentParser()
for option in ("--game", "--server", "--verifier", "--data", "--shots"):
    p.add_argument(option, required=True)
p.add_argument("--sanitized", action="store_true")
args = p.parse_args()
for key in ("game", "server", "verifier", "data", "shots"):
    setattr(args, key, os.path.abspath(getattr(args, key)))
chromium = shutil.which("chromium") or shutil.which("chromium-browser")
missing = [t for t in ("Xvfb", "xdotool", "import", "convert") if not shutil.which(t)]
if missing or not chromium:
    print("SKIP: not installed: " + ", ".join(missing + ([] if chromium else ["chromium"])))
    sys.exit(77)
os.makedirs(args.shots, exist_ok=True)

cluster = Cluster()
server = Server(args, cluster, "--workers", "1")
url = "http://127.0.0.1:%d" % server.port
work = tempfile.mkdtemp(prefix="quorvex-e2e-online-")
display = rp.Display()
game = None


def online_ini(g):
    os.makedirs(g.user_config, exist_ok=True)
    with open(os.path.join(g.user_config, "online.ini"), "w") as f:
        f.write("enabled = 1\nserver = %s\nname = %s\n" % (url, NAME))


def player_best():
    status, player = server.json("GET", "/api/v1/players/" + NAME.replace(" ", "%20"))
    return player.get("best") if status == 200 else None


try:
    game = rp.Game(args.game, args.data, work, display, "online", spawn_acceleration=0.04,
                   before=online_ini)
    game.window()
    game.first_picture(os.path.join(args.shots, "e2e_online_title.png"))
    rp.click(game, rp.NEW_GAME)
    # He stands still: the crowd comes to him.
    began = time.time()
    dead = False
    while time.time() - began < 90 and not dead:
        time.sleep(1.0)
        dead = game.capture(os.path.join(args.shots, "e2e_online_now.png")).game_over_text() > 400
    rp.check(dead, "the Marine dies and \"Game Over\" shows")
    deadline = time.time() + 60
    while time.time() < deadline and not player_best():
        time.sleep(0.5)
    best = player_best()
    rp.check(bool(best), "the game lands verified on the server without the player acting: %s"
             % best)
    time.sleep(3)  # the game polls the run's status every two seconds
    game.capture(os.path.join(args.shots, "e2e_online_game_over.png"))
    dom = subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--dump-dom",
                          url + "/?board=" + best[0]["board"]], capture_output=True, text=True,
                         timeout=60).stdout
    rp.check(NAME in dom, "the leaderboard page in headless Chromium shows \"%s\"" % NAME)
    time.sleep(2.5)
    game.x("key", "space")
    time.sleep(0.6)
    game.capture(os.path.join(args.shots, "e2e_online_menu.png"))
    rp.click(game, rp.EXIT_WIN)
    t0 = time.time()
    rp.check(game.wait_exit() == 0, "\"Exit Win\" ends the program (%.2f s)" % (time.time() - t0))
    outbox = os.path.join(game.user_data, "outbox")
    left = [n for n in os.listdir(outbox) if n.endswith(".qvr")] if os.path.isdir(outbox) else []
    rp.check(not left, "the outbox is empty")
except rp.Failure as failure:
    print("FAIL: %s" % failure)
    if game:
        print(game.output())
    sys.exit(1)
finally:
    if game:
        game.kill()
    display.stop()
    shutil.rmtree(work, ignore_errors=True)
print("passed; screenshots e2e_online_*.png in " + args.shots)
