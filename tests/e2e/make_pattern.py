#!/usr/bin/env python3
"""Writes a PNG test picture of four solid quadrants, so a capture shows both
where the picture lies and which way round it is.

usage: make_pattern.py OUT.png WIDTH HEIGHT
Top-left red, top-right green, bottom-left blue, bottom-right yellow.
"""
import struct
import sys
import zlib

QUADRANTS = ((255, 0, 0), (0, 160, 0), (0, 0, 255), (255, 220, 0))


def colour_at(x, y, w, h):
    return QUADRANTS[(2 if y >= h // 2 else 0) + (1 if x >= w // 2 else 0)]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    out, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rows = b"".join(b"\0" + b"".join(bytes(colour_at(x, y, w, h)) for x in range(w))
                    for y in range(h))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
