#!/usr/bin/env bash
# Builds the game for the browser into build-web/site/: index.html (/play),
# watch.html (/runs/{id}/watch) and the files they load, each named by its
# content hash so that a server can let browsers keep them for good. Beside
# it, build-web/bench-site/ is the same page with the benchmark's module
# (the full-load world the page test draws), never served to players.
#
#   scripts/web.sh [--no-install] [--test]
#
# The glyph atlas is baked by a native build (build-web/native), since the
# page has no font rasteriser; the data folder, with the atlas, is packed
# into quorvex.<hash>.data. --test then runs tests/web/test_web.py against it
# in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-web
install=1
test=0
for arg in "$@"; do
    case $arg in
    --no-install) install=0 ;;
    --test) test=1 ;;
    *)
        echo "usage: scripts/web.sh [--no-install] [--test]" >&2
        exit 2
        ;;
    esac
done
started=$SECONDS
jobs=${QUORVEX_JOBS:-2}

if [ "$install" = 1 ]; then
    bash scripts/deps.sh
    bash scripts/deps.sh web
fi
# Emscripten's optimizer needs Debian's acorn.
export NODE_PATH=/usr/share/nodejs
mkdir -p "$out"

# The baker and the icon (the desktop's, drawn by the asset generator), natively.
if [ ! -f "$out/native/build.ninja" ]; then
    cmake -S "$root" -B "$out/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=OFF \
          -DQUORVEX_SERVER=OFF -DQUORVEX_BENCH=OFF > "$out/native.configure.log" 2>&1 ||
        { cat "$out/native.configure.log"; exit 1; }
fi
nice cmake --build "$out/native" -j"$jobs" --target quorvex-glyphs quorvex_icons \
    > "$out/native.build.log" 2>&1 ||
    { tail -40 "$out/native.build.log"; exit 1; }

# The data the page packs: the shipped folder with the atlas baked in place
# of the face it comes from.
rm -rf "$out/data"
cp -r "$root/data" "$out/data"
"$out/native/tools/quorvex-glyphs" --data "$root/data" "$out/data/Fonts/glyphs.qga"
rm -f "$out/data/Fonts/"*.ttf "$out/data/README.md"

cmake -S "$root" -B "$out/wasm" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
      -DQUORVEX_TESTS=OFF -DQUORVEX_SERVER=OFF -DQUORVEX_BENCH=OFF -DQUORVEX_TOOLS=OFF \
      -DQUORVEX_WEB_DATA="$out/data" > "$out/wasm.configure.log" 2>&1 ||
    { cat "$out/wasm.configure.log"; exit 1; }
# The packed data is remade whenever a module is linked.
rm -f "$out/wasm/quorvex.js" "$out/wasm/quorvex-bench-web.js"
nice cmake --build "$out/wasm" -j"$jobs" --target quorvex quorvex-bench-web \
    > "$out/wasm.build.log" 2>&1 ||
    { tail -40 "$out/wasm.build.log"; exit 1; }

# A site: every file under its hash, the pages naming them; the module's
# files (MODULE.js, .wasm, .data) go in under the names the pages load.
write_site() { # SITE MODULE
    rm -rf "$1"
    mkdir -p "$1"
    python3 - "$root/web" "$out/wasm" "$1" "$out/native/packaging/icons" "$2" <<'PY'
import hashlib, pathlib, sys
src, build, site, icons = (pathlib.Path(a) for a in sys.argv[1:5])
module = sys.argv[5]
names = {}
sizes = {}

def place(name, data):
    stem, ext = name.rsplit(".", 1)
    hashed = f"{stem}.{hashlib.sha256(data).hexdigest()[:16]}.{ext}"
    (site / hashed).write_bytes(data)
    names[name] = hashed
    sizes[name] = len(data)

def fill(text):
    for name, hashed in names.items():
        text = text.replace(f"@{name}@", hashed).replace(f"@{name}:bytes@", str(sizes[name]))
    assert "@" not in "".join(l for l in text.splitlines() if "/play/@" in l or ":bytes@" in l), \
        "unfilled name"
    return text

for ext in ("wasm", "data", "js"):
    place(f"quorvex.{ext}", (build / f"{module}.{ext}").read_bytes())
# The home screen's icon and the manifest that names it.
for size in (128, 256):
    place(f"icon-{size}.png", (icons / f"{size}x{size}" / "apps" / "quorvex.png").read_bytes())
place("quorvex.webmanifest", fill((src / "quorvex.webmanifest").read_text()).encode())
place("page.css", (src / "page.css").read_bytes())
place("loader.js", fill((src / "loader.js").read_text()).encode())
for page in ("index.html", "watch.html"):
    (site / page).write_text(fill((src / page).read_text()))
for name, hashed in sorted(names.items()):
    print(f"  {hashed}  {(site / hashed).stat().st_size} bytes")
PY
}
write_site "$out/site" quorvex
write_site "$out/bench-site" quorvex-bench-web > /dev/null
echo "build-web/site/ (and bench-site/) written in $((SECONDS - started)) s"

if [ "$test" = 1 ]; then
    python3 "$root/tests/web/test_web.py" --site "$out/site" --out "$out"
fi
