"""A small Chrome DevTools Protocol client over --remote-debugging-pipe.

Chromium reads NUL-terminated JSON commands on fd 3 and writes replies and
events on fd 4. One page, one session; events are kept for whoever asks.
"""
import base64
import json
import os
import select
import subprocess
import time

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--remote-debugging-pipe",
    # WebGL 2 without a GPU.
    "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--ignore-gpu-blocklist",
    "--no-first-run", "--no-default-browser-check", "--disable-extensions",
    "--autoplay-policy=user-gesture-required", "--mute-audio",
]


class CdpError(Exception):
    pass


class Browser:
    def __init__(self, profile, width=1024, height=768, binary="chromium"):
        to_chrome_r, self._to_chrome = os.pipe()
        self._from_chrome, from_chrome_w = os.pipe()

        def wire():
            # Copies first: either end may itself sit on 3 or 4.
            a, b = os.dup(to_chrome_r), os.dup(from_chrome_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        args = [binary, *CHROMIUM_FLAGS, f"--user-data-dir={profile}",
                f"--window-size={width},{height}", "about:blank"]
        self.proc = subprocess.Popen(args, preexec_fn=wire, pass_fds=(3, 4),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        self.session = None

    def close(self):
        try:
            self.call("Browser.close", timeout=5)
        except (CdpError, OSError):
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        for fd in (self._to_chrome, self._from_chrome):
            try:
                os.close(fd)
            except OSError:
                pass

    def _send(self, message):
        os.write(self._to_chrome, json.dumps(message).encode() + b"\0")

    def _read(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise CdpError("no answer from Chromium in time")
            ready, _, _ = select.select([self._from_chrome], [], [], left)
            if not ready:
                continue
            chunk = os.read(self._from_chrome, 1 << 20)
            if not chunk:
                raise CdpError("Chromium closed the pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=True, timeout=30):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        self._send(message)
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read(deadline)
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise CdpError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            if "method" in reply:
                self.events.append(reply)

    def open_page(self, url):
        """Opens a tab at the first call, then navigates it."""
        if self.session:
            self.call("Page.navigate", {"url": url})
            return
        target = self.call("Target.createTarget", {"url": "about:blank"}, session=False)
        attached = self.call("Target.attachToTarget",
                             {"targetId": target["targetId"], "flatten": True}, session=False)
        self.session = attached["sessionId"]
        self.call("Page.enable")
        self.call("Runtime.enable")
        self.call("Page.navigate", {"url": url})

    def evaluate(self, expression, timeout=30):
        result = self.call("Runtime.evaluate",
                           {"expression": expression, "returnByValue": True, "awaitPromise": True},
                           timeout=timeout)
        if "exceptionDetails" in result:
            raise CdpError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=30, every=0.1):
        """Polls a page expression until it is truthy; returns its value."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                value = self.evaluate(expression)
            except CdpError:
                value = None  # the page is not there yet
            if value:
                return value
            time.sleep(every)
        raise CdpError(f"timed out waiting for {expression}")

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    # Input, as the page's own events see it.
    def key(self, code, key, vk, down=True):
        params = {"type": "keyDown" if down else "keyUp", "code": code, "key": key,
                  "windowsVirtualKeyCode": vk}
        self.call("Input.dispatchKeyEvent", params)

    def press(self, code, key, vk):
        self.key(code, key, vk, True)
        self.key(code, key, vk, False)

    def mouse(self, kind, x, y, button="left"):
        params = {"type": kind, "x": x, "y": y, "button": button,
                  "clickCount": 1 if kind != "mouseMoved" else 0}
        if kind == "mouseMoved":
            params["button"] = "none"
        self.call("Input.dispatchMouseEvent", params)

    def click(self, x, y):
        self.mouse("mouseMoved", x, y)
        self.mouse("mousePressed", x, y)
        self.mouse("mouseReleased", x, y)

    def touch(self, kind, points=()):
        """kind: touchStart, touchMove, touchEnd or touchCancel; points: the
        fingers down after it, (id, x, y) in CSS pixels. Chromium lifts the
        fingers missing from the list; End and Cancel take all."""
        self.call("Input.dispatchTouchEvent",
                  {"type": kind, "touchPoints": [{"id": i, "x": x, "y": y} for i, x, y in points]})

    def console_messages(self):
        out = []
        for e in self.events:
            if e.get("method") == "Runtime.consoleAPICalled":
                out.append(" ".join(str(a.get("value", "")) for a in e["params"]["args"]))
            elif e.get("method") == "Runtime.exceptionThrown":
                out.append("exception: " + json.dumps(e["params"]["exceptionDetails"])[:300])
        return out
