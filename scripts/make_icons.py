#!/usr/bin/env python3
"""Draws Pelmor's icons and the browse glyph.

    python3 scripts/make_icons.py [windows-dir [linux-dir]]

writes the Windows resources to app/win32/res and the Linux program's icons
(PNG, 16, 32 and 48 pixels) to app/linux/icons:

pelmor.ico  program icon, 32x32 and 16x16, 16 colours: an upright battery,
            two thirds charged, with a red pointer on a meter scale.
about.ico   about-box icon, 32x32, 16 colours: the same battery, charging
            (a lightning bolt over a cyan charge), without the pointer.
pelmor-N.png the program icon for the desktop's icon theme; the 48-pixel
            one is drawn at that size, not scaled.
browse.bmp  16x13, 16 colours: a folder, for the browse button. Its
            bottom-left pixel has the button-face grey of the background,
            the colour a glyph's transparent parts are drawn in.

The pictures are pixel maps drawn in code, so the files are reproducible.
"""

import os
import struct
import sys
import zlib

# The standard 16-colour palette (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
CLEAR = -1  # transparent pixel of an icon


class Canvas:
    def __init__(self, width, height, fill=CLEAR):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Fills x0..x1, y0..y1 inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def art(self, x0, y0, rows, colours):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch in colours:
                    self.set(x0 + dx, y0 + dy, colours[ch])


