#!/usr/bin/env python3
"""Finds the image on a capture of the main window: the canvas area is where
rows and columns are mostly the background grey (180, 180, 180); the image is
the bounding box of the other pixels inside it.

usage: find_image.py CAPTURE.ppm   prints "X Y W H" in window pixels
"""
import sys

GREY = (180, 180, 180)


def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace() or data[pos:pos + 1] == b"#":
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    w, h = int(fields[1]), int(fields[2])
    pix = data[pos + 1:]
    return w, h, lambda x, y: tuple(pix[(y * w + x) * 3:(y * w + x) * 3 + 3])


def main():
    w, h, px = read_ppm(sys.argv[1])
    rows = [y for y in range(h) if sum(px(x, y) == GREY for x in range(0, w, 4)) * 4 > w // 3]
    cols = [x for x in range(w) if sum(px(x, y) == GREY for y in range(0, h, 4)) * 4 > h // 3]
    if not rows or not cols:
        sys.exit("no canvas area")
    x0, x1, y0, y1 = cols[0], cols[-1], rows[0], rows[-1]
    xs, ys = [], []
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            if px(x, y) != GREY:
                xs.append(x)
                ys.append(y)
    if not xs:
        sys.exit("no image")
    print(min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)


main()
