#!/usr/bin/env python3
"""Draws the program's icon, a black line drawing on white paper, and writes
velmora.ico with 16, 32 and 48 pixel images: python3 make_icon.py"""
import math
import struct

# Strokes in a 0..1 square: a mountain ridge, a sun and a ground line.
RIDGE = [(0.14, 0.78), (0.38, 0.36), (0.50, 0.54), (0.62, 0.42), (0.86, 0.78)]
SUN = ((0.72, 0.26), 0.10)
GROUND = [(0.10, 0.82), (0.90, 0.82)]


def segment_distance(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def ink(px, py, width):
    """Coverage of the strokes at a point, 0 (paper) to 1 (black)."""
    distances = [segment_distance(px, py, a, b) for a, b in zip(RIDGE, RIDGE[1:])]
    distances += [segment_distance(px, py, *GROUND)]
    (cx, cy), radius = SUN
    distances.append(abs(math.hypot(px - cx, py - cy) - radius))
    return 1.0 if min(distances) <= width else 0.0


def render(size):
    """Rows top first, each pixel (blue, green, red, alpha)."""
    width = max(0.9 / size, 0.035)
    samples = 4
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            border = x in (0, size - 1) or y in (0, size - 1)
            covered = sum(ink((x + (i + 0.5) / samples) / size, (y + (j + 0.5) / samples) / size, width)
                          for i in range(samples) for j in range(samples)) / samples ** 2
            grey = 128 if border else round(255 * (1 - covered))
            row.append((grey, grey, grey, 255))
        rows.append(row)
    return rows


def icon_image(size):
    rows = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes(channel for pixel in row for channel in pixel) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)
    return header + pixels + mask


def main():
    sizes = [16, 32, 48]
    images = [icon_image(size) for size in sizes]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for size, image in zip(sizes, images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open('velmora.ico', 'wb') as out:
        out.write(directory + entries + b''.join(images))


if __name__ == '__main__':
    main()
