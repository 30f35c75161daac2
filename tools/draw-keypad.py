#!/usr/bin/env python3
"""Draws the Dial button's face and mask as 16 x 16, 24-bit bitmaps.

resources/keypad.bmp (resource 102): a telephone keypad -- a display across the top, a red
and a green key below it, and a grid of keys. resources/keypad_mask.bmp (resource 103): black
where the face is opaque (a rounded square filling the image), white where it is
transparent (the corners). Run it again only to change the pictures; the files are kept in
the repository so that every build uses the same pixels.
"""
import struct
import sys
from pathlib import Path

SIZE = 16
BODY, EDGE = (0x3C, 0x3C, 0x46), (0x1E, 0x1E, 0x24)
DISPLAY, DISPLAY_TEXT = (0xA8, 0xD8, 0xF0), (0x30, 0x50, 0x60)
RED, GREEN, KEY = (0xE0, 0x30, 0x30), (0x30, 0xB0, 0x40), (0xE8, 0xE8, 0xE8)
BLACK, WHITE = (0, 0, 0), (0xFF, 0xFF, 0xFF)


def corner(x, y):
    """The pixels cut off by the rounded corners (radius 2)."""
    for cx in (0, SIZE - 1):
        for cy in (0, SIZE - 1):
            dx, dy = abs(x - cx), abs(y - cy)
            if dx + dy <= 1:
                return True
    return False


def face():
    rows = [[BODY] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if x in (0, SIZE - 1) or y in (0, SIZE - 1):
                rows[y][x] = EDGE
            if corner(x, y):
                rows[y][x] = WHITE
    for y in range(2, 5):  # the display
        for x in range(2, 14):
            rows[y][x] = DISPLAY
    for x in range(3, 10, 2):
        rows[3][x] = DISPLAY_TEXT
    for y in range(6, 8):  # the red and the green key
        for x in range(2, 6):
            rows[y][x] = RED
        for x in range(10, 14):
            rows[y][x] = GREEN
    for top in (9, 12):  # three rows of three keys
        for left in (2, 6, 10):
            for y in range(top, top + 2):
                for x in range(left, left + 4 if left == 10 else left + 3):
                    rows[y][x] = KEY
    return rows


def mask():
    return [[WHITE if corner(x, y) else BLACK for x in range(SIZE)] for y in range(SIZE)]


def bmp(rows):
    row_bytes = SIZE * 3  # 48: already a multiple of 4
    pixels = b"".join(bytes(c for rgb in row for c in reversed(rgb)) for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 54)
    assert len(pixels) == row_bytes * SIZE
    return file_header + header + pixels


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent / "resources")
    (out / "keypad.bmp").write_bytes(bmp(face()))
    (out / "keypad_mask.bmp").write_bytes(bmp(mask()))


if __name__ == "__main__":
    main()
