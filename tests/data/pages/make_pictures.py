#!/usr/bin/env python3
"""Writes the small GIF and PNG pictures of the golden pages next to itself.

The GIFs use the encoder of ../gif/make_gifs.py; the PNGs are written with zlib. The one
JPEG (photo.jpg) was saved once from a 120 x 90 drawing and is kept as it is.
"""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "gif"))
import make_gifs as g  # noqa: E402

NAVY, GOLD, WHITE, RED = (0, 0, 128), (255, 204, 0), (255, 255, 255), (204, 0, 0)


def logo():
    # 180 x 50: a navy band with a gold sun and three white stripes; index 2 (white
    # corners) is transparent.
    w, h = 180, 50
    px = []
    for y in range(h):
        for x in range(w):
            corner = (x < 6 or x >= w - 6) and (y < 6 or y >= h - 6)
            if corner:
                px.append(2)
            elif (x - 28) ** 2 + (y - 25) ** 2 <= 15 ** 2:
                px.append(1)
            elif 56 <= x < 170 and y % 12 in (9, 10, 11):
                px.append(3)
            else:
                px.append(0)
    return (g.header(b"89a", w, h, [NAVY, GOLD, WHITE, (255, 255, 240)]) + g.control(transparent=2)
            + g.image(w, h, px) + g.TRAILER)


def dot():
    # 12 x 12 red ball on a transparent ground.
    w = h = 12
    px = [0 if (x - 5.5) ** 2 + (y - 5.5) ** 2 <= 30 else 1 for y in range(h) for x in range(w)]
    return (g.header(b"89a", w, h, [RED, WHITE, NAVY, GOLD]) + g.control(transparent=1)
            + g.image(w, h, px) + g.TRAILER)


def anim():
    # 24 x 24, two frames: a gold square, then a navy one; loops for ever.
    w = h = 24
    body = g.netscape(0)
    for colour in (1, 0):
        px = [colour if 4 <= x < 20 and 4 <= y < 20 else 2 for y in range(h) for x in range(w)]
        body += g.control(50, 1) + g.image(w, h, px)
    return g.header(b"89a", w, h, [NAVY, GOLD, WHITE, RED]) + body + g.TRAILER


def png(w, h, rgb):
    raw = b"".join(b"\0" + b"".join(bytes(rgb(x, y)) for x in range(w)) for y in range(h))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def chart(x, y):
    # 200 x 50: five bars of rising height on pale grey.
    bar, inside = divmod(x, 40)
    top = 40 - bar * 8
    if 6 <= inside < 34 and y >= top and y < 48:
        return [(200, 0, 0), (220, 120, 0), (0, 150, 0), (0, 90, 200), (120, 0, 160)][bar]
    return (235, 235, 235) if y < 48 else (60, 60, 60)


FILES = {
    "logo.gif": logo(),
    "dot.gif": dot(),
    "anim.gif": anim(),
    "chart.png": png(200, 50, chart),
}

if __name__ == "__main__":
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
