#!/usr/bin/env python3
"""Draws the module's five 64 x 64 icons and writes them as one strip, res/3dPlot.tif.

Tiles from left to right: plot (a coloured wavy surface), surface (a shaded quad patch), grid
(a net of curves), cage (a wire box) and labels (extruded "1.0" and text lines). Pixel art: every
pixel is fully opaque or fully transparent, and a dark rim keeps the shapes readable on light and
dark interfaces alike. Standard library only; the output is the same byte for byte on every run.

    python3 make_icons.py [--out PATH] [--preview PNG]

--preview also writes the strip enlarged four times over the host's grey, for looking at it.
"""

import argparse
import math
import os
import struct
import zlib

TILE = 64
TILES = 5
RIM = (22, 22, 26)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.px = [[None] * width for _ in range(height)]  # None is transparent

    def put(self, x, y, colour):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def line(self, x0, y0, x1, y1, colour):
        x0, y0, x1, y1 = (int(round(v)) for v in (x0, y0, x1, y1))
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polyline(self, points, colour):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            self.line(x0, y0, x1, y1, colour)

    def triangle(self, a, b, c, colour):
        """Fills the pixels whose centres lie inside (or on) the triangle."""
        xs, ys = (a[0], b[0], c[0]), (a[1], b[1], c[1])
        area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
        if area == 0:
            return
        for y in range(max(0, math.floor(min(ys))), min(self.height, math.ceil(max(ys)) + 1)):
            for x in range(max(0, math.floor(min(xs))), min(self.width, math.ceil(max(xs)) + 1)):
                px, py = x + 0.5, y + 0.5
                w0 = (b[0] - px) * (c[1] - py) - (b[1] - py) * (c[0] - px)
                w1 = (c[0] - px) * (a[1] - py) - (c[1] - py) * (a[0] - px)
                w2 = (a[0] - px) * (b[1] - py) - (a[1] - py) * (b[0] - px)
                if (w0 >= 0 and w1 >= 0 and w2 >= 0) or (w0 <= 0 and w1 <= 0 and w2 <= 0):
                    self.px[y][x] = colour

    def quad(self, p, colour):
        self.triangle(p[0], p[1], p[2], colour)
        self.triangle(p[0], p[2], p[3], colour)

    def add_rim(self):
        """Surrounds every shape with a one-pixel dark rim (eight neighbours)."""
        rim = []
        for y in range(self.height):
            for x in range(self.width):
                if self.px[y][x] is not None:
                    continue
                near = any(
                    0 <= x + dx < self.width and 0 <= y + dy < self.height
                    and self.px[y + dy][x + dx] not in (None, RIM)
                    for dx in (-1, 0, 1) for dy in (-1, 0, 1))
                if near:
                    rim.append((x, y))
        for x, y in rim:
            self.px[y][x] = RIM


def mix(c0, c1, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c0, c1))


def shade(colour, factor):
    return tuple(max(0, min(255, int(round(c * factor)))) for c in colour)


def gradient(t):
    """The plot's default colouring: blue at the bottom, green in the middle, red at the top."""
    t = max(0.0, min(1.0, t))
    blue, green, red = (40, 90, 255), (50, 220, 70), (255, 60, 40)
    return mix(blue, green, t * 2) if t < 0.5 else mix(green, red, t * 2 - 1)


def project(u, v, h, cx=32.0, cy=38.0, spread=14.5, lift=15.0, tilt=0.55):
    """Isometric view of the square (u, v) in [-1, 1]^2 with height h."""
    return (cx + (u - v) * spread, cy + (u + v) * spread * tilt - h * lift)


def wave(u, v):
    return math.sin(math.pi * u) * math.cos(math.pi * v * 0.75)


