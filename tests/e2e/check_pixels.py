#!/usr/bin/env python3
"""Checks pixels of a picture in binary PPM form (ImageMagick converts the
flattened PNG).

usage: check_pixels.py IMAGE.ppm X,Y=RRGGBB|X,Y=dark ... [--same OTHER.ppm]
"dark": every channel below 64 (a soft brush's centre).
"""
import sys


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
    w = int(fields[1])
    return w, data[pos + 1:]


def main():
    w, pix = read_ppm(sys.argv[1])
    args, bad = sys.argv[2:], []
    if "--same" in args:
        i = args.index("--same")
        if read_ppm(args[i + 1])[1] != pix:
            bad.append("pixels differ from " + args[i + 1])
        args = args[:i] + args[i + 2:]
    for a in args:
        pos, want = a.split("=")
        x, y = map(int, pos.split(","))
        got = "%02X%02X%02X" % tuple(pix[(y * w + x) * 3:(y * w + x) * 3 + 3])
        rgb = pix[(y * w + x) * 3:(y * w + x) * 3 + 3]
        if want == "dark" and max(rgb) < 64:
            continue
        if got != want.upper():
            bad.append("%s is %s" % (pos, got))
    if bad:
        sys.exit("; ".join(bad))
    print("ok")


main()
