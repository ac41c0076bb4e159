#!/usr/bin/env python3
"""Draws the pictures of the installed programs.

    payload/tools/draw_pictures.py [OUTPUT_DIR]     (default: payload/resources)

writes corvale.ico and uninstall.ico (the programs' icons) and welcome.bmp (the picture in
corvale.exe's window while no ledger is open). Everything is drawn from flat shapes.

How each is stored follows from the setup's payload coding and its progress bar (see
payload/README.md, "Packing margin"):

- The icons hold PNG images (Windows Vista and later read them at every size). Compressed
  data has no runs of equal bytes, so the icons neither help nor hurt the margin, wherever
  they land in the executable.
- The welcome picture is an uncompressed 8-bit palette bitmap. Its flat areas are runs of
  equal bytes, and its row length is 4 times an odd number, never a multiple of the
  coding's 256-byte tick interval: the ticks fall on every column in turn, so the margin
  the picture gives hardly depends on its place in the file.

The output is committed; after changing a drawing, rebuild and read the packing report.
"""
import os
import struct
import sys
import zlib

TRANSPARENT = None
# Colours as (R, G, B).
COVER = (0x2E, 0x6B, 0x4F)
BINDING = (0x1F, 0x4A, 0x37)
PAGE = (0xFF, 0xFF, 0xFF)
RULE = (0xA8, 0xC8, 0xE8)
MARGIN = (0xD0, 0x40, 0x40)
COIN = (0xE8, 0xB8, 0x30)
COIN_RIM = (0xA8, 0x78, 0x10)
MARK = (0xC0, 0x30, 0x30)
MARK_LIGHT = (0xFF, 0xFF, 0xFF)

ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]


def book(size, x, y, variant):
    """The colour of pixel (x, y), top-down, of an icon of `size` pixels, or TRANSPARENT:
    a green ledger book with a ruled page, and a coin (corvale.exe) or a red "remove" sign
    (the uninstaller) in the lower right corner."""
    s = float(size)
    u, v = (x + 0.5) / s, (y + 0.5) / s
    line = max(1, size // 48) / s  # the thickness of the thin strokes
    if variant == "uninstall":
        dx, dy = u - 0.72, v - 0.72
        if (dx * dx + dy * dy) ** 0.5 <= 0.24:
            return MARK_LIGHT if abs(dy) <= 0.05 and abs(dx) <= 0.15 else MARK
    else:
        dx, dy = u - 0.70, v - 0.72
        r = (dx * dx + dy * dy) ** 0.5
        if r <= 0.20:
            return COIN if r <= 0.20 - 2 * line else COIN_RIM
    if not (0.08 <= u <= 0.92 and 0.04 <= v <= 0.96):
        return TRANSPARENT
    corner = 0.06  # rounded outer corners
    cu = min(u - 0.08, 0.92 - u)
    cv = min(v - 0.04, 0.96 - v)
    if cu < corner and cv < corner and (corner - cu) ** 2 + (corner - cv) ** 2 > corner * corner:
        return TRANSPARENT
    if u < 0.18:
        return BINDING
    if not (0.24 <= u <= 0.86 and 0.10 <= v <= 0.90):
        return COVER
    if abs(u - 0.34) < line / 2 + 0.5 / s:
        return MARGIN
    if v > 0.16 and (v - 0.10) % 0.10 < line:
        return RULE
    return PAGE


def png(size, variant):
    """A PNG image (8-bit RGBA) of the icon at one size."""
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter type: none
        for x in range(size):
            c = book(size, x, y, variant)
            raw += b"\0\0\0\0" if c is TRANSPARENT else bytes((c[0], c[1], c[2], 0xFF))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def icon(images):
    """An .ico file of (size, image bytes), every image 32 bits per pixel."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        # Width and height 256 are stored as 0.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    return directory + data


# The welcome picture: a bar chart of a year's monthly balances on squared paper, beside a
# stack of coins. WELCOME_WIDTH must stay 4 times an odd number (see the module's comment).
WELCOME_WIDTH, WELCOME_HEIGHT = 420, 300
CHART_PALETTE = [
    (0xFF, 0xFF, 0xFF),  # 0 window background
    (0xF4, 0xF7, 0xF2),  # 1 paper
    (0xD8, 0xE4, 0xDC),  # 2 grid
    (0x2E, 0x6B, 0x4F),  # 3 bar edge
    (0x5F, 0xA8, 0x7E),  # 4 bar
    (0xD0, 0x40, 0x40),  # 5 a month that ended below the one before
    (0xE8, 0xB8, 0x30),  # 6 coin
    (0x40, 0x40, 0x40),  # 7 axis
    (0xA8, 0x78, 0x10),  # 8 coin rim
]
BALANCES = [0.45, 0.62, 0.38, 0.71, 0.55, 0.83, 0.49, 0.66, 0.92, 0.58, 0.77, 0.69]


def chart_pixel(x, y, width, height):
    """The palette index of pixel (x, y), top-down."""
    left, right, top, bottom = 24, width * 79 // 100, 12, height - 20
    coin_x, coin_a, coin_b = (right + width) // 2, (width - right) * 2 // 5, height // 22
    # Three coins stacked at the right, the top one drawn over the others.
    for level in range(3):
        coin_y = bottom - coin_b - 3 - (2 - level) * (coin_b + 3)
        dx, dy = (x - coin_x) / coin_a, (y - coin_y) / coin_b
        if dx * dx + dy * dy <= 1.0:
            return 6 if dx * dx + dy * dy <= 0.6 else 8
    if not (left <= x < right and top <= y < bottom):
        return 0
    if x == left or y == bottom - 1:
        return 7
    slot = (right - left - 4) / len(BALANCES)
    month = int((x - left - 4) // slot)
    if 0 <= month < len(BALANCES):
        bar_left = left + 4 + month * slot
        bar_width = slot * 0.62
        if bar_left + 2 <= x < bar_left + 2 + bar_width:
            if y >= bottom - 1 - BALANCES[month] * (bottom - top - 8):
                if month > 0 and BALANCES[month] < BALANCES[month - 1]:
                    return 5
                return 4 if x < bar_left + 2 + bar_width - 4 else 3
    if (bottom - 1 - y) % 21 == 0 or (x - left) % 21 == 0:
        return 2
    return 1


def bitmap8(width, height, pixel, palette):
    """A .bmp file: file header, BITMAPINFOHEADER, palette, bottom-up rows."""
    stride = (width + 3) // 4 * 4
    rows = bytearray()
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            row[x] = pixel(x, y, width, height)
        rows += row
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, len(palette), 0)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    offset = 14 + len(info) + len(table)
    return struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset) + info + table + bytes(rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources")
    assert WELCOME_WIDTH % 4 == 0 and (WELCOME_WIDTH // 4) % 2 == 1
    for name, variant in (("corvale.ico", "book"), ("uninstall.ico", "uninstall")):
        with open(os.path.join(out, name), "wb") as f:
            f.write(icon([(size, png(size, variant)) for size in ICON_SIZES]))
    with open(os.path.join(out, "welcome.bmp"), "wb") as f:
        f.write(bitmap8(WELCOME_WIDTH, WELCOME_HEIGHT, chart_pixel, CHART_PALETTE))


if __name__ == "__main__":
    main()
