#!/usr/bin/env python3
"""Writes the About picture (res/about.bmp) and the link cursor (res/link.cur)."""
import os
import struct

W, H = 342, 132


def about_pixel(x, y):
    # A dusk sky from deep blue to amber with three wing-like bands.
    t = y / (H - 1)
    r = int(30 + 200 * t)
    g = int(50 + 110 * t)
    b = int(120 - 80 * t)
    for i, (cx, cy, s) in enumerate(((120, 60, 70), (200, 48, 50), (260, 70, 36))):
        dx, dy = x - cx, y - cy
        if abs(dy + abs(dx) * 0.35) < 3 + i and abs(dx) < s:
            r, g, b = 40, 30, 30
    return b, g, r


def write_about(name):
    row_size = (W * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(H - 1, -1, -1):
        row = bytearray()
        for x in range(W):
            row += bytes(about_pixel(x, y))
        row += b"\0" * (row_size - len(row))
        pixels += row
    header = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(header)
    with open(name, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset))
        f.write(header + pixels)


# A pointing hand; '#' black, '.' white, ' ' transparent. Hot spot: finger tip.
HAND = [
    "     ##         ",
    "    #..#        ",
    "    #..#        ",
    "    #..#        ",
    "    #..###      ",
    "    #..#..###   ",
    "    #..#..#..## ",
    " ## #..#..#..#.#",
    "#..##........#.#",
    "#...#..........#",
    " #.............#",
    "  #............#",
    "  #...........# ",
    "   #..........# ",
    "    #........#  ",
    "    ##########  ",
]
HOT_X, HOT_Y = 5, 0


def write_cursor(name):
    size = 32
    xor_rows, and_rows = [], []
    for y in range(size):
        xor_bits, and_bits = 0, 0
        for x in range(size):
            c = HAND[y][x] if y < len(HAND) and x < len(HAND[y]) else " "
            bit = 1 << (31 - x)
            if c == ".":
                xor_bits |= bit
            elif c == " ":
                and_bits |= bit
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    xor = b"".join(reversed(xor_rows))
    mask = b"".join(reversed(and_rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = header + palette + xor + mask
    with open(name, "wb") as f:
        f.write(struct.pack("<HHH", 0, 2, 1))
        f.write(struct.pack("<BBBBHHII", size, size, 2, 0, HOT_X, HOT_Y, len(image), 6 + 16))
        f.write(image)


if __name__ == "__main__":
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    write_about(os.path.join(res, "about.bmp"))
    write_cursor(os.path.join(res, "link.cur"))
