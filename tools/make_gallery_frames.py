#!/usr/bin/python3
"""Writes the animation frames of the background gallery into its form description.

Four 32 x 32 frames: a ripple that widens from the middle of a pale blue tile, one ring per
frame, with the tile's corners transparent so that the form's colour shows between tiles.
The frames replace the Bitmap data of FrameList in the form description, in the image list's
stored format: "TIL1", width, height and count as 32-bit little-endian numbers, then each
frame's pixels top-down as B, G, R, A.

Usage: tools/make_gallery_frames.py [form]   (default: examples/background/BackGroundGallery.form)
"""
import math
import os
import struct
import sys

SIZE = 32
FRAMES = 4
GROUND = (0xF0, 0xD8, 0xB0)   # B, G, R: pale blue
RING = (0xC0, 0x60, 0x20)     # deep blue
CREST = (0xFF, 0xFF, 0xFF)


def frame(k):
    out = bytearray()
    centre = (SIZE - 1) / 2
    radius = 3 + 4 * k
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - centre, y - centre)
            if d > SIZE / 2 + 1:
                out += bytes((0, 0, 0, 0))
            elif abs(d - radius) < 1.2:
                out += bytes(RING) + b"\xff"
            elif abs(d - radius + 2) < 0.8:
                out += bytes(CREST) + b"\xff"
            else:
                out += bytes(GROUND) + b"\xff"
    return bytes(out)


def data():
    body = b"".join(frame(k) for k in range(FRAMES))
    return b"TIL1" + struct.pack("<III", SIZE, SIZE, FRAMES) + body


def hex_lines(blob, indent):
    return [indent + blob[i:i + 32].hex().upper() for i in range(0, len(blob), 32)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "examples", "background", "BackGroundGallery.form")
    lines = open(path, encoding="utf-8").read().split("\n")
    start = lines.index("  object FrameList: TImageList")
    at = next(i for i in range(start, len(lines)) if lines[i] == "    Bitmap = {")
    stop = next(i for i in range(at, len(lines)) if lines[i] == "    }")
    lines[at + 1:stop] = hex_lines(data(), "      ")
    open(path, "w", encoding="utf-8").write("\n".join(lines))


if __name__ == "__main__":
    main()
