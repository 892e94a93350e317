#!/usr/bin/env python3
"""Writes the whole-skin fuzzer's seeds: small skin folders in its input
format (the skin list, the skin file and six pictures, separated by
"#file#" lines), one drawn from BMP pictures and one from PNG pictures,
each with a cut-away colour, button pictures and masks. Deterministic.

    make_skin_apply_seeds.py <output folder>
"""

import struct
import sys
import zlib
from pathlib import Path

KEY = (255, 0, 255)


def picture(width, height, cut=0):
    """Rows of (r, g, b): a gradient with a border of `cut` key pixels."""
    def pixel(x, y):
        if min(x, y, width - 1 - x, height - 1 - y) < cut:
            return KEY
        return (x * 255 // max(width - 1, 1), y * 255 // max(height - 1, 1), 90)
    return [[pixel(x, y) for x in range(width)] for y in range(height)]


def bmp(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    pixels = b"".join(
        bytes(c for r, g, b in row for c in (b, g, r)).ljust(stride, b"\0") for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)) + header + pixels


def png(rows):
    height, width = len(rows), len(rows[0])
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def mask(width, height):
    return [[(255, 255, 255) if (x + y) % 3 else (0, 0, 0) for x in range(width)] for y in range(height)]


LIST = b"""[General]
Total=2
Current=0
[case0]
Name=One
Directory=fuzz
iniFile=skin.ini
[case1]
Name=Two
Directory=FUZZ
iniFile=Skin.INI
"""


def skin_file(kind, background, button, button_mask):
    buttons = "".join(
        f"[{name}]\nNormal={button}\nDown={button_mask}\nMask={button_mask}\n"
        for name in ("Close", "Minimize", "FilePlay", "Red", "Saturation"))
    return (f"[General]\nType={kind}\nBackground={background}\nRed={KEY[0]}\nGreen={KEY[1]}\nBlue={KEY[2]}\n"
            f"{buttons}[VideoList]\nNormal={button}\n").encode()


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    files = [bmp(picture(48, 36, cut=3)), png(picture(48, 36, cut=2)), bmp(picture(9, 7)),
             png(picture(9, 7)), bmp(mask(9, 7)), png(mask(9, 7))]
    for name, kind, names in (("bmp_skin", "bmp", ("p0.bmp", "p2.bmp", "p4.bmp")),
                              ("png_skin", "png", ("p1.png", "p3.png", "p5.png"))):
        parts = [LIST, skin_file(kind, *names)] + files
        (out / f"{name}.txt").write_bytes(b"\n#file#\n".join(parts))


if __name__ == "__main__":
    main()
