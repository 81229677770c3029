#!/usr/bin/env python3
"""Draws the program's icon for the Windows build, app/win32/q527.ico: the
same picture as the Linux dialog's (a framed white square, a blue line and
its two end points in red) at 16, 32 and 48 pixels, 32-bit colour.
Standard library only.
    scripts/make-icon.py [OUTPUT]"""
import math
import struct
import sys

SAMPLES = 4  # per pixel and axis: the edges are smoothed


def colour_at(x, y, unit):
    """The colour (r, g, b) of the point (x, y) of a square of 16 units."""
    def near_segment(ax, ay, bx, by, width):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= width / 2

    for cx, cy in ((3.5, 12.5), (12.5, 3.5)):
        if math.hypot(x - cx * unit, y - cy * unit) <= 2.2 * unit:
            return (220, 30, 30)
    if near_segment(3.5 * unit, 12.5 * unit, 12.5 * unit, 3.5 * unit, 1.5 * unit):
        return (0, 90, 200)
    inner = 0.5 * unit
    outer = 15.5 * unit
    half = unit / 2
    on_frame = (abs(x - inner) <= half or abs(x - outer) <= half or
                abs(y - inner) <= half or abs(y - outer) <= half)
    if on_frame and inner - half <= x <= outer + half and inner - half <= y <= outer + half:
        return (40, 40, 40)
    return (255, 255, 255)


def image(size):
    """The BMP-form icon image: header, BGRA rows from the bottom, AND mask."""
    unit = size / 16.0
    rows = []
    for row in range(size):
        pixels = bytearray()
        for column in range(size):
            total = [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b = colour_at(column + (sx + 0.5) / SAMPLES, row + (sy + 0.5) / SAMPLES, unit)
                    total[0] += r
                    total[1] += g
                    total[2] += b
            r, g, b = (round(c / SAMPLES ** 2) for c in total)
            pixels += bytes((b, g, r, 255))
        rows.append(bytes(pixels))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    mask_row = bytes(((size + 31) // 32) * 4)  # every pixel opaque
    return header + b"".join(reversed(rows)) + mask_row * size


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else "app/win32/q527.ico"
    sizes = (16, 32, 48)
    images = [image(size) for size in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, body in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    with open(output, "wb") as out:
        out.write(data + b"".join(images))


if __name__ == "__main__":
    main()
