"""The leaderboard page in headless Chromium: the table is there, names with
markup show as text, and screenshots land in the build folder."""
import os
import shutil
import subprocess
import sys
import urllib.parse

sys.path.insert(0, os.path.dirname(__file__))
from harness import PG_BIN, Cluster, Failures, Server, arguments  # noqa

args = arguments()
chromium = shutil.which("chromium") or shutil.which("chromium-browser")
if not chromium:
    print("chromium is not installed; skipping")
    sys.exit(77)
f = Failures()
cluster = Cluster()
# Under the sanitizers the verifier (asked for the default board) needs more
# address space than the default limit gives.
memory = ["--set", "verify_memory_mib=0"] if args.sanitized else []
server = Server(args, cluster, "--api-only", *memory)
board = server.json("GET", "/api/v1/boards")[1]["default"]
synthetic = os.path.join(os.path.dirname(__file__), "../../server/loadtest/synthetic.sql")
subprocess.run([PG_BIN + "/psql", cluster.conninfo, "-q", "-v", "ON_ERROR_STOP=1", "-v",
                "board=" + board, "-v", "count=60", "-v", "prefix=Marine ", "-f", synthetic],
               check=True, stdout=subprocess.DEVNULL)
# Names that the API would refuse, put in as if an older server had let them through.
hostile = ['<script>alert("x")</script>', "<b>bold</b> & co"]
for i, name in enumerate(hostile):
    cluster.sql("UPDATE players SET name = '%s' WHERE name_key = 'marine %d'"
                % (name.replace("'", "''"), i + 1))
    cluster.sql("UPDATE board_best SET score = %d WHERE player_id = (SELECT id FROM players "
                "WHERE name_key = 'marine %d')" % (300000 - i, i + 1))
url = "http://127.0.0.1:%d/" % server.port


def browse(*options):
    out = subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu",
                          "--hide-scrollbars", *options], capture_output=True, text=True,
                         timeout=60)
    return out.stdout


dom = browse("--dump-dom", url)
f.check('<table class="board">' in dom and dom.count("<tr>") >= 51,
        "the table holds a page of runs (%d rows)" % dom.count("<tr>"))
f.check("&lt;script&gt;alert" in dom and "<script" not in dom,
        "a name with <script> shows as text, no script element")
f.check("&lt;b&gt;bold&lt;/b&gt; &amp; co" in dom and "<b>" not in dom, "markup stays text")
os.makedirs(args.shots, exist_ok=True)
for name, size in (("leaderboard.png", "1100,900"), ("leaderboard-phone.png", "390,844")):
    shot = os.path.join(args.shots, name)
    if os.path.exists(shot):
        os.unlink(shot)
    browse("--screenshot=" + shot, "--window-size=" + size, url)
    f.check(os.path.getsize(shot) > 10000 if os.path.exists(shot) else False,
            "screenshot " + shot)

for path in ("/players/" + urllib.parse.quote("marine 1"), "/players/Marine%202",
             "/?board=" + urllib.parse.quote(board) + "&offset=50"):
    status, body, _ = server.request("GET", path)
    text = body.decode()
    f.check(status == 200 and "<script>alert" not in text and "<b>bold" not in text,
            "%s is served escaped (%d)" % (path, status))
status, body, _ = server.request("GET", "/runs/1", headers={"Host": "<i>evil</i>"})
f.check(status == 200 and "<i>evil" not in body.decode() and "&lt;i&gt;evil" in body.decode(),
        "a run page escapes the Host it echoes")

server.stop()
cluster.close()
f.exit()
