#!/usr/bin/env python3
"""Draws Kestrane's skin bitmaps and the program icon.

Every picture is drawn here from shapes and pixel maps, then written as a 24-bit BMP (the
skin) or a 16/32/48-pixel icon with alpha (kestrane.ico). The files are committed, so a
build needs nothing but this repository; run this script again after changing a drawing:

    python3 resources/skin/draw_skin.py            # rewrite the files
    python3 resources/skin/draw_skin.py --check    # fail when a committed file differs
    python3 resources/skin/draw_skin.py --preview DIR   # also write 8x enlarged PNGs (ImageMagick)

Colour rules of the skin:
  - buttons, the link and the about bitmaps are see-through where they are RGB 254,254,254
    (the layouts key that colour out), so no drawn pixel may have that colour;
  - the main window's background is see-through where it is RGB 222,222,222 (the window's
    colour key), used only outside its rounded corners.
Edges are smoothed against the colour that lies beneath the picture in the shipped layouts
(the bar for the buttons, the about page's green for the about bitmaps).
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.dirname(HERE)

KEY = (254, 254, 254)  # see-through in buttons, links and about bitmaps
WINDOW_KEY = (222, 222, 222)  # see-through in the main window

# The palette.
BAR = (44, 50, 61)
BAR_EDGE = (24, 27, 33)
BAR_LIGHT = (68, 77, 92)
BAR_SHADE = (36, 41, 50)
GLYPH = (226, 232, 240)
GLYPH_DIM = (150, 160, 176)
ACCENT = (52, 152, 219)
ACCENT_DARK = (33, 110, 170)
ICE = (140, 206, 250)
GOLD = (252, 196, 58)
GOLD_DARK = (214, 146, 26)
GREEN = (92, 206, 84)
GREEN_DARK = (46, 140, 52)
GREY = (118, 126, 138)
GREY_DARK = (78, 85, 96)
TAG = (240, 158, 84)
LINK = (124, 186, 240)
TRACK = (30, 34, 42)
WHITE = (255, 255, 255)

ABOUT_GREEN = (171, 199, 91)  # the about page's panel, beneath the about bitmaps
ABOUT_INK = (34, 48, 22)
ABOUT_SHADOW = (208, 226, 150)

LOGO_SKY = (31, 78, 135)
LOGO_SKY_LIGHT = (52, 108, 170)
LOGO_SUN = (243, 166, 60)
LOGO_HILL = (120, 176, 106)
LOGO_HILL_DARK = (86, 146, 84)
LOGO_RIM = (18, 46, 84)


# --------------------------------------------------------------------------------------
# Drawing surface: RGBA with coverage from 4 x 4 samples per pixel.


def scaled(value, scale):
    """A length at that scale, rounded as the program's MulDiv rounds it."""
    return int(value * scale + 0.5)


