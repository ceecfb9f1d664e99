#!/usr/bin/env python3
"""Counts the pixels of a capture (PPM, P6) that are pure black, pure red and
pure white.

usage: e2e_count_colours.py CAPTURE.ppm  ->  prints "black N red N white N"
"""
import sys


def main():
    data = open(sys.argv[1], "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pixels = data[pos + 1:]
    counts = {b"\x00\x00\x00": 0, b"\xff\x00\x00": 0, b"\xff\xff\xff": 0}
    for i in range(0, len(pixels) - 2, 3):
        p = pixels[i:i + 3]
        if p in counts:
            counts[p] += 1
    print("black %d red %d white %d" % (counts[b"\x00\x00\x00"], counts[b"\xff\x00\x00"],
                                         counts[b"\xff\xff\xff"]))


main()
