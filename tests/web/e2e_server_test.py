"""The page against a real quorvex-server and PostgreSQL: /play draws the
menu in headless Chromium, a click starts a game, keys move and the mouse
fires, the Marine dies, the first Game Over offers Online and a typed name
accepts it, the run arrives verified, a reload keeps the score table and an
empty outbox, a file the server refuses moves aside with its reason, a run
waits while the server is down and goes when it is back, and
/runs/{id}/watch ends on the server's checksum.

  e2e_server_test.py --site build-web/site --server build/quorvex-server
                     --verifier build/quorvex-verify --data data --shots docs/screenshots
Exit status: 0 passed, 1 failed, 77 skipped (Chromium or PostgreSQL missing)."""
import argparse
import os
import shutil
import struct
import sys
import tempfile
import time
import urllib.parse
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "server"))
from cdp import Browser, CdpError  # noqa: E402
from harness import Cluster, Server  # noqa: E402

NAME = "Web Marine"
HOME = "/home/web_user"
OPTIONS = HOME + "/.config/quorvex/options.ini"
SCORES = HOME + "/.local/share/quorvex/scores.txt"
OUTBOX = HOME + "/.local/share/quorvex/outbox"
DEADLINE = time.monotonic() + 420


def arguments():
    p = argparse.ArgumentParser()
    p.add_argument("--site", required=True)
    p.add_argument("--server", required=True)
    p.add_argument("--verifier", required=True)
    p.add_argument("--data", required=True)
    p.add_argument("--shots", required=True)
    return p.parse_args()


def left(most):
    return max(1.0, min(most, DEADLINE - time.monotonic()))


def bright_share(png):
    """Share of pixels brighter than near-black in an 8-bit RGB(A) PNG."""
    pos, chunks, width, height, kind = 8, [], 0, 0, 0
    while pos < len(png):
        size, tag = struct.unpack(">I4s", png[pos:pos + 8])
        body = png[pos + 8:pos + 8 + size]
        if tag == b"IHDR":
            width, height, _, kind = struct.unpack(">IIBB", body[:10])
        elif tag == b"IDAT":
            chunks.append(body)
        pos += 12 + size
    step = 4 if kind == 6 else 3
    raw, stride = zlib.decompress(b"".join(chunks)), width * step
    prev, bright, at = bytearray(stride), 0, 0
    for _ in range(height):
        f, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b, c = prev[i], prev[i - step] if i >= step else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        bright += sum(1 for i in range(0, stride, step) if max(line[i:i + 3]) > 40)
        prev = line
    return bright / float(width * height)


def canvas_point(browser, x, y):
    """Arena coordinates (-1..1, y up) to the window's pixels over the canvas."""
    r = browser.evaluate("(function(){var r=document.getElementById('canvas')"
                         ".getBoundingClientRect();return [r.left,r.top,r.width,r.height];})()")
    # The arena is letterboxed to 4:3 inside the canvas.
    w = min(r[2], r[3] * 4 / 3)
    h = w * 3 / 4
    left0, top0 = r[0] + (r[2] - w) / 2, r[1] + (r[3] - h) / 2
    return left0 + (x + 1) * w / 2, top0 + (1 - y) * h / 2


def type_text(browser, text):
    for ch in text:
        if ch == " ":
            browser.press("Space", " ", 32)
        else:
            browser.press("Key" + ch.upper(), ch, ord(ch.upper()))
        time.sleep(0.05)


def page_file(browser, path):
    return browser.evaluate("(function(){try{return FS.readFile('%s',{encoding:'utf8'});}"
                            "catch(e){return null;}})()" % path)


class Failed(Exception):
    pass


def seeded_page(browser, url):
    """/play with a quicker crowd than the default, as the player's own options.ini."""
    browser.open_page(url)
    browser.wait_for("document.body.getAttribute('data-started')", timeout=left(60))
    browser.evaluate("new Promise(function(done){FS.mkdirTree('%s');"
                     "FS.writeFile('%s','version = 1\\nspawn_acceleration = 0.04\\n');"
                     "FS.syncfs(false,function(){done(true);});})"
                     % (os.path.dirname(OPTIONS), OPTIONS))
    browser.call("Page.reload")
    time.sleep(0.5)
    browser.wait_for("document.body.getAttribute('data-started')", timeout=left(60))
    time.sleep(1.0)



