#!/usr/bin/env python3
"""Writes the system's own bitmap resources as 8-bit BMP files beside this script:

pointer.bmp (resource 103): 27 x 22. The mouse pointer's arrow is cut from columns 0-19, the
  text caret from columns 0-1 (the arrow's straight left edge), and everything from column 20 on
  is transparent (index 0, black), so a blank pointer can be cut from there.
palette.bmp (resource 101): 16 x 16, pixel i showing colour i of the display palette: twenty
  fixed colours at 0-9 and 246-255, a 6 x 6 x 6 colour cube at 10-225 and twenty greys at 226-245.
cli_panel.bmp (resource 125): 640 x 144, the runtime command line's panel: a title bar (rows 0-44)
  with the close button drawn in at x 565, y 7, the text area (rows 45-134, one flat colour that the
  text is drawn on; its pixel at 0, 47 gives the text background) and a bottom edge.
cli_close.bmp (resource 140) and cli_close_lit.bmp (resource 139): 66 x 22, the close button, and
  the same lit while the pointer is over it.
cli_narrow_end.bmp (resource 150): 111 x 41, the right end of the title bar with its close button
  at x 38, y 7, pasted with the colour key (black is transparent) at the right edge of a display
  narrower than 640.
24-bit pictures keep every channel at 8 or more, so that no colour but the key becomes black in a
16-bit display format.

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


def bmp24(width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives (r, g, b)."""
    row = (width * 3 + 3) & ~3
    bits = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        bits += line + bytes(row - width * 3)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    return header + info + bytes(bits)


# The command line's colours.
BAR_TOP, BAR_BOTTOM = (70, 84, 132), (28, 34, 64)
TEXT_AREA = (16, 20, 40)
EDGE = (96, 112, 168)
CLOSE_FACE, CLOSE_LIT = (120, 40, 48), (220, 64, 64)
PANEL_WIDTH, PANEL_HEIGHT = 640, 144
CLOSE_X, CLOSE_Y, CLOSE_WIDTH, CLOSE_HEIGHT = 565, 7, 66, 22
NARROW_WIDTH, NARROW_HEIGHT = 111, 41


def blend(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def close_button(x, y, face):
    """The close button: a framed face with a white cross in its middle."""
    if x in (0, CLOSE_WIDTH - 1) or y in (0, CLOSE_HEIGHT - 1):
        return EDGE
    cx, cy = x - CLOSE_WIDTH // 2, y - CLOSE_HEIGHT // 2
    if -6 <= cy <= 6 and (abs(cx - cy) <= 1 or abs(cx + cy) <= 1):
        return (255, 255, 255)
    return blend(face, (8, 8, 8), y / (CLOSE_HEIGHT * 2.0))


def title_bar(x, y):
    """Rows 0-44: a shaded bar with a light line at its top and a grip of dots at its left."""
    if y == 0:
        return EDGE
    if 12 <= y <= 32 and 10 <= x <= 40 and x % 4 == 2 and y % 4 == 2:
        return EDGE
    return blend(BAR_TOP, BAR_BOTTOM, y / 44.0)


def panel_pixel(x, y):
    if y < 45:
        if CLOSE_X <= x < CLOSE_X + CLOSE_WIDTH and CLOSE_Y <= y < CLOSE_Y + CLOSE_HEIGHT:
            return close_button(x - CLOSE_X, y - CLOSE_Y, CLOSE_FACE)
        return title_bar(x, y)
    if y < 135:
        return TEXT_AREA
    if y == PANEL_HEIGHT - 1:
        return EDGE
    return BAR_BOTTOM


def narrow_end_pixel(x, y):
    """The bar's right end: transparent (black) left of a slanted edge, then the bar."""
    edge = 24 - y // 2
    if x < edge:
        return (0, 0, 0)
    close_left = NARROW_WIDTH - 73
    if close_left <= x < close_left + CLOSE_WIDTH and CLOSE_Y <= y < CLOSE_Y + CLOSE_HEIGHT:
        return close_button(x - close_left, y - CLOSE_Y, CLOSE_FACE)
    if x == edge or y == 0:
        return EDGE
    return blend(BAR_TOP, BAR_BOTTOM, y / 44.0)


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
    pictures = {
        "cli_panel.bmp": bmp24(PANEL_WIDTH, PANEL_HEIGHT, panel_pixel),
        "cli_close.bmp": bmp24(CLOSE_WIDTH, CLOSE_HEIGHT, lambda x, y: close_button(x, y, CLOSE_FACE)),
        "cli_close_lit.bmp": bmp24(CLOSE_WIDTH, CLOSE_HEIGHT, lambda x, y: close_button(x, y, CLOSE_LIT)),
        "cli_narrow_end.bmp": bmp24(NARROW_WIDTH, NARROW_HEIGHT, narrow_end_pixel),
    }
    for name, data in pictures.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
