#!/usr/bin/env python3
"""Draws the program's icon: a blue task book with a clasp and two ticked
lines, at 16 and 32 pixels, into pravenor.ico beside this script.

Run from this folder.
"""
import struct

BLUE = (38, 92, 170)
DARK = (20, 52, 110)
PAGE = (250, 250, 244)
LINE = (150, 160, 175)
TICK = (40, 150, 60)
CLASP = (230, 170, 40)


def draw(n):
    s = n / 32.0
    px = [[None] * n for _ in range(n)]

    def rect(x0, y0, x1, y1, c):
        for y in range(max(0, round(y0 * s)), min(n, round(y1 * s))):
            for x in range(max(0, round(x0 * s)), min(n, round(x1 * s))):
                px[y][x] = c

    rect(4, 2, 28, 30, DARK)      # cover edge
    rect(5, 3, 27, 29, BLUE)      # cover
    rect(9, 5, 26, 27, PAGE)      # page
    rect(5, 12, 9, 16, CLASP)     # clasp
    for top in (8, 15, 22):
        rect(16, top + 1, 24, top + 2.5, LINE)
        # a tick on the first two lines, an empty box on the last
        if top < 22:
            rect(11, top + 1, 12.5, top + 3, TICK)
            rect(12.5, top + 2, 14, top + 3.5, TICK)
            rect(14, top - 0.5, 15.5, top + 2.5, TICK)
        else:
            rect(11, top, 15, top + 1, LINE)
            rect(11, top + 3, 15, top + 4, LINE)
            rect(11, top, 12, top + 4, LINE)
            rect(14, top, 15, top + 4, LINE)
    return px


def dib(px):
    """A 32-bit icon image record: header, colours bottom-up, AND mask."""
    n = len(px)
    xor = b''
    for y in range(n - 1, -1, -1):
        xor += b''.join(b'\0\0\0\0' if p is None else bytes((p[2], p[1], p[0], 255)) for p in px[y])
    stride = ((n + 31) // 32) * 4
    mask = b''
    for y in range(n - 1, -1, -1):
        bits = bytearray(stride)
        for x, p in enumerate(px[y]):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main():
    images = [dib(draw(n)) for n in (16, 32)]
    offset = 6 + 16 * len(images)
    out = struct.pack('<HHH', 0, 1, len(images))
    for n, data in zip((16, 32), images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open('pravenor.ico', 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main()
