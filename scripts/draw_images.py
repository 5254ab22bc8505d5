#!/usr/bin/env python3
"""Draws Fennimar's toolbar strip and program icon.

Writes resources/toolbar.png (11 images of 16 x 15 side by side),
resources/fennimar-<n>.png (the icon at 16, 32, 48, 128 pixels) and
src/app/images_data.h, which embeds the same PNG files in the program.
Only the standard library is used: shapes are rasterised with 4 x 4
supersampling and written as RGBA PNG.
"""
import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SS = 4  # samples per pixel along each axis


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(w)] for _ in range(h)]

    def blend(self, x, y, rgb, a):
        if not (0 <= x < self.w and 0 <= y < self.h) or a <= 0:
            return
        r, g, b, da = self.px[y][x]
        sr, sg, sb = (c / 255.0 for c in rgb)
        oa = a + da * (1 - a)
        if oa == 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / oa
        self.px[y][x] = (mix(sr, r), mix(sg, g), mix(sb, b), oa)

    def shape(self, inside, rgb, alpha=1.0, box=None):
        """Fills the points for which inside(x, y) holds (pixel units)."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        for py in range(max(0, int(y0)), min(self.h, int(math.ceil(y1)))):
            for px in range(max(0, int(x0)), min(self.w, int(math.ceil(x1)))):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS):
                            hits += 1
                self.blend(px, py, rgb, alpha * hits / (SS * SS))

    def rect(self, x0, y0, x1, y1, rgb, alpha=1.0):
        self.shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, rgb, alpha, (x0, y0, x1, y1))

    def frame(self, x0, y0, x1, y1, fill, line, t=1.0):
        self.rect(x0, y0, x1, y1, line)
        self.rect(x0 + t, y0 + t, x1 - t, y1 - t, fill)

    def poly(self, pts, rgb, alpha=1.0):
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
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.shape(inside, rgb, alpha, (min(xs), min(ys), max(xs) + 1, max(ys) + 1))

    def circle(self, cx, cy, r, rgb, alpha=1.0):
        self.shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, rgb, alpha,
                   (cx - r, cy - r, cx + r + 1, cy + r + 1))

    def ring(self, cx, cy, r0, r1, rgb):
        self.shape(lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1, rgb, 1.0,
                   (cx - r1, cy - r1, cx + r1 + 1, cy + r1 + 1))

    def line(self, x0, y0, x1, y1, width, rgb):
        dx, dy = x1 - x0, y1 - y0
        n = math.hypot(dx, dy) or 1
        ox, oy = -dy / n * width / 2, dx / n * width / 2
        self.poly([(x0 + ox, y0 + oy), (x1 + ox, y1 + oy), (x1 - ox, y1 - oy), (x0 - ox, y0 - oy)],
                  rgb)

    def glyph(self, rows, x, y, rgb, scale=1):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == "#":
                    self.rect(x + i * scale, y + j * scale, x + (i + 1) * scale,
                              y + (j + 1) * scale, rgb)

    def paste(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                r, g, b, a = other.px[y][x]
                self.blend(ox + x, oy + y, (r * 255, g * 255, b * 255), a)

    def png(self):
        raw = b""
        for row in self.px:
            raw += b"\x00" + bytes(
                v for (r, g, b, a) in row for v in (round(r * 255), round(g * 255),
                                                   round(b * 255), round(a * 255)))
        chunk = lambda t, d: (struct.pack(">I", len(d)) + t + d +
                              struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF))
        return (b"\x89PNG\r\n\x1a\n" +
                chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# A palette close to the Tango icons most GTK desktops use.
WHITE = (255, 255, 255)
PAPER = (250, 250, 247)
OUTLINE = (85, 87, 83)
TEXT = (160, 163, 158)
BLUE = (52, 101, 164)
LIGHT_BLUE = (114, 159, 207)
GREEN = (78, 154, 6)
ORANGE = (206, 92, 0)
YELLOW = (237, 212, 0)
FOLDER = (233, 185, 110)
FOLDER_DARK = (143, 89, 2)
GRAY = (136, 138, 133)
RED = (204, 0, 0)


def page(c, x0, y0, x1, y1, lines=True, fold=2):
    c.poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], OUTLINE)
    c.poly([(x0 + 1, y0 + 1), (x1 - fold - 0.5, y0 + 1), (x1 - 1, y0 + fold + 0.5),
            (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)], PAPER)
    if lines:
        y = y0 + 3
        while y < y1 - 2:
            c.rect(x0 + 2, y, x1 - 2, y + 1, TEXT)
            y += 2


def piece(c, x0, y0, x1, y1, fill):
    c.rect(x0, y0, x1, y1, OUTLINE)
    c.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)


def arrow(c, x0, x1, y, rgb):
    c.rect(x0, y - 0.5, x1 - 2, y + 1.5, rgb)
    c.poly([(x1 - 3, y - 2.5), (x1 + 0.5, y + 0.5), (x1 - 3, y + 3.5)], rgb)


QUESTION = [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."]
INFO = ["#", ".", "#", "#", "#", "#"]


def tool(index):
    c = Canvas(16, 15)
    if index == 0:  # a new document
        page(c, 3, 0, 13, 15, lines=False, fold=3)
    elif index == 1:  # Select File: an open folder
        c.poly([(0, 2), (5, 2), (6, 4), (14, 4), (14, 14), (0, 14)], FOLDER_DARK)
        c.poly([(1, 3), (4.5, 3), (5.5, 5), (13, 5), (13, 13), (1, 13)], FOLDER)
        page(c, 3, 1, 12, 9, lines=False, fold=2)
        c.poly([(0, 14), (3, 7), (16, 7), (13, 14)], FOLDER_DARK)
        c.poly([(1.3, 13.2), (3.6, 8), (14.6, 8), (12.4, 13.2)], (252, 175, 62))
    elif index == 2:  # save: a floppy disk
        floppy(c, 1, 0)
    elif index == 3:  # Split: a tall page, an orange arrow right, orange pieces
        page(c, 0, 0, 7, 15)
        arrow(c, 7, 11, 7, ORANGE)
        for y in (0, 5, 10):
            piece(c, 11, y, 16, y + 5, (252, 175, 62))
    elif index == 4:  # Merge: blue pieces side by side fall into one wide page
        for x in (0, 6, 12):
            piece(c, x, 0, x + 4, 4, LIGHT_BLUE)
        c.rect(7, 4, 9, 6, GREEN)
        c.poly([(4.5, 5.5), (11.5, 5.5), (8, 9)], GREEN)
        page(c, 1, 9, 15, 15, fold=2)
    elif index == 5:  # to floppy
        floppy(c, 1, 0)
    elif index == 6:  # Defaults: a gear
        teeth = 8
        def gear(x, y):
            dx, dy = x - 8, y - 7.5
            r = math.hypot(dx, dy)
            a = math.atan2(dy, dx) * teeth / (2 * math.pi)
            outer = 7.2 if (a - math.floor(a)) < 0.5 else 5.4
            return 2.3 <= r <= outer
        c.shape(gear, OUTLINE)
        def face(x, y):
            dx, dy = x - 8, y - 7.5
            r = math.hypot(dx, dy)
            a = math.atan2(dy, dx) * teeth / (2 * math.pi)
            outer = 6.2 if (a - math.floor(a)) < 0.5 else 4.5
            return 3.2 <= r <= outer
        c.shape(face, GRAY)
    elif index == 7:  # Help: a question mark in a blue disc
        c.circle(8, 7.5, 7.5, BLUE)
        c.circle(8, 7.5, 6.5, LIGHT_BLUE)
        c.circle(8, 7.5, 5.8, BLUE)
        c.glyph(QUESTION, 5.5, 4, WHITE)
    elif index == 8:  # About: an "i" in a blue disc
        c.circle(8, 7.5, 7.5, BLUE)
        c.circle(8, 7.5, 6.5, LIGHT_BLUE)
        c.circle(8, 7.5, 5.8, BLUE)
        c.rect(7, 3, 9, 5, WHITE)
        c.rect(7, 6, 9, 12, WHITE)
    elif index == 9:  # mail: an envelope
        c.rect(0, 3, 16, 13, OUTLINE)
        c.rect(1, 4, 15, 12, PAPER)
        c.line(1, 4, 8, 9, 1, OUTLINE)
        c.line(15, 4, 8, 9, 1, OUTLINE)
    elif index == 10:  # home page: a globe
        c.circle(8, 7.5, 7, BLUE)
        c.circle(8, 7.5, 6, LIGHT_BLUE)
        c.poly([(4, 4), (8, 3), (9, 6), (6, 9), (4, 8)], GREEN)
        c.poly([(10, 8), (13, 8), (12, 12), (10, 11)], GREEN)
    return c


def floppy(c, x, y):
    c.rect(x, y, x + 14, y + 15, (46, 52, 54))
    c.rect(x + 1, y + 1, x + 13, y + 14, BLUE)
    c.rect(x + 3, y + 1, x + 11, y + 6, (211, 215, 207))
    c.rect(x + 8, y + 2, x + 10, y + 5, (46, 52, 54))
    c.rect(x + 3, y + 8, x + 11, y + 14, PAPER)


def icon(size):
    """The program icon: a document cut in two, its halves drawn apart, with
    the numbered part tabs of a split set."""
    c = Canvas(128, 128)
    # The upper half, moved up and left.
    top = [(18, 6), (80, 6), (102, 28), (102, 58), (86, 66), (70, 58), (54, 66), (38, 58),
           (18, 66)]
    bottom = [(26, 76), (46, 68), (62, 76), (78, 68), (94, 76), (110, 68), (110, 122),
              (26, 122)]
    for pts in (top, bottom):
        c.poly([(x + 2, y + 3) for x, y in pts], (0, 0, 0), 0.25)
        c.poly(pts, OUTLINE)
        cx = sum(p[0] for p in pts) / len(pts)
        cy = sum(p[1] for p in pts) / len(pts)
        inner = [(x + (cx - x) * 0.07, y + (cy - y) * 0.09) for x, y in pts]
        c.poly(inner, PAPER)
    c.poly([(80, 6), (80, 28), (102, 28)], (211, 215, 207))
    c.line(80, 6, 80, 28, 3, OUTLINE)
    c.line(80, 28, 102, 28, 3, OUTLINE)
    for y in (20, 32, 44):
        c.rect(28, y, 74 if y < 30 else 92, y + 5, TEXT)
    for y in (88, 100, 112):
        c.rect(36, y, 100, y + 5, TEXT)
    # The tabs of the parts, in the program's blue and orange.
    c.circle(22, 62, 15, WHITE)
    c.circle(22, 62, 13, BLUE)
    c.circle(108, 72, 15, WHITE)
    c.circle(108, 72, 13, ORANGE)
    zed = ["#####", "...#.", "..#..", ".#...", "#####"]
    c.glyph(zed, 16, 56, WHITE, 2.4)
    c.glyph(zed, 102, 66, WHITE, 2.4)
    if size == 128:
        return c
    return downscale(c, size)


def downscale(c, size):
    f = c.w // size
    out = Canvas(size, size)
    for y in range(size):
        for x in range(size):
            tr = tg = tb = ta = 0.0
            for j in range(f):
                for i in range(f):
                    r, g, b, a = c.px[y * f + j][x * f + i]
                    tr += r * a
                    tg += g * a
                    tb += b * a
                    ta += a
            if ta:
                out.px[y][x] = (tr / ta, tg / ta, tb / ta, ta / (f * f))
    return out


def c_array(name, data):
    lines = [",".join(str(b) for b in data[i:i + 24]) + "," for i in range(0, len(data), 24)]
    return ("inline constexpr unsigned char %s[] = {\n%s};\n" % (name, "\n".join(lines)))


def main():
    strip = Canvas(16 * 11, 15)
    for i in range(11):
        strip.paste(tool(i), 16 * i, 0)
    toolbar = strip.png()
    with open(os.path.join(ROOT, "resources", "toolbar.png"), "wb") as f:
        f.write(toolbar)
    icons = {}
    for size in (16, 32, 48, 128):
        icons[size] = icon(size).png()
        with open(os.path.join(ROOT, "resources", "fennimar-%d.png" % size), "wb") as f:
            f.write(icons[size])
    header = ["// Generated by scripts/draw_images.py from its drawing code; do not edit.",
              "// The toolbar strip (11 images of 16 x 15) and the program icon as PNG.",
              "#pragma once", "", "// clang-format off", "namespace fennimar::app::images {", ""]
    header.append(c_array("kToolbarPng", toolbar))
    for size, data in icons.items():
        header.append(c_array("kIcon%dPng" % size, data))
    header += ["}  // namespace fennimar::app::images", "// clang-format on", ""]
    with open(os.path.join(ROOT, "src", "app", "images_data.h"), "w") as f:
        f.write("\n".join(header))


if __name__ == "__main__":
    main()
