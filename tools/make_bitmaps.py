#!/usr/bin/env python3
"""Draw MILLPLAN's toolbar and numbering-direction bitmaps and write them as .bmp files.

Usage:
    python3 tools/make_bitmaps.py           write the bitmaps into res/
    python3 tools/make_bitmaps.py --check   exit 1 (naming the file) if a file on
                                            disk differs from what this script
                                            would write, 0 otherwise

Output (8 bits per pixel, 256-entry palette, bottom-up rows, BITMAPINFOHEADER):
    res/toolbar5.bmp   160x32  rotate, section, zoom in, zoom out, undo
    res/toolbar6.bmp   192x32  the same five plus the communication log
    res/dir_right.bmp   64x64  rows numbered left to right, from the top
    res/dir_down.bmp    64x64  columns numbered top to bottom, from the left
    res/dir_left.bmp    64x64  rows numbered right to left, from the top
    res/dir_up.bmp      64x64  columns numbered bottom to top, from the left

Every picture is hard-edged pixel art on a background of exactly RGB
(192,192,192): the toolbar replaces that colour with the button face, so it
never appears inside a drawing.  Nor do pure black, 50 % grey, (223,223,223)
or pure white, which bitmap loaders may also swap for system colours.
Shapes are sampled at pixel centres (no anti-aliasing), get a 1 px darker
outline and a light top-left / dark bottom-right bevel, in the manner of
classic toolbar icons.

Output is deterministic: the same bytes on every run.  Python 3 standard
library only; importing this module has no side effects.
"""

import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import generated  # noqa: E402

SCRIPT_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_ROOT = os.path.dirname(SCRIPT_DIR)

FACE = (192, 192, 192)
# Colours that bitmap loaders map to system colours (the toolbar, and
# LoadImage with LR_LOADMAP3DCOLORS); a drawing must avoid them.
RESERVED = {FACE, (0, 0, 0), (128, 128, 128), (223, 223, 223), (255, 255, 255)}

# --------------------------------------------------------------------------
# Colours (sRGB).  Each drawn part has a fill, an outline and bevel shades.
# --------------------------------------------------------------------------

GREEN_HI = (184, 240, 150)
GREEN_TOP = (112, 210, 80)
GREEN_BOT = (36, 148, 36)
GREEN_LO = (24, 110, 28)
GREEN_EDGE = (14, 70, 18)

PURPLE_HI = (222, 176, 250)
PURPLE_TOP = (176, 104, 232)
PURPLE_BOT = (120, 48, 180)
PURPLE_LO = (92, 30, 146)
PURPLE_EDGE = (56, 14, 92)

CASE_HI = (250, 250, 246)
CASE_TOP = (232, 230, 222)
CASE_BOT = (206, 203, 194)
CASE_LO = (150, 147, 138)
CASE_EDGE = (58, 60, 72)
SCREEN_TOP = (64, 132, 222)
SCREEN_BOT = (18, 52, 140)
SCREEN_GLINT = (150, 200, 248)

RIM_HI = (150, 162, 184)
RIM_TOP = (96, 108, 132)
RIM_BOT = (54, 62, 82)
RIM_EDGE = (26, 30, 44)
GLASS_TOP = (236, 246, 254)
GLASS_BOT = (156, 204, 242)
GLASS_GLINT = (252, 253, 254)
SIGN = (22, 56, 150)
HANDLE_HI = (196, 132, 74)
HANDLE_TOP = (150, 90, 40)
HANDLE_BOT = (96, 54, 22)
HANDLE_EDGE = (52, 28, 10)

FRAME_EDGE = (34, 46, 78)
TITLE_LEFT = (20, 60, 150)
TITLE_RIGHT = (96, 150, 224)
TITLE_BUTTON = (236, 238, 244)
CLIENT = (250, 250, 247)
CLIENT_LINE = (176, 184, 200)

