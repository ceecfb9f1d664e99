#!/usr/bin/env python3
"""Writes a small illustration as a PNG for the documentation screenshots:
a sky gradient, a sun, two hills and a house with a window, with hard
pixel edges so the pixel grid at high zoom has something to show.

usage: make_illustration.py OUT.png [WIDTH HEIGHT]
"""
import math
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def pixel(x, y, w, h):
    # Sky: light blue at the top to pale yellow at the horizon.
    t = y / h
    r, g, b = int(120 + 120 * t), int(170 + 70 * t), int(235 - 60 * t)
    sx, sy, sr = w * 0.78, h * 0.24, h * 0.12
    if (x - sx) ** 2 + (y - sy) ** 2 <= sr * sr:
        r, g, b = 255, 200, 60
    far = h * 0.62 + h * 0.08 * math.sin(x / w * 5.0)
    near = h * 0.74 + h * 0.06 * math.sin(x / w * 3.0 + 2.0)
    if y >= far:
        r, g, b = 90, 150, 90
    if y >= near:
        r, g, b = 60, 120, 60
    # A house: walls, roof, a window and a door.
    hx0, hx1, hy0, hy1 = int(w * 0.22), int(w * 0.40), int(h * 0.58), int(h * 0.80)
    if hx0 <= x < hx1 and hy0 <= y < hy1:
        r, g, b = 235, 225, 205
        if int(w * 0.25) <= x < int(w * 0.30) and int(h * 0.63) <= y < int(h * 0.70):
            r, g, b = 70, 110, 170
        if int(w * 0.33) <= x < int(w * 0.37) and int(h * 0.68) <= y < hy1:
            r, g, b = 140, 80, 40
    roof_top = h * 0.44
    if hy0 > y >= roof_top and abs(x - (hx0 + hx1) / 2) <= (y - roof_top) * 1.2 + 2:
        r, g, b = 190, 60, 50
    return bytes((r, g, b))


def main():
    out = sys.argv[1]
    w, h = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) > 3 else (320, 200)
    rows = b"".join(b"\0" + b"".join(pixel(x, y, w, h) for x in range(w)) for y in range(h))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
