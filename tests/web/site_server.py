"""The web build served as the leaderboard server serves it, on 127.0.0.1:
/play and /play/<file> from the site, /runs/{id}/watch as watch.html, and
/api/v1/runs/{id}[/replay] from a table of runs the test gives. Every answer
carries the server's Content-Security-Policy, so a page that breaks it fails
here too."""
import http.server
import json
import os
import re
import threading

CSP = ("default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; connect-src 'self'; "
       "img-src 'self' data: blob:; style-src 'self'; media-src 'self' blob:; manifest-src 'self'")
TYPES = {".html": "text/html; charset=utf-8", ".js": "text/javascript", ".css": "text/css",
         ".wasm": "application/wasm", ".data": "application/octet-stream", ".png": "image/png",
         ".webmanifest": "application/manifest+json"}


class SiteServer:
    def __init__(self, site, runs=None, extra=None):
        """runs: {id: (record dict, replay bytes)}; extra: {path: (bytes, type)}"""
        self.site = site
        self.runs = runs or {}
        self.extra = extra or {}
        self.requests = []
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def reply(self, status, body, kind):
                self.send_response(status)
                self.send_header("Content-Type", kind)
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Content-Security-Policy", CSP)
                if re.search(r"\.[0-9a-f]{16}\.", self.path):
                    self.send_header("Cache-Control", "public, max-age=31536000, immutable")
                else:
                    self.send_header("Cache-Control", "no-cache")
                self.end_headers()
                self.wfile.write(body)

            def file(self, name):
                path = os.path.join(outer.site, name)
                if "/" in name or not os.path.isfile(path):
                    return self.reply(404, b"not found", "text/plain")
                with open(path, "rb") as f:
                    body = f.read()
                self.reply(200, body, TYPES.get(os.path.splitext(name)[1], "application/octet-stream"))

            def do_GET(self):
                outer.requests.append(self.path)
                path = self.path.split("?", 1)[0]
                if path in outer.extra:
                    return self.reply(200, *outer.extra[path])
                if path in ("/play", "/play/"):
                    return self.file("index.html")
                m = re.fullmatch(r"/play/([^/]+)", path)
                if m:
                    return self.file(m.group(1))
                if re.fullmatch(r"/runs/\d+/watch", path):
                    return self.file("watch.html")
                m = re.fullmatch(r"/api/v1/runs/(\d+)(/replay)?", path)
                if m and int(m.group(1)) in outer.runs:
                    record, replay = outer.runs[int(m.group(1))]
                    if m.group(2):
                        return self.reply(200, replay, "application/octet-stream")
                    return self.reply(200, json.dumps(record).encode(), "application/json")
                self.reply(404, b"not found", "text/plain")

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
