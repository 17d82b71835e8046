#!/usr/bin/python3
"""Writes the application icon as PNG files for the desktop's icon theme.

Reads the first image of a Windows .ico file (palette or true colour, with its transparency
mask) and writes <out>/<N>x<N>/apps/<name>.png for each size. Sizes that are whole multiples of
the original keep its hard pixels; the others are averaged over the area each pixel covers.

Usage: tools/make_theme_icons.py <icon.ico> <outdir> <name> <size>...
"""
import os
import struct
import sys
import zlib


def read_ico(data):
    """The first image as rows of (r, g, b, a), top-down."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count < 1:
        raise ValueError("not an icon file")
    offset = struct.unpack_from("<I", data, 6 + 12)[0]
    if data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n":
        raise ValueError("PNG-compressed icons are not read here")
    (size, width, height2, _planes, bpp, compression, _image_size, _xppm, _yppm, used, _important) = \
        struct.unpack_from("<IiiHHIIiiII", data, offset)
    if compression != 0:
        raise ValueError("compressed icon bitmaps are not read here")
    height = height2 // 2
    palette = []
    pos = offset + size
    if bpp <= 8:
        for _ in range(used or 1 << bpp):
            b, g, r, _ = struct.unpack_from("<BBBB", data, pos)
            palette.append((r, g, b))
            pos += 4
    stride = (width * bpp + 31) // 32 * 4
    mask_stride = (width + 31) // 32 * 4
    xor_at, and_at = pos, pos + stride * height
    rows = []
    for y in range(height):
        src = height - 1 - y  # stored bottom-up
        line = data[xor_at + src * stride:xor_at + (src + 1) * stride]
        mask = data[and_at + src * mask_stride:and_at + (src + 1) * mask_stride]
        row = []
        for x in range(width):
            if bpp <= 8:
                bit = x * bpp
                index = (line[bit // 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1)
                r, g, b = palette[index]
                a = 255
            elif bpp == 24:
                b, g, r = line[x * 3:x * 3 + 3]
                a = 255
            elif bpp == 32:
                b, g, r, a = line[x * 4:x * 4 + 4]
            else:
                raise ValueError("%d bits per pixel are not read here" % bpp)
            if bpp != 32 and (mask[x // 8] >> (7 - x % 8)) & 1:
                a = 0
            row.append((r, g, b, a))
        rows.append(row)
    return rows


def resize(rows, size):
    """Area-averaged resampling with premultiplied alpha, so transparent pixels add no colour."""
    height, width = len(rows), len(rows[0])
    if size % width == 0 and size % height == 0:
        return [[rows[y * height // size][x * width // size] for x in range(size)] for y in range(size)]
    out = []
    for oy in range(size):
        y0, y1 = oy * height / size, (oy + 1) * height / size
        row = []
        for ox in range(size):
            x0, x1 = ox * width / size, (ox + 1) * width / size
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(int(y0), min(height, int(y1 + 0.999999))):
                wy = min(y1, sy + 1) - max(y0, sy)
                for sx in range(int(x0), min(width, int(x1 + 0.999999))):
                    w = wy * (min(x1, sx + 1) - max(x0, sx))
                    r, g, b, a = rows[sy][sx]
                    acc[0] += r * a * w
                    acc[1] += g * a * w
                    acc[2] += b * a * w
                    acc[3] += a * w
            area = (x1 - x0) * (y1 - y0)
            a = acc[3] / area
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / acc[3]) for c in acc[:3]) + (round(a),))
        out.append(row)
    return out


def png_bytes(rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__.strip().splitlines()[-1])
    source, outdir, name = sys.argv[1:4]
    with open(source, "rb") as f:
        rows = read_ico(f.read())
    for size in (int(s) for s in sys.argv[4:]):
        folder = os.path.join(outdir, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name + ".png"), "wb") as f:
            f.write(png_bytes(resize(rows, size)))


if __name__ == "__main__":
    main()
