#!/usr/bin/env python3
"""Checks a capture of the main window of a new document.

The canvas widget is found as the bounding box of the rows and columns made
mostly of the canvas background colour (180, 180, 180), so the menu bar and
the toolbar above it and the scroll bars right of and below it do not matter. Inside it there must be exactly one
pure-white 300 x 300 block, every other pixel background grey.

Where the block lies follows the view's own rule. With the canvas area W x H,
half sizes hw = W // 2, hh = H // 2 and scroll (sx, sy), the image's top-left
is at (hw - sx, hh - sy). A new document is centred:
sx = max((300 + 2 * hw - W) // 2, 0), the same for sy; so an odd size puts the
image one pixel right of or below the exact centre. A later resize keeps the
scroll (at 100 % the image point at the centre is the scroll), which the
caller passes with --scroll SX,SY.

usage: check_canvas.py CAPTURE.ppm [WIDTHxHEIGHT] [--scroll SX,SY]
Prints one summary line ending in "scroll SX,SY"; exits 1 with the reasons
when a check fails.
"""
import sys

GREY = (180, 180, 180)
WHITE = (255, 255, 255)
SIDE = 300
# Room right of and below the canvas area for its scroll bars.
MAX_SCROLL_BAR = 40


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maxval; '#' comments allowed
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("not an 8-bit binary PPM")
    w, h = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + w * h * 3]
    if len(pixels) != w * h * 3:
        raise ValueError("truncated PPM")
    return w, h, pixels


def centred_scroll(view):
    return max((SIDE + 2 * (view // 2) - view) // 2, 0)


def main():
    args = sys.argv[1:]
    scroll = None
    if "--scroll" in args:
        i = args.index("--scroll")
        scroll = tuple(int(v) for v in args[i + 1].split(","))
        del args[i:i + 2]
    w, h, px = read_ppm(args[0])

    def at(x, y):
        i = (y * w + x) * 3
        return tuple(px[i:i + 3])

    errors = []
    if len(args) > 1:
        want = tuple(int(v) for v in args[1].split("x"))
        if (w, h) != want:
            print(f"window is {w}x{h}, expected {want[0]}x{want[1]}")
            return 1

    # The canvas area: the rows and columns made mostly of background (the
    # text of the menus and the toolbar may hold a stray pixel of that grey).
    rows = [y for y in range(h) if sum(at(x, y) == GREY for x in range(0, w, 2)) * 2 >= w // 3]
    if not rows:
        print(f"no canvas background {GREY} anywhere in the {w}x{h} window")
        return 1
    cols = [x for x in range(w)
            if sum(at(x, y) == GREY for y in range(rows[0], rows[-1] + 1, 2)) * 2 >= len(rows) // 3]
    cx0, cy0, cx1, cy1 = cols[0], rows[0], cols[-1] + 1, rows[-1] + 1
    cw, ch = cx1 - cx0, cy1 - cy0
    # The canvas is the central widget: it starts at the left edge and reaches
    # the scroll bars at the right and the bottom of the client area.
    if cx0 != 0 or not (0 < w - cx1 <= MAX_SCROLL_BAR and 0 < h - cy1 <= MAX_SCROLL_BAR):
        errors.append(f"canvas area {cx0},{cy0} {cw}x{ch} does not fill the window "
                      f"({w}x{h}) up to its scroll bars")
    for corner in ((cx0, cy0), (cx1 - 1, cy0), (cx0, cy1 - 1), (cx1 - 1, cy1 - 1)):
        if at(*corner) != GREY:
            errors.append(f"canvas corner {corner} is {at(*corner)}, expected {GREY}")

    white = [(x, y) for y in range(cy0, cy1) for x in range(cx0, cx1) if at(x, y) == WHITE]
    if not white:
        print(f"no white canvas inside the canvas area {cx0},{cy0} {cw}x{ch}")
        return 1
    bx0 = min(x for x, _ in white)
    by0 = min(y for _, y in white)
    bx1 = max(x for x, _ in white) + 1
    by1 = max(y for _, y in white) + 1
    if (bx1 - bx0, by1 - by0) != (SIDE, SIDE):
        errors.append(f"white area is {bx1 - bx0}x{by1 - by0}, expected {SIDE}x{SIDE}")
    if len(white) != (bx1 - bx0) * (by1 - by0):
        errors.append(f"white area has {(bx1 - bx0) * (by1 - by0) - len(white)} "
                      "non-white pixels inside its bounds")
    sx, sy = scroll if scroll else (centred_scroll(cw), centred_scroll(ch))
    want_x, want_y = cx0 + cw // 2 - sx, cy0 + ch // 2 - sy
    if (bx0, by0) != (want_x, want_y):
        rule = "kept scroll" if scroll else "centred"
        errors.append(f"image top-left at {bx0 - cx0},{by0 - cy0} in the canvas area, "
                      f"expected {want_x - cx0},{want_y - cy0} ({rule} {sx},{sy})")
    centre = (cx0 + cw // 2, cy0 + ch // 2)
    if at(*centre) != WHITE:
        errors.append(f"centre {centre} of the canvas area is {at(*centre)}, not white")

    # Along each edge of the block: white just inside, grey just outside.
    for t in (0, SIDE // 4, SIDE // 2, 3 * SIDE // 4, SIDE - 1):
        for inside, outside in (((bx0, by0 + t), (bx0 - 1, by0 + t)),
                                ((bx1 - 1, by0 + t), (bx1, by0 + t)),
                                ((bx0 + t, by0), (bx0 + t, by0 - 1)),
                                ((bx0 + t, by1 - 1), (bx0 + t, by1))):
            if at(*inside) != WHITE:
                errors.append(f"{inside} just inside the image is {at(*inside)}")
            if at(*outside) != GREY:
                errors.append(f"{outside} just outside the image is {at(*outside)}")

    stray = sum(1 for y in range(cy0, cy1) for x in range(cx0, cx1)
                if not (bx0 <= x < bx1 and by0 <= y < by1) and at(x, y) != GREY)
    if stray:
        errors.append(f"{stray} pixels around the image are not {GREY}")

    if errors:
        print("; ".join(errors[:8]) + (f" (+{len(errors) - 8} more)" if len(errors) > 8 else ""))
        return 1
    print(f"window {w}x{h}, canvas area {cx0},{cy0} {cw}x{ch}, "
          f"white {SIDE}x{SIDE} at {bx0 - cx0},{by0 - cy0}: ok, "
          f"scroll {cw // 2 - (bx0 - cx0)},{ch // 2 - (by0 - cy0)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