def draw_surface(canvas, n, height, colour_of, edge_factor):
    """Quads painted from the back (smallest u + v) to the front."""
    cells = sorted(((i, j) for i in range(n) for j in range(n)), key=lambda c: c[0] + c[1])
    for i, j in cells:
        corners = [(i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1)]
        uv = [(-1 + 2 * a / n, -1 + 2 * b / n) for a, b in corners]
        pts = [project(u, v, height(u, v)) for u, v in uv]
        colour = colour_of(uv, [height(u, v) for u, v in uv])
        canvas.quad(pts, colour)
        if edge_factor is not None:
            edge = shade(colour, edge_factor)
            canvas.line(*pts[1], *pts[2], edge)
            canvas.line(*pts[2], *pts[3], edge)


def plot_icon():
    c = Canvas(TILE, TILE)

    def colour(uv, heights):
        h = sum(heights) / 4
        # Light from the left: a quad rising towards +u is darker.
        slope = (heights[1] + heights[2] - heights[0] - heights[3]) / 2
        return shade(gradient(0.5 + h * 0.6), 1.0 - 0.2 * slope)

    draw_surface(c, 12, lambda u, v: 0.9 * wave(u, v), colour, None)
    c.add_rim()
    return c


def mesh_icon():
    c = Canvas(TILE, TILE)
    base = (150, 180, 215)

    def height(u, v):
        return 1.1 * math.cos(u * 1.1) * math.cos(v * 1.1) - 0.5

    def colour(uv, heights):
        (u0, v0), (u1, _), (_, v2) = uv[0], uv[1], uv[3]
        du = (heights[1] - heights[0]) / (u1 - u0)
        dv = (heights[3] - heights[0]) / (v2 - v0)
        nx, ny, nz = -du * 0.7, 1.0, -dv * 0.7
        light = (-0.5, 0.8, 0.35)
        lam = (nx * light[0] + ny * light[1] + nz * light[2]) / math.sqrt(nx * nx + ny * ny + nz * nz)
        return shade(base, 0.4 + 0.7 * max(0.0, lam))

    draw_surface(c, 6, height, colour, 0.62)
    c.add_rim()
    return c


def grid_icon():
    c = Canvas(TILE, TILE)
    lines = 6
    samples = 48

    def p(u, v):  # seen from higher up than the surfaces, so that the net stays open
        return project(u, v, 0.7 * math.sin(math.pi * 0.6 * u) * math.cos(math.pi * 0.5 * v),
                       cy=34.0, spread=15.0, tilt=0.75, lift=13.0)

    for k in range(lines):
        s = -1 + 2 * k / (lines - 1)
        along_u = [p(-1 + 2 * t / samples, s) for t in range(samples + 1)]
        along_v = [p(s, -1 + 2 * t / samples) for t in range(samples + 1)]
        c.polyline(along_u, (120, 225, 235))
        c.polyline(along_v, (235, 235, 235))
    c.add_rim()
    return c


def cage_icon():
    c = Canvas(TILE, TILE)
    front, back, level = (235, 235, 235), (140, 140, 150), (240, 190, 70)
    top, bottom = 0.9, -1.1

    def p(u, v, h):
        return project(u, v, h, cy=34.0, spread=14.0, lift=14.0)

    corners = [(-1, -1), (1, -1), (1, 1), (-1, 1)]
    # The corner (-1, -1) is the far one: its edges are drawn first and dimmer.
    for u, v in corners:
        colour = back if (u, v) == (-1, -1) else front
        c.line(*p(u, v, top), *p(u, v, bottom), colour)
    ring_bottom = [p(u, v, bottom) for u, v in corners + corners[:1]]
    c.line(*ring_bottom[0], *ring_bottom[1], back)
    c.line(*ring_bottom[3], *ring_bottom[4], back)
    mid = (top + bottom) / 2
    c.polyline([p(u, v, mid) for u, v in corners + corners[:1]], level)
    c.line(*ring_bottom[1], *ring_bottom[2], front)
    c.line(*ring_bottom[2], *ring_bottom[3], front)
    c.polyline([p(u, v, top) for u, v in corners + corners[:1]], front)
    c.add_rim()
    return c


