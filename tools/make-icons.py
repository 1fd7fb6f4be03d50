#!/usr/bin/env python3
"""Draws Notewell's icons and hand cursor as 32-bit ICO/CUR files.

Run from the repository root; writes into tray/res/. The shapes are simple
pixel art so the files are reproducible byte for byte."""
import struct
import sys


def bmp_entry(size, pixels, hotspot=None):
    """pixels: size*size list of (r,g,b,a) rows top to bottom."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(struct.pack('BBBB', b, g, r, a) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)
    return header + xor + and_mask


def write_icon(path, images, cursor=False):
    count = len(images)
    out = struct.pack('<HHH', 0, 2 if cursor else 1, count)
    offset = 6 + 16 * count
    blobs = []
    for size, pixels, hot in images:
        data = bmp_entry(size, pixels)
        planes, bits = (hot if cursor else (1, 32))
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, planes, bits, len(data), offset)
        offset += len(data)
        blobs.append(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


CLEAR = (0, 0, 0, 0)


def envelope(size, body, flap):
    """A note (envelope) on a rounded tile: the service's note icon."""
    px = [[CLEAR] * size for _ in range(size)]
    m = size // 8
    for y in range(m + size // 8, size - m - size // 8):
        for x in range(m, size - m):
            px[y][x] = body
    top, bottom = m + size // 8, size - m - size // 8 - 1
    for x in range(m, size - m):
        # The flap: a V from both top corners to the centre.
        dy = abs(x - (size - 1) / 2)
        y = int(top + ((size - 2 * m) / 2 - dy) * (bottom - top) / ((size - 2 * m) / 2) * 0.6)
        for t in range(max(1, size // 16)):
            if top <= y + t <= bottom:
                px[y + t][x] = flap
    for x in range(m, size - m):
        px[top][x] = flap
        px[bottom][x] = flap
    for y in range(top, bottom + 1):
        px[y][m] = flap
        px[y][size - m - 1] = flap
    return px


def hand(size):
    """A pointing hand, hotspot at the fingertip."""
    art = [
        "......XX........",
        ".....X..X.......",
        ".....X..X.......",
        ".....X..XXX.....",
        ".....X..X..XXX..",
        "..XX.X..X..X..X.",
        ".X..XX........X.",
        ".X...X........X.",
        "..X...........X.",
        "...X..........X.",
        "...X.........X..",
        "....X........X..",
        ".....X......X...",
        "......XXXXXXX...",
        "................",
        "................",
    ]
    scale = size // 16
    px = [[CLEAR] * size for _ in range(size)]
    # Fill the inside white, outline black.
    for y, row in enumerate(art):
        inside = False
        xs = [i for i, c in enumerate(row) if c == 'X']
        for x, c in enumerate(row):
            color = None
            if c == 'X':
                color = (0, 0, 0, 255)
            elif xs and xs[0] < x < xs[-1] and 1 <= y <= 13:
                color = (255, 255, 255, 255)
            if color:
                for dy in range(scale):
                    for dx in range(scale):
                        px[y * scale + dy][x * scale + dx] = color
    return px


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'tray/res'
    blue, white, pink = (40, 90, 200, 255), (255, 255, 255, 255), (230, 80, 140, 255)
    write_icon(f'{out}/Notewell.ico', [(32, envelope(32, white, blue), None), (16, envelope(16, white, blue), None)])
    write_icon(f'{out}/TrayIcon.ico', [(16, envelope(16, white, pink), None), (32, envelope(32, white, pink), None)])
    write_icon(f'{out}/Hand.cur', [(32, hand(32), (12, 0))], cursor=True)


if __name__ == '__main__':
    main()
