#!/usr/bin/env python3
"""Draws the program's three pictures into resources/image/.

green.png and red.png are the 40x40 error lamps; back.png is the 284x287 axis
legend beside the position read-out: a floor tag marked ID with a dotted arrow
to the right labelled X and one upward labelled Y. Standard library only, so
the pictures can be remade anywhere: python3 scripts/make_images.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "image")


class Canvas:
    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.w, self.h = width, height
        self.px = [list(background) for _ in range(width * height)]

    def blend(self, x, y, colour, coverage):
        if not (0 <= x < self.w and 0 <= y < self.h) or coverage <= 0:
            return
        a = colour[3] / 255.0 * min(coverage, 1.0)
        p = self.px[y * self.w + x]
        out_a = a + p[3] / 255.0 * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = round((colour[i] * a + p[i] * p[3] / 255.0 * (1 - a)) / out_a)
        p[3] = round(out_a * 255)

    def disc(self, cx, cy, r, colour):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                self.blend(x, y, colour, r - d + 0.5)

    def line(self, x0, y0, x1, y1, width, colour):
        half = width / 2.0
        minx, maxx = int(min(x0, x1) - half - 1), int(max(x0, x1) + half + 2)
        miny, maxy = int(min(y0, y1) - half - 1), int(max(y0, y1) + half + 2)
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9
        for y in range(miny, maxy):
            for x in range(minx, maxx):
                px, py = x + 0.5, y + 0.5
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
                d = math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))
                self.blend(x, y, colour, half - d + 0.5)

    def polyline(self, points, width, colour):
        for (a, b) in zip(points, points[1:]):
            self.line(a[0], a[1], b[0], b[1], width, colour)

    def rect(self, x, y, w, h, colour):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.blend(xx, yy, colour, 1.0)

    def png(self, path):
        raw = b"".join(
            b"\x00" + bytes(c for p in self.px[y * self.w:(y + 1) * self.w] for c in p)
            for y in range(self.h))
        def chunk(tag, data):
            return (struct.pack(">I", len(data)) + tag + data
                    + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
        ihdr = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
                    + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def lamp(path, rim, body, highlight):
    c = Canvas(40, 40)
    c.disc(20, 20, 19, rim)
    c.disc(20, 20, 16, body)
    c.disc(15, 14, 5, highlight)
    c.png(path)


def dotted(c, x0, y0, x1, y1, colour, dash=6, gap=5, width=3):
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    s = 0.0
    while s < length:
        e = min(s + dash, length)
        c.line(x0 + ux * s, y0 + uy * s, x0 + ux * e, y0 + uy * e, width, colour)
        s = e + gap


def legend(path):
    ink = (20, 20, 20, 255)
    blue = (30, 70, 200, 255)
    c = Canvas(284, 287, (255, 255, 255, 255))
    # The tag: a square code with finder blocks, marked ID.
    x0, y0, side = 40, 130, 110
    c.rect(x0, y0, side, side, ink)
    c.rect(x0 + 6, y0 + 6, side - 12, side - 12, (255, 255, 255, 255))
    for bx, by in ((x0 + 12, y0 + 12), (x0 + side - 36, y0 + 12), (x0 + 12, y0 + side - 36)):
        c.rect(bx, by, 24, 24, ink)
        c.rect(bx + 5, by + 5, 14, 14, (255, 255, 255, 255))
        c.rect(bx + 9, by + 9, 6, 6, ink)
    # "ID" in strokes, in the middle of the tag.
    c.line(84, 171, 84, 205, 4, blue)
    c.polyline([(94, 171), (94, 205)], 4, blue)
    arc = [(94 + 9 * math.sin(t / 12 * math.pi) * 1.4, 188 - 17 * math.cos(t / 12 * math.pi))
           for t in range(13)]
    c.polyline([(94, 171)] + arc + [(94, 205)], 4, blue)
    # Axes from the tag's centre: X to the right, Y upward.
    cx, cy = x0 + side / 2, y0 + side / 2
    dotted(c, cx + side / 2 + 8, cy, 250, cy, ink)
    c.polyline([(238, cy - 9), (252, cy), (238, cy + 9)], 3, ink)
    dotted(c, cx, y0 - 8, cx, 34, ink)
    c.polyline([(cx - 9, 46), (cx, 32), (cx + 9, 46)], 3, ink)
    # Labels in strokes: X under the right arrow head, Y beside the upper one.
    c.line(238, cy + 18, 258, cy + 44, 4, ink)
    c.line(258, cy + 18, 238, cy + 44, 4, ink)
    c.line(cx + 20, 22, cx + 30, 36, 4, ink)
    c.line(cx + 40, 22, cx + 30, 36, 4, ink)
    c.line(cx + 30, 36, cx + 30, 52, 4, ink)
    c.png(path)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    lamp(os.path.join(OUT, "green.png"), (20, 110, 30, 255), (40, 200, 60, 255), (190, 255, 200, 230))
    lamp(os.path.join(OUT, "red.png"), (120, 20, 20, 255), (225, 40, 40, 255), (255, 200, 200, 230))
    legend(os.path.join(OUT, "back.png"))
