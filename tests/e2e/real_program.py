#!/usr/bin/env python3
"""Plays the real quorvex program the way a player does.

Starts the built game under a virtual X server (Xvfb) in a scratch copy of the
data folder, drives it with real X input (xdotool: pointer moves, clicks, held
keys and buttons), looks at the screen (ImageMagick's import) and listens to
its sound (OpenAL Soft's wave writer into a file):

  1. the shipped settings: the title menu on start, "New Game" starts a game,
     holding W walks the Marine up (and, on a French AZERTY layout, the key
     at W's place, which types Z), the left button fires the Pistol and its
     shot is in the sound, Escape opens the menu, "Options" opens its screen
     and Escape closes it, "Exit Win" ends the program with status 0;
  2. a faster spawner: a crowd comes in while the Marine fires around him,
     he dies, "Game Over" shows, a key brings the menu back, "Exit Win". A
     garbage scores.txt in the player's data folder was moved aside, the death
     is in the fresh table, last.qvr and the table's replay verify with
     --verify, and --scores lists the game;
  3. a Settings.ini in the player's config folder sets the window's size.

Screenshots land as e2e_*.png in --shots.

Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb, xdotool or
ImageMagick, or no data yet).

  real_program.py --game build/quorvex --data data --shots build/screenshots
"""

import argparse
import ctypes
import math
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

SKIP = 77
WIDTH, HEIGHT = 1024, 768

# Arena (x, y) to screen pixels of the 1024 x 768 window at (0, 0).
def to_pixel(x, y):
    return int((x + 1.0) * WIDTH / 2), int((1.0 - y) * HEIGHT / 2)

NEW_GAME = to_pixel(0.35, -0.07)   # (691, 411)
OPTIONS = to_pixel(0.45, -0.395)   # (742, 535)
EXIT_WIN = to_pixel(0.425, -0.715) # (729, 658)
CENTRE = to_pixel(0.0, 0.0)        # (512, 384)


class Failure(Exception):
    pass


def log(text):
    print(text, flush=True)


# --- Pictures -------------------------------------------------------------------


class Shot:
    """One screen capture as raw RGB bytes."""

    def __init__(self, path):
        self.path = path
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                             stdout=subprocess.PIPE).stdout
        if len(raw) != WIDTH * HEIGHT * 3:
            raise Failure(f"{path}: expected a {WIDTH}x{HEIGHT} screen, got {len(raw)} bytes")
        self.raw = raw

    def rgb(self, x, y):
        i = (y * WIDTH + x) * 3
        return self.raw[i], self.raw[i + 1], self.raw[i + 2]

    def pixels(self, x0, y0, x1, y1, step=1):
        for y in range(y0, y1, step):
            for x in range(x0, x1, step):
                yield x, y, self.rgb(x, y)

    def mean(self, x0, y0, x1, y1):
        n = r = g = b = 0
        for _, _, (pr, pg, pb) in self.pixels(x0, y0, x1, y1, 2):
            r += pr
            g += pg
            b += pb
            n += 1
        return r / n, g / n, b / n

    def ground_share(self):
        """Share of the screen that is bare ground. The generated ground is
        one of three noise schemes: green only, yellow (red equal to green)
        or grey, and filtering keeps those channel relations."""
        n = hits = 0
        for _, _, (r, g, b) in self.pixels(0, 0, WIDTH, HEIGHT, 4):
            n += 1
            if b < 8 and (r < 8 and g > 15 or abs(r - g) <= 2 and r > 40):
                hits += 1
            elif abs(r - g) <= 2 and abs(g - b) <= 2 and 45 <= r <= 155:
                hits += 1
        return hits / n

    def plates_green(self):
        # Inside the three plates, clear of their slanted ends and the labels'
        # edges: arena x 0.17..0.58, y -0.02..-0.45.
        x0, y0 = to_pixel(0.17, -0.02)
        x1, y1 = to_pixel(0.58, -0.45)
        r, g, b = self.mean(x0, y0, x1, y1)
        return g > 90 and g > r + 30 and g > b + 30, (round(r), round(g), round(b))

    def marine(self):
        """Centre of the Marine's blue-grey armour near the middle column."""
        xs = ys = n = 0
        for x, y, (r, g, b) in self.pixels(CENTRE[0] - 100, 60, CENTRE[0] + 100, CENTRE[1] + 90):
            # Grass is pure green, monsters red, pink or olive, the aim line
            # red and the crosshair white: only his armour is blue over both.
            if b > 40 and b > g + 10 and b > r + 10:
                xs += x
                ys += y
                n += 1
        if n < 15:
            return None
        return xs / n, ys / n, n

    def bright(self, x0, y0, x1, y1):
        return sum(1 for _, _, (r, g, b) in self.pixels(x0, y0, x1, y1)
                   if r > 170 and g > 170 and b > 170)

    def game_over_text(self):
        # "Game Over" in the large font from arena (-0.25, 0) along the
        # baseline just above the middle row.
        x0, y1 = to_pixel(-0.26, -0.005)
        x1, y0 = to_pixel(0.22, 0.09)
        return self.bright(x0, y0, x1, y1)


