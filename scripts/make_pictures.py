#!/usr/bin/env python3
"""Draws Webling's own tool-bar icons and splash picture as PNG files into resources/.

Run by hand when a picture changes; the PNGs are kept in the repository.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources")


def png(path, w, h, px):
    raw = b"".join(b"\0" + bytes(c for p in px[y] for c in p) for y in range(h))
    def chunk(t, d):
        c = struct.pack(">I", len(d)) + t + d
        return c + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


class Img:
    def __init__(self, w, h, bg=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[bg] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def poly(self, pts, c, ss=4):
        # Supersampled even-odd fill, for smooth edges.
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(ss):
                    for sx in range(ss):
                        px, py = x + (sx + 0.5) / ss, y + (sy + 0.5) / ss
                        inside = False
                        for i in range(len(pts)):
                            x1, y1 = pts[i]
                            x2, y2 = pts[(i + 1) % len(pts)]
                            if (y1 > py) != (y2 > py) and px < (x2 - x1) * (py - y1) / (y2 - y1) + x1:
                                inside = not inside
                        hits += inside
                if hits:
                    self.blend(x, y, c, hits / (ss * ss))

    def ring(self, cx, cy, r0, r1, c, a0=0, a1=360, ss=4):
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(ss):
                    for sx in range(ss):
                        dx, dy = x + (sx + 0.5) / ss - cx, y + (sy + 0.5) / ss - cy
                        d = math.hypot(dx, dy)
                        ang = math.degrees(math.atan2(-dy, dx)) % 360
                        inarc = (a0 <= ang <= a1) if a0 <= a1 else (ang >= a0 or ang <= a1)
                        hits += r0 <= d <= r1 and inarc
                if hits:
                    self.blend(x, y, c, hits / (ss * ss))

    def blend(self, x, y, c, a):
        r, g, b, al = self.px[y][x]
        na = a * c[3] / 255
        oa = al / 255
        ta = na + oa * (1 - na)
        if ta <= 0:
            return
        mix = lambda s, d: int((s * na + d * oa * (1 - na)) / ta + 0.5)
        self.px[y][x] = (mix(c[0], r), mix(c[1], g), mix(c[2], b), int(ta * 255 + 0.5))

    def save(self, name):
        png(os.path.join(OUT, name), self.w, self.h, self.px)


BLUE = (40, 90, 180, 255)
DARK = (20, 40, 90, 255)
GREEN = (30, 140, 60, 255)
RED = (200, 30, 30, 255)
WHITE = (255, 255, 255, 255)
S = 24

home = Img(S, S)
home.poly([(12, 2), (23, 12), (20, 12), (20, 22), (4, 22), (4, 12), (1, 12)], BLUE)
home.poly([(10, 15), (14, 15), (14, 22), (10, 22)], WHITE)
home.save("icons/home.png")

openurl = Img(S, S)
openurl.ring(12, 12, 0, 10.5, BLUE)
openurl.ring(12, 12, 9, 10.5, DARK)
for pts in ([(11.3, 2), (12.7, 2), (12.7, 22), (11.3, 22)], [(2, 11.3), (22, 11.3), (22, 12.7), (2, 12.7)]):
    openurl.poly(pts, WHITE)
openurl.ring(12, 12, 5, 6.2, WHITE, 270, 90)
openurl.ring(12, 12, 5, 6.2, WHITE, 90, 270)
openurl.save("icons/openurl.png")

reload_ = Img(S, S)
reload_.ring(12, 12, 6, 9.5, GREEN, 60, 330)
reload_.poly([(14, 1), (22, 5), (14, 11)], GREEN)
reload_.save("icons/reload.png")

back = Img(S, S)
back.poly([(2, 12), (12, 3), (12, 8), (22, 8), (22, 16), (12, 16), (12, 21)], BLUE)
back.save("icons/back.png")

fwd = Img(S, S)
fwd.poly([(22, 12), (12, 3), (12, 8), (2, 8), (2, 16), (12, 16), (12, 21)], BLUE)
fwd.save("icons/forward.png")

stop = Img(S, S)
octo = [(12 + 10.5 * math.cos(math.radians(22.5 + 45 * i)), 12 + 10.5 * math.sin(math.radians(22.5 + 45 * i))) for i in range(8)]
stop.poly(octo, RED)
stop.poly([(7, 8.5), (8.5, 7), (17, 15.5), (15.5, 17)], WHITE)
stop.poly([(15.5, 7), (17, 8.5), (8.5, 17), (7, 15.5)], WHITE)
stop.save("icons/stop.png")

# Splash: a blue panel with "WEBLING" in block letters and a thin rule.
FONT = {
    "W": ["10001", "10001", "10001", "10101", "10101", "11011", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    " ": ["00000"] * 7,
}
W, H = 400, 180
splash = Img(W, H, (30, 70, 150, 255))
for y in range(H):
    for x in range(W):
        t = y / H
        splash.px[y][x] = (int(30 + 20 * t), int(70 + 30 * t), int(150 + 60 * t), 255)


def text(img, s, x0, y0, scale, color):
    for ch in s:
        g = FONT[ch]
        for gy, row in enumerate(g):
            for gx, bit in enumerate(row):
                if bit == "1":
                    for yy in range(scale):
                        for xx in range(scale):
                            img.set(x0 + gx * scale + xx, y0 + gy * scale + yy, color)
        x0 += 6 * scale


text(splash, "WEBLING", 60, 40, 8, WHITE)
for x in range(60, 340):
    splash.set(x, 110, (200, 220, 255, 255))
    splash.set(x, 111, (200, 220, 255, 255))
text(splash, "V 1.0", 150, 125, 4, (220, 230, 255, 255))
splash.save("splash.png")