class Canvas:
    """Drawings give their coordinates at 100 %; the canvas has the pixels of its scale, so
    every scale is drawn from the shapes themselves, never resampled from another."""

    SAMPLES = 4

    def __init__(self, width, height, scale=1):
        self.scale = scale
        self.width, self.height = scaled(width, scale), scaled(height, scale)
        self.pixels = [[(0, 0, 0, 0.0) for _ in range(self.width)] for _ in range(self.height)]

    def put(self, x, y, colour, alpha=1.0):
        """Paints colour over pixel (x, y) with the given opacity."""
        if not (0 <= x < self.width and 0 <= y < self.height) or alpha <= 0:
            return
        r, g, b, a = self.pixels[y][x]
        out_a = alpha + a * (1 - alpha)
        if out_a <= 0:
            return
        mix = [(c * alpha + d * a * (1 - alpha)) / out_a for c, d in zip(colour, (r, g, b))]
        self.pixels[y][x] = (mix[0], mix[1], mix[2], out_a)

    def clear(self, x, y):
        """Clears the pixels whose centres lie in the unit square at (x, y)."""
        s = self.scale
        for py in range(int(y * s), int((y + 1) * s + 0.999)):
            for px in range(int(x * s), int((x + 1) * s + 0.999)):
                if x <= (px + 0.5) / s < x + 1 and y <= (py + 0.5) / s < y + 1:
                    if 0 <= px < self.width and 0 <= py < self.height:
                        self.pixels[py][px] = (0, 0, 0, 0.0)

    def shape(self, inside, colour, crisp=False, bounds=None):
        """Fills the points where inside(x, y) holds (pixel centres at +0.5); bounds and the
        shape are in 100 % units."""
        s = self.scale
        if bounds:
            x0, y0, x1, y1 = (int(bounds[0] * s), int(bounds[1] * s), int(bounds[2] * s + 0.999), int(bounds[3] * s + 0.999))
        else:
            x0, y0, x1, y1 = 0, 0, self.width, self.height
        n = self.SAMPLES
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                if crisp:
                    cover = 1.0 if inside((x + 0.5) / s, (y + 0.5) / s) else 0.0
                else:
                    hits = sum(
                        1
                        for j in range(n)
                        for i in range(n)
                        if inside((x + (i + 0.5) / n) / s, (y + (j + 0.5) / n) / s)
                    )
                    cover = hits / (n * n)
                self.put(x, y, colour, cover)

    def rect(self, x, y, w, h, colour):
        """A rectangle in 100 % units, its edges on whole pixels at every scale: pixel art
        and lines stay crisp (at 150 % a unit is one or two pixels wide)."""
        s = self.scale
        for yy in range(scaled(y, s), scaled(y + h, s)):
            for xx in range(scaled(x, s), scaled(x + w, s)):
                self.put(xx, yy, colour)

    def pixmap(self, x, y, rows, palette):
        """Paints a pixel map: one string per row, one character per pixel; '.' leaves the
        pixel as it is."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch != ".":
                    self.rect(x + i, y + j, 1, 1, palette[ch])

    def text(self, x, y, string, font, colour, scale=1, spacing=1):
        """Pixel-font text. Each glyph's pixels are placed from the glyph's own rounded origin,
        so at 150 % every line and every copy of a letter gets the same shape."""
        s = self.scale
        top = scaled(y, s)
        for ch in string:
            glyph = font[ch]
            left = scaled(x, s)
            for j, row in enumerate(glyph):
                for i, bit in enumerate(row):
                    if bit == "#":
                        for py in range(top + scaled(j * scale, s), top + scaled((j + 1) * scale, s)):
                            for px in range(left + scaled(i * scale, s), left + scaled((i + 1) * scale, s)):
                                self.put(px, py, colour)
            x += (len(glyph[0]) + spacing) * scale
        return x


def text_width(string, font, scale=1, spacing=1):
    return sum((len(font[ch][0]) + spacing) * scale for ch in string) - spacing * scale


# Shapes as predicates on a point.


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, outer, inner):
    return lambda x, y: inner * inner < (x - cx) ** 2 + (y - cy) ** 2 <= outer * outer


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result

    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


# Flattening into files.


def flatten_keyed(canvas, ground, key=KEY, threshold=0.2):
    """Opaque pixels for a keyed bitmap: barely covered pixels become the key colour, the
    rest are composed over the colour that lies beneath in the layout."""
    rows = []
    for row in canvas.pixels:
        out = []
        for r, g, b, a in row:
            if a < threshold:
                out.append(key)
            else:
                c = tuple(int(round(v * a + w * (1 - a))) for v, w in zip((r, g, b), ground))
                if c == key:  # never see-through by accident
                    c = (c[0] - 1, c[1], c[2])
                out.append(c)
        rows.append(out)
    return rows


def bmp_bytes(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    return bytes(file_header + header + data)


def ico_bytes(canvases):
    """An icon file with one 32-bit image (alpha and AND mask) per canvas."""
    images = []
    for canvas in canvases:
        w, h = canvas.width, canvas.height
        xor = bytearray()
        mask = bytearray()
        mask_stride = ((w + 31) // 32) * 4
        for row in reversed(canvas.pixels):
            bits = 0
            line = bytearray()
            for i, (r, g, b, a) in enumerate(row):
                alpha = int(round(a * 255))
                xor += bytes((int(round(b)), int(round(g)), int(round(r)), alpha))
                if alpha == 0:
                    bits |= 1 << (w - 1 - i)
            line += bits.to_bytes((w + 7) // 8, "big")
            line += b"\0" * (mask_stride - len(line))
            mask += line
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((w, h, header + xor + mask))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


# --------------------------------------------------------------------------------------
# Fonts: '#' is ink.

FONT_3X5 = {
    " ": ["..", "..", "..", "..", ".."],
    "A": [".#.", "#.#", "###", "#.#", "#.#"],
    "E": ["###", "#..", "##.", "#..", "###"],
    "H": ["#.#", "#.#", "###", "#.#", "#.#"],
    "I": ["#", "#", "#", "#", "#"],
    "M": ["#...#", "##.##", "#.#.#", "#...#", "#...#"],
    "N": ["#..#", "##.#", "#.##", "#..#", "#..#"],
    "O": [".#.", "#.#", "#.#", "#.#", ".#."],
    "R": ["##.", "#.#", "##.", "#.#", "#.#"],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "V": ["#.#", "#.#", "#.#", "#.#", ".#."],
}

# A proportional 5 x 7 font (two rows below the base line for descenders: 9 rows).
FONT_5X7 = {
    " ": ["...", "...", "...", "...", "...", "...", "...", "...", "..."],
    "(": ["..#", ".#.", "#..", "#..", "#..", ".#.", "..#", "...", "..."],
    ")": ["#..", ".#.", "..#", "..#", "..#", ".#.", "#..", "...", "..."],
    ".": ["#", ".", ".", ".", ".", ".", "#", ".", "."],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", ".....", "....."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#", ".....", "....."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", ".....", "....."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####", ".....", "....."],
    "b": ["#....", "#....", "####.", "#...#", "#...#", "#...#", "####.", ".....", "....."],
    "c": ["....", "....", ".###", "#...", "#...", "#...", ".###", "....", "...."],
    "d": ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####", ".....", "....."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###.", ".....", "....."],
    "f": ["..##", ".#..", "####", ".#..", ".#..", ".#..", ".#..", "....", "...."],
    "g": [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    "h": ["#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#", ".....", "....."],
    "i": ["#", ".", "#", "#", "#", "#", "#", ".", "."],
    "k": ["#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#", "....", "...."],
    "l": ["#.", "#.", "#.", "#.", "#.", "#.", ".#", "..", ".."],
    "m": [".......", ".......", "###.##.", "#..#..#", "#..#..#", "#..#..#", "#..#..#", ".......", "......."],
    "n": [".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#", ".....", "....."],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", ".....", "....."],
    "p": [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
    "r": ["....", "....", "#.##", "##..", "#...", "#...", "#...", "....", "...."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####.", ".....", "....."],
    "t": [".#..", ".#..", "####", ".#..", ".#..", ".#..", "..##", "....", "...."],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", ".....", "....."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#..", ".....", "....."],
    "w": [".......", ".......", "#..#..#", "#..#..#", "#..#..#", "#..#..#", ".##.##.", ".......", "......."],
    "y": [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
}

# The title's bold letters (cap height 9, x-height 7), drawn at twice their size.
FONT_TITLE = {
    "K": ["##...##", "##..##.", "##.##..", "####...", "###....", "####...", "##.##..", "##..##.", "##...##"],
    "e": [".......", ".......", ".#####.", "##...##", "##...##", "#######", "##.....", "##...##", ".#####."],
    "s": [".......", ".......", ".######", "##.....", "##.....", ".#####.", ".....##", ".....##", "######."],
    "t": [".##...", ".##...", "######", ".##...", ".##...", ".##...", ".##...", ".##.##", "..###."],
    "r": [".......", ".......", "##.###.", "####.##", "###....", "##.....", "##.....", "##.....", "##....."],
    "a": [".......", ".......", ".#####.", ".....##", ".######", "##...##", "##...##", "##..###", ".###.##"],
    "n": [".......", ".......", "##.###.", "###..##", "##...##", "##...##", "##...##", "##...##", "##...##"],
}


# --------------------------------------------------------------------------------------
# The drawings.


def draw_background(scale=1):
    """The bar the main window's buttons sit on: 221 x 41, rounded, see-through corners."""
    c = Canvas(221, 41, scale)
    c.shape(rounded_rect(0, 0, 221, 41, 7), BAR_EDGE, crisp=True)
    c.shape(rounded_rect(1, 1, 220, 40, 6), BAR, crisp=True)
    # A lighter top edge, and a slightly darker lower band for the link and the progress.
    c.shape(rounded_rect(1, 1, 220, 40, 6), BAR_LIGHT, crisp=True, bounds=(0, 1, 221, 2))
    c.shape(rounded_rect(1, 1, 220, 40, 6), BAR_SHADE, crisp=True, bounds=(0, 27, 221, 40))
    # Separators between the groups: picture, desktop and account, options.
    for x in (81, 140):
        c.rect(x, 8, 1, 16, BAR_EDGE)
        c.rect(x + 1, 8, 1, 16, BAR_LIGHT)
    # The progress bar's groove, so its place reads even while it is hidden.
    c.rect(92, 32, 90, 3, TRACK)
    return c


