"""The browser game served from a folder: types, gzip, caching by content
hash and ETag, the page policy, names that try to leave the folder, the watch
route, Watch links by generation, and a server without it."""
import gzip
import os
import subprocess
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(__file__))
from harness import Cluster, Failures, Server, arguments, read, submit_headers, wait_terminal  # noqa

args = arguments()
f = Failures()
memory = ["--set", "verify_memory_mib=0"] if args.sanitized else []
POLICY = ("default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; connect-src 'self'; "
          "img-src 'self' data: blob:; style-src 'self'; media-src 'self' blob:; "
          "manifest-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'")
IMMUTABLE = "public, max-age=31536000, immutable"

# A built game as the web build leaves it, and things that must never be served.
tmp = tempfile.mkdtemp(prefix="quorvex-web-")
site = os.path.join(tmp, "site")
os.makedirs(os.path.join(site, "sub"))
script = b"function step(){return 1;}\n" * 2000
files = {
    "index.html": b"<!DOCTYPE html><canvas id=game></canvas>" + b" " * 3000,
    "watch.html": b"<!DOCTYPE html><p id=verdict>watch page</p>" + b" " * 3000,
    "app.0123456789abcdef.js": script,
    "game.fedcba9876543210.wasm": b"\0asm\1\0\0\0" + bytes(range(256)) * 200,
    "game.0011223344556677.data": b"packed" * 5000,
    "look.css": b"canvas{width:100%}\n" * 100,
    "icon.png": os.urandom(4000),
    "rules.json": b'{"a": 1}' * 300,
    "quorvex.0123456789abcdef.webmanifest": b'{"name": "Quorvex"}' * 100,
    "art.svg": b"<svg xmlns='http://www.w3.org/2000/svg'></svg>" * 50,
    "notes.xyz": b"what is this" * 100,
}
for name, body in files.items():
    with open(os.path.join(site, name), "wb") as out:
        out.write(body)
SECRET = b"secret outside the web folder"
for path in (os.path.join(tmp, "secret.js"), os.path.join(site, ".hidden"),
             os.path.join(site, "sub", "inner.js")):
    with open(path, "wb") as out:
        out.write(SECRET)
os.symlink(os.path.join(tmp, "secret.js"), os.path.join(site, "escape.js"))


def gunzip(body, headers):
    return gzip.decompress(body) if headers.get("Content-Encoding") == "gzip" else body


cluster = Cluster()
web = Server(args, cluster, "--web", site, "--workers", "1", "--set", "token_per_minute=0",
             "--set", "address_per_minute=0", *memory)
plain = Server(args, cluster, "--api-only", *memory)

# Types, and which names are kept for a year: (file, type, immutable).
types = [
    ("index.html", "text/html; charset=utf-8", False),
    ("watch.html", "text/html; charset=utf-8", False),
    ("app.0123456789abcdef.js", "text/javascript", True),
    ("game.fedcba9876543210.wasm", "application/wasm", True),
    ("game.0011223344556677.data", "application/octet-stream", True),
    ("look.css", "text/css", False),
    ("icon.png", "image/png", False),
    ("rules.json", "application/json", False),
    ("quorvex.0123456789abcdef.webmanifest", "application/manifest+json", True),
    ("art.svg", "image/svg+xml", False),
    ("notes.xyz", "application/octet-stream", False),
]
for name, kind, immutable in types:
    status, body, headers = web.request("GET", "/play/" + name, headers={"Accept-Encoding": "gzip"})
    cache = headers.get("Cache-Control")
    f.check(status == 200 and headers.get("Content-Type") == kind
            and gunzip(body, headers) == files[name]
            and cache == (IMMUTABLE if immutable else "no-cache")
            and headers.get("Content-Security-Policy") == POLICY
            and headers.get("X-Content-Type-Options") == "nosniff",
            "%s: %d %s, %s, the file's bytes" % (name, status, headers.get("Content-Type"), cache))
status, body, headers = web.request("GET", "/play")
f.check(status == 200 and body == files["index.html"] and headers.get("Cache-Control") == "no-cache",
        "/play is index.html")
