#!/usr/bin/env python3
"""Draws the window's background picture and the application icon.

    python3 assets/generate_assets.py

writes, next to this script:
  background.jpg       695 x 410 baseline JPEG: a light-blue gradient sky with
                       a few soft clouds and a branch of green leaves in the
                       upper right corner (drawn here as a PPM, encoded with
                       ImageMagick's convert)
  icon-<N>.png         the application icon, N = 16, 32, 48, 64, 128, 256: a
                       calculator with a ruler beside it on a blue tile

Only the Python standard library and ImageMagick are used. The output is the
same on every run; the build embeds the committed files, so this script only
runs when the pictures are to change.
"""

import math
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

BACKGROUND_SIZE = (695, 410)
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# ---------------------------------------------------------------- background


def draw_sky(width, height):
    top = (150.0, 200.0, 238.0)
    bottom = (228.0, 242.0, 252.0)
    # Soft clouds: (centre x, centre y, radius x, radius y, strength).
    clouds = [
        (90, 70, 120, 34, 0.55),
        (170, 95, 90, 26, 0.45),
        (300, 250, 150, 30, 0.35),
        (420, 235, 90, 22, 0.30),
        (620, 330, 130, 28, 0.30),
    ]
    pixels = []
    for y in range(height):
        t = y / (height - 1)
        row_base = mix(top, bottom, t ** 0.9)
        row = []
        for x in range(width):
            # A little lighter towards the left, as if lit from there.
            light = 0.06 * (1.0 - x / (width - 1))
            c = mix(row_base, (255.0, 255.0, 255.0), light)
            white = 0.0
            for cx, cy, rx, ry, s in clouds:
                dx = (x - cx) / rx
                dy = (y - cy) / ry
                d = dx * dx + dy * dy
                if d < 9.0:
                    white += s * math.exp(-d)
            c = mix(c, (255.0, 255.0, 255.0), clamp(white, 0.0, 0.85))
            row.append(list(c))
        pixels.append(row)
    return pixels


def blend(pixels, x, y, colour, alpha):
    if alpha <= 0.0:
        return
    h = len(pixels)
    w = len(pixels[0])
    if 0 <= x < w and 0 <= y < h:
        p = pixels[y][x]
        for i in range(3):
            p[i] += (colour[i] - p[i]) * alpha


def bezier(p0, p1, p2, t):
    u = 1.0 - t
    return (u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
            u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1])


def draw_branch(pixels, p0, p1, p2, r0, r1, colour):
    """A stroke along a quadratic curve, thinning from r0 to r1."""
    steps = 400
    coverage = {}
    for i in range(steps + 1):
        t = i / steps
        cx, cy = bezier(p0, p1, p2, t)
        r = r0 + (r1 - r0) * t
        for y in range(int(cy - r - 2), int(cy + r + 3)):
            for x in range(int(cx - r - 2), int(cx + r + 3)):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                a = clamp(r - d + 0.5)
                if a > coverage.get((x, y), 0.0):
                    coverage[(x, y)] = a
    for (x, y), a in coverage.items():
        blend(pixels, x, y, colour, a)


def draw_leaf(pixels, base, angle, length, width, colour):
    """A pointed leaf from base along angle (radians), with a light midrib."""
    ca = math.cos(angle)
    sa = math.sin(angle)
    tip = (base[0] + ca * length, base[1] + sa * length)
    x0 = int(min(base[0], tip[0]) - width - 2)
    x1 = int(max(base[0], tip[0]) + width + 2)
    y0 = int(min(base[1], tip[1]) - width - 2)
    y1 = int(max(base[1], tip[1]) + width + 2)
    dark = tuple(c * 0.72 for c in colour)
    light = tuple(min(255.0, c * 1.25 + 20) for c in colour)
    vein = tuple(min(255.0, c * 1.45 + 40) for c in colour)
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px = x + 0.5 - base[0]
            py = y + 0.5 - base[1]
            u = px * ca + py * sa
            v = -px * sa + py * ca
            if u < -1.0 or u > length + 1.0:
                continue
            t = clamp(u / length)
            half = 0.5 * width * (math.sin(math.pi * t) ** 0.85) * (1.0 - 0.25 * t)
            a = clamp(half - abs(v) + 0.5) * clamp(u + 0.5) * clamp(length - u + 0.5)
            if a <= 0.0:
                continue
            # One half lit, the other in shade; darker towards the edge.
            side = light if v < 0 else colour
            edge = clamp(abs(v) / max(half, 0.5))
            c = mix(side, dark, 0.55 * edge * edge)
            # Midrib and a few side veins.
            if abs(v) < 0.7 and 0.05 < t < 0.92:
                c = mix(c, vein, 0.7)
            else:
                s = (u - abs(v) * 0.9) / (length / 6.0)
                if abs(s - round(s)) < 0.06 and 0.1 < t < 0.85 and abs(v) < half * 0.8:
                    c = mix(c, vein, 0.35)
            blend(pixels, x, y, c, a)


