#!/usr/bin/env python3
"""The Windows game as a player gets it, under wine on a virtual X server.

In a fresh wine prefix whose user is "Zoë" (so %APPDATA% and %LOCALAPPDATA%
are named outside ASCII), with the zip unpacked into "C:\\Jeux 山田":

  1. quorvex.exe --version, and --verify of every committed replay, print the
     Linux build's lines (Windows' CR LF aside) with the same status;
     first-generation files are refused with status 2; quorvex-verify.exe
     gives the Linux verifier's lines, a replay piped in too;
  2. the real program: its title menu matches the Linux build's picture of
     it within a few levels; X input starts a game, walks and fires; with
     Online on, the Marine's death shows "Game Over" and the game lands
     verified on a real quorvex-server through libcurl; the score table has
     the game, and its last.qvr verifies with the Linux quorvex-verify;
  3. the volume set on the Options screen is read back after a restart;
     nothing was written beside quorvex.exe;
  4. the installer with /S installs for the user (and with /ALLUSERS for
     every user), the installed game answers --version, and the uninstaller
     removes the program and its entries and keeps the player's files.

Exit status: 0 passed, 1 failed, 77 skipped (wine, Xvfb, xdotool,
ImageMagick or PostgreSQL missing).

  windows_test.py --zip Z --setup S --game build/quorvex --verifier build/quorvex-verify
                  --server build/quorvex-server --data data --replays tests/replays
                  --shots build/screenshots
"""
import argparse
import json
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse
import zipfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "e2e"))
sys.path.insert(0, os.path.join(here, "..", "server"))
import real_program as rp  # noqa: E402
from harness import Cluster, Server  # noqa: E402
from real_program import check, log  # noqa: E402

USER = "Zoë"
FOLDER = "Jeux 山田"
NAME = "Zoë Wine"


