#!/usr/bin/env python3
"""The page on an emulated phone (844 x 390 CSS pixels, device pixel ratio 3,
touch only), in headless Chromium over the DevTools protocol: the touch
controls appear with the first touch; a tap on New Game starts a game; the
left stick walks (the Marine's place read from the page), the right stick
aims and fires; a cancelled touch, three fingers and a turn of the device
leave nothing held; the pause button opens the menu; a key hides the
controls; portrait shows the hint. The page behaves as an app: full screen
at the first tap, nothing scrolls or zooms, the screen kept awake in a game,
a manifest with its icons; it loads with a progress bar and says when it
runs out of memory; the touch options in options.ini size, fade and swap the
controls. The phone's picture goes to OUT/web-phone.png.

Exit status: 0 passed, 1 failed, 77 skipped (no Chromium or no build)."""
import argparse
import json
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Browser, CdpError  # noqa: E402
from site_server import SiteServer  # noqa: E402

SKIP = 77
WIDTH, HEIGHT, RATIO = 844, 390, 3
CONFIG = "/home/web_user/.config/quorvex"
failures = []


def log(text):
    print(text, flush=True)


def check(ok, what):
    log(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)
    return ok


def phone(browser, width=WIDTH, height=HEIGHT):
    browser.call("Emulation.setDeviceMetricsOverride",
                 {"width": width, "height": height, "deviceScaleFactor": RATIO, "mobile": True})
    browser.call("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})


def to_css(x, y):
    """Arena coordinates to CSS pixels of the letterboxed 4:3 picture."""
    side = min(WIDTH / 4, HEIGHT / 3)
    w, h = 4 * side, 3 * side
    return (WIDTH - w) / 2 + (x + 1.0) * w / 2, (HEIGHT - h) / 2 + (1.0 - y) * h / 2


def probe(browser, what):
    return browser.evaluate(f"Module._quorvex_probe({what})")


def marine(browser):
    return probe(browser, 0), probe(browser, 1)


def held(browser):
    return probe(browser, 6)


def mode(browser):
    return browser.evaluate("Module.quorvexTouchMode || 0")


def tap(browser, x, y):
    browser.touch("touchStart", [(1, x, y)])
    browser.touch("touchEnd")


def drag(browser, finger, x, y, dx, dy, steps=4):
    browser.touch("touchStart", [(finger, x, y)])
    for k in range(1, steps + 1):
        browser.touch("touchMove", [(finger, x + dx * k / steps, y + dy * k / steps)])


def settle(seconds=0.3):
    time.sleep(seconds)


def until(test, timeout=3.0):
    """Polls test() until it is true (software WebGL frames are slow at a
    phone's pixel ratio); answers its last value."""
    deadline = time.monotonic() + timeout
    value = test()
    while not value and time.monotonic() < deadline:
        time.sleep(0.05)
        value = test()
    return value


LEFT_STICK = (150, 280)
RIGHT_STICK = (640, 280)

# Left stick: a drag from where the thumb lands, and which way the Marine
# goes (arena y runs up) once he has turned that way.
WALKS = [
    ("up", (0, -80), lambda d: d[1] > 0.01 and abs(d[0]) < d[1]),
    ("right", (80, 0), lambda d: d[0] > 0.01 and abs(d[1]) < d[0]),
]
# Right stick: a drag and where the crosshair goes from him.
AIMS = [
    ("right", (60, 0), lambda f: f[0] > 0.1 and abs(f[1]) < 0.02),
    ("up", (0, -60), lambda f: f[1] > 0.1 and abs(f[0]) < 0.02),
    ("left", (-60, 0), lambda f: f[0] < -0.1 and abs(f[1]) < 0.02),
]


def started(browser):
    browser.wait_for("document.body && document.body.getAttribute('data-started')", timeout=60)


def pause_button(browser):
    return browser.evaluate("(function () { var b = document.getElementById('touch-pause')"
                            ".getBoundingClientRect(); return [b.left + b.width / 2, "
                            "b.top + b.height / 2]; })()")


def new_game(browser):
    """The pause button, then New Game: a fresh Marine for the next cases
    (the crowd kills one left standing in a few seconds)."""
    tap(browser, *pause_button(browser))
    paused = until(lambda: mode(browser) == 1)
    settle(0.3)
    tap(browser, *to_css(0.35, -0.07))
    return paused and until(lambda: mode(browser) == 0)


def reload_with(browser, name, text):
    """The page again with a file of the player's written first."""
    started(browser)
    browser.evaluate(f"FS.mkdirTree('{CONFIG}'); FS.writeFile('{CONFIG}/{name}', '{text}\\n'); 1")
    browser.evaluate("new Promise(function (r) { FS.syncfs(false, function () { r(1); }); })")
    browser.call("Page.reload", {"ignoreCache": False})
    settle(0.3)
    started(browser)
    settle(1.0)


def start_game(browser):
    # A crowd that does not grow, so that the Marine lives through the test.
    reload_with(browser, "Settings.ini", "0 1024 768 32 0 0")
    check(not browser.evaluate("document.body.classList.contains('touch')"),
          "no touch controls before the page is touched")
    tap(browser, *to_css(0.35, -0.07))
    check(until(lambda: mode(browser) == 0, 5), "a tap on New Game starts a game")
    check(browser.evaluate("document.body.classList.contains('touch')"),
          "the touch controls show once the page is touched")
    check(until(lambda: browser.evaluate("(document.fullscreenElement || {}).id === 'game'")),
          "the first tap takes the page full screen")
    check(until(lambda: browser.evaluate("document.body.getAttribute('data-awake')") == "yes"),
          "the screen is kept awake while a game is played")


def sticks(browser, out):
    check(new_game(browser), "the pause button and a tap on New Game start a fresh game")
    for name, (dx, dy), ok in WALKS:
        drag(browser, 1, *LEFT_STICK, dx, dy)
        until(lambda: held(browser))
        settle(1.2)  # he turns the stick's way first
        before = marine(browser)
        settle(0.4)
        after = marine(browser)
        browser.touch("touchEnd")
        until(lambda: held(browser) == 0)
        settle(0.1)
        still = marine(browser)
        settle(0.3)
        # Walking covers about 0.13 in this time; the crowd may still shove him a little.
        drift = marine(browser)
        drift = abs(drift[0] - still[0]) + abs(drift[1] - still[1])
        check(drift < 0.02, f"he stops when the left stick ({name}) is let go (drift {drift})")
        moved = (after[0] - before[0], after[1] - before[1])
        check(ok(moved), f"the left stick pushed {name} walks him {name} (moved {moved}, "
                         f"mode {mode(browser)})")
        check(held(browser) == 0, f"nothing held after the left stick {name} is let go")

    check(new_game(browser), "the pause button and a tap on New Game start a fresh game")
    for name, (dx, dy), ok in AIMS:
        drag(browser, 2, *RIGHT_STICK, dx, dy)
        clip = probe(browser, 7)
        fired = False
        for _ in range(10):
            settle(0.06)
            fired = fired or probe(browser, 4) < clip
        at = marine(browser)
        facing = (probe(browser, 2) - at[0], probe(browser, 3) - at[1])
        if name == "up":
            # Both sticks at once, for the picture.
            drag(browser, 1, *LEFT_STICK, 40, -40, steps=1)
            browser.touch("touchMove", [(2, RIGHT_STICK[0] + dx, RIGHT_STICK[1] + dy),
                                        (1, LEFT_STICK[0] + 40, LEFT_STICK[1] - 40)])
            settle(0.3)
            browser.screenshot(os.path.join(out, "web-phone.png"))
        browser.touch("touchEnd")
        settle(0.2)
        check(ok(facing), f"the right stick pushed {name} aims {name} (facing {facing})")
        check(fired, f"the right stick fires while held ({name})")
        check(held(browser) == 0, f"nothing held after the right stick {name} is let go")


def bad_input(browser):
    check(mode(browser) == 0, f"the game is still being played (mode {mode(browser)})")
    # Each case ends its fingers its own way; nothing may stay held.
    def cancel():
        browser.touch("touchStart", [(1, *LEFT_STICK), (2, *RIGHT_STICK)])
        browser.touch("touchMove", [(1, LEFT_STICK[0], LEFT_STICK[1] - 80),
                                    (2, RIGHT_STICK[0] + 50, RIGHT_STICK[1])])
        busy = until(lambda: held(browser))
        browser.touch("touchCancel")
        return busy

    def three_fingers():
        # One stick for the left half: the other two fingers do nothing.
        browser.touch("touchStart", [(1, 100, 250), (2, 200, 250), (3, 300, 250)])
        browser.touch("touchMove", [(1, 100, 180), (2, 200, 180), (3, 300, 180)])
        busy = until(lambda: held(browser))
        browser.touch("touchEnd")
        return busy

    def off_the_canvas():
        browser.touch("touchStart", [(1, *LEFT_STICK)])
        browser.touch("touchMove", [(1, LEFT_STICK[0], -40)])
        browser.touch("touchMove", [(1, -30, -40)])
        busy = until(lambda: held(browser))
        browser.touch("touchEnd")
        return busy

    for name, case in [("a cancelled touch", cancel), ("three fingers", three_fingers),
                       ("a finger that leaves the canvas", off_the_canvas)]:
        busy = case()
        check(busy and until(lambda: held(browser) == 0),
              f"{name} holds while down and leaves nothing held (held then {busy})")


def pause_and_hide(browser):
    tap(browser, *pause_button(browser))
    check(until(lambda: mode(browser) == 1), "the pause button opens the menu")
    check(until(lambda: held(browser) == 0), "nothing held after the pause button")
    settle(0.3)
    tap(browser, *to_css(0.35, -0.07))  # New Game again, for the turn below
    check(until(lambda: mode(browser) == 0), "a tap on New Game in the menu starts a game again")
    # Turned to portrait while a stick is held: let go, and the menu opens.
    drag(browser, 1, *LEFT_STICK, 0, -60)
    settle(0.2)
    phone(browser, HEIGHT, WIDTH)
    until(lambda: held(browser) == 0 and mode(browser) == 1)
    check(held(browser) == 0 and mode(browser) == 1,
          f"a turn to portrait lets go and opens the menu (held {held(browser)}, "
          f"mode {mode(browser)})")
    hint = browser.evaluate("getComputedStyle(document.getElementById('turn-note')).display")
    check(hint != "none", "portrait shows the turn-your-device hint")
    browser.touch("touchEnd")
    phone(browser)
    settle(0.4)
    hint = browser.evaluate("getComputedStyle(document.getElementById('turn-note')).display")
    check(hint == "none", "landscape hides the hint")
    browser.press("KeyW", "w", 87)
    check(until(lambda: not browser.evaluate("document.body.classList.contains('touch')")),
          "a key hides the touch controls")


# What keeps the page still on a phone: (what, element, style, expected).
STILL = [
    ("the canvas takes no pan or zoom gesture", "#canvas", "touchAction", "none"),
    ("the canvas selects no text", "#canvas", "userSelect", "none"),
    ("the page does not pull to refresh", "html", "overscrollBehaviorY", "none"),
    ("the page does not scroll", "body", "overflow", "hidden"),
]


def app_like(browser):
    for what, element, style, expected in STILL:
        got = browser.evaluate(f"getComputedStyle(document.querySelector('{element}')).{style}")
        check(got == expected, f"{what} ({got})")
    check(browser.evaluate("/user-scalable=no/.test(document.querySelector('meta[name=viewport]')"
                           ".content)"), "the viewport does not zoom")
    # The manifest as Chromium itself read it (the page's policy must let it).
    manifest = browser.call("Page.getAppManifest")
    data = json.loads(manifest.get("data") or "{}")
    check(data.get("name") == "Quorvex" and data.get("display") == "fullscreen"
          and data.get("orientation") == "landscape" and not manifest.get("errors"),
          f"the manifest names the game, full screen, landscape ({manifest.get('errors')})")
    served = browser.evaluate("""(async function () {
        var link = document.querySelector('link[rel=manifest]').href;
        var answer = await fetch(link), out = [[link, answer.headers.get('Content-Type')]];
        for (var icon of (await answer.json()).icons) {
          var got = await fetch(new URL(icon.src, link));
          var picture = await createImageBitmap(await got.blob());
          out.push([got.headers.get('Content-Type'), picture.width + 'x' + picture.height,
                    icon.sizes]);
        }
        return out;
    })()""")
    check(served[0][1] == "application/manifest+json", f"the manifest's type ({served[0]})")
    check(len(served) >= 3 and all(s == ["image/png", s[2], s[2]] for s in served[1:]),
          f"the icons it names are served, of their sizes ({served[1:]})")


def loading(browser, server):
    """A slow first visit: the bar moves with the bytes and reaches full."""
    browser.call("Network.enable")
    slow = {"offline": False, "latency": 20, "downloadThroughput": 4e6, "uploadThroughput": 1e6}
    browser.call("Network.emulateNetworkConditions", slow)
    browser.open_page(server.url("/play"))
    seen = []
    for _ in range(300):
        time.sleep(0.1)
        try:
            seen.append(browser.evaluate(
                "(function (p) { return [+p.getAttribute('data-loaded'), +p.getAttribute("
                "'data-total'), p.hidden, document.body.hasAttribute('data-started')]; })"
                "(document.getElementById('progress'))"))
        except CdpError:
            continue  # not there yet
        if seen[-1][3]:
            break
    browser.call("Network.emulateNetworkConditions",
                 dict(slow, latency=0, downloadThroughput=-1, uploadThroughput=-1))
    shares = sorted({round(s[0] / s[1], 2) for s in seen if s[1] > 0})
    check(len(shares) >= 3, f"the progress bar moves while the page loads ({shares})")
    last = seen[-1] if seen else None
    check(last and last[3] and last[0] == last[1] > 0 and last[2],
          f"it reaches full and goes once the game starts ({last})")
    # A figure, not a check: the machine's load decides it.
    log("      the bar's first move: %.0f ms after the page's first byte" % browser.evaluate(
        "quorvexProgressMs - performance.getEntriesByType('navigation')[0].responseStart"))


def options(browser):
    """The touch options from options.ini: larger, more solid, left-handed."""
    reload_with(browser, "options.ini",
                "version = 1\\ntouch_size = 1.5\\ntouch_opacity = 0.8\\ntouch_left_handed = 1")
    tap(browser, *to_css(0.35, -0.07))
    check(until(lambda: mode(browser) == 0, 5), "a tap on New Game starts a game")
    looks = browser.evaluate("[getComputedStyle(document.getElementById('touch')).opacity, "
                             "document.getElementById('touch').classList.contains('left-handed')]")
    check(looks == ["0.8", True], f"the options fade and swap the controls ({looks})")
    # Left-handed: the left thumb aims and fires, the right one walks.
    drag(browser, 2, *LEFT_STICK, 0, -60)
    clip = probe(browser, 7)
    until(lambda: probe(browser, 4) < clip)
    aim = probe(browser, 3) - marine(browser)[1]
    width = browser.evaluate("document.querySelector('#touch .stick:not([hidden])')"
                             ".getBoundingClientRect().width")
    browser.touch("touchEnd")
    check(probe(browser, 4) < clip and aim > 0.1, f"the left thumb aims up and fires ({aim})")
    check(width == 168, f"the sticks are drawn at the size chosen ({width} px)")
    drag(browser, 1, *RIGHT_STICK, 0, -80)
    settle(1.2)  # he turns the stick's way first
    before = marine(browser)[1]
    settle(0.4)
    walked = marine(browser)[1] - before
    browser.touch("touchEnd")
    check(walked > 0.01, f"and the right thumb walks him up ({walked})")


def out_of_memory(browser, server):
    """A phone that cannot give the module its memory: one sentence."""
    added = browser.call("Page.addScriptToEvaluateOnNewDocument", {"source": """
        WebAssembly.instantiate = function () {
          return Promise.reject(new RangeError('WebAssembly.instantiate(): Out of memory: ' +
                                               'Cannot allocate Wasm memory for new instance'));
        };"""})
    browser.open_page(server.url("/play"))
    said = browser.wait_for("!document.getElementById('note').hidden && "
                            "document.getElementById('note').textContent")
    browser.call("Page.removeScriptToEvaluateOnNewDocument", {"identifier": added["identifier"]})
    check("out of memory" in said and said.count(".") == 1 and
          browser.evaluate("document.getElementById('game').hidden"),
          f"out of memory, the page says so in a sentence ({said!r})")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.normpath(os.path.join(here, "..", ".."))
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", default=os.path.join(root, "build-web", "site"))
    parser.add_argument("--out", default=os.path.join(root, "build-web"))
    parser.add_argument("--chromium", default="chromium")
    args = parser.parse_args()
    if not shutil.which(args.chromium) or not os.path.isfile(os.path.join(args.site, "index.html")):
        log("skipped: no Chromium, or no web build (scripts/web.sh)")
        return SKIP
    server = SiteServer(args.site)
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile, WIDTH, HEIGHT, args.chromium)
        try:
            browser.call("Target.setDiscoverTargets", {"discover": False}, session=False)
            browser.open_page("about:blank")
            phone(browser)
            loading(browser, server)
            app_like(browser)
            start_game(browser)
            bad_input(browser)
            sticks(browser, args.out)
            pause_and_hide(browser)
            options(browser)
            out_of_memory(browser, server)
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
