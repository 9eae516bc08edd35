#!/usr/bin/env python3
"""Writes the program's icon file: a carton with a green arrow pointing into it,
at 32x32 and 16x16 in 16 colours (4 bits per pixel, the standard VGA palette).

    make_icon.py OUTPUT.ico

The pictures are drawn from the same shapes at both sizes, so the output is the
same on every run; nothing here depends on the build machine.
"""
import struct
import sys

# The standard 16-colour palette, in the order Windows numbers it (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREEN, DARK_YELLOW, GREEN, YELLOW = 0, 2, 3, 10, 11
CLEAR = None


def draw(size):
    """Rows top-down of palette indexes, CLEAR where the desktop shows through."""
    s = size / 32.0
    grid = [[CLEAR] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(round(y0 * s), round(y1 * s)):
            for x in range(round(x0 * s), round(x1 * s)):
                grid[y][x] = colour

    # The carton: dark body, a lighter lid strip, a black edge.
    fill(3, 16, 29, 30, DARK_YELLOW)
    fill(3, 16, 29, 19, YELLOW)
    for y in range(round(16 * s), round(30 * s)):
        for x in range(round(3 * s), round(29 * s)):
            edge = (y in (round(16 * s), round(30 * s) - 1)
                    or x in (round(3 * s), round(29 * s) - 1))
            if edge:
                grid[y][x] = BLACK

    # The arrow: a shaft coming from above and a head that reaches into the lid.
    fill(13, 1, 19, 11, GREEN)
    top, bottom = round(10 * s), round(21 * s)
    centre = size / 2.0
    half = 8 * s
    for y in range(top, bottom):
        width = half * (bottom - y) / (bottom - top)
        for x in range(size):
            if abs(x + 0.5 - centre) < width:
                grid[y][x] = GREEN
    # A dark rim on the arrow so that it stands out on the yellow lid.
    for y in range(size):
        for x in range(size):
            if grid[y][x] != GREEN:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                outside = not (0 <= nx < size and 0 <= ny < size)
                if outside or grid[ny][nx] not in (GREEN, DARK_GREEN):
                    grid[y][x] = DARK_GREEN
                    break
    return grid


def image_bytes(size):
    """One icon image: BITMAPINFOHEADER, palette, colour bits, then the AND mask."""
    grid = draw(size)
    colour_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(grid):  # bitmaps are stored bottom-up
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, index in enumerate(row):
            if index is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = BLACK  # transparent pixels must be black in the colour bits
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        colour += line
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(sizes):
    images = [image_bytes(size) for size in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: make_icon.py OUTPUT.ico')
    with open(sys.argv[1], 'wb') as out:
        out.write(icon_file([32, 16]))


if __name__ == '__main__':
    main()
