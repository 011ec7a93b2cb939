#!/usr/bin/env python3
"""Draws the panel's logo (res/logo.bmp, 100x26) and icon (res/vgatv.ico, 32x32), both
4 bits per pixel with the standard 16-colour palette. Run it only to change the art."""
import struct
from pathlib import Path

PALETTE = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
           0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]
BLACK, NAVY, TEAL, SILVER, GRAY, YELLOW, BLUE, AQUA, WHITE = 0, 4, 6, 7, 8, 11, 12, 14, 15

GLYPHS = {  # 5x7
    "V": ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "G": [".XXX.", "X...X", "X....", "X.XXX", "X...X", "X...X", ".XXX."],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "T": ["XXXXX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X.."],
}


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def fill(self, x, y, w, h, colour):
        for row in range(y, y + h):
            for col in range(x, x + w):
                self.pixels[row][col] = colour

    def frame(self, x, y, w, h, colour):
        self.fill(x, y, w, 1, colour)
        self.fill(x, y + h - 1, w, 1, colour)
        self.fill(x, y, 1, h, colour)
        self.fill(x + w - 1, y, 1, h, colour)

    def text(self, x, y, string, colour):
        for glyph in string:
            for row, line in enumerate(GLYPHS[glyph]):
                for col, bit in enumerate(line):
                    if bit == "X":
                        self.pixels[y + row][x + col] = colour
            x += 6

    def dib(self):
        """Bottom-up rows of 4-bit pixels, each row padded to four bytes."""
        stride = (self.width * 4 + 31) // 32 * 4
        out = bytearray()
        for row in reversed(self.pixels):
            line = bytearray((row[i] << 4) | (row[i + 1] if i + 1 < self.width else 0)
                             for i in range(0, self.width, 2))
            out += line + bytes(stride - len(line))
        return bytes(out)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 16)


def palette():
    return b"".join(struct.pack("<BBBB", c & 0xFF, c >> 8 & 0xFF, c >> 16, 0) for c in PALETTE)


def monitor(c, x, y, screen):
    c.fill(x, y, 22, 16, SILVER)
    c.frame(x, y, 22, 16, GRAY)
    c.fill(x + 2, y + 2, 18, 12, screen)
    c.fill(x + 8, y + 16, 6, 2, GRAY)
    c.fill(x + 5, y + 18, 12, 2, SILVER)


def logo():
    c = Canvas(100, 26, NAVY)
    c.frame(0, 0, 100, 26, AQUA)
    monitor(c, 4, 3, BLUE)
    c.text(28, 4, "VGA", WHITE)
    c.fill(30, 15, 12, 2, YELLOW)           # arrow from the monitor to the TV
    for step in range(4):
        c.fill(42 + step, 12 + step, 1, 8 - 2 * step, YELLOW)
    c.text(50, 4, "TV", WHITE)
    c.fill(68, 5, 26, 18, GRAY)             # the TV set with its antenna
    c.fill(70, 7, 18, 14, TEAL)
    c.fill(90, 8, 2, 2, YELLOW)
    c.fill(90, 12, 2, 2, YELLOW)
    c.fill(76, 3, 1, 2, SILVER)
    c.fill(82, 3, 1, 2, SILVER)
    c.fill(77, 2, 1, 1, SILVER)
    c.fill(81, 2, 1, 1, SILVER)
    bits = c.dib()
    header = info_header(c.width, c.height, len(bits)) + palette()
    return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(bits), 0, 0, 14 + len(header)) + header + bits


def icon():
    c = Canvas(32, 32, BLACK)
    monitor(c, 1, 1, BLUE)
    c.fill(12, 14, 19, 15, GRAY)
    c.fill(14, 16, 15, 11, TEAL)
    c.fill(17, 19, 9, 2, YELLOW)
    c.fill(24, 18, 2, 4, YELLOW)
    mask = bytes(4 * 32)                     # every pixel opaque
    bits = c.dib()
    image = info_header(32, 64, len(bits) + len(mask)) + palette() + bits + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22) + image


res = Path(__file__).resolve().parent.parent / "res"
(res / "logo.bmp").write_bytes(logo())
(res / "vgatv.ico").write_bytes(icon())
