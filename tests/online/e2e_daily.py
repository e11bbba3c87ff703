"""The Daily Challenge played end to end: two copies of the real game under
Xvfb, Online on with their own tokens and names, each choose the plate once
it shows the day and are left to die; both runs land verified on the day's
board, and the replays the server keeps start from the day's served seed.
Game Over with the daily rank and the day's board page in headless Chromium
are captured.

  e2e_daily.py --game build/quorvex --server build/quorvex-server
               --verifier build/quorvex-verify --data data --shots build/screenshots
Exit status: 0 passed, 1 failed, 77 skipped (a tool or PostgreSQL missing)."""
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import arguments, dies, online_ini, page, rp, start_server  # noqa: E402

DAILY = rp.to_pixel(0.35, -0.235)

args, chromium = arguments()
server, url = start_server(args)
work = tempfile.mkdtemp(prefix="quorvex-e2e-daily-")
display = rp.Display()
games = []


def note_left(shot):
    """Leftmost column of the words left of the Daily Challenge plate (they
    end just left of it, so longer words start further left)."""
    x0, y0 = rp.to_pixel(-0.95, -0.2)
    x1, y1 = rp.to_pixel(-0.36, -0.27)
    return min((x for x, _, (r, g, b) in shot.pixels(x0, y0, x1, y1)
                if r > 170 and g > 170 and b > 170), default=None)


def on_board(daily, name):
    status, board = server.json("GET", "/api/v1/boards/" + daily["board"])
    entries = board.get("entries", []) if status == 200 else []
    return next((e for e in entries if e["player"] == name), None)


def play(daily, label, name, **settings):
    game = rp.Game(args.game, args.data, work, display, label, before=online_ini(url, name),
                   **settings)
    games.append(game)
    game.window()
    game.first_picture(os.path.join(args.shots, "e2e_daily_title.png"))
    # The plate asks for the day as Online comes on: its ten characters end
    # just left of the plate ("fetching..." starts further left).
    day_at = rp.to_pixel(-0.37 - 10 * 0.03, 0)[0]
    deadline = time.time() + 30
    left = None
    while time.time() < deadline and not (left and abs(left - day_at) <= 3):
        left = note_left(game.capture(os.path.join(args.shots, "e2e_daily_menu.png")))
        time.sleep(0.3)
    rp.check(left and abs(left - day_at) <= 3, "%s: the plate shows the day" % name)
    rp.click(game, DAILY)
    rp.check(dies(game, os.path.join(args.shots, "e2e_daily_now.png"), 150),
             "%s: the daily game starts, the Marine dies and \"Game Over\" shows" % name)
    entry = None
    deadline = time.time() + 60
    while time.time() < deadline and not entry:
        time.sleep(0.5)
        entry = on_board(daily, name)
    rp.check(entry is not None, "%s's run lands verified on the day's board: %s" % (name, entry))
    status, run = server.json("GET", "/api/v1/runs/%d" % entry["run"])
    rp.check(run["status"] == "verified" and run["board"] == daily["board"]
             and run["seed"] == daily["seed"] and run["day"] == daily["date"]
             and run["spawn_acceleration"] == daily["spawn_acceleration"],
             "the replay the server keeps is the day's game (seed %d, %s, Normal): %s"
             % (daily["seed"], daily["date"], {k: run.get(k) for k in
                                              ("seed", "day", "spawn_acceleration", "rank")}))
    return game, run


try:
    status, daily = server.json("GET", "/api/v1/daily")
    rp.check(status == 200, "the server serves the daily: %s" % daily)
    game, first = play(daily, "first", "Daily One")
    time.sleep(3)  # the game polls the run's status every two seconds
    game.capture(os.path.join(args.shots, "daily_game_over.png"))
    game.kill()
    # The second player's own difficulty changes nothing: the daily is at Normal.
    game, second = play(daily, "second", "Daily Two", spawn_acceleration=0.04)
    game.kill()
    rp.check(first["seed"] == second["seed"], "both play from the same seed")
    dom = page(chromium, url + "/daily/" + daily["date"],
               os.path.join(args.shots, "daily_board.png"))
    rp.check("Daily One" in dom and "Daily Two" in dom,
             "the day's board page in headless Chromium shows both players")
except rp.Failure as failure:
    print("FAIL: %s" % failure)
    for game in games:
        print(game.output())
    sys.exit(1)
finally:
    for game in games:
        game.kill()
    display.stop()
    shutil.rmtree(work, ignore_errors=True)
print("passed; daily_game_over.png and daily_board.png in " + args.shots)
