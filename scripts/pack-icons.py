#!/usr/bin/env python3
"""Packs rendered PNG pictures into .ico files of uncompressed DIB images.

    pack-icons.py icon OUT.ico PNG...                  32 bpp with alpha, plus an AND mask
    pack-icons.py logo OUT.ico BACKGROUND PNG          24 bpp, transparency from the AND mask

Every image is stored as a bitmap information header (40 bytes, one plane, BI_RGB, the height
field doubled for the colour image and the mask), the bottom-up colour rows and the 1-bit
AND mask; nothing is PNG-compressed, so the loader of every Windows version reads them.

A 24 bpp image has no alpha: a pixel is either shown or masked out. The logos sit on the
window's button-face colour, so their anti-aliased edges are blended over BACKGROUND
(RRGGBB) before the alpha is dropped, and only nearly transparent pixels are masked.

Only the standard library is used and the output depends on nothing but the pixels, so
the same PNG files always give the same bytes.
"""
import struct
import sys
import zlib

# Alpha below this is masked out of the 32 bpp icons' AND mask (their alpha channel is what
# current systems draw; the mask serves the loaders that ignore it).
ICON_MASK_ALPHA = 128
# Alpha below this is transparent in a 24 bpp logo; everything else is blended and shown.
LOGO_MASK_ALPHA = 32


def read_png(path):
    """Returns (width, height, rows) with rows[y][x] = (r, g, b, a), top row first."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    pos = 8
    idat = b""
    header = None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind = data[pos + 4 : pos + 8]
        body = data[pos + 8 : pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    if header is None:
        raise SystemExit(f"{path}: no IHDR chunk")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise SystemExit(f"{path}: only 8-bit RGB/RGBA, non-interlaced PNG is handled")
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(idat)
    if len(raw) != height * (stride + 1):
        raise SystemExit(f"{path}: image data has the wrong size")

    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1 : start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            upper_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                predictor = left if pa <= pb and pa <= pc else (up if pb <= pc else upper_left)
                line[i] = (line[i] + predictor) & 0xFF
            elif kind != 0:
                raise SystemExit(f"{path}: unknown filter {kind}")
        pixels = []
        for x in range(width):
            px = line[x * channels : (x + 1) * channels]
            pixels.append(tuple(px) if channels == 4 else tuple(px) + (255,))
        rows.append(pixels)
        previous = line
    return width, height, rows


def and_mask(width, rows, transparent):
    """1-bit rows, bottom-up, each padded to 32 bits; a set bit lets the screen through."""
    stride = (width + 31) // 32 * 4
    out = bytearray()
    for pixels in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(pixels):
            if transparent(px):
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def dib(width, height, bpp, colour, mask):
    header = struct.pack(
        "<IiiHHIIiiII", 40, width, 2 * height, 1, bpp, 0, len(colour) + len(mask), 0, 0, 0, 0
    )
    return header + colour + mask


def icon_image(width, height, rows):
    colour = bytearray()
    for pixels in reversed(rows):
        for r, g, b, a in pixels:
            # A fully transparent pixel stays black so that AND-then-XOR leaves the screen.
            colour += bytes((b, g, r, a)) if a else b"\0\0\0\0"
    mask = and_mask(width, rows, lambda px: px[3] < ICON_MASK_ALPHA)
    return dib(width, height, 32, bytes(colour), mask)


def logo_image(width, height, rows, background):
    stride = (width * 3 + 3) & ~3
    colour = bytearray()
    for pixels in reversed(rows):
        line = bytearray()
        for r, g, b, a in pixels:
            if a < LOGO_MASK_ALPHA:
                line += b"\0\0\0"
                continue
            blended = [(c * a + bg * (255 - a) + 127) // 255 for c, bg in zip((r, g, b), background)]
            line += bytes((blended[2], blended[1], blended[0]))
        colour += line + bytes(stride - len(line))
    mask = and_mask(width, rows, lambda px: px[3] < LOGO_MASK_ALPHA)
    return dib(width, height, 24, bytes(colour), mask)


def write_ico(path, images):
    """images: list of (width, height, bpp, dib bytes)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for width, height, bpp, data in images:
        if width > 256 or height > 256:
            raise SystemExit(f"{path}: {width}x{height} is too large for an icon entry")
        out += struct.pack(
            "<BBBBHHII", width & 0xFF, height & 0xFF, 0, 0, 1, bpp, len(data), offset
        )
        offset += len(data)
    for *_, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main(argv):
    if len(argv) >= 3 and argv[0] == "icon":
        images = []
        for png in argv[2:]:
            width, height, rows = read_png(png)
            images.append((width, height, 32, icon_image(width, height, rows)))
        write_ico(argv[1], images)
    elif len(argv) == 4 and argv[0] == "logo":
        background = bytes.fromhex(argv[2])
        if len(background) != 3:
            raise SystemExit("BACKGROUND is a colour RRGGBB")
        width, height, rows = read_png(argv[3])
        write_ico(argv[1], [(width, height, 24, logo_image(width, height, rows, background))])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
