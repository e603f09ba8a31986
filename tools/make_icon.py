#!/usr/bin/env python3
"""Draws the program icon (a form sheet with ruled lines and a pen) as a
16-colour .ico holding a 32x32 and a 16x16 image."""
import struct
import sys

# The standard 16-colour palette, as (R, G, B); stored as B, G, R, 0.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
           (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
           (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, GREY, WHITE, BLUE, RED, YELLOW = 0, 8, 15, 12, 9, 11
T = None  # transparent


def draw(size):
    px = [[T] * size for _ in range(size)]
    s = size / 32.0
    def r(v):
        return int(round(v * s))
    # the sheet with a black border
    left, top, right, bottom = r(5), r(2), r(25), r(29)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = x in (left, right) or y in (top, bottom)
            px[y][x] = BLACK if edge else WHITE
    # ruled lines of the form, with a filled-in entry on two of them
    for i, ly in enumerate(range(r(7), r(26), max(2, r(4)))):
        for x in range(left + 2, right - 1):
            px[ly][x] = GREY
        if i % 2 == 1:
            for x in range(left + 2, left + 2 + r(10)):
                px[ly - 1][x] = BLUE
    # the pen, running diagonally to the lower right corner
    for t in range(r(14)):
        x, y = r(29) - t, r(30) - t
        for d in (0, 1):
            if 0 <= x - d < size and 0 <= y < size:
                px[y][x - d] = YELLOW if t > r(3) else RED
    return px


def image(size):
    px = draw(size)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         (xor_stride + and_stride) * size, 0, 0, 16, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor = b''
    mask = b''
    for y in reversed(range(size)):          # bottom-up rows
        row = bytearray(xor_stride)
        mrow = bytearray(and_stride)
        for x in range(size):
            c = px[y][x]
            if c is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += bytes(row)
        mask += bytes(mrow)
    return header + pal + xor + mask


def main(path):
    images = [(32, image(32)), (16, image(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1])
