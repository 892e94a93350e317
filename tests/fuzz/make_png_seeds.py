#!/usr/bin/env python3
"""Writes the PNG fuzzer's seeds: small pictures of every colour type and bit
depth PNG has, with and without transparency chunks, interlaced and not,
split over several data chunks, with the colour-space chunks real files
carry. Deterministic: the same files on every run.

    make_png_seeds.py <output folder>
"""

import struct
import sys
import zlib
from pathlib import Path


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def pack_row(values, depth):
    """Samples of one row packed at `depth` bits, rows padded to a byte."""
    if depth == 8:
        return bytes(values)
    if depth == 16:
        return b"".join(struct.pack(">H", v) for v in values)
    out, acc, bits = bytearray(), 0, 0
    for v in values:
        acc = (acc << depth) | v
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def sample(x, y, c, depth):
    top = (1 << depth) - 1
    return (x * 37 + y * 91 + c * 53 + x * y) % (top + 1)


def raw_rows(width, height, colour, depth, interlace, filt):
    ch = CHANNELS[colour]
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    data = bytearray()
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, width, dx))
        if not xs:
            continue
        for y in range(y0, height, dy):
            values = [sample(x, y, c, depth) for x in xs for c in range(ch)]
            data.append(filt)
            row = pack_row(values, depth)
            # Filter 1 (Sub) on whole bytes; the others stay unfiltered data
            # with their tag, which decoders must still undo.
            if filt == 1:
                bpp = max(1, ch * depth // 8)
                row = bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 0xFF for i in range(len(row)))
            data += row
    return bytes(data)


def png(width, height, colour, depth, interlace=0, extra=b"", split=1, filt=0, palette_size=16):
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))
    out += extra
    if colour == 3:
        out += chunk(b"PLTE", bytes((i * 40) % 256 for i in range(3 * min(palette_size, 1 << depth))))
    compressed = zlib.compress(raw_rows(width, height, colour, depth, interlace, filt), 9)
    step = max(1, -(-len(compressed) // split))
    for i in range(0, len(compressed), step):
        out += chunk(b"IDAT", compressed[i:i + step])
    return out + chunk(b"IEND", b"")


SEEDS = {
    "grey-1bit.png": png(13, 5, 0, 1),
    "grey-2bit.png": png(9, 4, 0, 2),
    "grey-4bit-interlaced.png": png(11, 9, 0, 4, interlace=1),
    "grey-16bit.png": png(6, 6, 0, 16),
    "grey-trns.png": png(5, 5, 0, 8, extra=chunk(b"tRNS", struct.pack(">H", 7))),
    "rgb-16bit-interlaced.png": png(10, 7, 2, 16, interlace=1),
    "rgb-trns-gamma.png": png(8, 8, 2, 8, extra=chunk(b"gAMA", struct.pack(">I", 45455)) +
                              chunk(b"tRNS", struct.pack(">HHH", 1, 2, 3))),
    "rgb-srgb-chrm.png": png(7, 3, 2, 8, extra=chunk(b"sRGB", b"\x00") +
                             chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000))),
    "rgb-iccp.png": png(4, 4, 2, 8, extra=chunk(b"iCCP", b"icc\x00\x00" + zlib.compress(b"\x00" * 128))),
    "rgb-sub-filter-split.png": png(33, 17, 2, 8, split=5, filt=1),
    "palette-1bit.png": png(17, 3, 3, 1),
    "palette-8bit-interlaced.png": png(9, 9, 3, 8, interlace=1, palette_size=200),
    "grey-alpha-16bit.png": png(5, 4, 4, 16),
    "rgba-interlaced-text.png": png(9, 10, 6, 8, interlace=1, extra=chunk(b"tEXt", b"Comment\x00seed") +
                                    chunk(b"zTXt", b"Note\x00\x00" + zlib.compress(b"a skin"))),
    "wide-row.png": png(300, 1, 2, 8),
    "tall-column.png": png(1, 300, 0, 8),
}


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS.items():
        (out / name).write_bytes(data)
    # A palette picture with a transparency chunk: tRNS comes after PLTE.
    plte = png(12, 6, 3, 4)
    at = plte.index(b"IDAT") - 4
    (out / "palette-4bit-trns.png").write_bytes(plte[:at] + chunk(b"tRNS", bytes(range(0, 160, 10))) + plte[at:])


if __name__ == "__main__":
    main()
