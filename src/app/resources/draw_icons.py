#!/usr/bin/env python3
"""Draws the collector's two icons and writes them as .ico files beside this
script: collector.ico (32x32 and 16x16, the class and About-box icon) and
collector_small.ico (16x16, the small class icon).

The picture is a clock face: a blue ring, a white dial, two dark hands at ten
past ten and a small green dot for "recording". The images are 32-bit BGRA
with an AND mask, drawn with anti-aliased distance tests, so no imaging
library is needed. Run it again after changing the drawing; the .ico files are
committed so that a build needs no Python.
"""
import math
import os
import struct

RING = (0x1E, 0x5A, 0xA8)      # blue, as R, G, B
DIAL = (0xFF, 0xFF, 0xFF)
HANDS = (0x22, 0x2B, 0x38)
DOT = (0x2E, 0xA0, 0x43)


def coverage(distance, half_width):
    """How much of a pixel lies within half_width of a shape's centre line."""
    return max(0.0, min(1.0, half_width - distance + 0.5))


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def blend(under, over, alpha):
    """`over` painted with `alpha` on top of `under`; both (r, g, b, a) with a in 0..1."""
    r0, g0, b0, a0 = under
    r1, g1, b1 = over
    a = alpha + a0 * (1 - alpha)
    if a == 0:
        return (0, 0, 0, 0.0)
    mix = lambda c0, c1: (c1 * alpha + c0 * a0 * (1 - alpha)) / a
    return (mix(r0, r1), mix(g0, g1), mix(b0, b1), a)


def hand_tip(centre, length, degrees):
    """The tip of a hand of `length` pointing `degrees` clockwise from twelve."""
    angle = math.radians(degrees)
    return (centre + length * math.sin(angle), centre - length * math.cos(angle))


def draw(size):
    """Rows of (r, g, b, a) pixels, top row first."""
    centre = (size - 1) / 2.0
    outer = size / 2.0 - 0.5
    ring_width = max(1.5, size / 10.0)
    hand_width = max(0.6, size / 24.0)
    hour_hand = hand_tip(centre, outer * 0.45, 300)
    minute_hand = hand_tip(centre, outer * 0.72, 60)
    dot = (centre + outer * 0.45, centre + outer * 0.45)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            radius = math.hypot(x - centre, y - centre)
            pixel = blend((0, 0, 0, 0.0), RING, coverage(radius, outer))
            pixel = blend(pixel, DIAL, coverage(radius, outer - ring_width))
            for hx, hy in (hour_hand, minute_hand):
                distance = segment_distance(x, y, centre, centre, hx, hy)
                pixel = blend(pixel, HANDS, coverage(distance, hand_width))
            pixel = blend(pixel, DOT, coverage(math.hypot(x - dot[0], y - dot[1]), size / 9.0))
            row.append(pixel)
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, BGRA pixels bottom-up, AND mask."""
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((round(b), round(g), round(r), round(a * 255)))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 0.5:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return bytes(header + pixels + mask)


def write_icon(path, sizes):
    images = [icon_image(size) for size in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as out:
        out.write(data + b"".join(images))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(here, "collector.ico"), [32, 16])
    write_icon(os.path.join(here, "collector_small.ico"), [16])
