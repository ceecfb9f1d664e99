#!/usr/bin/env python3
"""Writes the fuzz seed corpus (small valid files, fuzz/corpus/<target>/) and
the hand-made hostile inputs among the must-fail crashers
(tests/formats/crashers/<target>/). Each hostile input is a file that a reader
trusting its header would mishandle; the readers must refuse every one.
Run from anywhere; rewrites only the files it names."""
import os
import random
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
CRASHERS = os.path.join(ROOT, "tests", "formats", "crashers")


def put(folder, target, name, data):
    d = os.path.join(folder, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def u8(x): return struct.pack("<B", x & 0xFF)
def u16(x): return struct.pack("<H", x & 0xFFFF)
def u32(x): return struct.pack("<I", x & 0xFFFFFFFF)
def name(s): return s.encode()[:32].ljust(32, b"\0")


def native(w=2, h=2, count=None, counter=1, current=0, H=10, header_extra=b"",
           tw=1, th=1, ts=None, thumb=None, R=35, layers=None):
    layers = layers if layers is not None else [dict()]
    count = len(layers) if count is None else count
    thumb = thumb if thumb is not None else bytes([0x80]) * (tw * th * 4)
    out = b"DIZIDID" + u8(0) + u32(H) + u16(w) + u16(h) + u16(count) + u16(counter) + u16(current)
    out += header_extra
    out += u16(tw) + u16(th) + u32(len(thumb) if ts is None else ts) + thumb + u32(R)
    for l in layers:
        px = l.get("pixels", bytes(w * h * 4))
        z = l.get("stream", zlib.compress(px, 6))
        out += name(l.get("name", "layer")) + u8(l.get("blend", 0)) + u8(l.get("opacity", 128))
        # Only modest padding is written out; a huge R is meant to run past the end.
        out += u8(l.get("flags", 1)) + bytes(R - 35 if 35 < R <= 4096 else 0)
        out += u32(l.get("z", len(z))) + z
    return out


def lfw0(w=3, h=2, count=None, counter=1, current=0, reserved=0, preview=None, p=None, layers=None):
    layers = layers if layers is not None else [dict()]
    count = len(layers) if count is None else count
    stride = (w + 3) & ~3
    pz = zlib.compress(preview if preview is not None else bytes([0xFF]) * (w * h * 4), 6)
    out = b"RAREVIR" + u8(0) + u16(w) + u16(h) + u16(count) + u16(counter) + u16(current)
    out += u8(reserved) + u32(len(pz) if p is None else p) + pz
    for l in layers:
        dens = l.get("density", bytes((x * 37 + y * 11) & 0xFF if x < w else 0
                                       for y in range(h) for x in range(stride)))
        z = l.get("stream", zlib.compress(dens, 6))
        out += name(l.get("name", "ink")) + u8(l.get("opacity", 128)) + u8(l.get("flags", 1))
        out += bytes([0, 0, 0, 0]) + u32(l.get("z", len(z))) + z
    return out


def lfw1(w=80, h=70, count=None, current=0, H=12, R=79, pw=2, ph=2, p=None, layers=None):
    layers = layers if layers is not None else [dict()]
    count = len(layers) if count is None else count
    # Huge preview sides are meant to be refused: a token stream stands in.
    pz = zlib.compress(bytes(pw * ph * 4 if pw * ph <= 1 << 16 else 16), 6)
    out = b"RAREVIR" + u8(1) + u16(pw) + u16(ph) + u32(len(pz) if p is None else p) + pz
    out += u16(H) + u16(w) + u16(h) + u16(0) + u16(count) + u16(current) + u16(R) + bytes(max(H - 12, 0))
    for l in layers:
        tiles = l.get("tiles", [(0, 0, bytes((i * 7) & 0xFF for i in range(4096))),
                                (1, 0, zlib.compress(bytes((i >> 4) & 0xFF for i in range(4096)), 6))])
        nm = l.get("name", "線画").encode("utf-16-le")[:50].ljust(50, b"\0")
        out += u32(l.get("x", -10)) + u32(l.get("y", 3)) + bytes(8) + u32(l.get("t", len(tiles)))
        out += nm + u8(l.get("opacity", 128)) + bytes([0x20, 0x40, 0x60, 0]) + u8(l.get("flags", 1))
        out += bytes(3) + bytes(max(R - 79, 0))
        for (ix, iy, data) in tiles:
            out += u16(ix) + u16(iy) + u16(l.get("s", len(data))) + data
    return out


def seeds():
    px = bytes((i * 29) & 0xFF for i in range(3 * 2 * 4))
    two = [dict(name="bottom", pixels=px, flags=0x13, blend=5, opacity=64),
           dict(name="top", pixels=px[::-1], flags=0x08)]
    put(CORPUS, "native_document", "two_layers.qmd", native(w=3, h=2, layers=two, current=1))
    put(CORPUS, "native_document", "extended_sizes.qmd",
        native(H=14, header_extra=b"abcd", R=40, layers=[dict(), dict(name="second")]))
    put(CORPUS, "native_thumbnail", "two_layers.qmd", native(w=3, h=2, layers=two, tw=3, th=2))
    put(CORPUS, "native_thumbnail", "extended_sizes.qmd", native(H=14, header_extra=b"abcd", tw=2, th=2))
    put(CORPUS, "lineforge_document", "v0.lfw", lfw0(layers=[dict(), dict(name="two", flags=0)]))
    put(CORPUS, "lineforge_document", "v1_tiles.lfw",
        lfw1(H=14, R=81, layers=[dict(), dict(x=0, y=0, tiles=[(1, 1, zlib.compress(bytes(4096)))])]))
    put(CORPUS, "lineforge_thumbnail", "v0.lfw", lfw0())
    put(CORPUS, "lineforge_thumbnail", "v1.lfw", lfw1(layers=[dict(tiles=[])]))


def crashers():
    c = "native_document"
    put(CRASHERS, c, "header_size_below_10.qmd", native(H=4))
    put(CRASHERS, c, "header_size_past_end.qmd", native(H=0xFFFFFFF0))
    put(CRASHERS, c, "record_size_below_35.qmd", native(R=3))
    put(CRASHERS, c, "record_size_huge.qmd", native(R=0xFFFFFFFF))
    put(CRASHERS, c, "layer_count_0.qmd", native(count=0))
    put(CRASHERS, c, "layer_count_65535.qmd", native(count=0xFFFF))
    put(CRASHERS, c, "layer_count_101.qmd", native(count=101, layers=[dict()] * 101))
    put(CRASHERS, c, "width_4501.qmd", native(w=4501))
    put(CRASHERS, c, "width_0.qmd", native(w=0))
    put(CRASHERS, c, "thumbnail_size_past_end.qmd", native(ts=0x7FFFFFFF))
    put(CRASHERS, c, "stream_size_past_end.qmd", native(layers=[dict(z=0xFFFFFFFF)]))
    put(CRASHERS, c, "stream_overfills_layer.qmd", native(layers=[dict(pixels=bytes(17))]))
    put(CRASHERS, c, "stream_corrupt.qmd", native(layers=[dict(stream=b"\x78\x9c\xff\xff\xff\xff")]))
    put(CRASHERS, c, "truncated_in_stream.qmd", native(w=40, h=40, layers=[dict(pixels=random.Random(6400).randbytes(6400))])[:-50])
    put(CRASHERS, c, "more_layers_than_file.qmd", native(w=4500, h=4500, count=100,
                                                          layers=[dict(stream=zlib.compress(b""))]))
    put(CRASHERS, c, "version_1.qmd", native()[:7] + b"\x01" + native()[8:])

    c = "native_thumbnail"
    put(CRASHERS, c, "size_larger_than_picture.qmd", native(tw=2, th=2, ts=0xFFFFFF00))
    put(CRASHERS, c, "size_smaller_than_picture.qmd", native(tw=100, th=100, ts=16, thumb=bytes(16)))
    put(CRASHERS, c, "size_not_w_h_4.qmd", native(tw=2, th=2, ts=17, thumb=bytes(17)))
    put(CRASHERS, c, "width_0.qmd", native(tw=0, th=5, ts=0, thumb=b""))
    put(CRASHERS, c, "huge_sides.qmd", native(tw=0xFFFF, th=0xFFFF, ts=0xFFFC0004, thumb=b""))
    put(CRASHERS, c, "header_size_below_10.qmd", native(H=2))
    put(CRASHERS, c, "truncated_thumbnail.qmd", native(tw=8, th=8)[:60])

    c = "lineforge_document"
    put(CRASHERS, c, "v0_reserved_byte.lfw", lfw0(reserved=1))
    put(CRASHERS, c, "v0_preview_past_end.lfw", lfw0(p=0xFFFFFFF0))
    put(CRASHERS, c, "v0_layer_count_0.lfw", lfw0(count=0))
    put(CRASHERS, c, "v0_layer_count_101.lfw", lfw0(count=101))
    put(CRASHERS, c, "v0_width_4501.lfw", lfw0(w=4501))
    put(CRASHERS, c, "v0_stream_past_end.lfw", lfw0(layers=[dict(z=0x7FFFFFFF)]))
    put(CRASHERS, c, "v0_truncated.lfw", lfw0(w=50, h=50, layers=[dict(density=random.Random(2600).randbytes(2600))])[:-30])
    put(CRASHERS, c, "v1_header_size_11.lfw", lfw1(H=11))
    put(CRASHERS, c, "v1_record_size_78.lfw", lfw1(R=78))
    put(CRASHERS, c, "v1_tile_count_huge.lfw", lfw1(layers=[dict(t=0xFFFFFFFF)]))
    put(CRASHERS, c, "v1_tile_size_0.lfw", lfw1(layers=[dict(tiles=[(0, 0, b"")])]))
    put(CRASHERS, c, "v1_tile_size_4097.lfw", lfw1(layers=[dict(tiles=[(0, 0, bytes(4097))])]))
    put(CRASHERS, c, "v1_tile_corrupt.lfw", lfw1(layers=[dict(tiles=[(0, 0, b"\x78\x9c\x01\x02\x03")])]))
    put(CRASHERS, c, "v1_tile_overfills.lfw", lfw1(layers=[dict(tiles=[(0, 0, zlib.compress(bytes(5000)))])]))
    put(CRASHERS, c, "v1_preview_past_end.lfw", lfw1(p=0xFFFFFF00))
    put(CRASHERS, c, "v1_width_4501.lfw", lfw1(w=4501))
    put(CRASHERS, c, "version_2.lfw", b"RAREVIR\x02" + lfw0()[8:])

    c = "lineforge_thumbnail"
    put(CRASHERS, c, "v0_preview_size_0.lfw", lfw0(p=0))
    put(CRASHERS, c, "v0_preview_past_end.lfw", lfw0(p=0xFFFFFFF0))
    put(CRASHERS, c, "v0_width_0.lfw", lfw0(w=0))
    put(CRASHERS, c, "v0_preview_overfills.lfw", lfw0(w=1, h=1, preview=bytes(400)))
    put(CRASHERS, c, "v1_huge_preview_sides.lfw", lfw1(pw=0xFFFF, ph=0xFFFF))
    put(CRASHERS, c, "v1_preview_height_0.lfw", lfw1(ph=0))
    put(CRASHERS, c, "version_2.lfw", b"RAREVIR\x02" + lfw0()[8:])


if __name__ == "__main__":
    seeds()
    crashers()
