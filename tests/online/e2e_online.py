"""The real game under Xvfb with Online on: a game played to death lands
verified on a real leaderboard server (throwaway PostgreSQL), Game Over is
captured once the rank is known, the leaderboard page in headless Chromium
shows the player's name, and "Exit Win" ends the program at once.

  e2e_online.py --game build/quorvex --server build/quorvex-server
                --verifier build/quorvex-verify --data data --shots build/screenshots
Exit status: 0 passed, 1 failed, 77 skipped (a tool or PostgreSQL missing)."""
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import arguments, dies, online_ini, page, rp, start_server  # noqa: E402

NAME = "Xvfb Marine"

args, chromium = arguments()
server, url = start_server(args)
work = tempfile.mkdtemp(prefix="quorvex-e2e-online-")
display = rp.Display()
game = None


def player_best():
    status, player = server.json("GET", "/api/v1/players/" + NAME.replace(" ", "%20"))
    return player.get("best") if status == 200 else None


try:
    game = rp.Game(args.game, args.data, work, display, "online", spawn_acceleration=0.04,
                   before=online_ini(url, NAME))
    game.window()
    game.first_picture(os.path.join(args.shots, "e2e_online_title.png"))
    rp.click(game, rp.NEW_GAME)
    dead = dies(game, os.path.join(args.shots, "e2e_online_now.png"))
    rp.check(dead, "the Marine dies and \"Game Over\" shows")
    deadline = time.time() + 60
    while time.time() < deadline and not player_best():
        time.sleep(0.5)
    best = player_best()
    rp.check(bool(best), "the game lands verified on the server without the player acting: %s"
             % best)
    time.sleep(3)  # the game polls the run's status every two seconds
    game.capture(os.path.join(args.shots, "e2e_online_game_over.png"))
    dom = page(chromium, url + "/?board=" + best[0]["board"])
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
