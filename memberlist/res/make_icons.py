#!/usr/bin/env python3
"""Draws the member list's row icons (42 by 21 pixels, 32-bit with alpha) as
ICO files: 207 waiting, 208 chatting, 209-211 (kept for the module, not shown
by the list), 216 no webcam, 217 webcam.

Run from anywhere: python3 memberlist/res/make_icons.py. The shapes are
computed, so the files are reproducible byte for byte."""
import os
import struct

W, H = 42, 21
HERE = os.path.dirname(os.path.abspath(__file__))
CLEAR = (0, 0, 0, 0)


def write_icon(path, pixels):
    header = struct.pack('<IiiHHIIiiII', 40, W, H * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(struct.pack('BBBB', b, g, r, a) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((W + 31) // 32) * 4
    data = header + xor + bytes(mask_row * H)
    entry = struct.pack('<BBBBHHII', W, H, 0, 0, 1, 32, len(data), 6 + 16)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1) + entry + data)


def canvas():
    return [[CLEAR] * W for _ in range(H)]


def inside_round_rect(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def round_rect(px, left, top, right, bottom, radius, colour):
    for y in range(H):
        for x in range(W):
            if inside_round_rect(x + 0.5, y + 0.5, left, top, right, bottom, radius):
                px[y][x] = colour


def disc(px, cx, cy, r, colour):
    for y in range(H):
        for x in range(W):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                px[y][x] = colour


def triangle(px, a, b, c, colour):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])
    for y in range(H):
        for x in range(W):
            p = (x + 0.5, y + 0.5)
            d1, d2, d3 = side(p, a, b), side(p, b, c), side(p, c, a)
            if not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0)):
                px[y][x] = colour


def line(px, x0, y0, x1, y1, width, colour):
    for y in range(H):
        for x in range(W):
            px_, py_ = x + 0.5, y + 0.5
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((px_ - x0) * dx + (py_ - y0) * dy) / float(dx * dx + dy * dy)))
            if (px_ - (x0 + t * dx)) ** 2 + (py_ - (y0 + t * dy)) ** 2 <= (width / 2.0) ** 2:
                px[y][x] = colour


def badge(fill, edge):
    px = canvas()
    round_rect(px, 1, 1, 41, 20, 9, edge)
    round_rect(px, 2, 2, 40, 19, 8, fill)
    return px


def bubble(px, cx, cy, w, h, colour):
    round_rect(px, cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2, h / 2, colour)
    triangle(px, (cx - w / 4, cy + h / 2 - 1), (cx - w / 4 + 4, cy + h / 2 - 1), (cx - w / 4 - 2, cy + h / 2 + 3), colour)


WHITE = (255, 255, 255, 255)


def waiting():
    px = badge((59, 165, 92, 255), (36, 120, 64, 255))
    bubble(px, 21, 9.5, 16, 9, WHITE)
    for x in (16, 21, 26):
        disc(px, x, 9.5, 1.4, (59, 165, 92, 255))
    return px


def chatting():
    fill = (232, 119, 46, 255)
    px = badge(fill, (178, 82, 22, 255))
    bubble(px, 17, 8.5, 13, 8, WHITE)
    round_rect(px, 21, 9, 33, 16, 3.5, fill)
    round_rect(px, 22, 10, 32, 15, 2.5, (255, 226, 200, 255))
    return px


def plain(fill, edge, mark):
    px = badge(fill, edge)
    disc(px, 21, 10.5, 4, mark)
    return px


def camera(body, lens, slash=None):
    px = canvas()
    round_rect(px, 9, 5, 27, 17, 3, body)
    triangle(px, (27, 11), (34, 6), (34, 16), body)
    disc(px, 18, 11, 4.2, WHITE)
    disc(px, 18, 11, 2.6, lens)
    if slash:
        line(px, 8, 19, 35, 2, 2.6, WHITE)
        line(px, 8, 19, 35, 2, 1.6, slash)
    return px


def main():
    icons = {
        'waiting.ico': waiting(),
        'chatting.ico': chatting(),
        'member209.ico': plain((84, 132, 214, 255), (52, 92, 168, 255), WHITE),
        'member210.ico': plain((160, 160, 160, 255), (110, 110, 110, 255), WHITE),
        'member211.ico': plain((219, 96, 150, 255), (168, 58, 108, 255), WHITE),
        'webcam.ico': camera((45, 110, 200, 255), (20, 60, 130, 255)),
        'no_webcam.ico': camera((150, 150, 150, 255), (95, 95, 95, 255), slash=(210, 40, 40, 255)),
    }
    for name, pixels in icons.items():
        write_icon(os.path.join(HERE, name), pixels)


if __name__ == '__main__':
    main()