class Prefix:
    """A wine prefix of its own, made for the user "Zoë"."""

    def __init__(self, root):
        self.dir = os.path.join(root, "wine")
        self.env = dict(os.environ, WINEPREFIX=self.dir, WINEDEBUG="-all", USER=USER,
                        WINEDLLOVERRIDES="mscoree,mshtml=", ALSOFT_DRIVERS="null")
        # SDL picks Windows' own video driver; the test suite's offscreen one
        # is Linux's.
        for name in ("DISPLAY", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER"):
            self.env.pop(name, None)
        subprocess.run(["wineboot", "-i"], env=self.env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.drive = os.path.join(self.dir, "drive_c")
        home = os.path.join(self.drive, "users", USER, "AppData")
        self.local = os.path.join(home, "Local", "Quorvex")
        self.roaming = os.path.join(home, "Roaming", "Quorvex")

    def run(self, *cmd, cwd=None, stdin=None, timeout=300):
        """Status and standard output (CR LF as LF) of a Windows program."""
        done = subprocess.run(["wine", *cmd], cwd=cwd, env=self.env, input=stdin,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        return done.returncode, done.stdout.decode(errors="replace").replace("\r\n", "\n")

    def wait(self):
        """Until every program of the prefix has ended."""
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)


class WineGame(rp.Game):
    """The unpacked quorvex.exe under wine, started from elsewhere: it finds
    its data folder beside itself."""

    def __init__(self, exe, prefix, work, display, label):
        self.label = label
        self.work = os.path.join(work, label)
        os.makedirs(self.work)
        self.dir = os.path.dirname(exe)
        self.user_data = prefix.local
        self.user_config = prefix.roaming
        self.env = dict(prefix.env, DISPLAY=display.name)
        self.display = display
        self.out = open(os.path.join(self.work, "stdout.txt"), "wb")
        self.err = open(os.path.join(self.work, "stderr.txt"), "wb")
        self.exe = exe
        self.proc = subprocess.Popen(["wine", exe], cwd=prefix.drive, env=self.env,
                                     stdout=self.out, stderr=self.err,
                                     preexec_fn=rp.die_with_parent)

    def window(self, timeout=90):
        # Wine's windows take keys only once the X focus is given to them
        # (with no window manager, focus otherwise follows the pointer).
        found = super().window(timeout)
        self.x("windowfocus", found)
        return found


def linux_lines(args, *cmd):
    done = subprocess.run([*cmd], cwd=args.data, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=300)
    return done.returncode, done.stdout.decode(errors="replace")


def command_line(args, prefix, install):
    log("1: the command line against the Linux build's")
    exe = os.path.join(install, "quorvex.exe")
    verifier = os.path.join(install, "quorvex-verify.exe")
    check(prefix.run(exe, "--version") == linux_lines(args, args.game, "--version"),
          "quorvex.exe --version prints the Linux build's line")
    replays = sorted(f for f in os.listdir(args.replays) if f.endswith(".qvr"))
    _, described = linux_lines(args, args.verifier, "--json", "--data", args.data,
                               *[os.path.join(args.replays, f) for f in replays])
    generation = {os.path.basename(json.loads(l)["file"]): json.loads(l)["generation"]
                  for l in described.splitlines()}
    for name in replays:
        path = os.path.join(args.replays, name)
        status, out = prefix.run(exe, "--verify", path, cwd=args.data)
        if generation[name] >= 2:
            want = linux_lines(args, args.game, "--verify", path)
            check((status, out) == want, f"--verify {name}: {out.strip()} (status {status})")
        else:
            check(status == 2, f"--verify {name}, of the first generation, is refused (status 2)")
    # The verifier from the zip, files named alike on both sides.
    second = [f for f in replays if generation[f] >= 2]
    want = subprocess.run([args.verifier, "--data", args.data, *second], cwd=args.replays,
                          stdout=subprocess.PIPE, timeout=300)
    status, out = prefix.run(verifier, "--data", args.data, *second, cwd=args.replays)
    check((status, out) == (want.returncode, want.stdout.decode()),
          f"quorvex-verify.exe gives the Linux verifier's {len(second)} lines")
    with open(os.path.join(args.replays, second[0]), "rb") as f:
        piped = f.read()
    want = subprocess.run([args.verifier, "--data", args.data, "-"], input=piped,
                          stdout=subprocess.PIPE, timeout=300).stdout.decode()
    status, out = prefix.run(verifier, "--data", args.data, "-", stdin=piped)
    check(status == 0 and out == want, f"a replay piped in reads as bytes: {out.strip()}")


def menu_difference(linux, windows):
    """Mean difference of the two screens in levels, and the share of pixels
    off by more than 24 in any channel."""
    total = off = 0
    for i in range(0, len(linux.raw), 3):
        d = max(abs(linux.raw[i + k] - windows.raw[i + k]) for k in range(3))
        total += d
        off += d > 24
    n = len(linux.raw) // 3
    return total / n, off / n


def set_spawn_acceleration(data, value):
    path = os.path.join(data, "Settings.ini")
    with open(path) as f:
        before = f.read()
    fields = before.split()
    fields[4] = str(value)
    with open(path, "w") as f:
        f.write(" ".join(fields) + "\n")
    return before


def volume(prefix):
    with open(os.path.join(prefix.roaming, "options.ini"), encoding="utf-8") as f:
        for line in f:
            key, _, value = line.partition("=")
            if key.strip() == "volume":
                return int(value)
    return None


def volume_down(game, steps):
    """The volume down on the Options screen (it opens on that row), kept."""
    rp.click(game, rp.OPTIONS)
    time.sleep(0.8)
    for _ in range(steps):
        game.x("key", "Left")
        time.sleep(0.2)
    game.x("key", "Escape")
    time.sleep(0.8)


def real_program(args, prefix, install, display, work, server, url):
    log("2: the real program under wine")
    began = time.time()
    linux = rp.Game(args.game, args.data, work, display, "linux")
    try:
        linux.window()
        reference = linux.first_picture(os.path.join(args.shots, "windows_menu_linux.png"))
        linux_menu = time.time() - began
    finally:
        linux.kill()

    os.makedirs(prefix.roaming, exist_ok=True)
    with open(os.path.join(prefix.roaming, "online.ini"), "w", encoding="utf-8") as f:
        f.write(f"enabled = 1\nserver = {url}\nname = {NAME}\n")
    # A table the game did not write: moved aside, never overwritten.
    os.makedirs(prefix.local, exist_ok=True)
    with open(os.path.join(prefix.local, "scores.txt"), "w") as f:
        f.write("this is not a score table\n")
    data = os.path.join(install, "data")
    shipped = set_spawn_acceleration(data, 0.04)
    began = time.time()
    game = WineGame(os.path.join(install, "quorvex.exe"), prefix, work, display, "play")
    try:
        game.window(timeout=90)
        shot = game.first_picture(os.path.join(args.shots, "windows_menu.png"), timeout=60)
        # Informative only: wine and llvmpipe are not Windows and a GPU.
        log(f"  the menu on screen {time.time() - began:.1f} s after the start under wine, "
            f"{linux_menu:.1f} s for the Linux build")
        mean, share = menu_difference(reference, shot)
        check(mean < 4 and share < 0.02, f"the title menu is the Linux build's picture: mean "
                                         f"difference {mean:.2f} levels, {share:.2%} of pixels off")

        volume_down(game, 3)

        rp.click(game, rp.NEW_GAME)
        time.sleep(0.8)
        game.x("mousemove", rp.CENTRE[0], 60)
        time.sleep(0.3)
        start = game.capture(os.path.join(args.shots, "windows_new_game.png")).marine()
        check(start is not None, f"\"New Game\" shows the Marine ({start})")
        game.x("keydown", "w")
        time.sleep(1.0)
        game.x("keyup", "w")
        game.x("mousedown", 1)
        time.sleep(0.6)
        game.x("mouseup", 1)
        moved = game.capture(os.path.join(args.shots, "windows_walk.png")).marine()
        check(moved is not None and start[1] - moved[1] > 20,
              f"holding W walks him up: {start[1]:.0f} -> "
              f"{moved[1] if moved else float('nan'):.0f} px")

        # Firing round him in a circle until the crowd gets him.
        dead = None
        game.x("mousedown", 1)
        began = time.time()
        angle = 0.0
        while dead is None and time.time() - began < 120:
            for _ in range(8):
                angle += 0.35
                game.x("mousemove", *rp.to_pixel(0.45 * math.cos(angle), 0.45 * math.sin(angle)))
                time.sleep(0.1)
            shot = game.capture(os.path.join(args.shots, "windows_now.png"))
            if shot.game_over_text() > 400:
                dead = shot
        game.x("mouseup", 1)
        check(dead is not None, "the crowd kills him and \"Game Over\" shows")
        shutil.copyfile(dead.path, os.path.join(args.shots, "windows_game_over.png"))

        best = None
        deadline = time.time() + 90
        while time.time() < deadline and not best:
            time.sleep(0.5)
            status, player = server.json("GET", "/api/v1/players/" + urllib.parse.quote(NAME))
            best = player.get("best") if status == 200 else None
        check(bool(best), f"the game lands verified on the server: {best}")

        time.sleep(2.5)
        game.x("key", "space")
        time.sleep(0.8)
        rp.click(game, rp.EXIT_WIN)
        check(game.wait_exit(timeout=30) == 0, "\"Exit Win\" ends the program with status 0")
    finally:
        game.kill()
        with open(os.path.join(data, "Settings.ini"), "w") as f:
            f.write(shipped)

    with open(os.path.join(prefix.local, "scores.txt"), encoding="utf-8") as f:
        lines = f.read().splitlines()
    check(any(n.startswith("scores.txt.bad-") for n in os.listdir(prefix.local)),
          "the garbage scores.txt was moved aside as scores.txt.bad-*")
    check(len(lines) == 2, f"the score table has the game: {lines[1:]}")
    # Whether a shot hit before the crowd got him depends on the machine's pace.
    log(f"  his fire killed {lines[1].split(chr(9))[2]}")
    score = int(lines[1].split("\t")[0])
    last = os.path.join(prefix.local, "replays", "last.qvr")
    done = subprocess.run([args.verifier, "--data", data, last], stdout=subprocess.PIPE,
                          timeout=300)
    out = done.stdout.decode()
    verified = int(out.split("score ")[1].split()[0]) if "score " in out else -1
    # Shots still in flight after his death may add a kill or two.
    check(done.returncode == 0 and verified >= score,
          f"last.qvr verifies with the Linux quorvex-verify: {out.strip()} (table {score})")
    shutil.copyfile(last, os.path.join(args.shots, "windows_last.qvr"))

    log("3: options kept across a restart")
    set_to = volume(prefix)
    check(set_to is not None and set_to < 100, f"the Options screen saved volume = {set_to}")
    game = WineGame(os.path.join(install, "quorvex.exe"), prefix, work, display, "restart")
    try:
        game.window(timeout=90)
        game.first_picture(os.path.join(args.shots, "windows_restart.png"), timeout=60)
        volume_down(game, 1)
        rp.click(game, rp.EXIT_WIN)
        check(game.wait_exit(timeout=30) == 0, "the second start ends with status 0")
    finally:
        game.kill()
    again = volume(prefix)
    check(again is not None and again < set_to,
          f"the restarted game read volume = {set_to} and stepped it to {again}")


def installer(args, prefix):
    log("4: the installer and the uninstaller")
    roaming = os.path.join(prefix.drive, "users", USER, "AppData", "Roaming")
    menus = os.path.join("Microsoft", "Windows", "Start Menu", "Programs", "Quorvex.lnk")
    cases = [
        # options, where it installs, its Start-menu entry, its uninstall entry's root
        ([], os.path.join(prefix.drive, "users", USER, "AppData", "Local", "Programs", "Quorvex"),
         os.path.join(roaming, menus), "HKCU"),
        (["/ALLUSERS"], os.path.join(prefix.drive, "Program Files", "Quorvex"),
         os.path.join(prefix.drive, "ProgramData", menus), "HKLM"),
    ]
    key = r"\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvex"
    for options, installed, menu, root in cases:
        who = "every user" if options else "the user"
        status, _ = prefix.run(args.setup, "/S", *options)
        prefix.wait()
        exe = os.path.join(installed, "quorvex.exe")
        check(status == 0 and os.path.isfile(exe) and os.path.isfile(menu),
              f"{' '.join(['/S', *options])} installs for {who} into {installed}, with a Start-menu "
              f"entry")
        status, out = prefix.run(exe, "--version")
        check(status == 0 and out.startswith("quorvex "),
              f"the installed game answers {out.strip()}")
        status, out = prefix.run("reg", "query", root + key)
        check(status == 0 and "uninstall.exe" in out,
              f"an entry in the installed apps ({root}) names the uninstaller")
        prefix.run(os.path.join(installed, "uninstall.exe"), "/S")
        prefix.wait()
        deadline = time.time() + 30
        while os.path.exists(installed) and time.time() < deadline:
            time.sleep(0.5)
        status, _ = prefix.run("reg", "query", root + key)
        check(not os.path.exists(installed) and not os.path.exists(menu) and status != 0,
              "the uninstaller removes the program, its Start-menu entry and its entry")
        check(os.path.isfile(os.path.join(prefix.local, "scores.txt")) and
              os.path.isfile(os.path.join(prefix.local, "replays", "last.qvr")),
              "and keeps %LOCALAPPDATA%\\Quorvex")


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    for option in ("--zip", "--setup", "--game", "--verifier", "--server", "--data",
                   "--replays", "--shots"):
        p.add_argument(option, required=True)
    p.add_argument("--keep", action="store_true", help="keep the scratch folder")
    args = p.parse_args()
    for key in ("zip", "setup", "game", "verifier", "server", "data", "replays", "shots"):
        setattr(args, key, os.path.abspath(getattr(args, key)))
    missing = [t for t in ("wine", "wineboot", "wineserver", "Xvfb", "xdotool", "import",
                           "convert") if not shutil.which(t)]
    if missing:
        log("SKIP: not installed: " + ", ".join(missing))
        return rp.SKIP
    os.makedirs(args.shots, exist_ok=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))

    work = tempfile.mkdtemp(prefix="quorvex-windows-")
    prefix = display = server = None
    began = time.time()
    try:
        prefix = Prefix(work)
        log(f"a wine prefix for {USER} in {time.time() - began:.0f} s")
        install = os.path.join(prefix.drive, FOLDER)
        os.makedirs(install)
        with zipfile.ZipFile(args.zip) as z:
            z.extractall(install)
            top = z.namelist()[0].split("/")[0]
        # The zip holds one folder; its contents go where the player unpacks it.
        for name in os.listdir(os.path.join(install, top)):
            shutil.move(os.path.join(install, top, name), install)
        os.rmdir(os.path.join(install, top))
        unpacked = sorted(os.listdir(install))

        command_line(args, prefix, install)
        server = Server(args, Cluster(), "--workers", "1")
        display = rp.Display()
        real_program(args, prefix, install, display, work, server,
                     "http://127.0.0.1:%d" % server.port)
        check(sorted(os.listdir(install)) == unpacked, "nothing was written beside quorvex.exe")
        installer(args, prefix)
    except rp.Failure as failure:
        log(f"FAIL: {failure}")
        return 1
    finally:
        if prefix:
            prefix.stop()
        if display:
            display.stop()
        if args.keep:
            log(f"scratch folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    log(f"passed in {time.time() - began:.0f} s; screenshots in {args.shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