f.check(web.request("GET", "/play/")[1] == files["index.html"], "/play/ is index.html too")

# Compression by what the client takes: (file, Accept-Encoding, gzip sent).
encodings = [
    ("app.0123456789abcdef.js", "gzip, deflate, br", True),
    ("game.fedcba9876543210.wasm", "br;q=1.0, gzip;q=0.8", True),
    ("index.html", "*", True),
    ("index.html", "", False),
    ("index.html", "gzip;q=0", False),
    ("index.html", "br", False),
    ("index.html", "*, gzip;q=0", False),
    ("icon.png", "gzip", False),
]
for name, accept, zipped in encodings:
    status, body, headers = web.request("GET", "/play/" + name,
                                        headers={"Accept-Encoding": accept} if accept else {})
    sent = headers.get("Content-Encoding") == "gzip"
    f.check(status == 200 and sent == zipped and gunzip(body, headers) == files[name]
            and (not sent or len(body) < len(files[name]))
            and (headers.get("Vary") == "Accept-Encoding") == (name != "icon.png"),
            "%s with Accept-Encoding %r: gzip %s, %d bytes on the wire, Vary %s"
            % (name, accept, sent, len(body), headers.get("Vary")))

# ETags and 304: the plain and the gzip tag both stand for the same bytes.
_, _, plain_headers = web.request("GET", "/play/index.html")
_, _, zipped_headers = web.request("GET", "/play/index.html", headers={"Accept-Encoding": "gzip"})
tag, ztag = plain_headers.get("ETag", ""), zipped_headers.get("ETag", "")
f.check(tag.startswith('"') and ztag.startswith('"') and tag != ztag,
        "index.html has an ETag per encoding: %s %s" % (tag, ztag))
revalidations = [
    ({"If-None-Match": tag}, 304),
    ({"If-None-Match": ztag, "Accept-Encoding": "gzip"}, 304),
    ({"If-None-Match": ztag}, 304),
    ({"If-None-Match": '"other", W/' + tag}, 304),
    ({"If-None-Match": "*"}, 304),
    ({"If-None-Match": '"other"'}, 200),
]
for headers, want in revalidations:
    status, body, answer = web.request("GET", "/play/index.html", headers=headers)
    f.check(status == want and (want == 200 or body == b"") and answer.get("ETag")
            and answer.get("Cache-Control") == "no-cache",
            "If-None-Match %r: %d" % (headers["If-None-Match"], status))
status, _, headers = web.request("HEAD", "/play/app.0123456789abcdef.js")
f.check(status == 200 and headers.get("Cache-Control") == IMMUTABLE, "HEAD answers the headers")

# Names that lead out of the folder or to what it hides.
escapes = ["/play/..%2fsecret.js", "/play/%2e%2e/secret.js", "/play/%2E%2E%2Fsecret.js",
           "/play/.hidden", "/play/%2ehidden", "/play/escape.js", "/play/sub/inner.js",
           "/play/sub%2finner.js", "/play/sub", "/play/..", "/play/..%252fsecret.js",
           "/play/index.html%00.js", "/play/index.html/", "/play//etc/passwd",
           "/play/%5c..%5csecret.js", "/play/nothing.js"]
for path in escapes:
    status, body, _ = web.request("GET", path)
    f.check(status == 404 and SECRET not in body, "%s: %d" % (path, status))

# Runs: one of each generation, verified.
replays = sorted(os.path.join(args.replays, n) for n in os.listdir(args.replays)
                 if n.endswith(".qvr"))
by_version = {}
for path in replays:
    by_version.setdefault(int.from_bytes(read(path)[4:8], "little"), path)
runs = {}
for n, (generation, version) in enumerate(((1, min(by_version)), (2, 3))):
    status, sent = web.json("POST", "/api/v1/runs", read(by_version[version]),
                            submit_headers(n + 1, "Gen %d" % generation))
    runs[generation] = wait_terminal(web, sent["id"], 120)
    run = runs[generation]
    f.check(run["status"] == "verified" and run["generation"] == generation,
            "a generation-%d run is verified: %s" % (generation, run["status"]))
    f.check(run["board"] and run["board_fingerprint"]
            and all(k in (run["replayed"] or {}) for k in ("checksum", "score", "time", "kills")),
            "its record names its board, rule fingerprint and replayed result")

