#!/usr/bin/env python3
"""Writes the seed corpus of the PSD, palette and texture fuzz targets
(fuzz/corpus/psd, psd_thumbnail, palette_store, qml, aco, qmt: small valid
files) and the hand-made hostile inputs they must refuse
(tests/formats/crashers/<target>/). The JPEG inside the thumbnail seeds
comes from cjpeg (libjpeg-turbo-progs). Run from anywhere; rewrites only the
files it names."""
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


def be16(x): return struct.pack(">H", x & 0xFFFF)
def be32(x): return struct.pack(">I", x & 0xFFFFFFFF)
def le16(x): return struct.pack("<H", x & 0xFFFF)
def le32(x): return struct.pack("<I", x & 0xFFFFFFFF)


# ------------------------------------------------------------------ PSD --

def packbits(row):
    """Literal packets, with runs of three or more as repeat packets."""
    out, i = b"", 0
    while i < len(row):
        run = 1
        while run < 128 and i + run < len(row) and row[i + run] == row[i]:
            run += 1
        if run >= 3:
            out += bytes([(257 - run) & 0xFF, row[i]])
            i += run
            continue
        j = i
        while j < len(row) and j - i < 128 and not (j + 2 < len(row) and row[j] == row[j + 1] == row[j + 2]):
            j += 1
        out += bytes([j - i - 1]) + bytes(row[i:j])
        i = j
    return out


def raw_channel(cid, plane):
    return (cid, be16(0) + bytes(plane))


def rle_channel(cid, w, h, plane):
    rows = [packbits(plane[y * w:(y + 1) * w]) for y in range(h)]
    return (cid, be16(1) + b"".join(be16(len(r)) for r in rows) + b"".join(rows))


def layer(rect=(0, 0, 4, 4), channels=None, key=b"norm", opacity=255, flags=0, name=b"layer",
          luni=None, sig=b"8BIM", lengths=None):
    top, left, bottom, right = rect
    w, h = max(right - left, 0), max(bottom - top, 0)
    if channels is None:
        channels = [rle_channel(c, w, h, [(x * 40 + y * 7 + c * 50) & 0xFF for y in range(h) for x in range(w)])
                    for c in (-1, 0, 1, 2)]
    return dict(rect=rect, channels=channels, key=key, opacity=opacity, flags=flags, name=name,
                luni=luni, sig=sig, lengths=lengths)


def psd(w=4, h=4, layers=None, version=1, depth=8, mode=3, nch=3, resources=b"", count=None,
        image=None, sig=b"8BPS"):
    layers = [layer()] if layers is None else layers
    out = sig + be16(version) + bytes(6) + be16(nch) + be32(h) + be32(w) + be16(depth) + be16(mode)
    out += be32(0) + be32(len(resources)) + resources
    info = b""
    if layers or count is not None:
        info = be16(len(layers) if count is None else count)
        for l in layers:
            top, left, bottom, right = l["rect"]
            info += b"".join(be32(v) for v in (top, left, bottom, right)) + be16(len(l["channels"]))
            for k, (cid, data) in enumerate(l["channels"]):
                length = l["lengths"][k] if l["lengths"] else len(data)
                info += be16(cid) + be32(length)
            name = l["name"]
            extra = be32(0) + be32(0) + bytes([len(name)]) + name
            extra += bytes((-len(extra)) % 4)
            if l["luni"] is not None:
                u = be32(len(l["luni"])) + l["luni"].encode("utf-16-be")
                u += bytes((-len(u)) % 4)
                extra += b"8BIMluni" + be32(len(u)) + u
            info += l["sig"] + l["key"] + bytes([l["opacity"], 0, l["flags"], 0]) + be32(len(extra)) + extra
        for l in layers:
            info += b"".join(data for _, data in l["channels"])
        info += bytes(len(info) & 1)
    out += (be32(len(info) + 8) + be32(len(info)) + info + be32(0)) if info else be32(0)
    if image is None:
        image = be16(0) + bytes(w * h * nch)
    return out + image


def resource(rid, data):
    return b"8BIM" + be16(rid) + be16(0) + be32(len(data)) + data + bytes(len(data) & 1)


