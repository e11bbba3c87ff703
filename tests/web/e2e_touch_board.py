"""A whole game on a phone by touch alone, to the board: the page from a real
quorvex-server (with a throwaway PostgreSQL) on an emulated phone (844 x 390
CSS pixels, pixel ratio 3, touch only) gets nothing but touches. A tap on
New Game starts a game; the right stick fires for a while, then the Marine
stands still until the crowd kills him; the first tap after Game Over brings
the Online offer, whose name field holds the page's hidden text field (the
phone's keyboard; with the keyboard down a tap only brings it up); the name comes as a phone keyboard types it
(Input.insertText), a tap accepts it, and the run arrives verified on its
board, read back from the server's API. The phone's Game Over goes to
SHOTS/web-phone-game-over.png.

  e2e_touch_board.py --site build-web/site --server build/quorvex-server
                     --verifier build/quorvex-verify --data data --shots docs/screenshots
Exit status: 0 passed, 1 failed, 77 skipped (Chromium or PostgreSQL missing)."""
import argparse
import os
import shutil
import sys
import tempfile
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "server"))
from cdp import Browser, CdpError  # noqa: E402
from harness import Cluster, Server  # noqa: E402
from test_touch import (HEIGHT, RIGHT_STICK, WIDTH, drag, mode, phone, probe, tap,  # noqa: E402
                        to_css, until)

NAME = "Phone Marine"
ONLINE_INI = "/home/web_user/.config/quorvex/online.ini"
# Standing still, the Marine lasts well under a minute of game time; the
# phone's software frames at pixel ratio 3 can run slower than real time.
DEATH_WAIT = 180


class Failed(Exception):
    pass


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        raise Failed(what)


def arguments():
    p = argparse.ArgumentParser()
    for name in ("--site", "--server", "--verifier", "--data", "--shots"):
        p.add_argument(name, required=True)
    return p.parse_args()


def field_focused(browser):
    return browser.evaluate("document.activeElement && document.activeElement.id") == "text-field"


def play_to_death(browser):
    """New Game by a tap; the right stick held a few seconds (firing), then
    nothing until Game Over. Answers the seconds he lived."""
    tap(browser, *to_css(0.35, -0.07))
    check(until(lambda: mode(browser) == 0, 10), "a tap on New Game starts a game")
    began = time.monotonic()
    clip = probe(browser, 7)
    drag(browser, 2, *RIGHT_STICK, 60, 0)
    fired = until(lambda: probe(browser, 4) < clip, 5)
    time.sleep(3.0)
    browser.touch("touchEnd")
    check(fired, "the right stick fires")
    dead = until(lambda: mode(browser) == 2, DEATH_WAIT)
    lived = time.monotonic() - began
    check(dead, "standing still, the Marine dies and Game Over shows (%.0f s)" % lived)
    return lived


def offer_by_tap(browser):
    """The first Game Over stays in view; the next tap (the press it waits
    for) brings the offer. Taps until it comes."""
    end = time.monotonic() + 30
    while time.monotonic() < end:
        if browser.evaluate("document.body.getAttribute('data-online')") == "offered":
            return True
        tap(browser, WIDTH / 2, HEIGHT / 2)
        time.sleep(0.6)
    return False


def on_the_board(server, timeout):
    """The player's run, its record and its board's entry, once verified."""
    end = time.monotonic() + timeout
    record, entry = {}, None
    while time.monotonic() < end:
        status, player = server.json("GET", "/api/v1/players/" + urllib.parse.quote(NAME))
        best = player.get("best") if status == 200 else None
        if best:
            run = best[0]["run"]
            record = server.json("GET", "/api/v1/runs/%d" % run)[1]
            if record.get("status") == "verified":
                board = server.json("GET", "/api/v1/boards/" +
                                    urllib.parse.quote(record["board"]))[1]
                entry = next((e for e in board.get("entries", []) if e.get("run") == run), None)
                if entry:
                    break
        time.sleep(0.5)
    return record, entry


def main():
    args = arguments()
    if not shutil.which("chromium"):
        print("Debian's chromium is not installed; skipping")
        return 77
    os.makedirs(args.shots, exist_ok=True)
    cluster = Cluster()
    server = Server(args, cluster, "--web", args.site, "--workers", "1",
                    "--set", "token_per_minute=0", "--set", "address_per_minute=0")
    profile = tempfile.mkdtemp(prefix="quorvex-chromium-")
    browser = Browser(profile, WIDTH, HEIGHT)
    try:
        browser.call("Target.setDiscoverTargets", {"discover": False}, session=False)
        browser.open_page("about:blank")
        phone(browser)
        began = time.monotonic()
        browser.open_page("http://127.0.0.1:%d/play" % server.port)
        browser.wait_for("document.body && document.body.getAttribute('data-started')",
                         timeout=90)
        # A figure, not a check: the machine's load decides it.
        print("      first visit at the phone's size: menu after %.2f s"
              % (time.monotonic() - began), flush=True)
        time.sleep(1.0)
        lived = play_to_death(browser)
        time.sleep(1.0)
        browser.screenshot(os.path.join(args.shots, "web-phone-game-over.png"))

        check(offer_by_tap(browser), "the first tap after Game Over offers Online")
        check(until(lambda: field_focused(browser), 5),
              "the offer's name field takes the phone's keyboard (the text field is focused)")
        browser.call("Input.insertText", {"text": NAME})
        time.sleep(0.5)
        # The keyboard put away (or a browser that would not focus the field
        # from a frame): the next tap only brings it up, and accepts nothing.
        browser.evaluate("document.activeElement.blur(); 1")
        tap(browser, WIDTH / 2, HEIGHT / 2)
        time.sleep(1.0)
        check(field_focused(browser) and mode(browser) == 1,
              "with the keyboard down, a tap brings it up and the name is still being typed "
              "(mode %s)" % mode(browser))
        check(server.json("GET", "/api/v1/players/" + urllib.parse.quote(NAME))[0] == 404,
              "nothing reached the server before the player said yes")
        tap(browser, WIDTH / 2, HEIGHT / 2)  # a tap ends the typing: yes
        check(until(lambda: not field_focused(browser), 5),
              "the keyboard goes once the name is taken")
        ini = browser.wait_for("(function(){try{return FS.readFile('%s',{encoding:'utf8'});}"
                               "catch(e){return null;}})()" % ONLINE_INI, timeout=10) or ""
        check("name = " + NAME in ini and "enabled = 1" in ini,
              "online.ini has the typed name and Online on")

        record, entry = on_the_board(server, 120)
        check(record.get("status") == "verified",
              "the run arrives and the server verifies it: %s" % record.get("status"))
        check(entry is not None and entry.get("player") == NAME,
              "the run is on its board under the typed name: %s" % entry)
        print("      lived %.0f s of wall time; score %s" % (lived, entry.get("score")))
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
    print("passed; the phone's Game Over in " + args.shots)
    return 0


if __name__ == "__main__":
    sys.exit(main())
