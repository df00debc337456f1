#!/usr/bin/env python3
"""Draws the about box logo (64x64, 24-bit BMP on button-face grey) into windows/logo.bmp:
a tied archive box with a zipper down its front. Run again after changing the drawing; the
BMP is committed."""
import os
import struct

SIZE = 64
FACE = (192, 192, 192)  # drawn transparent
OUT = os.path.join(os.path.dirname(__file__), "..", "windows", "logo.bmp")


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def draw():
    px = [[FACE] * SIZE for _ in range(SIZE)]

    def put(x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            px[y][x] = c

    def rect(x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                put(x, y, c)

    # Shadow, then the box front with a light-to-dark fall and its lid.
    rect(10, 20, 58, 60, (128, 128, 128))
    for y in range(16, 57):
        c = mix((236, 196, 120), (184, 132, 62), (y - 16) / 40)
        for x in range(6, 55):
            put(x, y, c)
    for y in range(10, 19):
        c = mix((250, 222, 160), (214, 168, 92), (y - 10) / 8)
        for x in range(4 - (y - 10) // 4, 57 + (y - 10) // 4):
            put(x, y, c)
    # Outlines.
    for x in range(4, 57):
        put(x, 10, (120, 80, 30))
    for x in range(2, 59):
        put(x, 18, (120, 80, 30))
    for y in range(18, 57):
        put(6, y, (120, 80, 30))
        put(54, y, (120, 80, 30))
    for x in range(6, 55):
        put(x, 56, (96, 62, 22))
    # The zipper: a dark track with bright teeth alternating left and right, and its pull.
    for y in range(11, 56):
        put(29, y, (60, 60, 70))
        put(30, y, (60, 60, 70))
        put(31, y, (60, 60, 70))
        if y % 2 == 0:
            put(27, y, (230, 230, 240))
            put(28, y, (170, 170, 185))
        else:
            put(32, y, (170, 170, 185))
            put(33, y, (230, 230, 240))
    rect(26, 30, 34, 34, (40, 70, 160))
    rect(28, 35, 32, 44, (40, 70, 160))
    rect(29, 38, 31, 41, (236, 196, 120))
    # A blue band with a highlight, as on the program's icon.
    for y in range(44, 50):
        c = mix((90, 140, 230), (20, 50, 150), (y - 44) / 5)
        for x in range(7, 54):
            if x not in range(26, 35):
                put(x, y, c)
    return px


def write(px):
    row = SIZE * 3
    data = b"".join(bytes(c for p in reversed_row for c in (p[2], p[1], p[0]))
                    for reversed_row in reversed(px))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    assert row % 4 == 0
    with open(OUT, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    write(draw())
