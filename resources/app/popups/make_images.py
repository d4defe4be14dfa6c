#!/usr/bin/env python3
"""Draws the pictures of the reminder pop-ups and the reminder sound.

Run from this folder; writes the .bmp and .ico files beside it and ../2.wav.
Button bitmaps hold the normal, hot and pressed pictures side by side, with
black as the transparent colour.
"""
import math
import struct
import wave

BLACK = (0, 0, 0)


def canvas(w, h, colour=BLACK):
    return [[colour for _ in range(w)] for _ in range(h)]


def write_bmp(path, px):
    h, w = len(px), len(px[0])
    stride = (w * 3 + 3) & ~3
    rows = b''
    for y in range(h - 1, -1, -1):
        row = b''.join(bytes((b, g, r)) for (r, g, b) in px[y])
        rows += row + b'\0' * (stride - len(row))
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', 14 + len(header) + len(rows), 0, 0, 14 + len(header)))
        f.write(header + rows)


def write_ico(path, px):
    """One 32-bit image; pixels of None are transparent."""
    h, w = len(px), len(px[0])
    xor = b''
    for y in range(h - 1, -1, -1):
        xor += b''.join(bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255)) for p in px[y])
    mask_stride = ((w + 31) // 32) * 4
    mask = b''
    for y in range(h - 1, -1, -1):
        bits = 0
        row = bytearray(mask_stride)
        for x in range(w):
            if px[y][x] is None:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', w, h, 0, 0, 1, 32, len(image), 22))
        f.write(image)


def cross(px, x0, y0, size, colour, thick=1):
    for i in range(size):
        for t in range(thick):
            for (x, y) in ((x0 + i + t, y0 + i), (x0 + size - 1 - i + t, y0 + i)):
                if 0 <= y < len(px) and 0 <= x < len(px[0]):
                    px[y][x] = colour


def box(px, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            px[y][x] = colour


def frame(px, x0, y0, x1, y1, colour):
    for x in range(x0, x1):
        px[y0][x] = px[y1 - 1][x] = colour
    for y in range(y0, y1):
        px[y][x0] = px[y][x1 - 1] = colour


def close_strip(size, normal, hot, pressed, back_hot, back_pressed, thick=1):
    """Three close pictures of size x size: a cross, then on a hot and a pressed square."""
    px = canvas(size * 3, size)
    m = max(2, size // 4)
    for i, (fg, bg) in enumerate(((normal, None), (hot, back_hot), (pressed, back_pressed))):
        if bg:
            box(px, i * size, 0, i * size + size, size, bg)
        cross(px, i * size + m, m, size - 2 * m, fg, thick)
    return px


def bell_icon(body, edge):
    px = [[None] * 16 for _ in range(16)]
    for y in range(16):
        for x in range(16):
            d = math.hypot(x - 7.5, y - 7.5)
            if d <= 7.5:
                px[y][x] = edge if d > 6.3 else body
    for y in range(4, 10):
        px[y][7] = px[y][8] = edge  # the hand
    for x in range(8, 12):
        px[9][x] = edge
    return px


def main():
    write_ico('caption.ico', bell_icon((255, 214, 64), (120, 80, 0)))                 # 114
    write_bmp('close2000.bmp', close_strip(13, (255, 255, 255), (255, 255, 255), (255, 255, 255),
                                           (80, 120, 200), (20, 40, 120)))           # 118
    logo = canvas(13, 13)
    for y in range(13):
        for x in range(13):
            if math.hypot(x - 6, y - 6) <= 6:
                logo[y][x] = (40, 160, 60) if x < 7 else (40, 90, 200)
    write_bmp('msnlogo.bmp', logo)                                                   # 119
    write_bmp('close.bmp', close_strip(13, (230, 230, 230), (255, 255, 255), (255, 255, 255),
                                       (200, 60, 60), (140, 20, 20)))                # 120
    options = canvas(45, 18)
    box(options, 0, 2, 45, 16, (214, 226, 246))
    frame(options, 0, 2, 45, 16, (114, 142, 184))
    for i in range(3):
        box(options, 14 + i * 6, 8, 17 + i * 6, 11, (69, 86, 144))
    write_bmp('msnoptions.bmp', options)                                             # 121
    close_icon = [[None] * 16 for _ in range(16)]
    box(close_icon, 1, 1, 15, 15, (236, 240, 250))
    frame(close_icon, 1, 1, 15, 15, (0, 45, 150))
    cross(close_icon, 4, 4, 8, (0, 45, 150), 2)
    write_ico('close2003.ico', close_icon)                                           # 123
    write_bmp('closesimple.bmp', close_strip(18, (60, 60, 60), (200, 0, 0), (120, 0, 0),
                                             (255, 240, 170), (230, 210, 130), 2))  # 252
    silvery = canvas(72 * 3, 20)
    for i, (fill, edge) in enumerate((((236, 236, 236), (150, 150, 150)), ((250, 250, 250), (90, 130, 200)),
                                      ((205, 205, 205), (90, 90, 90)))):
        box(silvery, i * 72, 0, i * 72 + 72, 20, fill)
        frame(silvery, i * 72, 0, i * 72 + 72, 20, edge)
        cross(silvery, i * 72 + 31, 5, 10, (70, 70, 70), 2)
    write_bmp('closesilvery.bmp', silvery)                                           # 255

    # The reminder sound: two soft bell tones.
    rate, seconds = 22050, 0.9
    frames = bytearray()
    for n in range(int(rate * seconds)):
        t = n / rate
        v = 0.0
        for start, freq in ((0.0, 880.0), (0.25, 1318.5)):
            if t >= start:
                v += math.sin(2 * math.pi * freq * (t - start)) * math.exp(-5 * (t - start))
        frames += struct.pack('<h', int(max(-1, min(1, v * 0.45)) * 32767))
    with wave.open('../2.wav', 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


if __name__ == '__main__':
    main()
