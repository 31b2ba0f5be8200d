#!/usr/bin/env python3
"""Draws data/Tondrial.bmp, the systray picture: a loudspeaker sending out two sound waves.

32 x 32 pixels, 24-bit colour, an uncompressed Windows bitmap written byte by byte (standard
library only). High contrast so that it stays visible to low-vision users on light and dark
panels: a yellow speaker and white waves on black, with a white frame.

Usage: draw_icon.py [OUTPUT]      (default: data/Tondrial.bmp beside this script's repository)
"""
import math
import os
import struct
import sys

SIZE = 32
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
YELLOW = (255, 215, 0)


def pixels():
    """Rows of (r, g, b), top row first."""
    img = [[BLACK] * SIZE for _ in range(SIZE)]
    for i in range(SIZE):  # frame, so the picture has an edge on a black panel too
        img[0][i] = img[SIZE - 1][i] = img[i][0] = img[i][SIZE - 1] = WHITE
    # Speaker: a box (the magnet) and a cone widening to the right.
    for y in range(12, 20):
        for x in range(4, 10):
            img[y][x] = YELLOW
    for x in range(10, 18):
        half = 4 + (x - 10)  # from 4 to 11 pixels above and below the middle
        for y in range(16 - half, 16 + half):
            img[y][x] = YELLOW
    # Two arcs (sound waves) centred on the cone's mouth, 2 pixels thick.
    cx, cy = 16.5, 15.5
    for y in range(SIZE):
        for x in range(19, SIZE - 1):
            d = math.hypot(x - cx, y - cy)
            angle = abs(math.degrees(math.atan2(y - cy, x - cx)))
            if angle <= 50 and (5.0 <= d < 7.0 or 10.0 <= d < 12.0):
                img[y][x] = WHITE
    return img


def bmp_bytes():
    rows = pixels()
    row_size = (SIZE * 3 + 3) // 4 * 4
    body = bytearray()
    for row in reversed(rows):  # a BMP stores the bottom row first
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (row_size - len(line))
        body += line
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(body), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return file_header + info_header + bytes(body)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "Tondrial.bmp")
    with open(out, "wb") as f:
        f.write(bmp_bytes())


if __name__ == "__main__":
    main()