def draw_prev(scale=1):
    c = Canvas(16, 16, scale)
    c.shape(circle(8, 8, 7.5), ACCENT)
    c.shape(polygon([(3.6, 8), (10.6, 3.6), (10.6, 12.4)]), WHITE, crisp=True)
    return c


def draw_next(scale=1):
    c = Canvas(16, 16, scale)
    c.shape(circle(8, 8, 7.5), ACCENT)
    c.shape(polygon([(12.4, 8), (5.4, 3.6), (5.4, 12.4)]), WHITE, crisp=True)
    return c


def draw_freeze(scale=1):
    """A snowflake: the picture holds still."""
    c = Canvas(13, 13, scale)
    c.pixmap(
        0,
        0,
        [
            "......#......",
            "....#.#.#....",
            ".....###.....",
            ".#....#....#.",
            "..#...#...#..",
            "#..#..#..#..#",
            ".#####.#####.",
            "#..#..#..#..#",
            "..#...#...#..",
            ".#....#....#.",
            ".....###.....",
            "....#.#.#....",
            "......#......",
        ],
        {"#": ICE},
    )
    return c


def draw_hide_desktop_icons(scale=1):
    """A screen with a grid of icons on it."""
    c = Canvas(14, 11, scale)
    c.pixmap(
        0,
        0,
        [
            "##############",
            "#............#",
            "#.oo.oo......#",
            "#.oo.oo......#",
            "#............#",
            "#.oo.........#",
            "#.oo.........#",
            "#............#",
            "##############",
            ".....####.....",
            "...########...",
        ],
        {"#": GLYPH, "o": ICE},
    )
    return c


