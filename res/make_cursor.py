#!/usr/bin/env python3
"""Writes the buttons' hand cursor (resource 149) as a 32 x 32 monochrome CUR
file (black and white, and transparent through its AND mask), hot spot at
the tip of the index finger (13, 5). Its pixels are only black, white or
transparent, so one bit a pixel shows them all: 326 bytes instead of 4 KB.

The hand is described by its filled area; the outline is every filled pixel
that touches an unfilled one, plus the creases between the fingers."""
import struct
import sys

W = H = 32
HOT_X, HOT_Y = 13, 5


def filled():
    px = set()

    def rect(x0, x1, y0, y1):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px.add((x, y))

    rect(11, 15, 6, 20)   # index finger
    rect(12, 14, 5, 5)    # its rounded tip: the hot spot
    rect(15, 19, 12, 20)  # middle finger
    rect(16, 18, 11, 11)
    rect(19, 23, 13, 20)  # ring finger
    rect(20, 22, 12, 12)
    rect(23, 26, 15, 21)  # little finger
    rect(24, 25, 14, 14)
    rect(10, 26, 19, 26)  # palm
    rect(11, 25, 27, 27)
    rect(12, 24, 28, 29)  # wrist
    # thumb, bending in from the left
    for y, (x0, x1) in {16: (6, 8), 17: (5, 9), 18: (5, 10), 19: (6, 10), 20: (7, 10),
                        21: (8, 10), 22: (9, 10), 23: (10, 10)}.items():
        rect(x0, x1, y, y)
    return px


def main(out):
    fill = filled()
    black, white = (0, 0, 0, 255), (255, 255, 255, 255)
    pixels = {}
    for (x, y) in fill:
        edge = any((x + dx, y + dy) not in fill for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        pixels[(x, y)] = black if edge else white
    for x, y0, y1 in ((15, 13, 18), (19, 14, 18), (23, 16, 19)):  # creases
        for y in range(y0, y1 + 1):
            pixels[(x, y)] = black
    assert pixels.get((HOT_X, HOT_Y)) == black

    # XOR image, 1 bit a pixel through a palette of black (0) and white (1);
    # AND mask, 1 = transparent. Rows bottom-up, 32 pixels = one 4-byte row.
    xor = bytearray()
    andmask = bytearray()
    for y in range(H - 1, -1, -1):
        colour = mask = 0
        for x in range(W):
            if (x, y) not in pixels:
                mask |= 1 << (31 - x)
            elif pixels[(x, y)] == white:
                colour |= 1 << (31 - x)
        xor += struct.pack('>I', colour)
        andmask += struct.pack('>I', mask)

    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack('<IiiHHIIiiII', 40, W, H * 2, 1, 1, 0, len(xor) + len(andmask), 0, 0, 2, 0)
    image = header + palette + xor + andmask
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', W, H, 2, 0, HOT_X, HOT_Y, len(image), 6 + 16)
    with open(out, 'wb') as f:
        f.write(directory + entry + image)

    # A text picture on request, to look at the shape.
    if len(sys.argv) > 2 and sys.argv[2] == '--show':
        for y in range(H):
            print(''.join({black: '#', white: 'o'}.get(pixels.get((x, y)), '.') for x in range(W)))


if __name__ == '__main__':
    main(sys.argv[1])