# --- Sound ----------------------------------------------------------------------


def read_wave(path):
    """Mono 16-bit samples and rate of a RIFF/WAVE file (PCM or extensible).

    The wave writer fixes its chunk sizes only when the device is closed; a
    size that runs past the end means "to the end of the file"."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise Failure(f"{path}: not a RIFF/WAVE file")
    pos = 12
    fmt = None
    while pos + 8 <= len(data):
        tag, size = struct.unpack_from("<4sI", data, pos)
        body = pos + 8
        if tag == b"fmt ":
            tagid, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", data, body)
            if tagid == 0xFFFE:  # WAVE_FORMAT_EXTENSIBLE: the sub-format's first word
                tagid = struct.unpack_from("<H", data, body + 24)[0]
            fmt = (tagid, channels, rate, bits)
        elif tag == b"data":
            if fmt is None:
                raise Failure(f"{path}: data before fmt")
            tagid, channels, rate, bits = fmt
            if tagid != 1 or bits != 16:
                raise Failure(f"{path}: format {tagid}, {bits} bits; expected 16-bit PCM")
            end = len(data) if size == 0xFFFFFFFF or body + size > len(data) else body + size
            count = (end - body) // (2 * channels)
            samples = struct.unpack_from(f"<{count * channels}h", data, body)
            return list(samples[::channels]), rate
        pos = body + size + (size & 1)
    raise Failure(f"{path}: no data chunk")


def resample(samples, rate, to_rate):
    """Linear interpolation, as the mixer's simplest resampler does."""
    if rate == to_rate:
        return list(samples)
    out = []
    step = rate / to_rate
    for i in range(int((len(samples) - 1) / step)):
        pos = i * step
        k = int(pos)
        frac = pos - k
        out.append(samples[k] * (1.0 - frac) + samples[k + 1] * frac)
    return out


def best_match(sound, reference, length, lags):
    """Highest normalised correlation of `reference`'s first `length`
    samples with `sound` shifted by up to `lags` samples either way."""
    ref = reference[:length]
    ref_norm = math.sqrt(sum(x * x for x in ref))
    best = 0.0
    for lag in range(0, 2 * lags + 1):
        part = sound[lag:lag + length]
        if len(part) < length:
            break
        norm = math.sqrt(sum(x * x for x in part))
        if norm > 0 and ref_norm > 0:
            best = max(best, sum(a * b for a, b in zip(part, ref)) / (norm * ref_norm))
    return best


# --- The X server and the game ---------------------------------------------------


