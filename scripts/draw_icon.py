#!/usr/bin/env python3
"""Draws the program's picture: a loudspeaker sending out two sound waves.

data/Tondrial.bmp, the systray picture: 32 x 32 pixels, 24-bit colour, an uncompressed Windows
bitmap written byte by byte (standard library only). High contrast so that it stays visible to
low-vision users on light and dark panels: a yellow speaker and white waves on black, with a
white frame.

With --desktop FOLDER it draws the menu icons of an installed program from the same shapes:
FOLDER/icons/<n>x<n>/tondrial.png for n = 32, 48, 128 (smoothed edges) and
FOLDER/icons/scalable/tondrial.svg.

With --ico FILE it draws the Windows program's icon (built into its resources): 16, 32 and 48
pixels as 32-bit bitmaps, which every Windows and Wine reads, and 256 pixels as a PNG, which
Explorer shows for large icons.

Usage: draw_icon.py [OUTPUT]      (default: data/Tondrial.bmp beside this script's repository)
       draw_icon.py --desktop FOLDER
       draw_icon.py --ico FILE
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


# The same picture as shapes on a 32-unit square, for the sizes a desktop asks for.
CONE = [(10, 12), (18, 4), (18, 28), (10, 20)]
WAVE_CENTRE = (17.0, 16.0)
WAVES = [(5.0, 7.0), (10.0, 12.0)]  # inner and outer radius of each arc
WAVE_ANGLE = 50.0  # degrees either side of the horizontal
ICON_SIZES = (32, 48, 128)


def inside_polygon(x, y, poly):
    inside = False
    j = len(poly) - 1
    for i in range(len(poly)):
        (xi, yi), (xj, yj) = poly[i], poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def colour_at(x, y):
    """Colour of the point (x, y) of the 32-unit square."""
    if x < 1 or y < 1 or x >= 31 or y >= 31:
        return WHITE
    if 4 <= x < 10 and 12 <= y < 20:
        return YELLOW
    if inside_polygon(x, y, CONE):
        return YELLOW
    cx, cy = WAVE_CENTRE
    d = math.hypot(x - cx, y - cy)
    if x > cx and abs(math.degrees(math.atan2(y - cy, x - cx))) <= WAVE_ANGLE:
        if any(r0 <= d < r1 for r0, r1 in WAVES):
            return WHITE
    return BLACK


def render(size, samples=4):
    """Rows of (r, g, b) at size x size pixels, each pixel the mean of samples x samples points."""
    scale = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale, (py + (sy + 0.5) / samples) * scale)
                    for k in range(3):
                        acc[k] += c[k]
            n = samples * samples
            row.append(tuple((a + n // 2) // n for a in acc))
        rows.append(row)
    return rows


def png_bytes(rows):
    """An 8-bit RGB PNG without a time stamp, so the same picture gives the same file."""
    import zlib
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def hex_colour(c):
    return "#%02x%02x%02x" % c


def svg_text():
    cx, cy = WAVE_CENTRE
    a = math.radians(WAVE_ANGLE)
    arcs = []
    for r0, r1 in WAVES:
        # An arc band: out along the outer radius, back along the inner one.
        p = [(cx + r * math.cos(s * a), cy + r * math.sin(s * a)) for r, s in ((r1, -1), (r1, 1), (r0, 1), (r0, -1))]
        arcs.append("M %.3f %.3f A %g %g 0 0 1 %.3f %.3f L %.3f %.3f A %g %g 0 0 0 %.3f %.3f Z"
                    % (p[0] + (r1, r1) + p[1] + p[2] + (r0, r0) + p[3]))
    cone = " ".join("%d,%d" % pt for pt in CONE)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 32 32">\n'
            '  <title>Tondrial</title>\n'
            '  <rect x="0" y="0" width="32" height="32" fill="%s"/>\n'
            '  <rect x="1" y="1" width="30" height="30" fill="%s"/>\n'
            '  <rect x="4" y="12" width="6" height="8" fill="%s"/>\n'
            '  <polygon points="%s" fill="%s"/>\n'
            '  <path d="%s" fill="%s"/>\n'
            '</svg>\n') % (hex_colour(WHITE), hex_colour(BLACK), hex_colour(YELLOW), cone, hex_colour(YELLOW),
                            " ".join(arcs), hex_colour(WHITE))


ICO_SIZES = (16, 32, 48, 256)


def ico_bitmap(rows):
    """An icon image as a bitmap: header of twice the height (colour, then mask), BGRA bottom row
    first, then an all-clear AND mask (the picture is opaque to its edges)."""
    size = len(rows)
    body = bytearray()
    for row in reversed(rows):
        for r, g, b in row:
            body += bytes((b, g, r, 255))
    mask_row = (size + 31) // 32 * 4
    body += b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(body), 0, 0, 0, 0)
    return header + bytes(body)


def ico_bytes():
    images = []
    for n in ICO_SIZES:
        # The large one as PNG, as Windows expects; two samples a side are smooth enough there.
        images.append(png_bytes(render(n, 2)) if n >= 256 else ico_bitmap(render(n)))
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for n, data in zip(ICO_SIZES, images):
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def write_desktop_icons(folder):
    for n in ICON_SIZES:
        d = os.path.join(folder, "icons", "%dx%d" % (n, n))
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "tondrial.png"), "wb") as f:
            f.write(png_bytes(render(n)))
    d = os.path.join(folder, "icons", "scalable")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "tondrial.svg"), "w") as f:
        f.write(svg_text())


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--desktop":
        write_desktop_icons(sys.argv[2])
        return
    if len(sys.argv) > 2 and sys.argv[1] == "--ico":
        with open(sys.argv[2], "wb") as f:
            f.write(ico_bytes())
        return
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "Tondrial.bmp")
    with open(out, "wb") as f:
        f.write(bmp_bytes())


if __name__ == "__main__":
    main()
