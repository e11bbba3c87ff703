#!/usr/bin/env python3
"""The browser build end to end, in headless Chromium over the DevTools
protocol, served with the leaderboard server's Content-Security-Policy:

  1. /play draws the menu (plates green where the desktop draws them), the
     desktop's picture of it within a few levels (tests/golden/web/: the real
     program's 1024 x 768 menu from the e2e test, build/screenshots/
     e2e_title.png, without its PNG colour chunks; take it again when the
     menu changes); the picture is kept in OUT/web_menu.png with the time to
     the menu.
  2. A second visit takes the hashed files from the cache and reads the
     player's files back from IndexedDB (a faster crowd, set on the first).
  3. A click on New Game starts a game; held keys and the mouse move and fire;
     the crowd kills the Marine; Game Over shows and stays in view; the next
     key brings the Online offer; "No thanks"; Game Over says "Saved"; a reload
     keeps the score table.
  4. /runs/{id}/watch replays committed runs of the current rules at 4x and
     ends on the checksum the verifier found, shown as page text.
  5. The page's module carries no benchmark; the bench build's page
     (build-web/bench-site/) draws the full-load world for a frame figure.

Exit status: 0 passed, 1 failed, 77 skipped (no Chromium or no build)."""
import argparse
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Browser, CdpError  # noqa: E402
from site_server import SiteServer  # noqa: E402

SKIP = 77
WIDTH, HEIGHT = 1024, 768
CONFIG = "/home/web_user/.config/quorvex"
DATA = "/home/web_user/.local/share/quorvex"
failures = []


def log(text):
    print(text, flush=True)


def check(ok, what):
    log(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)
    return ok


def to_pixel(x, y):
    """Arena coordinates to the 1024 x 768 picture's pixels."""
    return int((x + 1.0) * WIDTH / 2), int((1.0 - y) * HEIGHT / 2)


NEW_GAME = to_pixel(0.35, -0.07)
PLATES = [to_pixel(0.35, -0.07), to_pixel(0.45, -0.395), to_pixel(0.425, -0.715)]

# Counts the canvas's pixels in a box: green plates, bright text.
PIXELS_JS = """(function (x0, y0, x1, y1) {
  var c = document.getElementById('canvas');
  var t = document.createElement('canvas');
  t.width = c.width; t.height = c.height;
  var g = t.getContext('2d');
  g.drawImage(c, 0, 0);
  var d = g.getImageData(x0, y0, x1 - x0, y1 - y0).data;
  var green = 0, bright = 0, n = d.length / 4;
  for (var i = 0; i < d.length; i += 4) {
    if (d[i + 1] > 100 && d[i + 1] > d[i] + 40 && d[i + 1] > d[i + 2] + 40) green++;
    if (d[i] > 170 && d[i + 1] > 170 && d[i + 2] > 170) bright++;
  }
  return {green: green / n, bright: bright};
})(%d, %d, %d, %d)"""


# The canvas against the desktop's picture of the same menu at the same size
# (tests/golden/web/), leaving out the two pointers: the desktop's where the
# player left it, the page's at the corner, since a page cannot move it.
# Answers the share of pixels off by more than 24 levels and the mean
# difference.
REFERENCE = "/reference/menu.png"
COMPARE_JS = """new Promise(function (done) {
  var img = new Image();
  img.onload = function () {
    var c = document.getElementById('canvas');
    function read(src) {
      var t = document.createElement('canvas');
      t.width = c.width; t.height = c.height;
      var g = t.getContext('2d');
      g.drawImage(src, 0, 0);
      return g.getImageData(0, 0, t.width, t.height).data;
    }
    var a = read(c), b = read(img), w = c.width, off = 0, sum = 0, n = 0;
    var masks = [[0, 0, 32, 32], [%d, %d, %d, %d]];
    for (var y = 0; y < c.height; y++) for (var x = 0; x < w; x++) {
      var skip = false;
      for (var m = 0; m < masks.length; m++) {
        var k = masks[m];
        if (x >= k[0] && y >= k[1] && x < k[2] && y < k[3]) skip = true;
      }
      if (skip) continue;
      var i = 4 * (y * w + x), d = 0;
      for (var ch = 0; ch < 3; ch++) d = Math.max(d, Math.abs(a[i + ch] - b[i + ch]));
      if (d > 24) off++;
      sum += d; n++;
    }
    done({off: off / n, mean: sum / n, size: [img.width, img.height, c.width, c.height]});
  };
  img.onerror = function () { done({error: 'no reference'}); };
  img.src = '%s';
})"""
DESKTOP_POINTER = (494, 366, 530, 402)