ARROW_HI = (255, 226, 150)
ARROW_TOP = (252, 188, 56)
ARROW_BOT = (226, 120, 16)
ARROW_LO = (190, 90, 8)
ARROW_EDGE = (110, 50, 4)

PAPER_HI = (254, 254, 253)
PAPER = (248, 248, 242)
PAPER_LO = (214, 214, 204)
PAPER_EDGE = (80, 84, 98)
FOLD = (222, 222, 212)
TEXT_LINE = (118, 138, 184)

PENCIL_HI = (255, 236, 140)
PENCIL_TOP = (252, 206, 46)
PENCIL_BOT = (226, 160, 18)
PENCIL_EDGE = (110, 70, 6)
WOOD = (240, 204, 152)
WOOD_EDGE = (140, 96, 52)
LEAD = (44, 44, 54)
FERRULE = (210, 212, 222)
FERRULE_LO = (150, 152, 166)
ERASER = (240, 136, 150)
ERASER_EDGE = (130, 44, 62)

DIR_HI = (150, 196, 250)
DIR_TOP = (70, 140, 232)
DIR_BOT = (28, 84, 190)
DIR_LO = (20, 64, 150)
DIR_EDGE = (12, 34, 96)
TRACK = (104, 108, 124)


# --------------------------------------------------------------------------
# Shapes: predicates on continuous coordinates, sampled at pixel centres.
# --------------------------------------------------------------------------

def rect(x0, y0, x1, y1):
    """Pixels x0..x1-1, y0..y1-1."""
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out, a0=None, a1=None):
    """Annulus, optionally limited to angles a0..a1 (degrees, y down, 0 = east,
    measured clockwise on screen)."""
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not (r_in * r_in <= d2 <= r_out * r_out):
            return False
        if a0 is None:
            return True
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        return (a - a0) % 360.0 <= (a1 - a0) % 360.0
    return inside


def polygon(points):
    pts = list(points)

    def inside(x, y):
        hit = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                if x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
            j = i
        return hit
    return inside