def draw_background():
    width, height = BACKGROUND_SIZE
    pixels = draw_sky(width, height)

    stem = (96.0, 84.0, 52.0)
    p0, p1, p2 = (712.0, -6.0), (610.0, 40.0), (478.0, 52.0)
    draw_branch(pixels, p0, p1, p2, 5.0, 1.5, stem)
    # A second, shorter twig hanging down from the branch.
    q0 = bezier(p0, p1, p2, 0.35)
    draw_branch(pixels, q0, (640.0, 90.0), (628.0, 128.0), 2.6, 1.2, stem)

    greens = [(58.0, 142.0, 48.0), (76.0, 160.0, 56.0), (44.0, 122.0, 40.0),
              (92.0, 172.0, 64.0)]
    # (curve parameter, side, length, width, angle offset) along the branch.
    leaves = [
        (0.08, -1, 70, 28, 0.2), (0.16, 1, 64, 26, -0.1), (0.26, -1, 60, 24, 0.15),
        (0.38, 1, 58, 24, 0.05), (0.50, -1, 54, 22, -0.1), (0.62, 1, 50, 20, 0.1),
        (0.74, -1, 44, 18, 0.0), (0.86, 1, 38, 16, -0.05), (1.00, 0, 34, 14, 0.0),
    ]
    for i, (t, side, length, leaf_width, offset) in enumerate(leaves):
        bx, by = bezier(p0, p1, p2, t)
        # Direction of the branch at t, then turned to one side.
        dx = 2 * (1 - t) * (p1[0] - p0[0]) + 2 * t * (p2[0] - p1[0])
        dy = 2 * (1 - t) * (p1[1] - p0[1]) + 2 * t * (p2[1] - p1[1])
        angle = math.atan2(dy, dx) + side * 0.95 + offset
        draw_leaf(pixels, (bx, by), angle, length, leaf_width, greens[i % len(greens)])
    twig = [(0.35, 1, 40, 17, 0.3), (0.65, -1, 36, 15, -0.2), (1.0, 0, 32, 13, 0.0)]
    for i, (t, side, length, leaf_width, offset) in enumerate(twig):
        bx, by = bezier(q0, (640.0, 90.0), (628.0, 128.0), t)
        angle = math.atan2(128.0 - 90.0, 628.0 - 640.0) + side * 0.9 + offset
        draw_leaf(pixels, (bx, by), angle, length, leaf_width, greens[(i + 1) % len(greens)])

    data = bytearray()
    for row in pixels:
        for p in row:
            data.extend(int(round(clamp(c, 0.0, 255.0))) for c in p)
    header = b"P6\n%d %d\n255\n" % (width, height)
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "background.ppm")
        with open(ppm, "wb") as f:
            f.write(header + bytes(data))
        subprocess.run(
            ["convert", ppm, "-strip", "-interlace", "None", "-quality", "88",
             "-sampling-factor", "2x2,1x1,1x1", "-define", "jpeg:optimize-coding=false",
             "JPG:" + os.path.join(HERE, "background.jpg")],
            check=True)


# ---------------------------------------------------------------------- icon


def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = clamp(x, x0 + r, x1 - r)
    cy = clamp(y, y0 + r, y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def icon_sample(x, y):
    """Colour (r, g, b, a) of the icon at (x, y) in the unit square."""
    colour = None
    if in_round_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.18):
        colour = mix((58.0, 132.0, 214.0), (24.0, 78.0, 168.0), y)
        if not in_round_rect(x, y, 0.05, 0.05, 0.95, 0.95, 0.15):
            colour = (18.0, 56.0, 128.0)
    # Calculator body with its display and a 3 x 4 keypad.
    if in_round_rect(x, y, 0.13, 0.12, 0.62, 0.88, 0.06):
        colour = (246.0, 246.0, 242.0)
        if not in_round_rect(x, y, 0.15, 0.14, 0.60, 0.86, 0.05):
            colour = (120.0, 120.0, 120.0)
        elif in_round_rect(x, y, 0.19, 0.18, 0.56, 0.34, 0.02):
            colour = (150.0, 196.0, 140.0)
            # "12" on the display, as two dark strokes.
            if 0.22 < y < 0.30 and (0.44 < x < 0.47 or 0.50 < x < 0.53):
                colour = (40.0, 60.0, 40.0)
        else:
            for row in range(4):
                for col in range(3):
                    kx = 0.19 + col * 0.13
                    ky = 0.40 + row * 0.115
                    if kx <= x <= kx + 0.10 and ky <= y <= ky + 0.085:
                        colour = (230.0, 120.0, 40.0) if (row, col) == (3, 2) else (86.0, 92.0, 104.0)
    # A ruler standing beside it, with its scale on the left edge.
    if 0.68 <= x <= 0.88 and 0.08 <= y <= 0.92:
        colour = (250.0, 204.0, 54.0)
        if x > 0.86 or y < 0.10 or y > 0.90:
            colour = (176.0, 128.0, 20.0)
        else:
            step = 0.07
            k = (y - 0.12) / step
            if k >= 0 and abs(k - round(k)) * step < 0.011 and y < 0.89:
                reach = 0.80 if round(k) % 2 == 0 else 0.75
                if x < reach:
                    colour = (70.0, 50.0, 20.0)
    if colour is None:
        return (0.0, 0.0, 0.0, 0.0)
    return (colour[0], colour[1], colour[2], 1.0)


def write_png(path, size, rgba_rows):
    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload +
                struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))

    raw = bytearray()
    for row in rgba_rows:
        raw.append(0)  # filter: none
        raw.extend(row)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def draw_icon(size):
    n = 4 if size <= 64 else 2  # samples per pixel along each axis
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = icon_sample((px + (sx + 0.5) / n) / size,
                                             (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3] > 0:
                row.extend(int(round(clamp(c / acc[3], 0.0, 255.0))) for c in acc[:3])
            else:
                row.extend((0, 0, 0))
            row.append(int(round(alpha * 255)))
        rows.append(row)
    write_png(os.path.join(HERE, "icon-%d.png" % size), size, rows)


def main():
    draw_background()
    for size in ICON_SIZES:
        draw_icon(size)


if __name__ == "__main__":
    main()
