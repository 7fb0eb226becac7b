#!/usr/bin/python3
"""Writes the page's PNG conformance set, and what the README's recipe makes of each file.

    make_png_set.py DIR

Every colour type at every depth it may have, plain and interlaced, with every row
filter; transparency, gamma, sRGB, ICC and sBIT chunks; and files that libpng
refuses, each with the rule the page's decoder must name. Each file is converted
by the recipe (Debian's ImageMagick 6): DIR/NAME.bmp where it converts, and
DIR/set.json lists every file with its rule (null for a picture) and whether the
recipe converted it. Run with Debian's Python, which has Pillow.
"""
import json
import pathlib
import random
import struct
import subprocess
import sys
import zlib

from PIL import ImageCms

RECIPE = ["-auto-orient", "-alpha", "off", "-depth", "8", "-type", "TrueColor"]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
DEPTHS = {0: [1, 2, 4, 8, 16], 2: [8, 16], 3: [1, 2, 4, 8], 4: [8, 16], 6: [8, 16]}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def filtered(rows, step):
    """The rows, each with one of the five filters in turn, so that every filter is undone."""
    out, above = [], bytes(len(rows[0])) if rows else b""
    for y, row in enumerate(rows):
        kind = y % 5
        left = lambda i: row[i - step] if i >= step else 0  # noqa: E731
        corner = lambda i: above[i - step] if i >= step else 0  # noqa: E731
        predict = [lambda i: 0, left, lambda i: above[i], lambda i: (left(i) + above[i]) >> 1,
                   lambda i: paeth(left(i), above[i], corner(i))][kind]
        out.append(bytes([kind]) + bytes((row[i] - predict(i)) & 255 for i in range(len(row))))
        above = row
    return b"".join(out)