def bar(x0, y0, x1, y1, half_width):
    """A straight band from (x0,y0) to (x1,y1), square ends."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length

    def inside(x, y):
        px, py = x - x0, y - y0
        along = px * ux + py * uy
        across = -px * uy + py * ux
        return 0.0 <= along <= length and abs(across) <= half_width
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


# --------------------------------------------------------------------------
# Canvas.  A picture is a grid of RGB tuples; a transform lets one drawing
# serve several orientations (the direction pictures).
# --------------------------------------------------------------------------

def _lerp(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c0, c1))


def vertical(c0, c1, y0, y1, steps=6):
    """Top-to-bottom gradient in a few flat bands (keeps the palette small)."""
    def colour(x, y):
        t = (y + 0.5 - y0) / max(1.0, float(y1 - y0))
        t = min(steps - 1, max(0, int(t * steps))) / float(steps - 1)
        return _lerp(c0, c1, t)
    return colour


def horizontal(c0, c1, x0, x1, steps=6):
    def colour(x, y):
        t = (x + 0.5 - x0) / max(1.0, float(x1 - x0))
        t = min(steps - 1, max(0, int(t * steps))) / float(steps - 1)
        return _lerp(c0, c1, t)
    return colour


def diagonal(c0, c1, x0, y0, size, steps=6):
    """Top-left to bottom-right gradient over a size x size box."""
    def colour(x, y):
        t = ((x - x0) + (y - y0) + 1.0) / (2.0 * size)
        t = min(steps - 1, max(0, int(t * steps))) / float(steps - 1)
        return _lerp(c0, c1, t)
    return colour


N4 = ((1, 0), (-1, 0), (0, 1), (0, -1))
N8 = N4 + ((1, 1), (1, -1), (-1, 1), (-1, -1))


class Canvas:
    def __init__(self, width, height, ox=0, oy=0, transform=None):
        self.width = width
        self.height = height
        self.px = [FACE] * (width * height)
        # Drawing coordinates are shifted by (ox, oy), so one icon routine
        # can draw any cell of a strip.
        self.ox = ox
        self.oy = oy
        # transform(x, y) -> (u, v): output pixel centre to drawing coordinates.
        self.transform = transform

    def mask(self, shape, x0, y0, x1, y1):
        """Set of output pixels (x, y) in the local box whose centre is inside."""
        hits = set()
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                cx, cy = x + 0.5, y + 0.5
                if self.transform is not None:
                    cx, cy = self.transform(cx, cy)
                else:
                    cx, cy = cx - self.ox, cy - self.oy
                if shape(cx, cy):
                    hits.add((x, y))
        return hits

    def box(self):
        if self.transform is not None:
            return 0, 0, self.width, self.height
        return self.ox, self.oy, self.ox + 32, self.oy + 32

    def put(self, x, y, colour):
        if colour in RESERVED:
            raise ValueError("reserved colour %r drawn at %d,%d" % (colour, x, y))
        self.px[y * self.width + x] = colour

    def local(self, x, y):
        """Drawing coordinates of an output pixel's centre (for fills)."""
        if self.transform is not None:
            return self.transform(x + 0.5, y + 0.5)
        return x + 0.5 - self.ox, y + 0.5 - self.oy

    def shape(self, shape, fill, edge=None, hi=None, lo=None, corners=True):
        """Paint a shape: outline ring (8-neighbour when corners, else
        4-neighbour, which rounds the corners off), body, then bevel."""
        x0, y0, x1, y1 = self.box()
        inside = self.mask(shape, x0, y0, x1, y1)
        if edge is not None:
            ring_px = set()
            for (x, y) in inside:
                for dx, dy in (N8 if corners else N4):
                    q = (x + dx, y + dy)
                    if q not in inside and x0 <= q[0] < x1 and y0 <= q[1] < y1:
                        ring_px.add(q)
            for (x, y) in sorted(ring_px):
                self.put(x, y, edge)
        for (x, y) in sorted(inside):
            u, v = self.local(x, y)
            c = fill(u - 0.5, v - 0.5) if callable(fill) else fill
            # The bevel looks at the output picture, whatever the drawing's
            # orientation, so the light always comes from the top left.
            up = (x, y - 1) in inside and (x - 1, y) in inside
            down = (x, y + 1) in inside and (x + 1, y) in inside
            if hi is not None and not up:
                c = hi
            elif lo is not None and not down:
                c = lo
            self.put(x, y, c)

    def pixels(self, points, colour, erase=False):
        """Set single pixels; erase=True paints the background back."""
        for (u, v) in points:
            if erase:
                self.px[(v + self.oy) * self.width + u + self.ox] = FACE
            else:
                self.put(u + self.ox, v + self.oy, colour)

    def rows(self):
        return [self.px[y * self.width:(y + 1) * self.width]
                for y in range(self.height)]


# --------------------------------------------------------------------------
# The toolbar pictures, each on a 32x32 cell.  Coordinates are pixels of the
# cell; (x + 0.5, y + 0.5) is the centre of pixel (x, y).
# --------------------------------------------------------------------------

def _arrowhead(tip, base_mid, half_width):
    """Triangle with its point at tip, base through base_mid, perpendicular."""
    tx, ty = tip
    bx, by = base_mid
    dx, dy = tx - bx, ty - by
    length = math.hypot(dx, dy)
    nx, ny = -dy / length * half_width, dx / length * half_width
    return polygon([(tx, ty), (bx + nx, by + ny), (bx - nx, by - ny)])