def thumbnail(w, h, jpeg, compressed=None, fmt=1, bits=24):
    row = (w * 24 + 31) // 32 * 4
    size = len(jpeg) if compressed is None else compressed
    return (be32(fmt) + be32(w) + be32(h) + be32(row) + be32(row * h) + be32(size) + be16(bits) + be16(1)
            + jpeg)


def small_jpeg(w, h):
    ppm = b"P6\n%d %d\n255\n" % (w, h) + bytes((x * 9 + y * 5) & 0xFF for y in range(h) for x in range(w)
                                               for _ in range(3))
    with tempfile.NamedTemporaryFile(suffix=".ppm") as f:
        f.write(ppm)
        f.flush()
        return subprocess.run(["cjpeg", "-quality", "80", f.name], check=True, capture_output=True).stdout


def flat_rle(w, h, nch=3):
    planes = [[(x * 30 + y * 11 + c * 70) & 0xFF for y in range(h) for x in range(w)] for c in range(nch)]
    rows = [packbits(p[y * w:(y + 1) * w]) for p in planes for y in range(h)]
    return be16(1) + b"".join(be16(len(r)) for r in rows) + b"".join(rows)


def psd_seeds():
    put(CORPUS, "psd", "two_layers.psd",
        psd(w=5, h=3, layers=[layer(rect=(0, 0, 3, 5), name=b"bottom"),
                              layer(rect=(-1, 2, 2, 7), key=b"mul ", opacity=128, flags=2, name=b"top")]))
    put(CORPUS, "psd", "raw_three_channels.psd",
        psd(layers=[layer(channels=[raw_channel(c, [c * 60 + 10] * 16) for c in (0, 1, 2)])]))
    put(CORPUS, "psd", "unicode_name_and_mask.psd",
        psd(layers=[layer(luni="레이어 1", channels=[rle_channel(c, 4, 4, [c & 0xFF] * 16) for c in (-1, 0, 1, 2)]
                          + [raw_channel(-2, [0] * 4)])]))
    put(CORPUS, "psd", "flat_rle.psd", psd(w=6, h=3, layers=[], nch=4, image=flat_rle(6, 3, 4)))
    put(CORPUS, "psd", "flat_raw.psd", psd(w=2, h=2, layers=[]))
    jpeg = small_jpeg(8, 6)
    put(CORPUS, "psd_thumbnail", "jpeg.psd", psd(resources=resource(1005, bytes(16)) + resource(1036, thumbnail(8, 6, jpeg))))
    put(CORPUS, "psd_thumbnail", "cut_to_size.psd", psd(resources=resource(1036, thumbnail(5, 4, jpeg))))
    put(CORPUS, "psd_thumbnail", "sixteen_bit.psd", psd(depth=16, layers=[], resources=resource(1036, thumbnail(8, 6, jpeg))))