def offer_after_death(browser, timeout):
    """The first Game Over stays in view; Online is offered with the
    player's next key. Q (bound to nothing) is pressed until it comes."""
    end = time.monotonic() + timeout
    offered = None
    while time.monotonic() < end:
        offered = browser.evaluate("document.body.getAttribute('data-online')")
        if offered == "offered":
            break
        browser.press("KeyQ", "q", 81)
        time.sleep(0.5)
    return offered

def new_game(browser):
    x, y = canvas_point(browser, 0.35, -0.07)  # New Game
    browser.mouse("mouseMoved", x, y)
    time.sleep(0.4)
    browser.mouse("mousePressed", x, y)
    browser.mouse("mouseReleased", x, y)
    time.sleep(0.5)


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        raise Failed(what)


def main():
    args = arguments()
    if not shutil.which("chromium"):
        print("Debian's chromium is not installed; skipping")
        return 77
    os.makedirs(args.shots, exist_ok=True)
    cluster = Cluster()
    server = Server(args, cluster, "--web", args.site, "--workers", "1",
                    "--set", "token_per_minute=0", "--set", "address_per_minute=0")
    origin = "http://127.0.0.1:%d" % server.port
    profile = tempfile.mkdtemp(prefix="quorvex-chromium-")
    browser = Browser(profile)
    try:
        seeded_page(browser, origin + "/play")
        menu = os.path.join(args.shots, "web-play.png")
        browser.screenshot(menu)
        with open(menu, "rb") as f:
            share = bright_share(f.read())
        check(share > 0.02, "/play draws the menu (%.1f%% of the window lit)" % (100 * share))

        new_game(browser)
        # A few steps and shots, then he stands and the crowd comes.
        ux, uy = canvas_point(browser, 0.0, 0.8)
        browser.mouse("mouseMoved", ux, uy)
        browser.key("KeyW", "w", 87)
        browser.mouse("mousePressed", ux, uy)
        time.sleep(1.0)
        browser.mouse("mouseReleased", ux, uy)
        browser.key("KeyW", "w", 87, down=False)
        offered = offer_after_death(browser, left(180))
        check(offered == "offered", "the Marine dies and the first key after Game Over offers "
                                    "Online")
        check(server.json("GET", "/api/v1/players/" + urllib.parse.quote(NAME))[0] == 404,
              "nothing reached the server before the player said yes")

        type_text(browser, NAME)
        time.sleep(0.3)
        browser.screenshot(os.path.join(args.shots, "web-online-offer.png"))
        browser.press("Enter", "Enter", 13)
        time.sleep(1.0)
        browser.screenshot(os.path.join(args.shots, "web-online-accepted.png"))
        run, record = None, {}
        end = time.monotonic() + left(90)
        while time.monotonic() < end:
            status, player = server.json("GET", "/api/v1/players/" + urllib.parse.quote(NAME))
            best = player.get("best") if status == 200 else None
            if best:
                run = best[0]["run"]
                record = server.json("GET", "/api/v1/runs/%d" % run)[1]
                if record.get("status") == "verified":
                    break
            time.sleep(0.5)
        check(record.get("status") == "verified",
              "the run arrives and the server verifies it: %s" % record.get("status"))
        time.sleep(3)  # Game Over learns the rank on its next poll
        browser.screenshot(os.path.join(args.shots, "web-game-over.png"))

        score = (record.get("replayed") or record.get("recorded") or {}).get("score")
        browser.wait_for("FS.readdir('%s').filter(function(n){return n.endsWith('.qvr')})"
                         ".length===0" % OUTBOX, timeout=left(20))
        time.sleep(1.5)  # the last sync to IndexedDB
        browser.call("Page.reload")
        time.sleep(0.5)
        browser.wait_for("document.body.getAttribute('data-started')", timeout=left(60))
        table = page_file(browser, SCORES) or ""
        check(str(score) in table, "a reload keeps the score table (score %s)" % score)
        outbox = browser.evaluate("FS.readdir('%s').filter(function(n){"
                                  "return n.endsWith('.qvr')}).length" % OUTBOX)
        check(outbox == 0, "the outbox stays empty after the reload")
        ini = page_file(browser, HOME + "/.config/quorvex/online.ini") or ""
        check("name = " + NAME in ini and "enabled = 1" in ini and "token = " in ini,
              "online.ini keeps the name, Online on and the token")

        # A file the server will never take moves aside with the server's reason.
        browser.evaluate("FS.writeFile('%s/run-1-00000000.qvr', 'not a replay')" % OUTBOX)
        reason = browser.wait_for("(function(){try{return FS.readFile('%s/refused/"
                                  "run-1-00000000.qvr.reason',{encoding:'utf8'});}"
                                  "catch(e){return null;}})()" % OUTBOX, timeout=left(30))
        check(bool(reason.strip()), "a refused file is kept aside with the reason: %s"
              % reason.strip())

        # A server that is down leaves a run waiting; back up, it gets it.
        server.stop()
        with open(os.path.join(args.data, "..", "tests", "replays", "gen2-seed01.qvr"), "rb") as f:
            replay = list(f.read())
        browser.evaluate("FS.writeFile('%s/run-2-00000000.qvr', new Uint8Array(%s))"
                         % (OUTBOX, replay))
        time.sleep(4)
        waiting = browser.evaluate("FS.readdir('%s').indexOf('run-2-00000000.qvr') >= 0" % OUTBOX)
        check(waiting, "a run waits in the outbox while the server is down")
        server = Server(args, cluster, "--web", args.site, "--workers", "1", "--set",
                        "token_per_minute=0", "--set", "address_per_minute=0", port=server.port)
        browser.wait_for("FS.readdir('%s').indexOf('run-2-00000000.qvr') < 0" % OUTBOX,
                         timeout=left(90), every=0.5)
        refused = browser.evaluate("FS.readdir('%s/refused')" % OUTBOX)
        check("run-2-00000000.qvr" not in refused,
              "the waiting run went to the server once it was back")

        # Another player says "No thanks": nothing leaves, and it is not asked again.
        other = Browser(tempfile.mkdtemp(prefix="quorvex-chromium-", dir=profile))
        try:
            seeded_page(other, origin + "/play")
            new_game(other)
            offer_after_death(other, left(120))
            other.press("Escape", "Escape", 27)
            time.sleep(2.0)
            ini = page_file(other, HOME + "/.config/quorvex/online.ini") or ""
            sent = other.evaluate("(function(){try{return FS.readdir('%s').length-2;}"
                                  "catch(e){return 0;}})()" % OUTBOX)
            check("asked = 1" in ini and "enabled = 0" in ini and sent == 0,
                  "\"No thanks\" keeps Online off, remembered, with nothing in the outbox")
        finally:
            other.close()

        browser.call("Page.navigate", {"url": "%s/runs/%d/watch" % (origin, run)})
        browser.wait_for("!document.getElementById('watch-4x').disabled", timeout=left(60))
        time.sleep(2.0)
        browser.screenshot(os.path.join(args.shots, "web-watch.png"))
        checksum = browser.wait_for(
            "document.getElementById('watch-result').getAttribute('data-checksum')",
            timeout=left(150), every=0.5)
        want = (record.get("replayed") or {}).get("checksum")
        table = browser.evaluate("document.getElementById('watch-result').innerText")
        check(checksum == want, "the watched run ends on the server's checksum %s (%s)"
              % (want, " ".join(table.split())))
        browser.screenshot(os.path.join(args.shots, "web-watch-end.png"))
    except (Failed, CdpError, RuntimeError) as e:
        if not isinstance(e, Failed):
            print("FAIL  %s" % e)
        for line in browser.console_messages()[-20:]:
            print("  console: " + line)
        print(server.output()[-3000:])
        return 1
    finally:
        browser.close()
        shutil.rmtree(profile, ignore_errors=True)
    print("passed; screenshots web-*.png in " + args.shots)
    return 0


if __name__ == "__main__":
    sys.exit(main())
