#!/usr/bin/env python3
"""Writes the named GIF files of this folder. Run it from anywhere; it writes next to itself.

Each file is built field by field with an LZW encoder of our own, so that the tests do not
depend on any image tool.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)
PALETTE = [RED, GREEN, BLUE, WHITE]


def lzw(indices, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, acc, nbits = bytearray(), 0, 0
    state = {"size": min_size + 1, "next": clear + 2, "first": True}

    def put(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def emit(code):
        put(code, state["size"])
        if not state["first"] and state["next"] < 4096:
            state["next"] += 1
        state["first"] = False
        if state["next"] >= (1 << state["size"]) and state["size"] < 12:
            state["size"] += 1

    def emit_clear():
        put(clear, state["size"])
        state.update(size=min_size + 1, next=clear + 2, first=True)
        table.clear()
        return clear + 2

    table = {}
    enc_next = emit_clear()
    prefix = indices[0]
    for ch in indices[1:]:
        if (prefix, ch) in table:
            prefix = table[(prefix, ch)]
            continue
        emit(prefix)
        if enc_next < 4096:
            table[(prefix, ch)] = enc_next
            enc_next += 1
        else:
            enc_next = emit_clear()
        prefix = ch
    emit(prefix)
    put(end, state["size"])
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out + b"\0")


def header(version, w, h, palette=PALETTE):
    bits = max(1, (len(palette) - 1).bit_length())
    table = b"".join(bytes(c) for c in palette) + b"\0" * 3 * ((1 << bits) - len(palette))
    return b"GIF" + version + struct.pack("<HHBBB", w, h, 0x80 | (bits - 1), 0, 0) + table


def netscape(loops):
    return b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", loops) + b"\0"


def control(delay=0, dispose=0, transparent=None):
    packed = (dispose << 2) | (1 if transparent is not None else 0)
    return b"\x21\xF9\x04" + struct.pack("<BHB", packed, delay, transparent or 0) + b"\0"


def interlace(pixels, w, h):
    rows = [pixels[y * w:(y + 1) * w] for y in range(h)]
    order = [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)) for y in range(start, h, step)]
    return [p for y in order for p in rows[y]]


def image(w, h, pixels, left=0, top=0, interlaced=False, min_size=2):
    data = interlace(pixels, w, h) if interlaced else pixels
    return (b"\x2C" + struct.pack("<HHHHB", left, top, w, h, 0x40 if interlaced else 0)
            + bytes([min_size]) + sub_blocks(lzw(data, min_size)))


TRAILER = b"\x3B"
FOUR = [0, 1, 2, 3]


def three_frames(loops=None, delay=10):
    body = netscape(loops) if loops is not None else b""
    for i in range(3):
        body += control(delay, 1) + image(2, 2, [i] * 4)
    return header(b"89a", 2, 2) + body + TRAILER


def stripes(w, h):
    return [(y + x // 2) % 4 for y in range(h) for x in range(w)]


FILES = {
    "gif87a.gif": header(b"87a", 2, 2) + image(2, 2, FOUR) + TRAILER,
    "gif89a.gif": header(b"89a", 2, 2) + image(2, 2, FOUR) + TRAILER,
    "not-a-gif.gif": b"<html><body>Not Found</body></html>\n",
    # 4 x 2; index 2 (blue) is transparent.
    "transparent.gif": header(b"89a", 4, 2) + control(transparent=2)
    + image(4, 2, [0, 2, 2, 1, 2, 3, 2, 2]) + TRAILER,
    "loop-3.gif": three_frames(loops=3),
    "loop-0.gif": three_frames(loops=0),
}
for h in (1, 2, 3, 4, 5, 16):
    FILES[f"plain-{h}.gif"] = header(b"89a", 3, h) + image(3, h, stripes(3, h)) + TRAILER
    FILES[f"interlaced-{h}.gif"] = (header(b"89a", 3, h)
                                    + image(3, h, stripes(3, h), interlaced=True) + TRAILER)
# Red everywhere, then blue on the left pixel (disposed of by restoring the previous
# picture), then green on the right pixel.
FILES["dispose-3.gif"] = (header(b"89a", 2, 1) + netscape(0)
                          + control(10, 1) + image(2, 1, [0, 0])
                          + control(10, 3) + image(1, 1, [2])
                          + control(10, 0) + image(1, 1, [1], left=1) + TRAILER)

if __name__ == "__main__":
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