def draw_status(on, scale=1):
    """A signal light: green when signed in, grey when not."""
    c = Canvas(13, 15, scale)
    rim, fill = (GREEN_DARK, GREEN) if on else (GREY_DARK, GREY)
    c.shape(circle(6.5, 7.5, 6.3), rim)
    c.shape(circle(6.5, 7.5, 5.0), fill)
    c.shape(circle(5.0, 5.8, 1.6), WHITE if on else GLYPH_DIM)
    return c


def draw_favorites(scale=1):
    import math

    c = Canvas(14, 14, scale)
    points = []
    for k in range(10):
        angle = -math.pi / 2 + k * math.pi / 5
        radius = 7.0 if k % 2 == 0 else 2.9
        points.append((7 + radius * math.cos(angle), 7.6 + radius * math.sin(angle)))
    c.shape(polygon(points), GOLD)
    return c


def draw_tags(scale=1):
    """A luggage tag with its hole, pointing to the top left."""
    c = Canvas(12, 12, scale)
    body = polygon([(0.5, 4.5), (4.5, 0.5), (11.5, 7.5), (7.5, 11.5)])
    corner = polygon([(0.5, 0.5), (4.5, 0.5), (0.5, 4.5)])
    c.shape(minus(union(body, rounded_rect(0.5, 0.5, 6, 6, 1.2), corner), circle(3.3, 3.3, 1.3)), TAG)
    return c


