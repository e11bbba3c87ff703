"""What the end-to-end tests of the game with Online on share: their options,
the tools they need, a real server on a throwaway PostgreSQL, the player's
online.ini, a game left to die and a page in headless Chromium."""
import argparse
import os
import shutil
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "e2e"))
sys.path.insert(0, os.path.join(here, "..", "server"))
import real_program as rp  # noqa: E402
from harness import Cluster, Server  # noqa: E402


def arguments():
    """The options, made absolute; exits 77 when a tool is missing. Returns
    them with the Chromium to use."""
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
    return args, chromium


def start_server(args):
    """A server with one worker on a fresh cluster, and its URL."""
    server = Server(args, Cluster(), "--workers", "1")
    return server, "http://127.0.0.1:%d" % server.port


def online_ini(url, name):
    """For rp.Game's `before`: Online on, this server, this name. Each game
    makes its own token when it starts."""
    def write(g):
        os.makedirs(g.user_config, exist_ok=True)
        with open(os.path.join(g.user_config, "online.ini"), "w") as f:
            f.write("enabled = 1\nserver = %s\nname = %s\n" % (url, name))
    return write


def dies(game, path, seconds=90):
    """He stands still: the crowd comes to him. True once "Game Over" shows."""
    began = time.time()
    while time.time() - began < seconds:
        time.sleep(1.0)
        if game.capture(path).game_over_text() > 400:
            return True
    return False


def page(chromium, address, shot=None):
    """The page's DOM as headless Chromium builds it; with `shot`, a
    1024 x 768 screenshot of it too."""
    cmd = [chromium, "--headless", "--no-sandbox", "--disable-gpu"]
    if shot:
        subprocess.run(cmd + ["--hide-scrollbars", "--window-size=1024,768",
                              "--screenshot=" + shot, address], capture_output=True, timeout=60)
    return subprocess.run(cmd + ["--dump-dom", address], capture_output=True, text=True,
                          timeout=60).stdout
