#!/usr/bin/env python3
"""Writes the system's own bitmap resources as 8-bit BMP files beside this script:

pointer.bmp (resource 103): 27 x 22. The mouse pointer's arrow is cut from columns 0-19, the
  text caret from columns 0-1 (the arrow's straight left edge), and everything from column 20 on
  is transparent (index 0, black), so a blank pointer can be cut from there.
palette.bmp (resource 101): 16 x 16, pixel i showing colour i of the display palette: twenty
  fixed colours at 0-9 and 246-255, a 6 x 6 x 6 colour cube at 10-225 and twenty greys at 226-245.

Run it again after changing a picture: python3 make_bitmaps.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp8(width, height, colours, pixel):
    """An 8-bit bottom-up BMP; colours is a list of (r, g, b), pixel(x, y) the index at x, y."""
    row = (width + 3) & ~3
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    bits = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytes(pixel(x, y) for x in range(width))
        bits += line + bytes(row - width)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(bits), 2835, 2835,
                       len(colours), len(colours))
    return header + info + table + bytes(bits)


def pointer_index(x, y):
    transparent, white, outline = 0, 1, 2
    if x >= 20:
        return transparent
    if x == 0:
        return outline  # the left edge, rows 0-21: also the caret's left column
    if x == 1:
        return outline if y in (0, 21) else white
    if y < 16:
        if x < y:
            return white
        if x == y:
            return outline
        return transparent
    return transparent


def palette_colours():
    fixed_low = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
                 (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240)]
    fixed_high = [(255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0),
                  (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v, v, v) for v in (12 * i + 8 for i in range(20))]
    colours = fixed_low + cube + greys + fixed_high
    assert len(colours) == 256
    return colours


def main():
    pointer = bmp8(27, 22, [(0, 0, 0), (255, 255, 255), (48, 48, 48)], pointer_index)
    with open(os.path.join(HERE, "pointer.bmp"), "wb") as f:
        f.write(pointer)
    palette = bmp8(16, 16, palette_colours(), lambda x, y: y * 16 + x)
    with open(os.path.join(HERE, "palette.bmp"), "wb") as f:
        f.write(palette)


if __name__ == "__main__":
    main()