def arc_arrow(cx, cy, r_in, r_out, a0, a1, head_half, head_len):
    """Band along a circle from angle a0 clockwise to a1 (degrees, y down),
    ending in a head that points along the tangent at a1."""
    mid = (r_in + r_out) / 2.0
    a = math.radians(a1)
    bx, by = cx + mid * math.cos(a), cy + mid * math.sin(a)
    tx, ty = bx - math.sin(a) * head_len, by + math.cos(a) * head_len
    return union(ring(cx, cy, r_in, r_out, a0, a1),
                 _arrowhead((tx, ty), (bx, by), head_half))


def draw_rotate(cv):
    # Two arcs of one circle chasing each other clockwise; the centre is a
    # pixel corner so the two halves are exact turns of each other.
    fill = diagonal(GREEN_TOP, GREEN_BOT, 2, 2, 28)
    for a0 in (215.0, 35.0):
        cv.shape(arc_arrow(16.0, 16.0, 6.5, 11.5, a0, a0 + 105.0, 6.5, 7.5),
                 fill, GREEN_EDGE, GREEN_HI, GREEN_LO, corners=False)


def _monitor(cv, x0, y0, w, h):
    """Monitor with a bezel of 2 px, a screen and a stand below."""
    x1, y1 = x0 + w, y0 + h
    neck_x = x0 + w // 2 - 2
    cv.shape(rect(neck_x, y1, neck_x + 4, y1 + 2), CASE_LO, CASE_EDGE)
    cv.shape(rect(neck_x - 3, y1 + 2, neck_x + 7, y1 + 4), CASE_BOT, CASE_EDGE,
             CASE_HI, CASE_LO)
    cv.shape(rect(x0, y0, x1, y1), vertical(CASE_TOP, CASE_BOT, y0, y1, 3),
             CASE_EDGE, CASE_HI, CASE_LO)
    screen = rect(x0 + 2, y0 + 2, x1 - 2, y1 - 3)
    cv.shape(screen, vertical(SCREEN_TOP, SCREEN_BOT, y0 + 2, y1 - 3, 4))
    # A diagonal glint in the top left of the screen.
    glint = [(x0 + 3 + i, y0 + 6 - i) for i in range(4)]
    glint += [(x0 + 3 + i, y0 + 4 - i) for i in range(2)]
    cv.pixels(glint, SCREEN_GLINT)


def draw_section(cv):
    _monitor(cv, 1, 1, 16, 12)
    _monitor(cv, 15, 12, 16, 12)
    # Purple arrow bending from below the first monitor over to the second.
    path = union(rect(3, 18, 7, 26), rect(3, 22, 9, 26))
    head = polygon([(15.0, 24.0), (9.0, 18.0), (9.0, 30.0)])
    cv.shape(union(path, head), diagonal(PURPLE_TOP, PURPLE_BOT, 3, 17, 13),
             PURPLE_EDGE, PURPLE_HI, PURPLE_LO)


def _magnifier(cv, plus):
    cx, cy = 13.0, 13.0
    # Handle first, so the rim's outline separates it from the lens.
    handle = bar(19.5, 19.5, 27.6, 27.6, 3.0)
    cv.shape(handle, diagonal(HANDLE_TOP, HANDLE_BOT, 19, 19, 10),
             HANDLE_EDGE, HANDLE_HI, None, corners=False)
    cv.shape(disc(cx, cy, 10.5), diagonal(RIM_TOP, RIM_BOT, 3, 3, 21),
             RIM_EDGE, RIM_HI, None, corners=False)
    cv.shape(disc(cx, cy, 8.0), diagonal(GLASS_TOP, GLASS_BOT, 5, 5, 17))
    # Glint in the upper left of the glass.
    cv.pixels([(8, 7), (7, 8), (9, 6), (6, 9)], GLASS_GLINT)
    arm = rect(8, 11, 18, 15)
    sign = union(arm, rect(11, 8, 15, 18)) if plus else arm
    cv.shape(sign, SIGN)


def draw_zoom_in(cv):
    _magnifier(cv, True)


def draw_zoom_out(cv):
    _magnifier(cv, False)


