#!/usr/bin/python3
"""Writes the application icon: one 32 x 32 image in the 16 standard colours.

Three overlapping discs, red, green and blue, mixed additively where they overlap, with a
black rim on a transparent ground: the colour split the tool performs.

Usage: tools/make_icon.py [output.ico]   (default: app/MAINICON.ico)
"""
import os
import struct
import sys

SIZE = 32
# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK = 0
# Which discs cover a pixel (bit 0 red, bit 1 green, bit 2 blue) -> palette index.
MIX = {1: 9, 2: 10, 3: 11, 4: 12, 5: 13, 6: 14, 7: 15}
DISCS = [(16.0, 11.0), (10.5, 20.5), (21.5, 20.5)]  # red, green, blue centres
RADIUS = 9.4


def coverage(x, y):
    """Bit mask of the discs that cover the centre of pixel (x, y)."""
    mask = 0
    for bit, (cx, cy) in enumerate(DISCS):
        if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= RADIUS ** 2:
            mask |= 1 << bit
    return mask


def image():
    """Rows top-down of palette indices, None for transparent pixels."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            mask = coverage(x, y)
            if not mask:
                row.append(None)
                continue
            rim = any(
                not (0 <= x + dx < SIZE and 0 <= y + dy < SIZE) or not coverage(x + dx, y + dy)
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            row.append(BLACK if rim else MIX[mask])
        rows.append(row)
    return rows


def ico_bytes(rows):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        for x in range(0, SIZE, 2):
            hi, lo = (row[x] or 0), (row[x + 1] or 0)
            xor.append(hi << 4 | lo)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    body = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(body), 6 + 16)
    return directory + entry + body


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "app", "MAINICON.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes(image()))


if __name__ == "__main__":
    main()