def pixels(browser, x0, y0, x1, y1):
    return browser.evaluate(PIXELS_JS % (x0, y0, x1, y1))


# The mean time between animation frames over 20 frames, in milliseconds.
FRAME_MS_JS = """new Promise(function (done) {
  var times = [];
  function step(t) { times.push(t); if (times.length < 21) requestAnimationFrame(step);
                     else done((times[20] - times[0]) / 20); }
  requestAnimationFrame(step);
})"""


OFFERED_JS = "document.body.getAttribute('data-online')"


def game_over_text(browser):
    x0, y1 = to_pixel(-0.26, -0.005)
    x1, y0 = to_pixel(0.22, 0.09)
    return pixels(browser, x0, y0, x1, y1)["bright"]


def open_play(browser, server, reload=False):
    began = time.monotonic()
    if reload:
        browser.call("Page.reload", {"ignoreCache": False})
        time.sleep(0.2)
    else:
        browser.open_page(server.url("/play"))
    browser.wait_for("document.body && document.body.getAttribute('data-started')", timeout=60)
    return time.monotonic() - began


def sync_files(browser):
    return browser.evaluate("new Promise(function (r) { FS.syncfs(false, function (e) { r(e ? String(e) : 'ok'); }); })")


def play(browser, server, out):
    elapsed = open_play(browser, server)
    log(f"  first visit: menu after {elapsed:.2f} s")
    time.sleep(1.5)
    browser.screenshot(os.path.join(out, "web_menu.png"))
    shares = [pixels(browser, x - 20, y - 6, x + 20, y + 6)["green"] for x, y in PLATES]
    check(all(s > 0.5 for s in shares),
          f"the menu draws its plates where the desktop does (green share {shares})")
    same = browser.evaluate(COMPARE_JS % (DESKTOP_POINTER + (REFERENCE,)))
    check(same.get("off", 1.0) < 0.01 and same.get("mean", 99) < 2.0,
          f"the menu is the desktop's picture within a few levels ({same})")
    check(browser.evaluate("document.getElementById('note').hidden"),
          "the page shows no notice on a first visit")

    # A faster crowd for this player, stored as the desktop keeps it.
    browser.evaluate(f"FS.mkdirTree('{CONFIG}'); "
                     f"FS.writeFile('{CONFIG}/Settings.ini', '0 1024 768 32 0.04 0\\n'); true")
    check(sync_files(browser) == "ok", "the player's files are written to IndexedDB")

    server.requests.clear()
    elapsed = open_play(browser, server, reload=True)
    log(f"  second visit: menu after {elapsed:.2f} s")
    fetched = [r for r in server.requests if r.endswith((".wasm", ".data", ".js", ".css"))]
    check(not fetched, f"a second visit takes the hashed files from the cache (fetched {fetched})")
    settings = browser.evaluate(f"FS.readFile('{CONFIG}/Settings.ini', {{encoding: 'utf8'}})")
    check("0.04" in settings, "the player's settings come back from IndexedDB after a reload")

    time.sleep(1.0)
    browser.click(*NEW_GAME)
    time.sleep(0.8)
    shares = [pixels(browser, x - 20, y - 6, x + 20, y + 6)["green"] for x, y in PLATES]
    check(max(shares) < 0.5, f"a click on New Game closes the menu (green share {shares})")

    # Walk and fire in a circle until the crowd wins.
    browser.key("KeyD", "d", 68)
    browser.mouse("mousePressed", *to_pixel(0.3, 0.0))
    began = time.monotonic()
    angle = 0.0
    dead = False
    slowest = 0.0
    measured = began
    while time.monotonic() - began < 120:
        if time.monotonic() - measured > 3:
            slowest = max(slowest, browser.evaluate(FRAME_MS_JS))
            measured = time.monotonic()
        angle += 0.35
        browser.mouse("mouseMoved", *to_pixel(0.45 * math.cos(angle), 0.45 * math.sin(angle)))
        if int(angle / 0.35) % 10 == 0:
            # Keys by place: D, then A, back and forth.
            browser.key("KeyD", "d", 68, down=False)
            browser.key("KeyA", "a", 65)
        elif int(angle / 0.35) % 10 == 5:
            browser.key("KeyA", "a", 65, down=False)
            browser.key("KeyD", "d", 68)
        time.sleep(0.1)
        if game_over_text(browser) > 400 or browser.evaluate(OFFERED_JS) == "offered":
            dead = True
            break
    browser.mouse("mouseReleased", *to_pixel(0.3, 0.0))
    browser.key("KeyA", "a", 65, down=False)
    browser.key("KeyD", "d", 68, down=False)
    if dead:
        # The first Game Over is seen first: Online is offered with the
        # player's next key, which goes no further; then "No thanks".
        time.sleep(2.0)
        check(browser.evaluate(OFFERED_JS) != "offered" and game_over_text(browser) > 400,
              "Game Over stays in view until the player presses a key")
        browser.press("KeyQ", "q", 81)
        offered = browser.wait_for(OFFERED_JS, timeout=5) == "offered"
        check(offered, "the first key after Game Over brings the Online offer")
        time.sleep(0.3)
        browser.press("Escape", "Escape", 27)
        end = time.monotonic() + 10
        while time.monotonic() < end and game_over_text(browser) <= 400:
            time.sleep(0.2)
        dead = game_over_text(browser) > 400
    check(dead, f"the crowd kills the Marine and Game Over shows ({time.monotonic() - began:.0f} s)")
    log(f"  slowest stretch of play: {slowest:.1f} ms a frame (software WebGL)")
    browser.screenshot(os.path.join(out, "web_game_over.png"))
    if not dead:
        return
    saved = browser.wait_for(
        f"FS.analyzePath('{DATA}/scores.txt').exists && "
        "document.getElementById('note').hidden", timeout=10)
    check(bool(saved), "the score table is written")
    time.sleep(1.0)
    table = browser.evaluate(f"FS.readFile('{DATA}/scores.txt', {{encoding: 'utf8'}})")
    open_play(browser, server, reload=True)
    again = browser.evaluate(f"FS.analyzePath('{DATA}/scores.txt').exists ? "
                             f"FS.readFile('{DATA}/scores.txt', {{encoding: 'utf8'}}) : ''")
    check(again == table and table != "", "a reload keeps the score table")


