#!/usr/bin/env python3
"""Makes the main window's background picture: a 128 x 128, 24-bit Windows bitmap file
(49,206 bytes) with a seamless blue texture of exactly 27 colours.

Integer arithmetic only, so every run gives the same bytes.

  make_background_picture.py OUT.bmp            writes the file
  make_background_picture.py --form-data IN.bmp prints the picture's stored form as a
                                                form-description hex block
"""
import struct
import sys

SIZE = 128
LEVELS = 27


def lcg(seed):
    state = seed
    while True:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        yield state >> 8


def lattice(cells, seed):
    rnd = lcg(seed)
    return [[next(rnd) % 1024 for _ in range(cells)] for _ in range(cells)]


def value_noise(grid, cells, x, y):
    """Bilinear value noise on a lattice that wraps around: the texture tiles seamlessly."""
    span = SIZE // cells
    cx, fx = divmod(x, span)
    cy, fy = divmod(y, span)
    a = grid[cy % cells][cx % cells]
    b = grid[cy % cells][(cx + 1) % cells]
    c = grid[(cy + 1) % cells][cx % cells]
    d = grid[(cy + 1) % cells][(cx + 1) % cells]
    top = a * (span - fx) + b * fx
    bottom = c * (span - fx) + d * fx
    return (top * (span - fy) + bottom * fy) // span  # scaled by span


def texture():
    coarse = lattice(8, 20240229)
    fine = lattice(32, 7)
    grain = lcg(4242)
    values = []
    for y in range(SIZE):
        for x in range(SIZE):
            v = 4 * value_noise(coarse, 8, x, y) // 16  # span 16
            v += value_noise(fine, 32, x, y) // 4       # span 4
            v += next(grain) % 160
            values.append((v, y, x))
    # Equal shares per level: every one of the 27 colours is used.
    order = sorted(values)
    level = [0] * (SIZE * SIZE)
    for rank, (_, y, x) in enumerate(order):
        level[y * SIZE + x] = rank * LEVELS // (SIZE * SIZE)
    return level


def palette():
    # Dark navy to light blue, all distinct.
    return [(150 + 3 * i, 70 + 4 * i, 20 + 3 * i) for i in range(LEVELS)]  # B, G, R


def bitmap_file():
    level = texture()
    colours = palette()
    row_bytes = SIZE * 3  # 384, a multiple of 4: no filler
    pixels = bytearray()
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        for x in range(SIZE):
            pixels += bytes(colours[level[y * SIZE + x]])
    assert len(pixels) == row_bytes * SIZE
    offset = 14 + 40
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return header + info + bytes(pixels)


def form_data(bmp, indent="    "):
    data = bytes([7]) + b"TBitmap" + struct.pack("<I", len(bmp)) + bmp
    lines = [indent + "BkPicture.Data = {"]
    for i in range(0, len(data), 32):
        lines.append(indent + "  " + data[i:i + 32].hex().upper())
    lines.append(indent + "}")
    return "\n".join(lines)


def main(argv):
    if len(argv) == 3 and argv[1] == "--form-data":
        with open(argv[2], "rb") as f:
            print(form_data(f.read()))
        return 0
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    bmp = bitmap_file()
    assert len(bmp) == 49206
    with open(argv[1], "wb") as f:
        f.write(bmp)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
