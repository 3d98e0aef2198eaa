#!/usr/bin/env python3
"""Makes the window's pictures, both committed beside this script:

presentacion.jpg  the presentation picture: baseline JPEG, JFIF 1.01, 96 DPI,
                  264 x 453 pixels, three colour components. The window shows
                  its upper-left 257 x 345 pixels, so everything that matters
                  lies there.
vorlan.ico        the window's icon: 16 x 16 and 32 x 32 in 16 and in 256
                  colours, and 48 x 48 in 32-bit colour with alpha; then, so
                  that no screen scales an image (125 % wants 20 and 40, 150 %
                  24 and 48, 200 % 32 and 64, Explorer's large views 256), 16,
                  20, 24, 32, 40 and 64 in 32-bit colour with alpha and 256 as
                  a PNG, the form Windows takes at that size.

Python's standard library draws both; ImageMagick's convert encodes the JPEG
and writes the title on it. The output depends on nothing else, so running
the script again gives the same files.
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# The presentation picture: a relief map with contour lines.

WIDTH, HEIGHT = 264, 453

# Hills and hollows of the relief: (x, y, height, spread), in pixels.
HILLS = [
    (60, 120, 0.55, 45), (190, 95, 0.45, 40), (160, 260, 0.60, 50),
    (40, 330, 0.35, 40), (220, 385, 0.50, 45), (110, 420, 0.30, 35),
    (245, 200, 0.30, 30), (100, 205, -0.45, 30),
]

# Hypsometric tints, low to high.
TINTS = [
    (0.00, (168, 205, 160)), (0.25, (196, 220, 150)), (0.45, (232, 224, 160)),
    (0.65, (214, 180, 120)), (0.85, (176, 132, 96)), (1.10, (236, 232, 226)),
]
WATER = (120, 170, 215)


def relief(x, y):
    h = 0.15 + 0.08 * math.sin(x / 37.0) * math.cos(y / 53.0)
    for hx, hy, hh, spread in HILLS:
        d2 = (x - hx) ** 2 + (y - hy) ** 2
        h += hh * math.exp(-d2 / (2.0 * spread * spread))
    return h


def tint(h):
    if h <= TINTS[0][0]:
        return TINTS[0][1]
    for (h0, c0), (h1, c1) in zip(TINTS, TINTS[1:]):
        if h <= h1:
            t = (h - h0) / (h1 - h0)
            return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))
    return TINTS[-1][1]


def presentation_pixels():
    heights = [[relief(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    rows = []
    step = 0.1  # one contour line per tenth of the highest hill
    for y in range(HEIGHT):
        row = bytearray()
        for x in range(WIDTH):
            h = heights[y][x]
            if h < 0.05:
                colour = WATER
            else:
                colour = tint(h)
                # A contour line where the height crosses a level between
                # this pixel and its right or lower neighbour.
                right = heights[y][min(x + 1, WIDTH - 1)]
                down = heights[min(y + 1, HEIGHT - 1)][x]
                level = math.floor(h / step)
                if math.floor(right / step) != level or math.floor(down / step) != level:
                    major = level % 5 == 0
                    shade = 0.55 if major else 0.75
                    colour = tuple(round(c * shade) for c in colour)
            # A faint graticule every 48 pixels.
            if x % 48 == 24 or y % 48 == 24:
                colour = tuple(round(c * 0.9 + 255 * 0.1) for c in colour)
            row += bytes(colour)
        rows.append(bytes(row))
    # The title band at the top, darker so that white text reads on it.
    for y in range(0, 64):
        row = bytearray(rows[y])
        for x in range(WIDTH):
            for i in range(3):
                row[3 * x + i] = round(row[3 * x + i] * 0.35 + (20, 60, 90)[i] * 0.65)
        rows[y] = bytes(row)
    return b"".join(rows)


def make_presentation(path):
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "map.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT))
            f.write(presentation_pixels())
        subprocess.run(
            ["convert", ppm,
             "-font", "Liberation-Sans-Bold", "-fill", "white",
             "-pointsize", "30", "-annotate", "+16+38", "VORLAN",
             "-font", "Liberation-Sans", "-pointsize", "12", "-annotate", "+18+56", "mapas de velandros",
             "-strip", "-type", "TrueColor", "-colorspace", "sRGB",
             "-interlace", "none", "-sampling-factor", "2x2,1x1,1x1", "-quality", "90",
             "-units", "PixelsPerInch", "-density", "96",
             "jpeg:" + path],
            check=True)


# ---------------------------------------------------------------------------
# The icon: a map pin over contour lines on a rounded tile.

def icon_colour(u, v):
    """RGBA of the point (u, v) of the unit square, alpha 0..1."""
    # Rounded tile.
    m, r = 0.05, 0.2
    cx = min(max(u, m + r), 1 - m - r)
    cy = min(max(v, m + r), 1 - m - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return (0, 0, 0, 0.0)
    t = v
    colour = (round(10 + 20 * t), round(120 - 60 * t), round(130 - 20 * t))
    # Contour rings around a low hill.
    d = math.hypot((u - 0.38) * 1.0, (v - 0.62) * 1.3)
    if d < 0.6 and abs((d * 7.0) % 1.0 - 0.5) < 0.12:
        colour = (150, 215, 190)
    # The pin: a head and a tail pointing down to the hill.
    px, py, pr = 0.64, 0.33, 0.19
    in_head = (u - px) ** 2 + (v - py) ** 2 <= pr * pr
    tail_top, tail_bottom = py + 0.08, 0.82
    in_tail = tail_top <= v <= tail_bottom and abs(u - px) <= pr * 0.85 * (tail_bottom - v) / (tail_bottom - tail_top)
    if in_head or in_tail:
        colour = (215, 40, 35)
        if (u - px) ** 2 + (v - py) ** 2 <= (pr * 0.42) ** 2:
            colour = (255, 255, 255)
    return colour + (1.0,)


def render_icon(size):
    """size x size RGBA pixels, top row first, averaged over 4 x 4 samples."""
    n = 4
    pixels = []
    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = icon_colour((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if acc[3] > 0:
                rgb = tuple(round(c / acc[3]) for c in acc[:3])
            else:
                rgb = (0, 0, 0)
            pixels.append(rgb + (round(a * 255),))
    return pixels


VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    """The 16 standard colours and the 240 most frequent colours of the icon."""
    counts = {}
    for size in (16, 32):
        for r, g, b, a in render_icon(size):
            if a >= 128:
                key = (r & ~3, g & ~3, b & ~3)
                counts[key] = counts.get(key, 0) + 1
    frequent = sorted(counts, key=lambda c: (-counts[c], c))
    return VGA16 + [c for c in frequent if c not in VGA16][:240]


def nearest(colour, palette):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))


def row_padded(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(pixels, size):
    """1 where the icon is transparent; bottom-up rows."""
    rows = []
    for y in reversed(range(size)):
        bits = bytearray((size + 7) // 8)
        for x in range(size):
            if pixels[y * size + x][3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(row_padded(bytes(bits)))
    return b"".join(rows)


def dib(size, bit_count, palette, xor_rows, mask):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, len(xor_rows) + len(mask), 0, 0,
                         len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + xor_rows + mask


def indexed_image(size, bit_count, palette):
    pixels = render_icon(size)
    rows = []
    for y in reversed(range(size)):
        indices = []
        for x in range(size):
            r, g, b, a = pixels[y * size + x]
            indices.append(nearest((r, g, b), palette) if a >= 128 else 0)
        if bit_count == 4:
            packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        else:
            packed = bytes(indices)
        rows.append(row_padded(packed))
    return dib(size, bit_count, palette, b"".join(rows), and_mask(pixels, size))


def true_colour_image(size):
    pixels = render_icon(size)
    rows = []
    for y in reversed(range(size)):
        rows.append(b"".join(struct.pack("<BBBB", b, g, r, a) for r, g, b, a in pixels[y * size:(y + 1) * size]))
    return dib(size, 32, [], b"".join(rows), and_mask(pixels, size))


def png_image(size):
    """RGBA PNG, no filter, fixed compression: the same bytes on every run."""
    pixels = render_icon(size)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in pixels[y * size:(y + 1) * size]) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def make_icon(path):
    images = [
        (16, 16, 4, indexed_image(16, 4, VGA16)),
        (16, 0, 8, indexed_image(16, 8, palette256())),
        (32, 16, 4, indexed_image(32, 4, VGA16)),
        (32, 0, 8, indexed_image(32, 8, palette256())),
        (48, 0, 32, true_colour_image(48)),
    ]
    images += [(size, 0, 32, true_colour_image(size)) for size in (16, 20, 24, 32, 40, 64)]
    images.append((256, 0, 32, png_image(256)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        # A size of 256 is written as 0 in the directory's byte.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b"".join(data for *_, data in images)
    with open(path, "wb") as f:
        f.write(out)


def main():
    make_presentation(os.path.join(HERE, "presentacion.jpg"))
    make_icon(os.path.join(HERE, "vorlan.ico"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