# The watch route, and links to it on the pages: (server, path, status, wanted, unwanted).
new, old = runs[2]["id"], runs[1]["id"]
watch = '<a class="watch" href="/runs/%d/watch">Watch</a>'
desktop = "quorvex --replay"
board_of = {g: "/?board=" + urllib.parse.quote(runs[g]["board"]) for g in runs}
pages = [
    (web, "/runs/%d/watch" % new, 200, [files["watch.html"].decode()], []),
    (web, "/runs/%d/watch" % old, 200, [files["watch.html"].decode()], []),
    (web, "/runs/999999/watch", 404, ["no such run"], []),
    (web, board_of[2], 200, [watch % new, 'href="/play"'], []),
    (web, board_of[1], 200, [desktop], [watch % old]),
    (web, "/runs/%d" % new, 200, ['href="/runs/%d/watch"' % new], []),
    (web, "/runs/%d" % old, 200, [desktop, "before the rules changed"],
     ['href="/runs/%d/watch"' % old]),
    (web, "/players/gen%202", 200, [watch % new], [desktop]),
    (web, "/players/gen%201", 200, [desktop], ["/watch"]),
    (web, "/", 200, ["Play in the browser", 'href="/play"'], []),
    (plain, "/play", 404, ["does not serve the browser game", desktop], []),
    (plain, "/play/index.html", 404, ["does not serve the browser game"], []),
    (plain, "/runs/%d/watch" % new, 404, ["does not serve the browser game", desktop], []),
    (plain, board_of[2], 200, [], ["/watch", 'href="/play"']),
    (plain, "/runs/%d" % new, 200, [desktop], ["/watch", 'href="/play"']),
    (plain, "/", 200, [], ['href="/play"', "Play in the browser"]),
]
for server, path, want, present, absent in pages:
    status, body, headers = server.request("GET", path)
    text = body.decode(errors="replace")
    missing = [p for p in present if p not in text]
    found = [a for a in absent if a in text]
    f.check(status == want and not missing and not found,
            "%s %s: %d, missing %s, unwanted %s"
            % ("web" if server is web else "plain", path, status, missing, found))
_, _, headers = web.request("GET", "/runs/%d/watch" % new)
f.check(headers.get("Content-Security-Policy") == POLICY, "the watch page has the game's policy")
_, _, headers = web.request("GET", "/")
f.check("wasm-unsafe-eval" not in headers.get("Content-Security-Policy", ""),
        "the leaderboard keeps its own policy")

# Folders that cannot be served stop the server with a reason, before it
# touches the database: (what, folder, words of the reason).
incomplete = os.path.join(tmp, "incomplete")
os.makedirs(incomplete)
with open(os.path.join(incomplete, "index.html"), "wb") as out:
    out.write(b"x")
huge = os.path.join(tmp, "huge")
os.makedirs(huge)
for name in ("index.html", "watch.html"):
    with open(os.path.join(huge, name), "wb") as out:
        out.write(b"x")
with open(os.path.join(huge, "big.wasm"), "wb") as out:
    out.truncate(65 << 20)  # sparse: costs no disk
settings = os.path.join(tmp, "server.conf")
with open(settings, "w") as out:
    out.write("web = %s  # the settings file's key\n" % incomplete)
refusals = [("a missing folder", ["--web", os.path.join(tmp, "none")], "not a folder"),
            ("no watch page", ["--web", incomplete], "no watch.html"),
            ("no watch page, from the settings file", ["--config", settings], "no watch.html"),
            ("a file over the limit", ["--web", huge], "big.wasm is 65 MiB")]
for what, options, reason in refusals:
    out = subprocess.run([args.server, "--db", "host=/nonexistent"] + options,
                         capture_output=True, text=True, timeout=30)
    f.check(out.returncode == 2 and reason in out.stderr,
            "%s: exit %d, %s" % (what, out.returncode, out.stderr.strip()))

web.stop()
plain.stop()
cluster.close()
f.exit()
