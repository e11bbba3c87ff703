#!/usr/bin/env python3
"""Packs PNG pictures into one Windows icon (.ico): each size is stored as
its PNG, which Windows reads since Vista.

    make_icon.py OUT.ico PNG...
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("not a PNG")
    return struct.unpack(">II", data[16:24])


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    pictures = []
    for path in argv[2:]:
        with open(path, "rb") as f:
            data = f.read()
        width, height = png_size(data)
        if width > 256 or height > 256:
            raise SystemExit(f"{path}: an icon is at most 256 pixels a side")
        pictures.append((width, height, data))
    pictures.sort(key=lambda p: p[0])
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries, bodies = b"", b""
    for width, height, data in pictures:
        # 0 stands for 256 in the one-byte sizes.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32,
                               len(data), offset)
        bodies += data
        offset += len(data)
    with open(argv[1], "wb") as f:
        f.write(header + entries + bodies)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
