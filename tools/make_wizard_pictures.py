#!/usr/bin/env python3
"""Draws the wizard's two page pictures (116x216, 24-bit BMP) into wizard/wiz1.bmp and
wizard/wiz2.bmp. Page 1: a night sky over an archive box wearing a wizard's hat, with a
trail of sparkles. Page 2: a folder taking a new file whose label a pencil is writing.
Shapes are drawn three times larger and averaged down, so edges are smooth. Run again after
changing the drawing; the BMPs are committed."""
import math
import os
import struct

W, H = 116, 216
S = 3  # supersampling factor
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "wizard")


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class Canvas:
    def __init__(self, top, bottom):
        self.w, self.h = W * S, H * S
        self.px = [[mix(top, bottom, y / (self.h - 1)) for _ in range(self.w)]
                   for y in range(self.h)]

    def fill(self, inside, box, color):
        """Paints every sample whose centre (in picture pixels) passes inside(x, y).
        color is a colour or a function of (x, y) giving one."""
        x0, y0, x1, y1 = box
        for sy in range(max(0, int(y0 * S)), min(self.h, int(math.ceil(y1 * S)) + 1)):
            y = (sy + 0.5) / S
            row = self.px[sy]
            for sx in range(max(0, int(x0 * S)), min(self.w, int(math.ceil(x1 * S)) + 1)):
                x = (sx + 0.5) / S
                if inside(x, y):
                    row[sx] = color(x, y) if callable(color) else color

    def rect(self, x0, y0, x1, y1, color):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1), color)

    def ellipse(self, cx, cy, rx, ry, color):
        self.fill(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1,
                  (cx - rx, cy - ry, cx + rx, cy + ry), color)

    def polygon(self, pts, color):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]

        def inside(x, y):
            c = False
            j = len(pts) - 1
            for i in range(len(pts)):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c

        self.fill(inside, (min(xs), min(ys), max(xs), max(ys)), color)

    def line(self, x0, y0, x1, y1, width, color):
        dx, dy = x1 - x0, y1 - y0
        n = math.hypot(dx, dy) or 1
        ox, oy = -dy / n * width / 2, dx / n * width / 2
        self.polygon([(x0 + ox, y0 + oy), (x1 + ox, y1 + oy), (x1 - ox, y1 - oy),
                      (x0 - ox, y0 - oy)], color)

    def star(self, cx, cy, r, color, points=5, inner=0.45, turn=-math.pi / 2):
        pts = []
        for i in range(points * 2):
            a = turn + i * math.pi / points
            rr = r if i % 2 == 0 else r * inner
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        self.polygon(pts, color)

    def sparkle(self, cx, cy, r, color):
        self.star(cx, cy, r, color, points=4, inner=0.22)

    def pixels(self):
        out = []
        for y in range(H):
            row = []
            for x in range(W):
                acc = [0.0, 0.0, 0.0]
                for sy in range(y * S, y * S + S):
                    for sx in range(x * S, x * S + S):
                        p = self.px[sy][sx]
                        acc[0] += p[0]
                        acc[1] += p[1]
                        acc[2] += p[2]
                row.append(tuple(round(v / (S * S)) for v in acc))
            out.append(row)
        # A sunken frame: dark above and left, light below and right.
        for x in range(W):
            out[0][x] = (128, 128, 128)
            out[H - 1][x] = (255, 255, 255)
        for y in range(H):
            out[y][0] = (128, 128, 128)
            out[y][W - 1] = (255, 255, 255)
        return out


def archive_box(c, x0, y0, x1, y1):
    """The program's archive box: a tan carton with a lid, a zipper and a blue band."""
    lid = 8
    c.rect(x0 + 4, y0 + lid + 4, x1 + 4, y1 + 4, (20, 28, 60))  # shadow
    c.rect(x0, y0 + lid, x1, y1,
           lambda x, y: mix((240, 200, 124), (178, 126, 58), (y - y0) / (y1 - y0)))
    c.polygon([(x0 - 3, y0), (x1 + 3, y0), (x1 + 1, y0 + lid), (x0 - 1, y0 + lid)],
              lambda x, y: mix((252, 226, 166), (214, 168, 92), (y - y0) / lid))
    c.rect(x0 - 3, y0 + lid - 0.7, x1 + 3, y0 + lid + 0.3, (120, 80, 30))
    c.rect(x0, y1 - 1, x1, y1, (96, 62, 22))
    c.rect(x0, y0 + lid, x0 + 1, y1, (120, 80, 30))
    c.rect(x1 - 1, y0 + lid, x1, y1, (120, 80, 30))
    band = y1 - 16
    c.rect(x0 + 1, band, x1 - 1, band + 7,
           lambda x, y: mix((96, 150, 236), (22, 54, 156), (y - band) / 7))
    mid = (x0 + x1) / 2
    c.rect(mid - 2.5, y0 + 1, mid + 2.5, y1 - 1, (60, 60, 72))
    t = y0 + 2
    while t < y1 - 2:
        c.rect(mid - 4.5, t, mid - 2.5, t + 1, (232, 232, 242))
        c.rect(mid + 2.5, t + 1, mid + 4.5, t + 2, (232, 232, 242))
        t += 2
    c.rect(mid - 3.5, y0 + 18, mid + 3.5, y0 + 30, (40, 70, 160))
    c.rect(mid - 1.5, y0 + 22, mid + 1.5, y0 + 27, (240, 200, 124))