def full_load_frame(browser, server, bench_site):
    """The benchmark's full-load world drawn on a fresh page of the bench
    build (the page's own module leaves it out): a figure for docs/WEB.md
    beside the desktop's drawn frame, not a check."""
    open_play(browser, server)
    check(browser.evaluate("typeof Module._quorvex_bench_full_load") == "undefined",
          "the page's module carries no benchmark")
    if not os.path.isfile(os.path.join(bench_site, "index.html")):
        log("  (no bench build: the full-load frame is not measured)")
        return
    bench = SiteServer(bench_site)
    try:
        open_play(browser, bench)
        ms = browser.evaluate("Module._quorvex_bench_full_load(15)", timeout=120)
        log(f"  full-load frame (1000 monsters, 1024 bullets), drawn and read back: {ms:.1f} ms "
            "(software WebGL, 1024 x 768)")
    finally:
        bench.close()


def verified_runs(verify, replays):
    """Runs of the current rules as the server would list them, from the
    native verifier's JSON."""
    runs = {}
    for n, path in enumerate(replays, start=1):
        done = subprocess.run([verify, "--json", "--data", DATA_DIR, path], capture_output=True,
                              text=True, timeout=120)
        line = done.stdout.strip().splitlines()
        if not line:
            continue
        record = json.loads(line[-1])
        if (record.get("generation") or 1) != 2 or record.get("status") != "verified":
            continue
        record.setdefault("id", n)
        with open(path, "rb") as f:
            runs[n] = (record, f.read())
    return runs