def draw_setup(scale=1):
    """A gear."""
    import math

    c = Canvas(14, 14, scale)
    cx = cy = 7.0
    teeth = []
    for k in range(8):
        a = k * math.pi / 4
        dx, dy = math.cos(a), math.sin(a)
        px, py = -dy, dx
        w, r0, r1 = 1.25, 3.5, 6.9
        teeth.append(
            polygon(
                [
                    (cx + dx * r0 + px * w, cy + dy * r0 + py * w),
                    (cx + dx * r1 + px * w, cy + dy * r1 + py * w),
                    (cx + dx * r1 - px * w, cy + dy * r1 - py * w),
                    (cx + dx * r0 - px * w, cy + dy * r0 - py * w),
                ]
            )
        )
    c.shape(minus(union(circle(cx, cy, 5.2), *teeth), circle(cx, cy, 2.1)), GLYPH)
    return c


def draw_minimise(scale=1):
    c = Canvas(9, 7, scale)
    c.rect(0, 4, 9, 2, GLYPH)
    return c


def draw_download(scale=1):
    c = Canvas(7, 7, scale)
    c.pixmap(0, 0, ["..###..", "..###..", "..###..", "#######", ".#####.", "..###..", "...#..."], {"#": GLYPH})
    return c


def draw_logo(size_w, size_h, rim=True, scale=1):
    """The program's mark: a landscape picture (sky, sun, hills) in a rounded frame."""
    c = Canvas(size_w, size_h, scale)
    w, h = float(size_w), float(size_h)
    radius = max(1.5, min(w, h) * 0.18)
    frame = rounded_rect(0, 0, w, h, radius)
    c.shape(frame, LOGO_RIM if rim else LOGO_SKY)
    inset = max(1.0, min(w, h) / 16.0) if rim else 0.0
    inner = rounded_rect(inset, inset, w - inset, h - inset, max(0.5, radius - inset))
    c.shape(inner, LOGO_SKY)
    c.shape(lambda x, y: inner(x, y) and y < h * 0.45, LOGO_SKY_LIGHT)
    c.shape(circle(w * 0.66, h * 0.34, min(w, h) * 0.15), LOGO_SUN)
    far_hill = polygon([(w * 0.30, h * 1.1), (w * 0.70, h * 0.50), (w * 1.2, h * 1.1)])
    near_hill = polygon([(-w * 0.2, h * 1.1), (w * 0.30, h * 0.42), (w * 0.80, h * 1.1)])
    c.shape(lambda x, y: inner(x, y) and far_hill(x, y), LOGO_HILL_DARK)
    c.shape(lambda x, y: inner(x, y) and near_hill(x, y), LOGO_HILL)
    return c


def draw_main_icon(scale=1):
    c = draw_logo(14, 13, rim=False, scale=scale)
    for x, y in ((0, 0), (13, 0), (0, 12), (13, 12)):  # crisp round corners at this size
        c.clear(x, y)
    return c