def packed(samples, depth):
    """A row's samples at their depth, packed into bytes."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    per, out = 8 // depth, bytearray()
    for i in range(0, len(samples), per):
        group = samples[i:i + per] + [0] * (per - len(samples[i:i + per]))
        out.append(sum(s << (8 - depth * (k + 1)) for k, s in enumerate(group)))
    return bytes(out)


def image_data(width, height, depth, kind, pixels, interlace):
    """pixels[y][x] is a list of samples; the filtered rows of every pass."""
    step = max(1, depth * CHANNELS[kind] // 8)
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    data = b""
    for x0, y0, dx, dy in passes:
        rows = [packed([s for x in range(x0, width, dx) for s in pixels[y][x]], depth) for y in range(y0, height, dy)]
        if rows and rows[0]:
            data += filtered(rows, step)
    return data


def png(width, height, depth, kind, pixels=None, before=b"", interlace=0, data=None, seed=1, after=b""):
    if pixels is None:
        rng = random.Random(seed)
        top = (1 << depth) - 1
        pixels = [[[rng.randint(0, top) for _ in range(CHANNELS[kind])] for _ in range(width)] for _ in range(height)]
    if data is None:
        data = zlib.compress(image_data(width, height, depth, kind, pixels, interlace))
    head = struct.pack(">IIBBBBB", width, height, depth, kind, 0, 0, interlace)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + before + chunk(b"IDAT", data) + after + chunk(b"IEND", b""))


def gama(value):
    return chunk(b"gAMA", struct.pack(">I", value))


def palette(count, seed=2):
    rng = random.Random(seed)
    return chunk(b"PLTE", bytes(rng.randint(0, 255) for _ in range(3 * count)))


def broken_crc(whole, kind):
    """The file with the CRC of its first `kind` chunk wrong."""
    at = whole.index(kind) - 4
    end = at + 12 + struct.unpack(">I", whole[at:at + 4])[0]
    return whole[:end - 1] + bytes([whole[end - 1] ^ 1]) + whole[end:]


def pictures():
    """(name, bytes, rule) for each file; rule None for a file that must decode."""
    for kind, depths in DEPTHS.items():
        for depth in depths:
            plte = palette(1 << depth) if kind == 3 else b""
            for interlace in (0, 1):
                yield f"type{kind}-depth{depth}-{'adam7' if interlace else 'plain'}", \
                    png(37, 23, depth, kind, before=plte, interlace=interlace), None
    yield "adam7-1x1", png(1, 1, 8, 2, interlace=1), None
    yield "adam7-3x2", png(3, 2, 16, 6, interlace=1), None
    every8 = [[[y * 16 + x] for x in range(16)] for y in range(16)]
    every16 = [[[y * 256 + x] for x in range(256)] for y in range(256)]
    ramp = [[[v, 255 - v, (v * 7) & 255] for v in range(256)]]
    yield "gamma-1-every-8bit", png(16, 16, 8, 0, every8, gama(100000)), None
    yield "gamma-1-every-16bit", png(256, 256, 16, 0, every16, gama(100000)), None
    yield "gamma-1-rgb", png(256, 1, 8, 2, ramp, gama(100000)), None
    yield "gamma-1-palette", png(37, 23, 8, 3, before=gama(100000) + palette(256)), None
    yield "gamma-1-grey-2bit", png(37, 23, 2, 0, before=gama(100000)), None
    yield "gamma-0.8", png(256, 1, 8, 2, ramp, gama(80000)), None
    yield "gamma-0.75", png(256, 1, 8, 2, ramp, gama(75000)), None
    yield "gamma-1-over-2.2", png(256, 1, 8, 2, ramp, gama(45455)), None
    yield "gamma-1-over-1.8", png(256, 1, 8, 2, ramp, gama(55556)), None
    yield "gamma-1-after-palette", png(37, 23, 8, 3, before=palette(256) + gama(100000)), None
    yield "gamma-1-out-of-range", png(256, 1, 8, 2, ramp, gama(625000001)), None
    yield "gamma-1-damaged", png(256, 1, 8, 2, ramp, broken_crc(gama(100000), b"gAMA")), None
    yield "gamma-1-then-1-over-2.2", png(256, 1, 8, 2, ramp, gama(100000) + gama(45455)), None
    yield "srgb", png(256, 1, 8, 2, ramp, chunk(b"sRGB", b"\0")), None
    yield "srgb-and-gamma-1", png(256, 1, 8, 2, ramp, chunk(b"sRGB", b"\0") + gama(100000)), None
    profile = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    iccp = chunk(b"iCCP", b"sRGB\0\0" + zlib.compress(profile))
    yield "iccp", png(256, 1, 8, 2, ramp, iccp), None
    yield "iccp-and-gamma-1", png(256, 1, 8, 2, ramp, iccp + gama(100000)), None
    yield "sbit", png(37, 23, 8, 2, before=chunk(b"sBIT", b"\5\6\5")), None
    yield "trns-grey", png(37, 23, 8, 0, before=chunk(b"tRNS", b"\0\7")), None
    yield "trns-rgb-16bit", png(37, 23, 16, 2, before=chunk(b"tRNS", bytes(6))), None
    yield "trns-palette", png(37, 23, 4, 3, before=palette(16) + chunk(b"tRNS", bytes(range(0, 160, 10)))), None
    few = [[[x % 3] for x in range(9)] for _ in range(4)]
    yield "palette-short-unused", png(9, 4, 2, 3, few, palette(3)), None
    yield "palette-short-used", png(9, 4, 8, 3, [[[200]] * 9] * 4, palette(4)), "INDEX_OUTSIDE_PALETTE"
    yield "palette-short-used-4bit", png(9, 4, 4, 3, before=palette(5)), "INDEX_OUTSIDE_PALETTE"
    plain = png(8, 4, 8, 2)
    yield "extra-data", png(8, 4, 8, 2, data=zlib.compress(image_data(8, 4, 8, 2, [[[1, 2, 3]] * 8] * 5, 0))), None
    yield "after-iend", plain + b"junk", None
    yield "damaged-ancillary", broken_crc(png(8, 4, 8, 2, before=chunk(b"tEXt", b"a\0b")), b"tEXt"), None
    yield "unknown-ancillary", png(8, 4, 8, 2, before=chunk(b"prVt", b"xyz")), None
    yield "bad-crc-data", broken_crc(plain, b"IDAT"), "BAD_CHECKSUM"
    yield "bad-crc-header", broken_crc(plain, b"IHDR"), "BAD_CHECKSUM"
    yield "no-iend", plain[:-12], "CUT_SHORT"
    yield "cut-in-data", plain[:60], "CUT_SHORT"
    yield "depth4-rgb", png(8, 4, 8, 2)[:24] + b"\4" + png(8, 4, 8, 2)[25:], "BAD_CHECKSUM"
    head = struct.pack(">IIBBBBB", 8, 4, 4, 2, 0, 0, 0)
    yield "depth4-rgb-sound", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + plain[33:], "BAD_FORMAT"
    head = struct.pack(">IIBBBBB", 0, 4, 8, 2, 0, 0, 0)
    yield "width-0", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + plain[33:], "BAD_SIZE"
    head = struct.pack(">IIBBBBB", 8, 4, 8, 2, 0, 0, 2)
    yield "interlace-2", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + plain[33:], "BAD_FORMAT"
    yield "header-not-first", b"\x89PNG\r\n\x1a\n" + chunk(b"tEXt", b"a\0b") + plain[8:], "NO_HEADER"
    short = zlib.compress(image_data(8, 3, 8, 2, [[[1, 2, 3]] * 8] * 3, 0))
    yield "data-ends-early", png(8, 4, 8, 2, data=short), "DATA_ENDS_EARLY"
    good = zlib.compress(image_data(8, 4, 8, 2, [[[1, 2, 3]] * 8] * 4, 0))
    yield "bad-adler", png(8, 4, 8, 2, data=good[:-1] + bytes([good[-1] ^ 1])), "DATA_DAMAGED"
    yield "not-deflate", png(8, 4, 8, 2, data=b"\x78\x9c\xff\xff\xff\xff"), "DATA_DAMAGED"
    yield "filter-5", png(8, 1, 8, 2, data=zlib.compress(b"\5" + bytes(24))), "UNKNOWN_FILTER"
    yield "unknown-critical", png(8, 4, 8, 2, before=chunk(b"ABCD", b"xyz")), "UNKNOWN_CRITICAL"
    split = zlib.compress(image_data(8, 4, 8, 2, [[[9, 8, 7]] * 8] * 4, 0))
    yield "data-split", png(8, 4, 8, 2, data=split[:10], after=chunk(b"tEXt", b"a\0b") + chunk(b"IDAT", split[10:])), \
        "CHUNK_OUT_OF_PLACE"
    yield "no-palette", png(8, 4, 8, 3), "NO_PALETTE"
    yield "palette-length-5", png(8, 4, 8, 3, before=chunk(b"PLTE", bytes(5))), "NO_PALETTE"
    yield "no-data", plain[:33] + chunk(b"IEND", b""), "NO_DATA"


def main():
    folder = pathlib.Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    listed = []
    for name, data, rule in pictures():
        (folder / f"{name}.png").write_bytes(data)
        bmp = folder / f"{name}.bmp"
        bmp.unlink(missing_ok=True)
        made = subprocess.run(["/usr/bin/convert", str(folder / f"{name}.png"), *RECIPE, f"BMP3:{bmp}"],
                              capture_output=True).returncode == 0 and bmp.exists()
        listed.append({"name": name, "rule": rule, "converted": made})
    (folder / "set.json").write_text(json.dumps(listed, indent=1))
    print(f"{len(listed)} PNG files in {folder}")


if __name__ == "__main__":
    main()