def watch(browser, server, runs, out):
    for run_id, (record, _) in sorted(runs.items())[:2]:
        browser.open_page(server.url(f"/runs/{run_id}/watch"))
        browser.wait_for("!document.getElementById('watch-4x').disabled", timeout=60)
        browser.evaluate("document.getElementById('watch-4x').click(); true")
        try:
            checksum = browser.wait_for(
                "document.getElementById('watch-result').getAttribute('data-checksum')",
                timeout=240, every=0.5)
        except CdpError:
            checksum = None
        expected = (record.get("replayed") or record.get("recorded") or {}).get("checksum")
        agree = browser.evaluate("document.getElementById('watch-result').getAttribute('data-agree')")
        check(checksum == expected and agree == "yes",
              f"run {run_id} watched at 4x ends on the verifier's checksum ({checksum} vs {expected})")
        played = browser.evaluate(
            "document.getElementById('watch-result').getAttribute('data-file-checksum')")
        check(played == checksum, f"run {run_id}: the picture and the file played through agree")
        if run_id == min(runs):
            browser.screenshot(os.path.join(out, "web_watch.png"))


DATA_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.normpath(os.path.join(here, "..", ".."))
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", default=os.path.join(root, "build-web", "site"))
    parser.add_argument("--out", default=os.path.join(root, "build-web"))
    parser.add_argument("--bench-site", default=os.path.join(root, "build-web", "bench-site"))
    parser.add_argument("--verify", default=os.path.join(root, "build-web", "native", "quorvex-verify"))
    parser.add_argument("--chromium", default="chromium")
    args = parser.parse_args()
    if not shutil.which(args.chromium) or not os.path.isfile(os.path.join(args.site, "index.html")):
        log("skipped: no Chromium, or no web build (scripts/web.sh)")
        return SKIP

    runs = {}
    if os.access(args.verify, os.X_OK):
        replays = sorted(os.path.join(root, "tests", "replays", f)
                         for f in os.listdir(os.path.join(root, "tests", "replays"))
                         if f.endswith(".qvr"))
        runs = verified_runs(args.verify, replays)
    with open(os.path.join(root, "tests", "golden", "web", "menu-1024x768.png"), "rb") as f:
        reference = f.read()
    server = SiteServer(args.site, runs, {REFERENCE: (reference, "image/png")})
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile, WIDTH, HEIGHT, args.chromium)
        try:
            browser.call("Target.setDiscoverTargets", {"discover": False}, session=False)
            browser.open_page("about:blank")
            browser.call("Emulation.setDeviceMetricsOverride",
                         {"width": WIDTH, "height": HEIGHT, "deviceScaleFactor": 1, "mobile": False})
            play(browser, server, args.out)
            if runs:
                watch(browser, server, runs, args.out)
            else:
                log("  (no verifier built: the watch page is not checked)")
            full_load_frame(browser, server, args.bench_site)
        except CdpError as e:
            check(False, f"the browser answered: {e}")
        finally:
            for line in browser.console_messages()[-15:]:
                log(f"  console: {line[:200]}")
            browser.close()
            server.close()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