def draw_main_url(scale=1):
    c = Canvas(49, 5, scale)
    text = "TOVARIN HOME"
    c.text((49 - text_width(text, FONT_3X5)) // 2, 0, text, FONT_3X5, LINK)
    return c


def draw_progress_bar_frame(scale=1):
    """The frame around the progress bar, whose one-pixel bar fills the middle row."""
    c = Canvas(90, 3, scale)
    c.rect(0, 0, 90, 3, GLYPH_DIM)
    c.rect(1, 1, 88, 1, TRACK)
    return c


def draw_about_oem_logo(scale=1):
    return draw_logo(48, 42, scale=scale)


def draw_about_title(scale=1):
    c = Canvas(138, 27, scale)
    text, size, spacing = "Kestrane", 2, 1
    width = text_width(text, FONT_TITLE, size, spacing)
    x, y = 138 - width - 1, (27 - 9 * size) // 2  # flush right, as the version line below
    c.text(x + 1, y + 1, text, FONT_TITLE, ABOUT_SHADOW, size, spacing)
    c.text(x, y, text, FONT_TITLE, ABOUT_INK, size, spacing)
    return c


def draw_about_author(scale=1):
    """Who made it, set flush right in the bitmap's lower part: the version line and the
    title lie above it on the about page."""
    c = Canvas(172, 86, scale)
    lines = ["A desktop wallpaper client", "for the Tovarin service", "(c) the Kestrane authors"]
    y = 86 - 11 * len(lines)
    for line in lines:
        c.text(172 - text_width(line, FONT_5X7), y, line, FONT_5X7, ABOUT_INK)
        y += 11
    return c


def draw_icon():
    return [draw_logo(n, n) for n in (48, 32, 16)]


# name, drawing, what lies beneath it in the layouts (None: opaque, the window's own key).
SKIN = [
    ("ABOUT_AUTHOR", draw_about_author, ABOUT_GREEN),
    ("ABOUT_OEM_LOGO", draw_about_oem_logo, ABOUT_GREEN),
    ("ABOUT_TITLE", draw_about_title, ABOUT_GREEN),
    ("BACKGROUND", draw_background, None),
    ("DOWNLOAD_WALLPAPER", draw_download, BAR_SHADE),
    ("FAVORITES", draw_favorites, BAR),
    ("FREEZE", draw_freeze, BAR),
    ("HIDE_DESKTOP_ICONS", draw_hide_desktop_icons, BAR),
    ("MAIN_ICON", draw_main_icon, BAR_SHADE),
    ("MAIN_URL", draw_main_url, BAR_SHADE),
    ("MINIMISE", draw_minimise, BAR),
    ("NEXT", draw_next, BAR),
    ("PREV", draw_prev, BAR),
    ("PROGRESS_BAR_FRAME", draw_progress_bar_frame, None),
    ("SETUP", draw_setup, BAR),
    ("STATUS_OFF", lambda scale: draw_status(False, scale), BAR),
    ("STATUS_ON", lambda scale: draw_status(True, scale), BAR),
    ("TAGS", draw_tags, BAR),
]

SIZES = {
    "ABOUT_AUTHOR": (172, 86),
    "ABOUT_OEM_LOGO": (48, 42),
    "ABOUT_TITLE": (138, 27),
    "BACKGROUND": (221, 41),
    "DOWNLOAD_WALLPAPER": (7, 7),
    "FAVORITES": (14, 14),
    "FREEZE": (13, 13),
    "HIDE_DESKTOP_ICONS": (14, 11),
    "MAIN_ICON": (14, 13),
    "MAIN_URL": (49, 5),
    "MINIMISE": (9, 7),
    "NEXT": (16, 16),
    "PREV": (16, 16),
    "PROGRESS_BAR_FRAME": (90, 3),
    "SETUP": (14, 14),
    "STATUS_OFF": (13, 15),
    "STATUS_ON": (13, 15),
    "TAGS": (12, 12),
}


# Each bitmap is drawn at these scales; the program names them NAME, NAME_150 and NAME_200
# and picks the one for the window's DPI.
SCALES = [(1, ""), (1.5, "_150"), (2, "_200")]


def render():
    """Every file's name (relative to resources/) and bytes."""
    files = {}
    for scale, suffix in SCALES:
        for name, draw, ground in SKIN:
            canvas = draw(scale)
            size = tuple(scaled(v, scale) for v in SIZES[name])
            if (canvas.width, canvas.height) != size:
                raise SystemExit(f"{name}{suffix}: drawn {canvas.width}x{canvas.height}, must be {size}")
            if ground is None:
                rows = flatten_keyed(canvas, WINDOW_KEY, key=WINDOW_KEY, threshold=0.5)
                if name == "BACKGROUND":
                    opaque = [p for row in rows for p in row if p != WINDOW_KEY]
                    assert len(opaque) > 0.9 * size[0] * size[1], "the bar must cover the window"
            else:
                rows = flatten_keyed(canvas, ground)
            files[os.path.join("skin", name.lower() + suffix + ".bmp")] = bmp_bytes(rows)
    files["kestrane.ico"] = ico_bytes(draw_icon())
    return files


# Where the shipped main layout puts each bitmap: left, top, box width and height.
MAIN_PLACES = {
    "PREV": (4, 6, 20, 20),
    "FREEZE": (28, 6, 20, 20),
    "NEXT": (53, 6, 20, 20),
    "HIDE_DESKTOP_ICONS": (91, 6, 18, 20),
    "STATUS_ON": (116, 6, 18, 20),
    "FAVORITES": (147, 6, 18, 20),
    "TAGS": (167, 6, 18, 20),
    "SETUP": (188, 6, 18, 20),
    "MINIMISE": (207, 4, 9, 7),
    "DOWNLOAD_WALLPAPER": (62, 30, 7, 7),
    "MAIN_ICON": (190, 27, 14, 13),
    "MAIN_URL": (8, 31, 49, 5),
    "PROGRESS_BAR_FRAME": (92, 32, 90, 3),
}


def read_bmp(data):
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        line = data[54 + (height - 1 - y) * stride :]
        rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(width)])
    return rows