def battery(c, left, top, right, bottom, cap_w, cap_h, level_top, charge, shine):
    """An upright battery: cap on top, body outlined in black, charge from
    level_top down, split into cells by darker lines."""
    mid = (left + right) // 2
    c.rect(mid - cap_w // 2, top, mid - cap_w // 2 + cap_w - 1, top + cap_h, GRAY)
    c.frame(mid - cap_w // 2, top, mid - cap_w // 2 + cap_w - 1, top + cap_h, BLACK)
    body_top = top + cap_h
    c.rect(left, body_top, right, bottom, WHITE)
    c.frame(left, body_top, right, bottom, BLACK)
    c.rect(left + 1, level_top, right - 1, bottom - 1, charge)
    # a shine along the left side of the charge
    for y in range(level_top, bottom):
        c.set(left + 1, y, shine)
    # the shadow side of the body
    for y in range(body_top + 1, bottom):
        c.set(right - 1, y, SILVER if c.px[y][right - 1] == WHITE else c.px[y][right - 1])


def program_icon_32():
    c = Canvas(32, 32)
    battery(c, 7, 2, 22, 29, 6, 3, 12, LIME, WHITE)
    for y in (16, 20, 24):  # cell lines
        for x in range(8, 22):
            c.set(x, y, GREEN)
    # meter scale on the right: long ticks every 8 rows, short ones between
    for y in range(6, 30, 4):
        length = 4 if (y - 6) % 8 == 0 else 2
        c.rect(28 - length + 1, y, 28, y, BLACK)
    c.rect(29, 6, 29, 29, BLACK)
    # red pointer at the charge level, pointing at the battery
    c.art(23, 11, [
        "..RR",
        "RRRR",
        "..RR",
    ], {"R": RED})
    # the top, empty part of the body shows a faint scale line
    for x in range(9, 21, 2):
        c.set(x, 9, SILVER)
    return c


def program_icon_48():
    c = Canvas(48, 48)
    battery(c, 10, 3, 33, 44, 9, 4, 18, LIME, WHITE)
    for y in (24, 30, 36):  # cell lines
        for x in range(11, 33):
            c.set(x, y, GREEN)
    for y in range(9, 45, 6):
        length = 6 if (y - 9) % 12 == 0 else 3
        c.rect(43 - length + 1, y, 43, y, BLACK)
    c.rect(44, 9, 44, 44, BLACK)
    c.art(34, 16, [
        "...RRR",
        ".RRRRR",
        "RRRRRR",
        ".RRRRR",
        "...RRR",
    ], {"R": RED})
    for x in range(13, 31, 3):
        c.set(x, 13, SILVER)
    return c


def program_icon_16():
    c = Canvas(16, 16)
    battery(c, 3, 0, 11, 15, 3, 2, 7, LIME, WHITE)
    for x in range(4, 11):
        c.set(x, 11, GREEN)
    c.rect(14, 2, 14, 14, BLACK)
    c.art(12, 6, [
        ".R",
        "RR",
        ".R",
    ], {"R": RED})
    return c


def about_icon_32():
    c = Canvas(32, 32)
    battery(c, 7, 2, 22, 29, 6, 3, 17, CYAN, WHITE)
    for y in (21, 25):
        for x in range(8, 22):
            c.set(x, y, TEAL)
    # a lightning bolt across the body
    c.art(9, 7, [
        "......KKKKK",
        ".....KYYYK.",
        "....KYYYK..",
        "...KYYYK...",
        "..KYYYKKKK.",
        ".KYYYYYYYK.",
        "KKKKKYYYK..",
        "...KYYYK...",
        "..KYYK.....",
        "..KYK......",
        ".KYK.......",
        ".KK........",
        "KK.........",
    ], {"K": BLACK, "Y": YELLOW})
    # the same scale as the program icon, without the pointer
    for y in range(6, 30, 4):
        length = 4 if (y - 6) % 8 == 0 else 2
        c.rect(28 - length + 1, y, 28, y, GRAY)
    c.rect(29, 6, 29, 29, GRAY)
    return c


def browse_glyph():
    rows = [
        "................",
        ".KKKKK..........",
        "KWYYYYK.........",
        "KYYYYYYKKKKKKK..",
        "KWWWWWWWWWWWWYK.",
        "KWYYYYYYYYYYYOK.",
        "KWYYYYYYYYYYYOK.",
        "KWYYYYYYYYYYYOK.",
        "KWYYYYYYYYYYYOK.",
        "KWYYYYYYYYYYYOK.",
        "KWYYYYYYYYYYYOK.",
        "KOOOOOOOOOOOOOK.",
        ".KKKKKKKKKKKKKK.",
    ]
    assert len(rows) == 13 and all(len(r) == 16 for r in rows)
    c = Canvas(16, 13, SILVER)
    c.art(0, 0, rows, {"K": BLACK, "W": WHITE, "Y": YELLOW, "O": OLIVE})
    return c


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def pixel_rows_4bpp(c):
    """Bottom-up rows of 4-bit indices, each padded to 4 bytes."""
    out = b""
    stride = ((c.width * 4 + 31) // 32) * 4
    for y in reversed(range(c.height)):
        row = bytearray(stride)
        for x in range(c.width):
            v = c.px[y][x]
            v = 0 if v == CLEAR else v
            row[x // 2] |= v << 4 if x % 2 == 0 else v
        out += bytes(row)
    return out


def mask_rows(c):
    """Bottom-up AND mask: 1 where the icon is transparent."""
    out = b""
    stride = ((c.width + 31) // 32) * 4
    for y in reversed(range(c.height)):
        row = bytearray(stride)
        for x in range(c.width):
            if c.px[y][x] == CLEAR:
                row[x // 8] |= 0x80 >> (x % 8)
        out += bytes(row)
    return out


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def icon_image(c):
    xor, andm = pixel_rows_4bpp(c), mask_rows(c)
    return info_header(c.width, c.height * 2, len(xor) + len(andm)) + palette_bytes() + xor + andm


def ico(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for c in images:
        img = icon_image(c)
        entries += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 16, 0, 1, 4,
                               len(img), offset + len(data))
        data += img
    return header + entries + data


def bmp(c):
    pixels = pixel_rows_4bpp(c)
    header_size = 14 + 40 + 64
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    return file_header + info_header(c.width, c.height, len(pixels)) + palette_bytes() + pixels


def png(c):
    """RGBA, transparent where the icon is."""
    raw = b""
    for y in range(c.height):
        raw += b"\0"
        for x in range(c.width):
            v = c.px[y][x]
            raw += bytes([0, 0, 0, 0]) if v == CLEAR else bytes(PALETTE[v]) + b"\xff"

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", c.width, c.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write(out, files):
    os.makedirs(out, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    windows = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "app", "win32", "res")
    linux = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "app", "linux", "icons")
    write(windows, {
        "pelmor.ico": ico([program_icon_32(), program_icon_16()]),
        "about.ico": ico([about_icon_32()]),
        "browse.bmp": bmp(browse_glyph()),
    })
    write(linux, {
        "pelmor-16.png": png(program_icon_16()),
        "pelmor-32.png": png(program_icon_32()),
        "pelmor-48.png": png(program_icon_48()),
    })


if __name__ == "__main__":
    main()