def die_with_parent():
    """Runs in the child before exec: a test runner that kills this script
    on a time-out takes the X server and the game with it."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


class Display:
    # -noreset: by default the server resets when its last client leaves, and
    # the next game, starting during the reset, would find no display.
    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{WIDTH}x{HEIGHT}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=die_with_parent)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            self.stop()
            raise Failure("Xvfb did not start")
        self.name = ":" + number.decode().strip()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()


class Game:
    def __init__(self, exe, data, work, display, label, spawn_acceleration=None, before=None):
        self.label = label
        self.work = os.path.join(work, label)
        self.dir = os.path.join(self.work, "data")
        # The player's own folders, never the real home's.
        self.user_data = os.path.join(self.work, "home", "data", "quorvex")
        self.user_config = os.path.join(self.work, "home", "config", "quorvex")
        shutil.copytree(data, self.dir)
        if spawn_acceleration is not None:
            with open(os.path.join(self.dir, "Settings.ini")) as f:
                fields = f.read().split()
            fields[4] = str(spawn_acceleration)
            with open(os.path.join(self.dir, "Settings.ini"), "w") as f:
                f.write(" ".join(fields) + "\n")
        self.wave = os.path.join(self.work, "sound.wav")
        conf = os.path.join(self.work, "alsoft.conf")
        with open(conf, "w") as f:
            f.write("[general]\ndrivers=wave\nsample-type=int16\nchannels=mono\n"
                    f"[wave]\nfile={self.wave}\n")
        env = dict(os.environ)
        env.pop("ALSOFT_DRIVERS", None)  # it would override the configured writer
        env.update(DISPLAY=display.name, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy",
                   ALSOFT_CONF=conf,
                   XDG_DATA_HOME=os.path.join(self.work, "home", "data"),
                   XDG_CONFIG_HOME=os.path.join(self.work, "home", "config"))
        if before:
            before(self)
        self.display = display
        self.env = env
        self.out = open(os.path.join(self.work, "stdout.txt"), "wb")
        self.err = open(os.path.join(self.work, "stderr.txt"), "wb")
        self.exe = exe
        self.proc = subprocess.Popen([exe], cwd=self.dir, env=env, stdout=self.out,
                                     stderr=self.err, preexec_fn=die_with_parent)

    def alive(self):
        return self.proc.poll() is None

    def require_alive(self, what):
        if not self.alive():
            raise Failure(f"{self.label}: the game ended (status {self.proc.returncode}) {what}"
                          f"\n{self.output()}")

    def kill(self):
        # SIGKILL: SDL catches SIGTERM, and a message box would block an exit.
        if self.alive():
            try:
                os.kill(self.proc.pid, signal.SIGCONT)
                os.kill(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.proc.wait()
        self.out.close()
        self.err.close()

    def output(self):
        """What the game printed, less OpenAL Soft's note that the device was
        left open at exit (the game keeps its resources to the end)."""
        texts = []
        for name in ("stdout.txt", "stderr.txt"):
            with open(os.path.join(self.work, name), "rb") as f:
                lines = f.read().decode(errors="replace").splitlines()
            text = "\n".join(l for l in lines if "alc_cleanup: 1 device not closed" not in l)
            text = text.strip()
            if text:
                texts.append(f"--- {name}\n{text}")
        return "\n".join(texts)

    def x(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def capture(self, path):
        """The screen as it stands. The game draws flat out and floods the X
        server, which makes a capture take seconds; it is held still for the
        fraction of a second the capture needs. Its clock runs on meanwhile,
        so the next frame is one long step."""
        self.require_alive(f"before {os.path.basename(path)}")
        os.kill(self.proc.pid, signal.SIGSTOP)
        try:
            subprocess.run(["import", "-window", "root", path], env=self.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.kill(self.proc.pid, signal.SIGCONT)
        return Shot(path)

    def window(self, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            self.require_alive("before its window showed")
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Quorvex Game"],
                                   env=self.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL).stdout.split()
            if found:
                return found[0].decode()
            time.sleep(0.2)
        raise Failure(f"{self.label}: no window named \"Quorvex Game\" after {timeout} s")

    def first_picture(self, path, timeout=30):
        """Waits until a drawn frame (not a blank window) is on screen."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            shot = self.capture(path)
            ok, _ = shot.plates_green()
            if ok and shot.ground_share() < 0.5:
                return shot
            time.sleep(0.3)
        return shot

    def wait_exit(self, timeout=15):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{self.label}: still running {timeout} s after \"Exit Win\"")


def click(game, at, settle=0.4):
    # The menu finds the hovered item while it draws: let a frame see the
    # pointer before the button goes down and up.
    game.x("mousemove", *at)
    time.sleep(settle)
    game.x("mousedown", 1)
    time.sleep(0.1)
    game.x("mouseup", 1)


# --- The two runs ---------------------------------------------------------------


def check(condition, message):
    if not condition:
        raise Failure(message)
    log("  ok: " + message)


