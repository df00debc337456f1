#!/usr/bin/env python3
"""Draws the tool button glyphs (32x32, 24-bit BMP on the panel's silver) into
mainwindow/glyphs/. Run again after changing a drawing; the BMPs are committed."""
import math
import os
import struct

SIZE = 32
SILVER = (192, 192, 192)
OUT = os.path.join(os.path.dirname(__file__), "..", "mainwindow", "glyphs")


class Canvas:
    def __init__(self):
        self.px = [[SILVER for _ in range(SIZE)] for _ in range(SIZE)]

    def set(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                on_edge = x in (x0, x1) or y in (y0, y1)
                if on_edge and edge:
                    self.set(x, y, edge)
                elif fill:
                    self.set(x, y, fill)

    def line(self, x0, y0, x1, y1, c, w=1):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            x = round(x0 + (x1 - x0) * i / n)
            y = round(y0 + (y1 - y0) * i / n)
            for dx in range(w):
                for dy in range(w):
                    self.set(x + dx, y + dy, c)

    def poly(self, pts, fill, edge=None):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for i in range(len(pts)):
                (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % len(pts)]
                if ya == yb:
                    continue
                if min(ya, yb) <= y + 0.5 < max(ya, yb):
                    xs.append(xa + (y + 0.5 - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(math.ceil(a - 0.5), math.floor(b - 0.5) + 1):
                    self.set(x, y, fill)
        if edge:
            for i in range(len(pts)):
                self.line(*pts[i], *pts[(i + 1) % len(pts)], edge)

    def circle(self, cx, cy, r, fill=None, edge=None, w=1.2):
        for y in range(SIZE):
            for x in range(SIZE):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if edge and r - w <= d <= r:
                    self.set(x, y, edge)
                elif fill and d < r - (w if edge else 0):
                    self.set(x, y, fill)

    def save(self, name, gray=False):
        rows = b""
        for y in reversed(range(SIZE)):
            for x in range(SIZE):
                r, g, b = self.px[y][x]
                if gray and (r, g, b) != SILVER:
                    # Inactive look: washed-out grey.
                    v = int(0.3 * r + 0.59 * g + 0.11 * b)
                    v = 128 + v // 3
                    r = g = b = min(v, 200)
                rows += bytes((b, g, r))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(header + info + rows)


BLACK, WHITE = (0, 0, 0), (255, 255, 255)
NAVY, BLUE = (0, 0, 128), (40, 90, 200)
YELLOW, DARKYELLOW = (250, 215, 80), (170, 130, 20)
GREEN, DARKGREEN = (40, 170, 60), (0, 100, 20)
RED, DARKRED = (220, 40, 40), (130, 0, 0)
GREY = (110, 110, 110)
BROWN = (150, 95, 40)


def page(c, x0=7, y0=3, x1=24, y1=28, fold=6):
    c.poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], WHITE, BLACK)
    c.poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], (220, 220, 220), BLACK)


def archive_box(c, x0=4, y0=12, x1=27, y1=28):
    # A zip archive: a brown box with a zipper down its middle.
    c.rect(x0, y0, x1, y1, fill=(205, 160, 90), edge=BROWN)
    c.rect(x0, y0, x1, y0 + 3, fill=(180, 130, 60), edge=BROWN)
    mid = (x0 + x1) // 2
    for y in range(y0 + 1, y1, 2):
        c.set(mid, y, BLACK)
        c.set(mid + 1, y + 1, BLACK)


def arrow_down(c, cx, y0, y1, color, edge):
    c.poly([(cx - 3, y0), (cx + 3, y0), (cx + 3, y1 - 5), (cx + 7, y1 - 5), (cx, y1),
            (cx - 7, y1 - 5), (cx - 3, y1 - 5)], color, edge)


def draw_new():
    c = Canvas()
    page(c)
    c.poly([(22, 2), (24, 7), (29, 8), (25, 11), (26, 16), (22, 13), (18, 16), (19, 11), (15, 8), (20, 7)],
           YELLOW, DARKYELLOW)
    return c


def draw_open():
    c = Canvas()
    c.poly([(3, 8), (11, 8), (13, 11), (25, 11), (25, 26), (3, 26)], DARKYELLOW, BLACK)
    c.poly([(7, 15), (30, 15), (25, 26), (3, 26)], YELLOW, BLACK)
    return c


def draw_wizard():
    c = Canvas()
    c.line(6, 27, 20, 13, BLACK, 3)
    c.line(18, 15, 20, 13, WHITE, 2)
    for (x, y, r) in ((23, 8, 4), (10, 7, 2), (27, 18, 2)):
        c.poly([(x, y - r - 1), (x + 1, y - 1), (x + r + 1, y), (x + 1, y + 1), (x, y + r + 1),
                (x - 1, y + 1), (x - r - 1, y), (x - 1, y - 1)], YELLOW, DARKYELLOW)
    return c