def page1():
    c = Canvas((10, 18, 70), (44, 98, 168))
    # Stars and a crescent moon in the sky.
    for x, y, r in [(14, 14, 2.2), (38, 28, 1.4), (24, 52, 1.6), (96, 70, 1.5), (60, 12, 1.2),
                    (80, 40, 1.1), (10, 88, 1.3), (104, 104, 1.0), (50, 44, 0.9)]:
        c.star(x, y, r * 1.6, (255, 250, 210))
    c.ellipse(92, 22, 11, 11, (255, 244, 190))
    c.ellipse(97, 18, 10, 10, lambda x, y: mix((10, 18, 70), (44, 98, 168), y / H))
    # A hill the box stands on.
    c.ellipse(58, 236, 100, 48, lambda x, y: mix((40, 92, 70), (18, 50, 40), (y - 188) / 40))
    # The box, then the hat on it: a tilted cone with a bent tip, stars and a gold band.
    archive_box(c, 30, 150, 86, 200)
    hat = [(22, 152), (94, 152), (70, 96), (66, 76), (72, 58), (84, 48), (70, 52), (60, 66),
           (52, 92)]
    c.polygon(hat, lambda x, y: mix((150, 84, 210), (74, 30, 130), (x - 22) / 72))
    c.polygon([(28, 138), (89.7, 138), (92, 146), (24, 146)], (236, 190, 60))
    c.ellipse(58, 153, 40, 6.5, lambda x, y: mix((124, 64, 186), (58, 22, 106), (x - 18) / 80))
    c.star(60, 114, 5.5, (255, 226, 90))
    c.star(70, 92, 3.5, (255, 226, 90))
    c.star(47, 124, 2.6, (255, 240, 160))
    # The trail of sparkles from the hat's tip, curling up into the sky.
    for i in range(9):
        t = i / 8
        x = 84 - 60 * t + 10 * math.sin(t * 5)
        y = 48 - 16 * math.sin(t * math.pi) + 40 * t
        c.sparkle(x, y, 4.5 - 2.8 * t, mix((255, 255, 230), (255, 214, 90), t))
    return c.pixels()


def page2():
    c = Canvas((26, 52, 120), (118, 170, 214))
    for x, y, r in [(16, 18, 1.6), (44, 10, 1.2), (98, 24, 1.5), (74, 40, 1.0), (12, 60, 1.1)]:
        c.star(x, y, r * 1.6, (255, 250, 220))
    # A paper sheet with a few lines of writing, slipping into the folder.
    sheet = [(34, 70), (90, 80), (80, 150), (24, 140)]
    c.polygon([(p[0] + 3, p[1] + 3) for p in sheet], (40, 60, 100))
    c.polygon(sheet, (252, 252, 246))
    for i in range(6):
        a = (33 + 1.2 * i, 82 + 9 * i)
        b = (80 - 1.2 * i + (8 if i % 2 else 0) * -1, 90 + 9 * i)
        c.line(a[0], a[1], b[0], b[1], 1.4, (120, 140, 190))
    # The folder: back, the tab with its name label, then the front leaning forward.
    c.polygon([(12, 118), (40, 118), (46, 112), (104, 112), (104, 196), (12, 196)],
              lambda x, y: mix((232, 176, 60), (190, 130, 30), (y - 112) / 84))
    c.ellipse(58, 202, 52, 4, (60, 90, 140))
    c.polygon([(8, 138), (108, 132), (104, 200), (12, 200)],
              lambda x, y: mix((255, 214, 110), (220, 156, 44), (y - 132) / 68))
    c.line(8, 138, 108, 132, 1.2, (255, 236, 170))
    # The label on the folder's front, with the name written so far.
    c.polygon([(28, 152), (88, 149), (89, 170), (29, 173)], (255, 255, 255))
    c.polygon([(28, 152), (88, 149), (88.3, 151), (28.3, 154)], (200, 60, 60))
    # Handwriting: a looping line (a trochoid), ending at the pencil's tip.
    prev = None
    for i in range(121):
        t = i / 120 * 26
        pt = (33 + 1.6 * t - 3.0 * math.sin(t), 163 - 0.15 * t - 4.0 * math.cos(t))
        if prev:
            c.line(prev[0], prev[1], pt[0], pt[1], 1.3, (30, 50, 140))
        prev = pt
    # The pencil, writing the last letter.
    tip = (75, 160)
    ang = math.radians(-50)
    dx, dy = math.cos(ang), math.sin(ang)
    nx, ny = -dy, dx

    def at(d, o):
        return (tip[0] + dx * d + nx * o, tip[1] + dy * d + ny * o)

    c.polygon([at(10, -4), at(52, -4), at(52, 4), at(10, 4)],
              lambda x, y: (250, 200, 40) if (x - tip[0]) * nx + (y - tip[1]) * ny < 0
              else (226, 160, 20))
    c.polygon([at(52, -4), at(58, -4), at(58, 4), at(52, 4)], (190, 190, 200))
    c.polygon([at(58, -4), at(64, -4), at(64, 4), at(58, 4)], (236, 120, 140))
    c.polygon([at(0, 0), at(10, -4), at(10, 4)], (240, 212, 170))
    c.polygon([at(0, 0), at(3.5, -1.4), at(3.5, 1.4)], (50, 50, 50))
    c.sparkle(96, 104, 4, (255, 255, 230))
    c.sparkle(18, 100, 3, (255, 240, 180))
    return c.pixels()


def write(px, name):
    pad = (4 - (W * 3) % 4) % 4
    data = b"".join(bytes(v for p in row for v in (p[2], p[1], p[0])) + b"\0" * pad
                    for row in reversed(px))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    write(page1(), "wiz1.bmp")
    write(page2(), "wiz2.bmp")
