"""Attacks on the server's connections: slow and idle clients, header floods,
smuggling headers, bad parameters, and the headers every answer carries."""
import json
import os
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Cluster, Failures, Server, arguments  # noqa

args = arguments()
f = Failures()
cluster = Cluster()
server = Server(args, cluster, "--workers", "0", "--set", "header_seconds=2")


def connect(port, source="127.0.0.1"):
    s = socket.socket()
    s.settimeout(5)
    s.bind((source, 0))
    s.connect(("127.0.0.1", port))
    return s


def exchange(port, raw):
    """Sends raw bytes; the status line of the answer, or '' when the server closed."""
    with connect(port) as s:
        try:
            s.sendall(raw)
            return s.recv(65536).split(b"\r\n")[0].decode(errors="replace")
        except OSError:
            return ""


def load(*options, seconds=60):
    out = subprocess.run([args.load, *options, "--port", str(server.port)], capture_output=True,
                         text=True, timeout=seconds)
    return json.loads(out.stdout.strip().splitlines()[-1])


# Every answer forbids framing, sniffing and anything from elsewhere.
for path, cache in [("/", "no-store"), ("/api/v1/boards", "no-store"), ("/nothing", "no-store"),
                    ("/style.css", "max-age=3600"), ("/?board=%ff", "no-store")]:
    _, _, h = server.request("GET", path)
    f.check("default-src 'none'" in h.get("Content-Security-Policy", "")
            and "frame-ancestors 'none'" in h.get("Content-Security-Policy", "")
            and h.get("X-Content-Type-Options") == "nosniff" and h.get("X-Frame-Options") == "DENY"
            and cache in h.get("Cache-Control", ""), "security headers on %s: %s" % (path, h))

# A bad parameter is the request's fault, and the database connection stays.
for path in ["/?board=%ff", "/?board=1e%2B38", "/?board=-1", "/api/v1/boards/%ff",
             "/api/v1/boards/" + "a" * 200, "/players/%c3%28"]:
    status, body, _ = server.request("GET", path)
    after = server.request("GET", "/api/v1/boards")[0]
    f.check(status == 400 and after == 200, "%s: %d, then %d" % (path, status, after))
f.check("database" not in server.output(), "no database errors: " + server.output()[-300:])

# Requests that could be read two ways are refused.
post = b"POST /api/v1/runs HTTP/1.1\r\nHost: x\r\n"
for what, raw in [
    ("two Content-Length", post + b"Content-Length: 5\r\nContent-Length: 7\r\n\r\nabcdefg"),
    ("two equal Content-Length", post + b"Content-Length: 5\r\nContent-Length: 5\r\n\r\nabcde"),
    ("Content-Length and chunked",
     post + b"Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"),
]:
    line = exchange(server.port, raw)
    f.check(" 400 " in line, "%s: %s" % (what, line))

# Headers: one line, and all of them together, are bounded (431), and a
# flood of them leaves the server's memory where it was.
many = b"GET /api/v1/boards HTTP/1.1\r\nHost: x\r\n" + b"X-A: %s\r\n" % (b"a" * 4000) * 10 + b"\r\n"
f.check(" 431 " in exchange(server.port, many), "40 KB of headers: 431")
flood = load("flood", "--pid", str(server.proc.pid), "--mib", "256", "--seconds", "40")
f.check(flood["answered_431"] > 0 and flood["peak_kib"] < 200 * 1024
        and flood["boards_after"] == 200, "a 256 MiB header flood: %s" % flood)

# Slow and idle connections hold no thread: the API answers others, and a
# dripping connection is cut at the header deadline.
for kind in ["drip", "idle"]:
    r = load(kind, "--connections", "40", "--seconds", "6", "--interval", "0.5")
    f.check(r["failed"] == 0 and r["requests"] > 20 and r["p95_ms"] < 250
            and r["closed_by_server"] >= 40 and r["longest_s"] <= 4,
            "40 %s connections: %s" % (kind, r))

# A per-address cap, and idle connections closed early when the server is busy.
server.stop()
server = Server(args, cluster, "--workers", "0", "--set", "header_seconds=30", "--set",
                "connection_limit=20", "--set", "connections_per_address=8")
get = b"GET /api/v1/boards HTTP/1.1\r\nHost: x\r\n\r\n"


def answered(sockets):
    n = 0
    for s in sockets:
        try:
            s.sendall(get)
            n += s.recv(65536).startswith(b"HTTP/1.1 200")
        except OSError:
            pass
    return n


capped = [connect(server.port, "127.0.0.2") for _ in range(12)]
time.sleep(0.3)
n = answered(capped)
f.check(n == 8, "12 connections from one address, at most 8: %d answered" % n)
for s in capped:
    s.close()
time.sleep(0.5)
idle = [connect(server.port, "127.0.0.%d" % (3 + i // 6)) for i in range(12)]
n = answered(idle)
time.sleep(2.5)
n2 = answered(idle)
f.check(n == 12 and n2 == 0, "12 of 20 connections idle are closed at once: %d, then %d" % (n, n2))
for s in idle:
    s.close()
server.stop()
f.exit()