def draw_view():
    c = Canvas()
    page(c, 4, 3, 21, 28)
    for y in range(10, 26, 3):
        c.line(7, y, 17, y, GREY)
    c.circle(21, 18, 7, fill=(200, 230, 255), edge=NAVY, w=2)
    c.line(25, 23, 29, 28, BLACK, 3)
    return c


def draw_extract(all_files):
    c = Canvas()
    archive_box(c, 3, 15, 26, 29)
    if all_files:
        page(c, 14, 1, 27, 13, 4)
        page(c, 9, 3, 22, 15, 4)
    else:
        page(c, 11, 1, 24, 14, 4)
    arrow_down(c, 7, 2, 14, GREEN, DARKGREEN)
    return c


def draw_add():
    c = Canvas()
    archive_box(c, 3, 14, 26, 29)
    c.rect(18, 3, 22, 15, fill=GREEN, edge=DARKGREEN)
    c.rect(14, 7, 26, 11, fill=GREEN, edge=DARKGREEN)
    c.rect(19, 4, 21, 14, fill=GREEN)
    c.rect(15, 8, 25, 10, fill=GREEN)
    return c


def draw_delete():
    c = Canvas()
    archive_box(c, 3, 14, 26, 29)
    c.line(9, 2, 22, 15, RED, 3)
    c.line(22, 2, 9, 15, RED, 3)
    return c


def draw_setup():
    c = Canvas()
    c.rect(4, 5, 27, 24, fill=(0, 128, 128), edge=BLACK)
    c.rect(4, 5, 27, 8, fill=NAVY, edge=BLACK)
    c.rect(6, 11, 25, 22, fill=WHITE, edge=GREY)
    c.rect(8, 15, 23, 18, fill=(200, 200, 200), edge=GREY)
    c.rect(9, 16, 18, 17, fill=BLUE)
    c.rect(10, 25, 21, 28, fill=(160, 160, 160), edge=BLACK)
    return c


def draw_run():
    c = Canvas()
    c.rect(3, 4, 28, 27, fill=WHITE, edge=BLACK)
    c.rect(3, 4, 28, 8, fill=NAVY, edge=BLACK)
    c.poly([(11, 11), (23, 17), (11, 24)], GREEN, DARKGREEN)
    return c


def draw_options():
    c = Canvas()
    c.circle(16, 16, 12, fill=(170, 170, 170), edge=BLACK, w=1.5)
    for i in range(8):
        a = i * math.pi / 4
        x, y = 16 + 12 * math.cos(a), 16 + 12 * math.sin(a)
        c.rect(round(x) - 2, round(y) - 2, round(x) + 2, round(y) + 2, fill=(170, 170, 170), edge=BLACK)
    c.circle(16, 16, 10, fill=(170, 170, 170))
    c.circle(16, 16, 5, fill=SILVER, edge=BLACK, w=1.5)
    return c


def draw_help():
    c = Canvas()
    c.circle(16, 16, 14, fill=BLUE, edge=NAVY, w=1.5)
    c.circle(16, 12, 6, edge=WHITE, w=2.5)
    c.rect(9, 12, 13, 16, fill=BLUE)
    c.rect(10, 13, 14, 15, fill=BLUE)
    c.rect(15, 17, 17, 20, fill=WHITE)
    c.rect(15, 23, 17, 25, fill=WHITE)
    return c


def draw_mail():
    c = Canvas()
    c.rect(3, 8, 28, 25, fill=WHITE, edge=BLACK)
    c.line(3, 8, 16, 18, BLACK)
    c.line(28, 8, 16, 18, BLACK)
    c.rect(22, 10, 26, 14, fill=RED, edge=DARKRED)
    return c


def main():
    os.makedirs(OUT, exist_ok=True)
    pairs = {  # active image, inactive image
        (1, 7): draw_view, (2, 8): lambda: draw_extract(False), (3, 9): draw_add,
        (4, 10): lambda: draw_extract(True), (5, 11): draw_setup, (6, 12): draw_run,
    }
    for (active, inactive), draw in pairs.items():
        draw().save(f"image{active}.bmp")
        draw().save(f"image{inactive}.bmp", gray=True)
    for name, draw in (("new", draw_new), ("open", draw_open), ("wizard", draw_wizard),
                       ("delete", draw_delete), ("options", draw_options), ("help", draw_help),
                       ("mail", draw_mail)):
        draw().save(f"{name}.bmp")


if __name__ == "__main__":
    main()