def menu_run(args, display, work):
    log("run 1: shipped settings")
    game = Game(args.game, args.data, work, display, "menu")
    try:
        game.window()
        shot = game.first_picture(os.path.join(args.shots, "e2e_title.png"))
        ok, colour = shot.plates_green()
        check(ok, f"the title menu's green plates are on screen (mean colour {colour})")
        share = shot.ground_share()
        check(share < 0.3, f"the title picture covers the arena ({share:.0%} bare ground)")

        # "New Game".
        click(game, NEW_GAME)
        time.sleep(0.5)
        game.x("mousemove", CENTRE[0], 60)  # aim straight up
        time.sleep(0.2)
        shot = game.capture(os.path.join(args.shots, "e2e_new_game.png"))
        share = shot.ground_share()
        ok, colour = shot.plates_green()
        check(share > 0.8 and not ok,
              f"\"New Game\" shows the arena ({share:.0%} bare ground, no plates {colour})")
        start = shot.marine()
        check(start is not None and abs(start[0] - CENTRE[0]) < 20
              and abs(start[1] - CENTRE[1]) < 20, f"the Marine stands in the middle ({start})")

        # The left button fires the Pistol, early, while the monsters are
        # still outside the arena and no hit can mix its sound in. The wave
        # writer runs in real time: the file's length marks the moment.
        # Held for most of the Pistol's 500 ms interval: one shot, even when
        # the machine is busy and frames come slowly.
        click_bytes = os.path.getsize(game.wave)
        game.x("mousedown", 1)
        time.sleep(0.4)
        game.x("mouseup", 1)

        # Held W walks him up at 0.2 arena units (77 pixels) a second.
        game.x("keydown", "w")
        time.sleep(1.0)
        game.x("keyup", "w")
        time.sleep(0.2)
        shot = game.capture(os.path.join(args.shots, "e2e_walk.png"))
        moved = shot.marine()
        check(moved is not None and start[1] - moved[1] > 25 and abs(moved[0] - start[0]) < 20,
              f"holding W walks the Marine up: {start[1]:.0f} -> "
              f"{moved[1] if moved else float('nan'):.0f} px")
        walk_azerty(game, display, args.shots, moved)

        # Escape opens the menu over the frozen game.
        game.x("key", "Escape")
        time.sleep(0.6)
        shot = game.capture(os.path.join(args.shots, "e2e_escape_menu.png"))
        ok, colour = shot.plates_green()
        check(ok, f"Escape opens the menu (plates {colour})")

        # "Options" opens its screen over the menu; Escape goes back to it.
        click(game, OPTIONS)
        time.sleep(0.6)
        shot = game.capture(os.path.join(args.shots, "e2e_options.png"))
        ok, colour = shot.plates_green()
        check(not ok, f"\"Options\" covers the menu with its screen (plates {colour})")
        game.x("key", "Escape")
        time.sleep(0.6)
        ok, colour = game.capture(os.path.join(args.shots, "e2e_options_closed.png")).plates_green()
        check(ok, f"Escape on the Options screen goes back to the menu (plates {colour})")

        click(game, EXIT_WIN)
        status = game.wait_exit()
        check(status == 0, f"\"Exit Win\" ends the program with status {status}")
        output = game.output()
        check(not output, "the game printed nothing" + (f"\n{output}" if output else ""))

        check_shot_sound(game.wave, click_bytes,
                         os.path.join(game.dir, "Sounds", "PistolShot.wav"))
    finally:
        game.kill()


def walk_azerty(game, display, shots, start):
    # Bindings sit on key positions: on a French layout the key where W sits
    # types Z, and holding it still walks him up.
    if not shutil.which("setxkbmap"):
        log("  skipped: the AZERTY walk (no setxkbmap)")
        return
    subprocess.run(["setxkbmap", "-display", display.name, "fr"], check=True)
    try:
        time.sleep(0.3)
        game.x("keydown", "z")
        time.sleep(1.0)
        game.x("keyup", "z")
        time.sleep(0.2)
    finally:
        subprocess.run(["setxkbmap", "-display", display.name, "us"], check=True)
    shot = game.capture(os.path.join(shots, "e2e_walk_azerty.png"))
    moved = shot.marine()
    check(moved is not None and start[1] - moved[1] > 25 and abs(moved[0] - start[0]) < 20,
          f"on AZERTY, holding the key at W's place (Z) walks him up: {start[1]:.0f} -> "
          f"{moved[1] if moved else float('nan'):.0f} px")