def psd_crashers():
    c = "psd"
    put(CRASHERS, c, "signature.psd", psd(sig=b"8BPX"))
    put(CRASHERS, c, "version_2.psd", psd(version=2))
    put(CRASHERS, c, "depth_16.psd", psd(depth=16))
    put(CRASHERS, c, "cmyk.psd", psd(mode=4, nch=4))
    put(CRASHERS, c, "greyscale.psd", psd(mode=1, nch=1))
    put(CRASHERS, c, "width_4501.psd", psd(w=4501, layers=[layer()], image=b""))
    put(CRASHERS, c, "right_below_left.psd", psd(layers=[layer(rect=(0, 4, 4, 0), channels=[])]))
    put(CRASHERS, c, "bottom_below_top.psd", psd(layers=[layer(rect=(4, 0, 0, 4), channels=[])]))
    put(CRASHERS, c, "side_30001.psd", psd(layers=[layer(rect=(0, 0, 1, 30001), channels=[raw_channel(0, b"")])]))
    put(CRASHERS, c, "side_huge.psd", psd(layers=[layer(rect=(0, -0x80000000, 1, 0x7FFFFFFF), channels=[])]))
    put(CRASHERS, c, "channel_past_end.psd",
        psd(layers=[layer(lengths=[0x7FFFFFF0, 10, 10, 10])]))
    put(CRASHERS, c, "rle_remainder_negative.psd",
        psd(layers=[layer(channels=[(0, be16(1) + be16(0))])]))
    put(CRASHERS, c, "compression_4.psd", psd(layers=[layer(channels=[(0, be16(4) + zlib.compress(bytes(16)))])]))
    put(CRASHERS, c, "57_channels.psd", psd(layers=[layer(channels=[raw_channel(-2, b"")] * 57)]))
    put(CRASHERS, c, "missing_8bim.psd", psd(layers=[layer(sig=b"8BIX")]))
    put(CRASHERS, c, "101_layers.psd", psd(layers=[layer(rect=(0, 0, 1, 1), channels=[])] * 101))
    put(CRASHERS, c, "records_cut_short.psd", psd(count=30))
    put(CRASHERS, c, "flat_counts_past_end.psd",
        psd(w=4, h=4, layers=[], image=be16(1) + b"".join(be16(0xFFFF) for _ in range(12))))
    put(CRASHERS, c, "flat_compression_3.psd", psd(layers=[], image=be16(3)))
    put(CRASHERS, c, "layer_section_past_end.psd", psd()[:-60])
    c = "psd_thumbnail"
    jpeg = small_jpeg(8, 6)
    put(CRASHERS, c, "no_thumbnail.psd", psd(resources=resource(1005, bytes(16))))
    put(CRASHERS, c, "width_0.psd", psd(resources=resource(1036, thumbnail(0, 6, jpeg))))
    put(CRASHERS, c, "height_huge.psd", psd(resources=resource(1036, thumbnail(8, 0xFFFFFFF, jpeg))))
    put(CRASHERS, c, "compressed_0.psd", psd(resources=resource(1036, thumbnail(8, 6, jpeg, compressed=0))))
    put(CRASHERS, c, "compressed_past_block.psd",
        psd(resources=resource(1036, thumbnail(8, 6, jpeg, compressed=len(jpeg) + 2))))
    put(CRASHERS, c, "compressed_huge.psd",
        psd(resources=resource(1036, thumbnail(8, 6, jpeg, compressed=0xFFFFFFFF))))
    put(CRASHERS, c, "raw_format.psd", psd(resources=resource(1036, thumbnail(8, 6, jpeg, fmt=0))))
    put(CRASHERS, c, "bits_32.psd", psd(resources=resource(1036, thumbnail(8, 6, jpeg, bits=32))))
    put(CRASHERS, c, "not_jpeg.psd", psd(resources=resource(1036, thumbnail(8, 6, bytes(len(jpeg))))))
    put(CRASHERS, c, "block_past_section.psd",
        psd(resources=b"8BIM" + be16(1036) + be16(0) + be32(0x7FFFFFFF) + thumbnail(8, 6, jpeg)))
    put(CRASHERS, c, "version_2.psd", psd(version=2, resources=resource(1036, thumbnail(8, 6, jpeg))))


# -------------------------------------------------------------- palettes --

def palette_store(count, entries, written=None):
    out = b"QMKPLD" + bytes([0, count])
    for k in range(count if written is None else written):
        out += le16(entries) + b"".join(bytes([i & 0xFF, k, 0x40, 0]) for i in range(entries))
    return out


def qml(n, version=0, written=None):
    return b"QMKPAL" + bytes([version]) + le16(n) + b"".join(le32(i * 0x10101) for i in range(n if written is None else written))


def aco(version, colours, count=None):
    out = be16(version) + be16(len(colours) if count is None else count)
    for space, comps in colours:
        out += be16(space) + b"".join(be16(v) for v in comps)
        if version == 2:
            out += be16(0) + be16(3) + "A2".encode("utf-16-be") + be16(0)
    return out


def palette_seeds():
    put(CORPUS, "palette_store", "three.dat", palette_store(3, 1024))
    put(CORPUS, "palette_store", "short_counts.dat", palette_store(2, 5))
    put(CORPUS, "palette_store", "none.dat", palette_store(0, 0))
    put(CORPUS, "qml", "full.qml", qml(1024))
    put(CORPUS, "qml", "few.qml", qml(3))
    colours = [(0, (65535, 0, 0, 0)), (1, (21845, 65535, 65535, 0)), (2, (0, 65535, 65535, 65535)),
               (7, (5400, 8000, 6700, 0)), (8, (5000, 0, 0, 0))]
    put(CORPUS, "aco", "v1.aco", aco(1, colours))
    put(CORPUS, "aco", "v2.aco", aco(2, colours))
    put(CORPUS, "aco", "v1_then_v2.aco", aco(1, colours) + aco(2, colours))


