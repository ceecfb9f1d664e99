#!/usr/bin/env python3
"""Checks that a capture of the main window shows the four-quadrant test
picture (make_pattern.py) of WIDTHxHEIGHT at ZOOM percent, centred in the
canvas area as a newly shown document is.

The canvas area is the bounding box of the rows and columns made mostly of the
canvas background (180, 180, 180); menus, the toolbar and the scroll bars lie
outside it. With the area W x H,
half sizes hw = W // 2, hh = H // 2 and the picture shown S x T pixels
(S = WIDTH * ZOOM // 100), the view centres it: sx = max((S + 2 * hw - W) // 2, 0),
the same for sy, and the picture's top-left is at (hw - sx, hh - sy).

usage: check_picture.py CAPTURE.ppm WIDTHxHEIGHT [--zoom PERCENT] [--pixel-grid] [--white]
With --pixel-grid the 1-pixel grid (0xA0A0A0 lines at every pixel boundary) is
expected over the picture; with --white a blank white canvas instead of the
pattern. Prints one line; exits 1 when a check fails.
"""
import sys

from check_canvas import read_ppm

GREY = (180, 180, 180)
GRID = (160, 160, 160)
QUADRANTS = ((255, 0, 0), (0, 160, 0), (0, 0, 255), (255, 220, 0))


def main():
    args = sys.argv[1:]
    zoom, grid, white = 100, False, False
    if "--white" in args:
        args.remove("--white")
        white = True
    if "--zoom" in args:
        i = args.index("--zoom")
        zoom = int(args[i + 1])
        del args[i:i + 2]
    if "--pixel-grid" in args:
        args.remove("--pixel-grid")
        grid = True
    w, h, px = read_ppm(args[0])
    pw, ph = (int(v) for v in args[1].split("x"))

    def at(x, y):
        i = (y * w + x) * 3
        return tuple(px[i:i + 3])

    # Rows and columns mostly of background: text in the menus and the
    # toolbar may hold a stray pixel of the same grey.
    rows = [y for y in range(h) if sum(at(x, y) == GREY for x in range(0, w, 2)) * 2 >= w // 3]
    if not rows:
        print("no canvas background in the capture")
        return 1
    cols = [x for x in range(w)
            if sum(at(x, y) == GREY for y in range(rows[0], rows[-1] + 1, 2)) * 2 >= len(rows) // 3]
    cx0, cy0, cx1, cy1 = cols[0], rows[0], cols[-1] + 1, rows[-1] + 1
    cw, ch = cx1 - cx0, cy1 - cy0
    sw, sh = pw * zoom // 100, ph * zoom // 100
    hw, hh = cw // 2, ch // 2
    sx, sy = max((sw + 2 * hw - cw) // 2, 0), max((sh + 2 * hh - ch) // 2, 0)
    left, top = cx0 + hw - sx, cy0 + hh - sy
    errors = []
    cell = max(zoom // 100, 1)
    # Inside each quadrant, a few points well away from its edges (and, with
    # the pixel grid, away from the grid lines: the middle of a cell).
    for qy in range(2):
        for qx in range(2):
            want = (255, 255, 255) if white else QUADRANTS[qy * 2 + qx]
            for fx in (0.2, 0.5, 0.8):
                for fy in (0.2, 0.5, 0.8):
                    ix = int((qx + fx) * (pw // 2))
                    iy = int((qy + fy) * (ph // 2))
                    x = left + ix * zoom // 100 + cell // 2
                    y = top + iy * zoom // 100 + cell // 2
                    if not (cx0 <= x < cx1 and cy0 <= y < cy1):
                        continue  # scrolled out of the window at high zoom
                    if at(x, y) != want:
                        errors.append(f"picture pixel {ix},{iy} at {x - cx0},{y - cy0} is {at(x, y)}, "
                                      f"expected {want}")
    # The background just outside the picture's edges, where they are seen.
    for x, y in ((left - 1, top + sh // 2), (left + sw, top + sh // 2),
                 (left + sw // 2, top - 1), (left + sw // 2, top + sh)):
        if cx0 <= x < cx1 and cy0 <= y < cy1 and at(x, y) != GREY:
            errors.append(f"{x - cx0},{y - cy0} just outside the picture is {at(x, y)}")
    if grid:
        # Pixel boundaries: the first column of each cell is a grid line.
        lines = sum(1 for ix in range(1, pw) if cx0 <= left + ix * zoom // 100 < cx1 and
                    at(left + ix * zoom // 100, min(max(top + cell // 2, cy0), cy1 - 1)) == GRID)
        if lines < 10:
            errors.append(f"only {lines} pixel-grid lines found")
    if errors:
        print("; ".join(errors[:6]) + (f" (+{len(errors) - 6} more)" if len(errors) > 6 else ""))
        return 1
    what = "white canvas" if white else "picture"
    print(f"canvas area {cx0},{cy0} {cw}x{ch}: {pw}x{ph} {what} at {zoom}% with its "
          f"top-left at {left - cx0},{top - cy0}: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