def draw_undo(cv):
    # The window: frame, title bar with a close box, a few lines of content.
    cv.shape(rect(2, 2, 25, 23), CLIENT, FRAME_EDGE)
    cv.shape(rect(2, 2, 25, 7), horizontal(TITLE_LEFT, TITLE_RIGHT, 2, 25, 5))
    cv.shape(rect(20, 3, 24, 6), TITLE_BUTTON)
    cv.pixels([(x, 7) for x in range(2, 25)], FRAME_EDGE)
    for y, x1 in ((10, 22), (13, 9), (16, 6), (19, 6)):
        cv.pixels([(x, y) for x in range(4, x1)], CLIENT_LINE)
    # The back arrow: a U turn on the right whose upper leg ends in a head
    # pointing left.
    turn = ring(21.0, 22.0, 3.0, 7.0, 270.0, 90.0)
    top = rect(12, 15, 21, 19)
    bottom = rect(17, 25, 21, 29)
    head = polygon([(6.0, 17.0), (12.5, 10.5), (12.5, 23.5)])
    cv.shape(union(turn, top, bottom, head),
             diagonal(ARROW_TOP, ARROW_BOT, 6, 10, 22), ARROW_EDGE, ARROW_HI,
             ARROW_LO, corners=False)


def draw_comlog(cv):
    # Sheet with a folded top-right corner.
    cv.shape(rect(4, 2, 26, 30), PAPER, PAPER_EDGE, PAPER_HI, PAPER_LO)
    # Folded corner: cut off above the diagonal from (19,1) to (26,8); the
    # flap lies below it, inside a vertical and a horizontal edge.
    for y in range(1, 9):
        cv.pixels([(x, y) for x in range(y + 19, 27)], FACE, erase=True)
        cv.pixels([(y + 18, y)], PAPER_EDGE)
    cv.pixels([(x, y) for y in range(3, 8) for x in range(20, y + 18)], FOLD)
    cv.pixels([(19, y) for y in range(1, 9)] + [(x, 8) for x in range(19, 27)],
              PAPER_EDGE)
    for y, x1 in ((6, 16), (10, 21), (14, 21), (18, 16), (22, 12), (26, 10)):
        cv.pixels([(x, y) for x in range(7, x1)], TEXT_LINE)
    # Pencil lying from the lower left (tip) to the upper right (eraser).
    ax, ay = 11.0, 29.0     # tip
    bx, by = 29.5, 10.5     # eraser end
    ux, uy = (bx - ax) / math.hypot(bx - ax, by - ay), \
        (by - ay) / math.hypot(bx - ax, by - ay)

    def at(t):
        return ax + ux * t, ay + uy * t

    length = math.hypot(bx - ax, by - ay)
    half = 3.3
    wood_end = at(6.0)
    lead_end = at(2.2)
    body = bar(*wood_end, *at(length - 6.5), half)
    ferrule = bar(*at(length - 6.5), *at(length - 3.6), half)
    eraser = bar(*at(length - 3.6), *at(length), half)
    wood = _arrowhead((ax, ay), wood_end, half)
    lead = _arrowhead((ax, ay), lead_end, half * 2.2 / 6.0)
    whole = union(body, ferrule, eraser, wood)
    cv.shape(whole, PENCIL_TOP, PENCIL_EDGE, corners=False)
    cv.shape(body, diagonal(PENCIL_HI, PENCIL_BOT, 12, 8, 18, 4),
             None, PENCIL_HI, PENCIL_BOT)
    cv.shape(ferrule, FERRULE, None, None, FERRULE_LO)
    cv.shape(eraser, ERASER)
    cv.shape(wood, WOOD)
    cv.shape(lead, LEAD)


TOOLBAR_PICTURES = (draw_rotate, draw_section, draw_zoom_in, draw_zoom_out,
                    draw_undo, draw_comlog)