def palette_crashers():
    put(CRASHERS, "palette_store", "magic.dat", b"QMKPAL" + palette_store(1, 4)[6:])
    put(CRASHERS, "palette_store", "version_1.dat", palette_store(1, 4)[:6] + b"\x01" + palette_store(1, 4)[7:])
    put(CRASHERS, "palette_store", "truncated_magic.dat", b"QMKP")
    put(CRASHERS, "palette_store", "empty.dat", b"")
    put(CRASHERS, "qml", "magic.qml", b"QMKPLD" + qml(3)[6:])
    put(CRASHERS, "qml", "version_1.qml", qml(3, version=1))
    put(CRASHERS, "qml", "empty.qml", b"")
    put(CRASHERS, "aco", "version_0.aco", aco(0, [(0, (1, 2, 3, 4))]))
    put(CRASHERS, "aco", "version_3.aco", aco(3, [(0, (1, 2, 3, 4))]))
    put(CRASHERS, "aco", "empty.aco", b"")
    put(CRASHERS, "aco", "one_byte.aco", b"\x00")


# --------------------------------------------------------------- textures --

def qmt(version, count, buf, stored=None, z=None, stream=None):
    stream = zlib.compress(buf, 4) if stream is None else stream
    return (b"QMKTEXLIB" + bytes([version]) + le16(count) + le32(len(buf) if stored is None else stored)
            + le32((len(stream) if count else 0) if z is None else z) + (stream if count else b""))


def tex(w, h, wide=True):
    head = le16(w) + le16(h) if wide else bytes([w, h])
    return head + bytes((x * 3 + y) & 0xFF for y in range(h) for x in range(w))


def texture_seeds():
    put(CORPUS, "qmt", "v2.qmt", qmt(2, 3, tex(4, 3) + tex(1, 1) + tex(16, 2)))
    put(CORPUS, "qmt", "v1.qmt", qmt(1, 2, tex(4, 3, False) + tex(255, 1, False)))
    put(CORPUS, "qmt", "empty.qmt", qmt(2, 0, b""))


def texture_crashers():
    c = "qmt"
    good = tex(2, 2)
    put(CRASHERS, c, "magic.qmt", b"QMKTEXLIX" + qmt(2, 1, good)[9:])
    put(CRASHERS, c, "version_0.qmt", qmt(0, 1, good))
    put(CRASHERS, c, "version_3.qmt", qmt(3, 1, good))
    put(CRASHERS, c, "count_501.qmt", qmt(2, 501, good * 501))
    put(CRASHERS, c, "count_above_records.qmt", qmt(2, 2, good))
    put(CRASHERS, c, "count_below_records.qmt", qmt(2, 1, good + good))
    put(CRASHERS, c, "stored_above_stream.qmt", qmt(2, 1, good, stored=len(good) + 1))
    put(CRASHERS, c, "stored_below_stream.qmt", qmt(2, 1, good, stored=len(good) - 1))
    put(CRASHERS, c, "stored_without_textures.qmt", qmt(2, 0, good, stored=8))
    put(CRASHERS, c, "width_0.qmt", qmt(2, 1, le16(0) + le16(2)))
    put(CRASHERS, c, "width_513.qmt", qmt(2, 1, le16(513) + le16(1) + bytes(513)))
    put(CRASHERS, c, "v1_height_0.qmt", qmt(1, 1, bytes([3, 0])))
    put(CRASHERS, c, "stored_huge.qmt", qmt(2, 1, good, stored=0xFFFFFFF0))
    put(CRASHERS, c, "stored_beyond_ratio.qmt", qmt(2, 1, good, stored=20000000))
    put(CRASHERS, c, "stream_past_end.qmt", qmt(2, 1, good, z=0x7FFFFFFF))
    put(CRASHERS, c, "corrupt_stream.qmt", qmt(2, 1, good, stream=b"\x78\x9c\xff\xff\xff\xff"))
    put(CRASHERS, c, "truncated.qmt", qmt(2, 1, good)[:22])


if __name__ == "__main__":
    psd_seeds()
    psd_crashers()
    palette_seeds()
    palette_crashers()
    texture_seeds()
    texture_crashers()
