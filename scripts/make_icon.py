#!/usr/bin/env python3
"""Draws the program's icon into resources/icon/.

A deep teal rounded tile carrying a white floor tag with a 6x6 code on it
(solid L finder on the left and bottom, alternating timing on the top and
right, a fixed pattern inside), under an amber aim: a ring with four short
crosshair ticks centred on the tag. The shapes are described once, on a
256x256 grid; poscam.svg is written from that description and so are the
PNGs (16 to 256 pixels), rasterised here with supersampling so that they
match the SVG. Standard library only: python3 scripts/make_icon.py
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # leave no __pycache__ beside the scripts
import make_images  # noqa: E402  (Canvas and its PNG writer)

OUT = os.path.join(HERE, "..", "resources", "icon")
GRID = 256
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

TILE = (18, 76, 96)
PAPER = (250, 250, 247)
INK = (22, 26, 30)
AMBER = (247, 160, 20)

# The code, top row first: finder down the left and along the bottom,
# timing across the top and down the right.
CODE = ("101010",
        "101101",
        "111010",
        "100111",
        "110100",
        "111111")
CODE_X, CODE_Y, MODULE = 80, 80, 16


def modules():
    return [(CODE_X + c * MODULE, CODE_Y + r * MODULE, MODULE, MODULE)
            for r, row in enumerate(CODE) for c, bit in enumerate(row) if bit == "1"]


def ticks(cx, cy, near, far, width):
    h = width / 2
    return [(cx - h, cy - far, width, far - near), (cx - h, cy + near, width, far - near),
            (cx - far, cy - h, far - near, width), (cx + near, cy - h, far - near, width)]


# Painted in order, each shape over the ones before it.
SHAPES = [
    ("rrect", TILE, (16, 16, 224, 224, 44)),
    ("rects", PAPER, [(64, 64, 128, 128)]),
    ("rects", INK, modules()),
    ("ring", AMBER, (128, 128, 88, 16)),
    ("rects", AMBER, ticks(128, 128, 64, 104, 32)),
]


def num(v):
    return ("%.3f" % v).rstrip("0").rstrip(".")


def hexcolour(c):
    return "#%02x%02x%02x" % c


def svg():
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
           % (GRID, GRID, GRID, GRID)]
    for kind, colour, g in SHAPES:
        fill = hexcolour(colour)
        if kind == "rrect":
            x, y, w, h, r = map(num, g)
            out.append('  <rect x="%s" y="%s" width="%s" height="%s" rx="%s" ry="%s" fill="%s"/>'
                       % (x, y, w, h, r, r, fill))
        elif kind == "rects":
            # One path for the lot, so that touching squares show no seams.
            d = " ".join("M%s %sh%sv%sh-%sz" % tuple(map(num, (x, y, w, h, w))) for x, y, w, h in g)
            out.append('  <path d="%s" fill="%s"/>' % (d, fill))
        elif kind == "ring":
            cx, cy, r, width = map(num, g)
            out.append('  <circle cx="%s" cy="%s" r="%s" fill="none" stroke="%s" stroke-width="%s"/>'
                       % (cx, cy, r, fill, width))
    out.append("</svg>")
    return "\n".join(out) + "\n"


def spans(kind, g, y):
    """The stretches [x0, x1) of row y (grid units) that the shape covers."""
    if kind == "rrect":
        x, top, w, h, r = g
        if not top <= y < top + h:
            return []
        dy = max(top + r - y, y - (top + h - r), 0)
        inset = r - math.sqrt(max(r * r - dy * dy, 0))
        return [(x + inset, x + w - inset)]
    if kind == "rects":
        return [(x, x + w) for x, top, w, h in g if top <= y < top + h]
    cx, cy, r, width = g
    outer, inner, dy = r + width / 2, r - width / 2, abs(y - cy)
    if dy >= outer:
        return []
    a = math.sqrt(outer * outer - dy * dy)
    if dy >= inner:
        return [(cx - a, cx + a)]
    b = math.sqrt(inner * inner - dy * dy)
    return [(cx - a, cx - b), (cx + b, cx + a)]


def raster(size, ss):
    """The icon at size x size pixels, each pixel the mean of ss x ss samples."""
    n = size * ss
    step = GRID / n
    palette = [(0, 0, 0, 0)] + [c + (255,) for _, c, _ in SHAPES]
    samples = []
    for j in range(n):
        y = (j + 0.5) * step
        row = [0] * n
        for index, (kind, _, g) in enumerate(SHAPES, 1):
            for x0, x1 in spans(kind, g, y):
                i0 = max(0, math.ceil(x0 / step - 0.5))
                i1 = min(n, math.ceil(x1 / step - 0.5))
                if i1 > i0:
                    row[i0:i1] = [index] * (i1 - i0)
        samples.append(row)
    canvas = make_images.Canvas(size, size)
    for py in range(size):
        rows = samples[py * ss:(py + 1) * ss]
        for px in range(size):
            acc = [0, 0, 0, 0]
            for row in rows:
                for index in row[px * ss:(px + 1) * ss]:
                    r, g, b, a = palette[index]
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3]:
                canvas.px[py * size + px] = [round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                                             round(acc[2] / acc[3]), round(acc[3] / (ss * ss))]
    return canvas


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, "poscam.svg"), "w", encoding="utf-8", newline="\n") as f:
        f.write(svg())
    for size in SIZES:
        raster(size, max(4, 128 // size)).png(os.path.join(OUT, "poscam-%d.png" % size))