def check_shot_sound(wave, click_bytes, pistol_file):
    samples, rate = read_wave(wave)
    reference, ref_rate = read_wave(pistol_file)
    reference = resample(reference, ref_rate, rate)
    loud = max(300, max(abs(s) for s in reference) // 30)

    # Samples before the click, less the header (68 bytes) and a slack for
    # the writer's buffering and mixing ahead.
    click_at = max(0, (click_bytes - 68) // 2)
    begin = max(0, click_at - rate // 4)
    head = samples[:begin]
    tail = samples[begin:click_at + 2 * rate]
    quiet = max((abs(s) for s in head), default=0)
    check(quiet < loud, f"silence before the click (peak {quiet} in {len(head) / rate:.1f} s)")
    onset = next((i for i, s in enumerate(tail) if abs(s) > loud), None)
    check(onset is not None, f"a sound starts after the click (above {loud})")
    peak = max(abs(s) for s in tail[onset:onset + rate // 2])
    log(f"  sound at {(begin + onset) / rate:.2f} s (click at about {click_at / rate:.2f} s), "
        f"peak {peak}")

    # Its first 60 ms, sample by sample, against the file.
    ref_onset = next(i for i, s in enumerate(reference) if abs(s) > loud)
    lags = rate // 500
    start = max(0, onset - lags)
    similar = best_match(tail[start:start + rate // 5], reference[ref_onset:], rate * 60 // 1000,
                         lags)
    check(similar > 0.8, f"it is PistolShot.wav (correlation {similar:.2f})")


def run_game(game, *args):
    """The program with options, in the game's folder and environment; its
    status and what it printed."""
    done = subprocess.run([game.exe, *args], cwd=game.dir, env=game.env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=120)
    return done.returncode, done.stdout.decode(errors="replace")


def garbage_scores(game):
    os.makedirs(game.user_data, exist_ok=True)
    with open(os.path.join(game.user_data, "scores.txt"), "w") as f:
        f.write("this is not a score table\n")


def check_kept_games(game):
    names = os.listdir(game.user_data)
    check(any(n.startswith("scores.txt.bad-") for n in names),
          "the garbage scores.txt was moved aside as scores.txt.bad-*")
    with open(os.path.join(game.user_data, "scores.txt")) as f:
        lines = f.read().splitlines()
    check(lines[0] == "quorvex-scores 2" and len(lines) == 2,
          f"the death is the one entry of a fresh table: {lines[1:] if len(lines) > 1 else lines}")
    score, _, _, _, replay, _ = lines[1].split("\t")
    last = os.path.join(game.user_data, "replays", "last.qvr")
    check(os.path.isfile(last), "the game left replays/last.qvr")
    status, out = run_game(game, "--verify", last)
    check(status == 0 and out.startswith("score "),
          f"--verify reproduces last.qvr: {out.strip()}")
    verified = int(out.split()[1])
    # Shots still in flight after his death may add a kill or two.
    check(verified >= int(score), f"its score {verified} is at least the table's {score}")
    check(replay != "-", f"the entry names its replay {replay}")
    status, out = run_game(game, "--verify", os.path.join(game.user_data, "replays", replay))
    check(status == 0, f"--verify reproduces the best game's replay: {out.strip()}")
    truncated = os.path.join(game.work, "truncated.qvr")
    with open(last, "rb") as f, open(truncated, "wb") as g:
        g.write(f.read()[:200])
    status, out = run_game(game, "--verify", truncated)
    check(status == 2 and "truncated" in out, f"a truncated copy is refused: {out.strip()}")
    status, out = run_game(game, "--scores")
    check(status == 0 and score in out, "--scores lists the game")


def config_run(args, display, work):
    log("run 3: settings from the player's config folder")

    def settings(game):
        os.makedirs(game.user_config, exist_ok=True)
        with open(os.path.join(game.user_config, "Settings.ini"), "w") as f:
            f.write("0 800 600 32 0.003 0\n")

    game = Game(args.game, args.data, work, display, "config", before=settings)
    try:
        window = game.window()
        geometry = subprocess.run(["xdotool", "getwindowgeometry", window], env=game.env,
                                  stdout=subprocess.PIPE).stdout.decode()
        check("800x600" in geometry, f"the player's Settings.ini gives an 800 x 600 window: "
                                     f"{geometry.split('Geometry:')[-1].strip()}")
    finally:
        game.kill()


def crowd_run(args, display, work):
    log("run 2: a crowd, the Marine's death, Game Over")
    game = Game(args.game, args.data, work, display, "crowd", spawn_acceleration=0.04,
                before=garbage_scores)
    try:
        game.window()
        game.first_picture(os.path.join(args.shots, "e2e_crowd_title.png"))
        click(game, NEW_GAME)
        time.sleep(0.5)

        # Fire around him in a circle; the special when the score allows.
        game.x("mousedown", 1)
        began = time.time()
        angle = 0.0
        best = -1
        dead = None
        while time.time() - began < 45:
            angle += 0.35
            r = 0.45
            game.x("mousemove", *to_pixel(r * math.cos(angle), r * math.sin(angle)))
            if int(angle / 0.35) % 12 == 0:
                game.x("click", 3)
            time.sleep(0.1)
            if time.time() - began > 3 and int(angle / 0.35) % 8 == 0:
                path = os.path.join(args.shots, "e2e_crowd_now.png")
                shot = game.capture(path)
                if shot.game_over_text() > 400:
                    dead = shot
                    break
                # The picture with the most going on is the one to show.
                busy = 1.0 - shot.ground_share()
                if busy > best:
                    best = busy
                    shutil.copyfile(path, os.path.join(args.shots, "e2e_play.png"))
        game.x("mouseup", 1)
        check(dead is not None, "the crowd kills the Marine and \"Game Over\" shows")
        shutil.copyfile(dead.path, os.path.join(args.shots, "e2e_game_over.png"))
        log(f"  busiest play picture: {best:.0%} of the arena covered")

        # A key 2000 ms or more after the death brings the menu.
        time.sleep(2.5)
        game.x("key", "space")
        time.sleep(0.6)
        shot = game.capture(os.path.join(args.shots, "e2e_menu_after_death.png"))
        ok, colour = shot.plates_green()
        check(ok, f"a key after the death opens the menu (plates {colour})")
        click(game, EXIT_WIN)
        status = game.wait_exit()
        check(status == 0, f"\"Exit Win\" ends the program with status {status}")
        output = game.output()
        # The one line expected: the garbage table moved aside.
        extra = [l for l in output.splitlines()
                 if not l.startswith("--- ") and "scores.txt" not in l]
        check(not extra, "the game printed nothing else" + ("\n" + "\n".join(extra) if extra else ""))
        check_kept_games(game)
        # The game played here is one more replay for the cross-built verifiers.
        shutil.copyfile(os.path.join(game.user_data, "replays", "last.qvr"),
                        os.path.join(args.shots, "e2e_crowd.qvr"))
    finally:
        game.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", required=True, help="the quorvex program")
    parser.add_argument("--data", required=True, help="the data folder to copy")
    parser.add_argument("--shots", required=True, help="folder for e2e_*.png")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    args = parser.parse_args()
    args.game, args.data, args.shots = map(os.path.abspath, (args.game, args.data, args.shots))

    missing = [tool for tool in ("Xvfb", "xdotool", "import", "convert") if not shutil.which(tool)]
    if missing:
        log("SKIP: not installed: " + ", ".join(missing))
        return SKIP
    if not os.path.isfile(os.path.join(args.data, "Settings.ini")):
        log(f"SKIP: {args.data} holds no Settings.ini yet")
        return SKIP
    os.makedirs(args.shots, exist_ok=True)

    # A runner's SIGTERM still cleans up (the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    work = tempfile.mkdtemp(prefix="quorvex-e2e-")
    display = None
    began = time.time()
    try:
        display = Display()
        log(f"Xvfb on {display.name}")
        menu_run(args, display, work)
        crowd_run(args, display, work)
        config_run(args, display, work)
    except Failure as failure:
        log(f"FAIL: {failure}")
        return 1
    finally:
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