# 3 x 5 digits for the labels tile, rows from the top.
GLYPHS = {
    "1": ["010", "110", "010", "010", "111"],
    "0": ["111", "101", "101", "101", "111"],
    ".": ["000", "000", "000", "000", "010"],
}


def labels_icon():
    c = Canvas(TILE, TILE)
    face, side = (250, 250, 250), (120, 160, 210)
    scale, x = 4, 8
    for ch in "1.0":
        rows = GLYPHS[ch]
        cols = [k for k in range(3) if any(r[k] == "1" for r in rows)] if ch == "." else range(3)
        for depth, colour in ((3, side), (2, side), (1, side), (0, face)):
            for gy, row in enumerate(rows):
                for gx in cols:
                    if row[gx] == "1":
                        left = x + (gx - cols[0]) * scale + depth
                        for yy in range(scale):
                            for xx in range(scale):
                                c.put(left + xx, 6 + gy * scale + depth + yy, colour)
        x += (len(cols) + 1) * scale
    for y, length in ((38, 44), (47, 30), (56, 38)):
        for row in range(4):
            c.line(10, y + row, 10 + length, y + row, side if row == 3 else (220, 220, 220))
    c.add_rim()
    return c


def strip():
    tiles = [plot_icon(), mesh_icon(), grid_icon(), cage_icon(), labels_icon()]
    rgba = bytearray()
    for y in range(TILE):
        for tile in tiles:
            for colour in tile.px[y]:
                rgba += bytes((0, 0, 0, 0)) if colour is None else bytes(colour) + b"\xff"
    return TILE * TILES, TILE, bytes(rgba)


def write_tiff(path, width, height, rgba):
    """Baseline little-endian TIFF: one uncompressed strip of 8-bit RGBA, unassociated alpha."""
    short, long_, rational = 3, 4, 5
    entries = 15
    ifd_size = 2 + entries * 12 + 4
    extra = 8 + ifd_size  # BitsPerSample, then the two resolutions
    data = extra + 8 + 8 + 8
    tags = [
        (256, long_, 1, width),
        (257, long_, 1, height),
        (258, short, 4, extra),
        (259, short, 1, 1),          # no compression
        (262, short, 1, 2),          # RGB
        (273, long_, 1, data),
        (274, short, 1, 1),          # row 0 at the top
        (277, short, 1, 4),
        (278, long_, 1, height),
        (279, long_, 1, len(rgba)),
        (282, rational, 1, extra + 8),
        (283, rational, 1, extra + 16),
        (284, short, 1, 1),          # chunky
        (296, short, 1, 2),          # inches
        (338, short, 1, 2),          # the fourth sample is unassociated alpha
    ]
    assert len(tags) == entries
    out = bytearray(b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", entries))
    for tag, kind, count, value in tags:
        packed = struct.pack("<H", value) + b"\x00\x00" if kind == short and count == 1 else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, kind, count) + packed
    out += struct.pack("<I", 0)
    out += struct.pack("<4H", 8, 8, 8, 8) + struct.pack("<2I", 72, 1) * 2
    assert len(out) == data
    out += rgba
    with open(path, "wb") as f:
        f.write(out)


def write_preview_png(path, width, height, rgba, scale=4, background=(64, 64, 68)):
    rows = []
    for y in range(height):
        row = bytearray(b"\x00")
        for x in range(width):
            r, g, b, a = rgba[(y * width + x) * 4:(y * width + x) * 4 + 4]
            pixel = bytes((r, g, b)) if a else bytes(background)
            row += pixel * scale
        rows.extend([bytes(row)] * scale)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width * scale, height * scale, 8, 2, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    with open(path, "wb") as f:
        f.write(png + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "3dPlot.tif"))
    parser.add_argument("--preview", help="also write an enlarged PNG here")
    args = parser.parse_args()
    width, height, rgba = strip()
    write_tiff(args.out, width, height, rgba)
    if args.preview:
        write_preview_png(args.preview, width, height, rgba)


if __name__ == "__main__":
    main()
