#!/usr/bin/env python3
"""Writes the main window's art: the four view-button bitmaps (4 bits,
16 x 16, light grey ground so the system colour map turns it into the
button face) and the program icon (32 x 32 and 16 x 16, 24 bits).

Run from the repository root: python3 tools/make_main_art.py
"""
import struct

# blue, green, red, reserved; indices used in the pictures below
PALETTE = [(0, 0, 0, 0), (0x80, 0x80, 0x80, 0), (0xC0, 0xC0, 0xC0, 0), (0xFF, 0xFF, 0xFF, 0)]
PALETTE += [(0, 0, 0, 0)] * 12
K, D, G, W = 0, 1, 2, 3


def blank(w, h, c=G):
    return [[c] * w for _ in range(h)]


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = c


def details():
    img = blank(16, 16)
    for y in (3, 7, 11):
        rect(img, 1, y, 3, y + 1, D)
        rect(img, 5, y, 9, y, K)
        rect(img, 11, y, 14, y, K)
    return img


def listing():
    img = blank(16, 16)
    for x in (1, 9):
        for y in (2, 6, 10):
            rect(img, x, y, x + 1, y + 1, D)
            rect(img, x + 3, y + 1, x + 5, y + 1, K)
    return img


def small_icons():
    img = blank(16, 16)
    for x in (1, 9):
        for y in (2, 9):
            rect(img, x, y, x + 2, y + 2, D)
            rect(img, x + 4, y + 1, x + 6, y + 1, K)
    return img


def large_icons():
    img = blank(16, 16)
    for x in (1, 9):
        for y in (1, 9):
            rect(img, x, y, x + 5, y + 4, D)
            rect(img, x + 1, y + 1, x + 4, y + 3, W)
            rect(img, x, y + 6, x + 5, y + 6, K)
    return img


def write_bmp4(name, img):
    h, w = len(img), len(img[0])
    rows = b""
    for row in reversed(img):
        data = bytes((row[i] << 4) | row[i + 1] for i in range(0, w, 2))
        rows += data + b"\0" * (-len(data) % 4)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(rows), 2835, 2835, 16, 0)
    table = b"".join(bytes(q) for q in PALETTE)
    offset = 14 + len(header) + len(table)
    with open(name, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset) + header + table + rows)


def icon_image(size):
    # a blue frame around a light picture with a diagonal band
    px = []
    for y in range(size):
        row = []
        for x in range(size):
            edge = x < size // 8 or y < size // 8 or x >= size - size // 8 or y >= size - size // 8
            if edge:
                row.append((0xA0, 0x50, 0x10))
            elif abs(x - y) < size // 6:
                row.append((0x20, 0xA0, 0xF0))
            else:
                row.append((0xF0, 0xF0, 0xF0))
        px.append(row)
    xor = b""
    for row in reversed(px):
        data = b"".join(bytes(p) for p in row)
        xor += data + b"\0" * (-len(data) % 4)
    mask_row = (size + 31) // 32 * 4
    andmask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    return header + xor + andmask


def write_ico(name, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    with open(name, "wb") as f:
        f.write(out + b"".join(images))


write_bmp4("res/view_details.bmp", details())
write_bmp4("res/view_list.bmp", listing())
write_bmp4("res/view_small.bmp", small_icons())
write_bmp4("res/view_large.bmp", large_icons())
write_ico("res/tolvex.ico", [32, 16])