def toolbar_strip(count):
    cv = Canvas(32 * count, 32)
    for i in range(count):
        cv.ox = 32 * i
        TOOLBAR_PICTURES[i](cv)
    cv.ox = 0
    return cv


# --------------------------------------------------------------------------
# Numbering directions, 64x64.  Drawn once in the "rows left to right from
# the top" frame; the other three are the same drawing seen through a
# transform, so all four match exactly.
# --------------------------------------------------------------------------

ROWS = (13.0, 32.0, 51.0)   # centre lines of the three rows


def draw_direction(cv):
    # Dotted return paths from the end of one row to the start of the next,
    # so the order of the rows reads at a glance.  Dots are 2x2 blocks on
    # whole pixels, which stay square in every orientation.
    for r in range(len(ROWS) - 1):
        x0, y0 = 45.0, ROWS[r] + 5.0
        x1, y1 = 8.0, ROWS[r + 1] - 7.0
        n = 7
        for i in range(n + 1):
            u = int(round(x0 + (x1 - x0) * i / float(n)))
            v = int(round(y0 + (y1 - y0) * i / float(n)))
            cv.shape(rect(u, v, u + 2, v + 2), TRACK)
    for cy in ROWS:
        shaft = rect(4, cy - 2.5, 47, cy + 2.5)
        head = polygon([(60.0, cy), (46.0, cy - 7.5), (46.0, cy + 7.5)])
        cv.shape(union(shaft, head), vertical(DIR_TOP, DIR_BOT, cy - 8, cy + 8, 4),
                 DIR_EDGE, DIR_HI, DIR_LO, corners=False)


DIRECTIONS = {
    # name: output pixel centre (x, y) -> drawing coordinates (u, v)
    "right": lambda x, y: (x, y),
    "down": lambda x, y: (y, x),
    "left": lambda x, y: (64.0 - x, y),
    "up": lambda x, y: (64.0 - y, x),
}


def direction_picture(name):
    cv = Canvas(64, 64, transform=DIRECTIONS[name])
    draw_direction(cv)
    return cv


# --------------------------------------------------------------------------
# BMP encoding: 8 bits per pixel with a 256-entry palette, rows bottom-up,
# each padded to a multiple of 4 bytes.
# --------------------------------------------------------------------------

def encode_bmp(canvas):
    rows = canvas.rows()
    colours = sorted(set(c for row in rows for c in row) - {FACE})
    palette = [FACE] + colours
    if len(palette) > 256:
        raise ValueError("%d colours do not fit a 256-entry palette" % len(palette))
    index = {c: i for i, c in enumerate(palette)}
    palette += [(0, 0, 0)] * (256 - len(palette))

    width, height = canvas.width, canvas.height
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(index[c] for c in row)
        line += b"\x00" * (stride - width)
        pixels += line

    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(pal)
    info = struct.pack(
        "<IiiHHIIiiII",
        40,             # biSize
        width,
        height,         # positive: bottom-up
        1,              # biPlanes
        8,              # biBitCount
        0,              # BI_RGB
        len(pixels),
        2835, 2835,     # 72 dpi
        256,            # biClrUsed
        0)              # biClrImportant: all
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pal + bytes(pixels)


def outputs():
    res = "res"
    return {
        os.path.join(res, "toolbar5.bmp"): encode_bmp(toolbar_strip(5)),
        os.path.join(res, "toolbar6.bmp"): encode_bmp(toolbar_strip(6)),
        os.path.join(res, "dir_right.bmp"): encode_bmp(direction_picture("right")),
        os.path.join(res, "dir_down.bmp"): encode_bmp(direction_picture("down")),
        os.path.join(res, "dir_left.bmp"): encode_bmp(direction_picture("left")),
        os.path.join(res, "dir_up.bmp"): encode_bmp(direction_picture("up")),
    }


def main(argv=None):
    return generated.run("make_bitmaps.py", __doc__, REPO_ROOT, outputs, argv)


if __name__ == "__main__":
    sys.exit(main())
