#!/usr/bin/env python3
"""Writes the seed corpus of the flat-picture fuzz targets (fuzz/corpus/png,
gif, bmp, jpeg: small valid files of every kind the decoders handle) and the
hand-made hostile inputs they must refuse (tests/formats/crashers/<target>/).
JPEG seeds come from cjpeg (libjpeg-turbo-progs). Run from anywhere;
rewrites only the files it names."""
import os
import struct
import subprocess
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
CRASHERS = os.path.join(ROOT, "tests", "formats", "crashers")


def put(folder, target, name, data):
    d = os.path.join(folder, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def be32(x): return struct.pack(">I", x & 0xFFFFFFFF)
def le16(x): return struct.pack("<H", x & 0xFFFF)
def le32(x): return struct.pack("<I", x & 0xFFFFFFFF)


# ------------------------------------------------------------------ PNG --

def chunk(kind, data, crc=None):
    c = zlib.crc32(kind + data) if crc is None else crc
    return be32(len(data)) + kind + data + be32(c)


ADAM7 = [(8, 0, 8, 0), (8, 4, 8, 0), (4, 0, 8, 4), (4, 2, 4, 0), (2, 0, 4, 2), (2, 1, 2, 0), (1, 0, 2, 1)]


def png(w, h, depth, ctype, sample, interlace=0, plte=None, trns=None, filt=0, pieces=1, ihdr=None, extra=b""):
    ch = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]
    passes = ADAM7 if interlace else [(1, 0, 1, 0)]
    raw = b""
    for xs, x0, ys, y0 in passes:
        if x0 >= w or y0 >= h:
            continue
        for y in range(y0, h, ys):
            bits = ""
            out = b""
            for x in range(x0, w, xs):
                for c in range(ch):
                    v = sample(x, y, c)
                    if depth == 16:
                        out += struct.pack(">H", v)
                    elif depth == 8:
                        out += bytes([v])
                    else:
                        bits += format(v, "0%db" % depth)
            if depth < 8:
                bits += "0" * (-len(bits) % 8)
                out = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
            raw += bytes([filt]) + (bytes(b - (out[i - 1] if i and filt == 1 else 0) & 0xFF for i, b in enumerate(out))
                                    if filt == 1 else out)
    z = zlib.compress(raw, 9)
    head = ihdr if ihdr is not None else be32(w) + be32(h) + bytes([depth, ctype, 0, 0, interlace])
    f = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + extra
    if plte is not None:
        f += chunk(b"PLTE", plte)
    if trns is not None:
        f += chunk(b"tRNS", trns)
    step = max(1, -(-len(z) // pieces))
    for i in range(0, len(z), step):
        f += chunk(b"IDAT", z[i:i + step])
    return f + chunk(b"IEND", b"")


def grad(x, y, c): return (x * 13 + y * 7 + c * 50) & 0xFF


# ------------------------------------------------------------------ GIF --

def lzw_literals(indices, size=8):
    """A plain LZW stream: literal codes only, a clear code before the width would grow."""
    clear, width = 1 << size, size + 1
    acc = bits = 0
    out = bytearray()

    def code(c):
        nonlocal acc, bits
        acc |= c << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    for i, v in enumerate(indices):
        if i % (clear - 2) == 0:
            code(clear)
        code(v)
    code(clear + 1)
    if bits:
        out.append(acc & 0xFF)
    blocks = b"".join(bytes([len(out[i:i + 255])]) + bytes(out[i:i + 255]) for i in range(0, len(out), 255))
    return bytes([size]) + blocks + b"\x00"


def gif(sw, sh, frames, palette_bits=2, bg=0, gce=None, version=b"89a"):
    pal = bytes((i * 40) & 0xFF for i in range(3 << (palette_bits + 1)))
    f = b"GIF" + version + le16(sw) + le16(sh) + bytes([0x80 | (palette_bits << 4) | palette_bits, bg, 0]) + pal
    if gce is not None:
        f += b"\x21\xF9\x04" + bytes([1, 0, 0, gce, 0])
    f += b"\x21\xFE\x05hello\x00"
    for (x, y, w, h, inter, data) in frames:
        f += b"\x2C" + le16(x) + le16(y) + le16(w) + le16(h) + bytes([0x40 if inter else 0]) + data
    return f + b"\x3B"


# ------------------------------------------------------------------ BMP --

def bmp(w, h, bits, pixels, palette=b"", compression=0, masks=b"", header=40, colours=None):
    if header == 12:
        info = le32(12) + le16(w) + le16(h) + le16(1) + le16(bits)
    else:
        info = le32(header) + le32(w) + le32(h) + le16(1) + le16(bits) + le32(compression) + le32(0)
        info += le32(2835) + le32(2835) + le32(len(palette) // 4 if colours is None else colours) + le32(0)
        info += masks if header > 40 else b""
        info = info.ljust(header, b"\0")
        if header == 40:
            info += masks
    off = 14 + len(info) + len(palette)
    return b"BM" + le32(off + len(pixels)) + le32(0) + le32(off) + info + palette + pixels


def quad(colours): return b"".join(bytes([c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0]) for c in colours)


def rows(w, h, bpp, value):
    stride = (w * bpp + 31) // 32 * 4
    out = b""
    for y in range(h):
        bits = "".join(format(value(x, y), "0%db" % bpp) for x in range(w)) if bpp < 8 else None
        if bits is not None:
            bits += "0" * (-len(bits) % 8)
            row = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
        else:
            row = b"".join((value(x, y) & ((1 << bpp) - 1)).to_bytes(bpp // 8, "little") for x in range(w))
        out += row.ljust(stride, b"\0")
    return out


# ----------------------------------------------------------------- JPEG --

def cjpeg(args, w=24, h=16):
    with tempfile.TemporaryDirectory() as d:
        ppm = os.path.join(d, "a.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (w, h))
            f.write(bytes(grad(x, y, c) for y in range(h) for x in range(w) for c in range(3)))
        out = os.path.join(d, "a.jpg")
        subprocess.run(["cjpeg"] + args + ["-outfile", out, ppm], check=True)
        with open(out, "rb") as f:
            return f.read()


def seeds():
    put(CORPUS, "png", "grey1_interlaced.png", png(9, 7, 1, 0, lambda x, y, c: (x ^ y) & 1, interlace=1))
    put(CORPUS, "png", "rgb16_filtered.png", png(5, 4, 16, 2, lambda x, y, c: grad(x, y, c) * 257, filt=1))
    put(CORPUS, "png", "palette_trns.png", png(6, 3, 4, 3, lambda x, y, c: (x + y) % 5,
                                               plte=bytes(range(15)), trns=b"\xff\x00\x80", pieces=3))
    put(CORPUS, "png", "grey_alpha_interlaced.png", png(10, 10, 8, 4, grad, interlace=1))
    put(CORPUS, "png", "rgba.png", png(4, 4, 8, 6, grad))
    put(CORPUS, "png", "grey_key.png", png(3, 3, 8, 0, grad, trns=b"\x00\x0d"))
    put(CORPUS, "gif", "two_frames.gif", gif(6, 5, [(1, 1, 4, 3, False, lzw_literals([1, 2, 3] * 4)),
                                                    (0, 0, 2, 2, False, lzw_literals([0] * 4))], gce=2))
    put(CORPUS, "gif", "interlaced.gif", gif(4, 9, [(0, 0, 4, 9, True, lzw_literals([i % 4 for i in range(36)]))]))
    put(CORPUS, "gif", "gif87.gif", gif(3, 2, [(0, 0, 3, 2, False, lzw_literals([3, 2, 1, 0, 1, 2]))],
                                        palette_bits=1, version=b"87a"))
    pal = quad([0x000000, 0xFF0000, 0x00FF00, 0x0000FF])
    put(CORPUS, "bmp", "pal8.bmp", bmp(5, 3, 8, rows(5, 3, 8, lambda x, y: (x + y) % 4), pal))
    put(CORPUS, "bmp", "pal1_topdown.bmp", bmp(9, -2, 1, rows(9, 2, 1, lambda x, y: (x + y) & 1), pal[:8]))
    put(CORPUS, "bmp", "pal4.bmp", bmp(7, 2, 4, rows(7, 2, 4, lambda x, y: x % 4), pal))
    put(CORPUS, "bmp", "rle8.bmp", bmp(4, 3, 8, bytes([2, 1, 1, 2, 1, 3, 0, 0, 0, 2, 1, 1, 0, 3, 2, 2, 2, 0, 0, 1]),
                                       pal, compression=1))
    put(CORPUS, "bmp", "rle4.bmp", bmp(8, 1, 4, bytes([5, 0x12, 0, 3, 0x34, 0x50, 0, 1]), pal, compression=2))
    put(CORPUS, "bmp", "rgb565.bmp", bmp(3, 2, 16, rows(3, 2, 16, lambda x, y: 0xF81F * x + y), compression=3,
                                         masks=le32(0xF800) + le32(0x07E0) + le32(0x001F)))
    put(CORPUS, "bmp", "rgb24.bmp", bmp(3, 2, 24, rows(3, 2, 24, lambda x, y: 0x102030 * (x + 1) + y)))
    put(CORPUS, "bmp", "rgb32_v5.bmp", bmp(2, 2, 32, rows(2, 2, 32, lambda x, y: 0x00AABBCC + x), header=124,
                                           compression=3, masks=le32(0xFF0000) + le32(0xFF00) + le32(0xFF)))
    put(CORPUS, "bmp", "os2.bmp", b"BM" + le32(14 + 12 + 6 + 8) + le32(0) + le32(14 + 12 + 6) + le32(12) + le16(2)
        + le16(2) + le16(1) + le16(1) + b"\x00\x00\x00\xff\xff\xff" + b"\x80\0\0\0\x40\0\0\0")
    put(CORPUS, "jpeg", "baseline444.jpg", cjpeg(["-quality", "80", "-sample", "1x1"]))
    put(CORPUS, "jpeg", "baseline420_restart.jpg", cjpeg(["-quality", "60", "-restart", "1"]))
    put(CORPUS, "jpeg", "progressive.jpg", cjpeg(["-progressive"]))
    put(CORPUS, "jpeg", "grey.jpg", cjpeg(["-grayscale"], 9, 9))


def crashers():
    c = "png"
    ok = png(4, 4, 8, 6, grad)
    put(CRASHERS, c, "width_4501.png", png(1, 1, 8, 2, grad, ihdr=be32(4501) + be32(1) + bytes([8, 2, 0, 0, 0])))
    put(CRASHERS, c, "height_2e32.png", png(1, 1, 8, 6, grad, ihdr=be32(1) + be32(0xFFFFFFFF) + bytes([8, 6, 0, 0, 0])))
    put(CRASHERS, c, "width_0.png", png(1, 1, 8, 2, grad, ihdr=be32(0) + be32(1) + bytes([8, 2, 0, 0, 0])))
    put(CRASHERS, c, "idat_before_ihdr.png", b"\x89PNG\r\n\x1a\n" + ok[8 + 25:-12] + ok[8:8 + 25] + ok[-12:])
    put(CRASHERS, c, "palette_257.png", png(2, 2, 8, 3, lambda x, y, c: 0, plte=bytes(257 * 3)))
    put(CRASHERS, c, "palette_missing.png", png(2, 2, 8, 3, lambda x, y, c: 0))
    put(CRASHERS, c, "truncated_chunk.png", ok[:-20])
    put(CRASHERS, c, "chunk_length_huge.png", ok[:33] + be32(0x7FFFFFF0) + ok[37:])
    put(CRASHERS, c, "no_idat.png", ok[:33] + chunk(b"IEND", b""))
    put(CRASHERS, c, "bad_filter.png", png(2, 2, 8, 2, grad, filt=9))
    put(CRASHERS, c, "bad_ihdr_crc.png", ok[:29] + b"\0\0\0\0" + ok[33:])
    put(CRASHERS, c, "depth_3.png", png(1, 1, 8, 2, grad, ihdr=be32(1) + be32(1) + bytes([3, 2, 0, 0, 0])))

    c = "gif"
    frame = [(0, 0, 2, 2, False, lzw_literals([0, 1, 2, 3]))]
    put(CRASHERS, c, "screen_0.gif", gif(0, 5, frame))
    put(CRASHERS, c, "screen_65535.gif", gif(65535, 65535, frame))
    put(CRASHERS, c, "version_88a.gif", gif(2, 2, frame, version=b"88a"))
    put(CRASHERS, c, "no_image.gif", gif(2, 2, []))
    put(CRASHERS, c, "palette_cut.gif", gif(2, 2, frame)[:20])
    put(CRASHERS, c, "code_size_12.gif", gif(2, 2, [(0, 0, 2, 2, False, b"\x0c\x01\x00\x00")]))
    put(CRASHERS, c, "code_past_table.gif", gif(2, 1, [(0, 0, 2, 1, False, b"\x02\x02\xc4\x01\x00")]))
    put(CRASHERS, c, "extension_cut.gif", gif(2, 2, frame)[:13 + 24 + 5])

    c = "bmp"
    put(CRASHERS, c, "width_4501.bmp", bmp(4501, 1, 24, bytes(13504)))
    put(CRASHERS, c, "height_minus_4501.bmp", bmp(1, -4501, 24, bytes(16)))
    put(CRASHERS, c, "pixels_cut.bmp", bmp(4500, 4500, 24, bytes(64)))
    put(CRASHERS, c, "header_66.bmp", bmp(1, 1, 24, bytes(4), header=66))
    put(CRASHERS, c, "depth_7.bmp", bmp(1, 1, 7, bytes(4)))
    put(CRASHERS, c, "rle_top_down.bmp", bmp(2, -2, 8, bytes([2, 1, 0, 1]), quad([1, 2]), compression=1))
    put(CRASHERS, c, "rle4_at_8_bits.bmp", bmp(2, 2, 8, bytes([2, 1, 0, 1]), quad([1, 2]), compression=2))
    put(CRASHERS, c, "mask_with_gap.bmp", bmp(1, 1, 16, bytes(4), compression=3,
                                              masks=le32(0xF0F0) + le32(0x0F00) + le32(0x000F)))
    put(CRASHERS, c, "palette_past_end.bmp", bmp(1, 1, 8, b"", b"", colours=200)[:60])
    put(CRASHERS, c, "offset_past_end.bmp", bmp(1, 1, 24, bytes(4))[:10] + le32(1 << 30) + bmp(1, 1, 24, bytes(4))[14:])

    c = "jpeg"
    base = cjpeg(["-quality", "80"])
    sof = base.index(b"\xff\xc0")
    put(CRASHERS, c, "height_4501.jpg", base[:sof + 5] + struct.pack(">H", 4501) + base[sof + 7:])
    put(CRASHERS, c, "width_65535.jpg", base[:sof + 7] + struct.pack(">H", 65535) + base[sof + 9:])
    put(CRASHERS, c, "not_jpeg.jpg", b"\xff\xd8\xff\x00garbage")
    put(CRASHERS, c, "header_only.jpg", base[:sof])


if __name__ == "__main__":
    seeds()
    crashers()
