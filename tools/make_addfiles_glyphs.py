#!/usr/bin/env python3
"""Draws the add-files dialog's button glyphs (32x32, 24-bit BMP on silver) into
addfiles/glyphs/ with the canvas of make_glyphs.py. The BMPs are committed."""
import os

import make_glyphs as g

g.OUT = os.path.join(os.path.dirname(__file__), "..", "addfiles", "glyphs")


def plus(c, x, y):
    c.rect(x - 2, y - 6, x + 2, y + 6, fill=g.GREEN, edge=g.DARKGREEN)
    c.rect(x - 6, y - 2, x + 6, y + 2, fill=g.GREEN, edge=g.DARKGREEN)
    c.rect(x - 1, y - 5, x + 1, y + 5, fill=g.GREEN)
    c.rect(x - 5, y - 1, x + 5, y + 1, fill=g.GREEN)


def cross(c, x, y):
    c.line(x - 6, y - 6, x + 5, y + 5, g.RED, 3)
    c.line(x + 5, y - 6, x - 6, y + 5, g.RED, 3)


def folder(c):
    c.poly([(2, 9), (10, 9), (12, 12), (24, 12), (24, 27), (2, 27)], g.DARKYELLOW, g.BLACK)
    c.poly([(6, 16), (28, 16), (24, 27), (2, 27)], g.YELLOW, g.BLACK)


def draw_add_files():
    c = g.Canvas()
    g.page(c, 3, 5, 20, 29)
    plus(c, 23, 10)
    return c


def draw_add_dir():
    c = g.Canvas()
    folder(c)
    plus(c, 23, 8)
    return c


def draw_remove_item():
    c = g.Canvas()
    g.page(c, 3, 5, 20, 29)
    cross(c, 23, 10)
    return c


def draw_remove_all():
    c = g.Canvas()
    g.page(c, 9, 2, 24, 22, 4)
    g.page(c, 5, 6, 20, 26, 4)
    g.page(c, 1, 10, 16, 30, 4)
    cross(c, 24, 22)
    return c


def main():
    os.makedirs(g.OUT, exist_ok=True)
    for name, draw in (("addfiles", draw_add_files), ("adddir", draw_add_dir),
                       ("removeitem", draw_remove_item), ("removeall", draw_remove_all)):
        draw().save(f"{name}.bmp")


if __name__ == "__main__":
    main()
