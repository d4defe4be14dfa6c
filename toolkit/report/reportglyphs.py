#!/usr/bin/env python3
"""Writes reportglyphs.bmp: the report grid's strip of eleven 12 x 12 glyphs
(24 bits, magenta transparent). Run it again after changing a picture."""
import os
import struct

W, H, N = 12, 12, 11
MAGENTA, BLACK, WHITE = (255, 0, 255), (0, 0, 0), (255, 255, 255)
GREY, DARK, LIGHT = (128, 128, 128), (64, 64, 64), (224, 224, 224)


def blank():
    return [[MAGENTA] * W for _ in range(H)]


def box(img, fill, frame):
    for y in range(1, 11):
        for x in range(1, 11):
            img[y][x] = frame if x in (1, 10) or y in (1, 10) else fill


def plus_minus(plus):
    img = blank()
    for y in range(2, 11):
        for x in range(2, 11):
            img[y][x] = GREY if x in (2, 10) or y in (2, 10) else WHITE
    for x in range(4, 9):
        img[6][x] = BLACK
    if plus:
        for y in range(4, 9):
            img[y][6] = BLACK
    return img


def check(ticked, dimmed=False, square=False):
    img = blank()
    box(img, LIGHT if dimmed else WHITE, GREY if dimmed else DARK)
    ink = GREY if dimmed else BLACK
    if ticked:
        for i, (x, y) in enumerate([(3, 5), (4, 6), (5, 7), (6, 6), (7, 5), (8, 4)]):
            img[y][x] = ink
            img[y + 1][x] = ink
    if square:
        for y in range(4, 8):
            for x in range(4, 8):
                img[y][x] = ink
    return img


def triangle_button(right):
    img = blank()
    box(img, LIGHT, DARK)
    for i in range(4):
        for y in range(6 - i, 6 + i):
            x = 4 + (3 - i) if not right else 4 + i
            img[y][x] = BLACK
    return img


def padlock(closed):
    img = blank()
    for y in range(6, 11):
        for x in range(2, 10):
            img[y][x] = (192, 160, 0)
    for y in range(2, 6):
        img[y][3] = DARK
        if closed or y > 4:
            img[y][8] = DARK
    for x in range(3, 9):
        img[1][x] = DARK
    if not closed:
        img[1][8] = MAGENTA
    return img


glyphs = [plus_minus(False), plus_minus(True), check(False), check(True), check(False, True),
          check(True, True), triangle_button(True), triangle_button(False), check(False, square=True),
          padlock(True), padlock(False)]

stride = (W * N * 3 + 3) & ~3
pixels = bytearray()
for y in reversed(range(H)):
    row = bytearray()
    for g in glyphs:
        for r, gr, b in g[y]:
            row += bytes((b, gr, r))
    row += b"\0" * (stride - len(row))
    pixels += row
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, W * N, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "reportglyphs.bmp"), "wb") as f:
    f.write(header + info + pixels)