def mock_ups(files):
    """The main window and the about page as the shipped layouts compose them (buttons drawn
    centred in their boxes), for judging the pictures together."""
    bitmaps = {
        os.path.splitext(os.path.basename(n))[0].upper(): read_bmp(d)
        for n, d in files.items()
        if n.endswith(".bmp") and not n.endswith(("_150.bmp", "_200.bmp"))
    }
    window = [list(row) for row in bitmaps["BACKGROUND"]]
    for name, (left, top, w, h) in MAIN_PLACES.items():
        rows = bitmaps[name]
        x0, y0 = left + max(0, (w - len(rows[0])) // 2), top + max(0, (h - len(rows)) // 2)
        for j, row in enumerate(rows):
            for i, p in enumerate(row):
                if p != KEY:
                    window[y0 + j][x0 + i] = p
    for x in range(93, 93 + 88 * 45 // 100):  # the bar at 45 %
        window[33][x] = (0, 0, 255)
    about = [[(236, 233, 216)] * 280 for _ in range(166)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                about[y][x] = colour

    def put(name, x0, y0):
        for j, row in enumerate(bitmaps[name]):
            for i, p in enumerate(row):
                if p != KEY:
                    about[y0 + j][x0 + i] = p

    fill(9, 9, 271, 157, WHITE)
    fill(15, 15, 265, 151, ABOUT_GREEN)
    put("ABOUT_OEM_LOGO", 30, 46 - 42 // 2)
    put("ABOUT_TITLE", 280 - 36 - 138, 36)
    put("ABOUT_AUTHOR", 280 - 36 - 172, 166 - 28 - 86)
    fill(280 - 36 - 66, 70, 280 - 36, 77, (60, 60, 60))  # where "Ver ..." goes (Arial, 10 pixels)
    return {"mockup_main.bmp": bmp_bytes(window), "mockup_about.bmp": bmp_bytes(about)}


def preview(files, directory):
    os.makedirs(directory, exist_ok=True)
    files = dict(files, **mock_ups(files))
    for name, data in files.items():
        with tempfile.NamedTemporaryFile(suffix=os.path.splitext(name)[1], delete=False) as temp:
            temp.write(data)
        base = os.path.join(directory, os.path.splitext(os.path.basename(name))[0])
        try:
            if name.endswith(".ico"):
                # One PNG per size, on a checkerboard-free mid grey so the alpha shows.
                subprocess.run(
                    ["convert", temp.name, "-background", "gray60", "-alpha", "remove", "-scale", "800%", base + "-%d.png"],
                    check=True,
                )
            else:
                subprocess.run(["convert", temp.name, "-scale", "800%", base + ".png"], check=True)
        finally:
            os.unlink(temp.name)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true", help="compare with the committed files, write nothing")
    parser.add_argument("--preview", metavar="DIR", help="also write 8x enlarged PNGs there")
    args = parser.parse_args()
    files = render()
    stale = []
    for name, data in sorted(files.items()):
        path = os.path.join(RESOURCES, name)
        old = open(path, "rb").read() if os.path.exists(path) else None
        if old == data:
            continue
        stale.append(name)
        if not args.check:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as out:
                out.write(data)
    if args.preview:
        preview(files, args.preview)
    if args.check and stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    for name in stale:
        print("wrote resources/" + name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
