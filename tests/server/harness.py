"""A throwaway PostgreSQL cluster and real quorvex-server processes for the
server's tests. Everything listens on a Unix socket or 127.0.0.1 only."""
import argparse
import hashlib
import atexit
import http.client
import json
import os
import pwd
import shutil
import socket
import subprocess
import sys
import tempfile
import time

PG_BIN = "/usr/lib/postgresql/15/bin"
# Whatever a failed test leaves running is stopped when it exits.
_running = []
atexit.register(lambda: [thing.close() for thing in reversed(_running)])


def arguments():
    p = argparse.ArgumentParser()
    p.add_argument("--server", required=True)
    p.add_argument("--verifier", required=True)
    p.add_argument("--load", required=True)
    p.add_argument("--data", required=True)
    p.add_argument("--replays", required=True)
    p.add_argument("--shots", default="")
    p.add_argument("--sanitized", action="store_true")
    return p.parse_args()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Cluster:
    """initdb + pg_ctl in a temporary folder, as the postgres user when root."""

    def __init__(self):
        if not os.path.exists(PG_BIN + "/initdb"):
            print("PostgreSQL 15 is not installed; skipping")
            sys.exit(77)
        self.dir = tempfile.mkdtemp(prefix="quorvex-pg-")
        self.as_user = []
        if os.getuid() == 0:
            os.chown(self.dir, pwd.getpwnam("postgres").pw_uid, -1)
            os.chmod(self.dir, 0o755)
            self.as_user = ["runuser", "-u", "postgres", "--"]
        self.run(PG_BIN + "/initdb", "-D", self.dir + "/data", "-A", "trust", "-U", "quorvex")
        self.start()
        _running.append(self)
        self.conninfo = "host=%s user=quorvex dbname=postgres" % self.dir

    def run(self, *cmd):
        subprocess.run(self.as_user + list(cmd), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def start(self):
        self.run(PG_BIN + "/pg_ctl", "-D", self.dir + "/data", "-o",
                 "-k %s -c listen_addresses=''" % self.dir, "-l", self.dir + "/log", "-w",
                 "start")

    def stop(self, mode="fast"):
        self.run(PG_BIN + "/pg_ctl", "-D", self.dir + "/data", "-m", mode, "-w", "stop")

    def sql(self, query):
        out = subprocess.run([PG_BIN + "/psql", self.conninfo, "-At", "-v", "ON_ERROR_STOP=1",
                              "-c", query], check=True, capture_output=True, text=True)
        return out.stdout.strip()

    def close(self):
        try:
            self.stop("immediate")
        except (subprocess.CalledProcessError, OSError):
            pass
        shutil.rmtree(self.dir, ignore_errors=True)


class Server:
    """One quorvex-server process; `extra` holds its own options."""

    def __init__(self, args, cluster, *extra, port=None, verifier=None):
        self.port = port or free_port()
        self.log = tempfile.NamedTemporaryFile(prefix="quorvex-server-", suffix=".log",
                                               delete=False)
        cmd = [args.server, "--db", cluster.conninfo, "--listen", "127.0.0.1:%d" % self.port,
               "--verifier", verifier or args.verifier, "--data", args.data] + list(extra)
        # The sanitizers reserve far more address space than a verifier's
        # default limit allows.
        if getattr(args, "sanitized", False):
            cmd += ["--set", "verify_memory_mib=0"]
        self.proc = subprocess.Popen(cmd, stdout=self.log, stderr=subprocess.STDOUT)
        _running.append(self)
        if "--workers-only" in extra:
            time.sleep(0.5)
            return
        deadline = time.time() + 30
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("quorvex-server ended: " + self.output())
            try:
                if self.request("GET", "/api/v1/boards")[0] == 200:
                    return
            except OSError:
                pass
            time.sleep(0.1)
        raise RuntimeError("quorvex-server did not answer: " + self.output())

    def output(self):
        with open(self.log.name, errors="replace") as f:
            return f.read()

    def request(self, method, path, body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            res = conn.getresponse()
            return res.status, res.read(), dict(res.getheaders())
        finally:
            conn.close()

    def json(self, method, path, body=None, headers=None):
        status, data, _ = self.request(method, path, body, headers)
        try:
            return status, json.loads(data)
        except ValueError:
            return status, {"raw": data.decode(errors="replace")}

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        os.unlink(self.log.name)


def token(n):
    # 32 bytes that look random, as a game's token does.
    return hashlib.sha256(b"quorvex-test-token-%d" % n).hexdigest()


def submit_headers(n, name):
    # Raw UTF-8 bytes on the wire, as the game sends them.
    return {"Authorization": "Bearer " + token(n),
            "X-Quorvex-Name": name.encode().decode("latin-1"),
            "Content-Type": "application/octet-stream"}


def wait_for(predicate, seconds, what):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def wait_terminal(server, run_id, seconds=60):
    def done():
        status, run = server.json("GET", "/api/v1/runs/%d" % run_id)
        return run if status == 200 and run["status"] in ("verified", "rejected") else None
    return wait_for(done, seconds, "run %d's verdict" % run_id)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Failures:
    """Collects failed checks so one run reports them all."""

    def __init__(self):
        self.failed = []

    def check(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            self.failed.append(what)

    def exit(self):
        if self.failed:
            print("%d check(s) failed" % len(self.failed))
            sys.exit(1)
        print("all checks passed")
