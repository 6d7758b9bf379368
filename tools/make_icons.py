#!/usr/bin/env python3
"""Draw the MILLPLAN application icons procedurally and write them as .ico files.

Usage:
    python3 tools/make_icons.py           write res/millplan.ico and res/millplan_small.ico
    python3 tools/make_icons.py --check   exit 1 if the files on disk differ from what
                                          this script would write

The motif is a top-down mill floor plan: a rounded blue/teal tile with a 1 px
darker border, carrying a grid of light cells (looms) and one amber cell.
Every size is laid out by hand on whole pixels so the cells stay crisp; only
the rounded corners are anti-aliased (by supersampling).

Each .ico holds 16x16, 32x32 and 48x48 images as 32-bit BGRA DIBs (with the
AND mask), which is what windres and LoadImageW/LoadIconW expect.  Output is
deterministic: the same bytes on every run.  Python 3 standard library only.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import generated  # noqa: E402

SCRIPT_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_ROOT = os.path.dirname(SCRIPT_DIR)

MAIN_ICON = os.path.join("res", "millplan.ico")
SMALL_ICON = os.path.join("res", "millplan_small.ico")

SIZES = (16, 32, 48)

# Samples per pixel along each axis for anti-aliasing (SS * SS samples).
SS = 8

# Palette (sRGB, 0..255).  Shared by every size so the icons match.
TILE_TOP = (0x2F, 0xA8, 0xD0)      # teal-blue, lighter at the top
TILE_BOTTOM = (0x14, 0x6E, 0xA8)   # deeper blue at the bottom
BORDER = (0x0B, 0x45, 0x6E)        # darker rim
HIGHLIGHT = (0xFF, 0xFF, 0xFF)     # soft inner top light
CELL = (0xF2, 0xFA, 0xFD)          # looms
CELL_EDGE = (0xB9, 0xDC, 0xEB)     # bottom edge of a loom
ACCENT = (0xFF, 0xB3, 0x2E)        # the selected / highlighted unit
ACCENT_EDGE = (0xD9, 0x82, 0x0F)   # bottom edge of the accent cell
SHADOW = (0x06, 0x2C, 0x48)        # cast shadow under the cells


# --------------------------------------------------------------------------
# Layouts.  Coordinates are in pixels; a rectangle is (x0, y0, x1, y1) with
# x1/y1 exclusive, so whole numbers land exactly on pixel boundaries.
# --------------------------------------------------------------------------

def _grid(x0, y0, cols, rows, w, h, gap_x, gap_y):
    cells = []
    for r in range(rows):
        for c in range(cols):
            cx = x0 + c * (w + gap_x)
            cy = y0 + r * (h + gap_y)
            cells.append((cx, cy, cx + w, cy + h))
    return cells


LAYOUTS = {
    # Main icon: 3x3 loom grid at 48 and 32 px, 2x2 at 16 px.
    ("main", 48): dict(
        tile=(2, 2, 46, 46), radius=8.0,
        cells=_grid(8, 8, 3, 3, 8, 8, 4, 4), accent=5, cell_radius=1.0,
        shadow=True, highlight=True, edge=True),
    ("main", 32): dict(
        tile=(1, 1, 31, 31), radius=5.5,
        cells=_grid(5, 5, 3, 3, 6, 6, 2, 2), accent=5, cell_radius=0.7,
        shadow=True, highlight=True, edge=False),
    ("main", 16): dict(
        tile=(0, 0, 16, 16), radius=3.0,
        cells=_grid(3, 3, 2, 2, 4, 4, 2, 2), accent=3, cell_radius=0.0,
        shadow=False, highlight=False, edge=False),
    # Small icon: the same tile with a bolder 2x2 grid at every size.
    ("small", 48): dict(
        tile=(2, 2, 46, 46), radius=8.0,
        cells=_grid(9, 9, 2, 2, 13, 13, 4, 4), accent=3, cell_radius=1.5,
        shadow=True, highlight=True, edge=True),
    ("small", 32): dict(
        tile=(1, 1, 31, 31), radius=5.5,
        cells=_grid(6, 6, 2, 2, 9, 9, 2, 2), accent=3, cell_radius=1.0,
        shadow=True, highlight=True, edge=False),
    ("small", 16): dict(
        tile=(0, 0, 16, 16), radius=3.0,
        cells=_grid(3, 3, 2, 2, 4, 4, 2, 2), accent=3, cell_radius=0.0,
        shadow=False, highlight=False, edge=False),
}


# --------------------------------------------------------------------------
# Rasteriser: premultiplied float RGBA canvas with supersampled coverage.
# --------------------------------------------------------------------------

def _in_round_rect(px, py, rect, r):
    x0, y0, x1, y1 = rect
    if px < x0 or px > x1 or py < y0 or py > y1:
        return False
    if r <= 0:
        return True
    cx = min(max(px, x0 + r), x1 - r)
    cy = min(max(py, y0 + r), y1 - r)
    dx = px - cx
    dy = py - cy
    return dx * dx + dy * dy <= r * r


class Canvas:
    def __init__(self, size):
        self.size = size
        # Premultiplied (r, g, b, a), each 0..1.
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def coverage(self, inside, bbox):
        """Yield (x, y, coverage) for pixels in bbox where inside(px, py) hits."""
        x0, y0, x1, y1 = bbox
        x0 = max(0, int(x0))
        y0 = max(0, int(y0))
        x1 = min(self.size, int(x1 + 0.999999))
        y1 = min(self.size, int(y1 + 0.999999))
        offs = [(i + 0.5) / SS for i in range(SS)]
        total = SS * SS
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for oy in offs:
                    py = y + oy
                    for ox in offs:
                        if inside(x + ox, py):
                            hits += 1
                if hits:
                    yield x, y, hits / total

    def paint(self, inside, bbox, color, alpha=1.0):
        """Composite a shape over the canvas.  color is an (r,g,b) tuple or a
        function (x, y) -> (r,g,b) evaluated at pixel centres."""
        for x, y, cov in self.coverage(inside, bbox):
            c = color(x, y) if callable(color) else color
            a = cov * alpha
            p = self.px[y * self.size + x]
            inv = 1.0 - a
            p[0] = c[0] / 255.0 * a + p[0] * inv
            p[1] = c[1] / 255.0 * a + p[1] * inv
            p[2] = c[2] / 255.0 * a + p[2] * inv
            p[3] = a + p[3] * inv

    def bgra_rows(self):
        """Straight-alpha BGRA bytes, top row first."""
        rows = []
        for y in range(self.size):
            row = bytearray()
            for x in range(self.size):
                r, g, b, a = self.px[y * self.size + x]
                ai = int(a * 255.0 + 0.5)
                if ai <= 0:
                    row += b"\x00\x00\x00\x00"
                    continue
                ai = min(ai, 255)
                row += bytes((
                    _to8(b / a), _to8(g / a), _to8(r / a), ai))
            rows.append(bytes(row))
        return rows


def _to8(v):
    return max(0, min(255, int(v * 255.0 + 0.5)))


def _lerp(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


# --------------------------------------------------------------------------
# The drawing.
# --------------------------------------------------------------------------

def draw(variant, size):
    L = LAYOUTS[(variant, size)]
    cv = Canvas(size)
    tile = L["tile"]
    r = L["radius"]
    tx0, ty0, tx1, ty1 = tile
    inner = (tx0 + 1, ty0 + 1, tx1 - 1, ty1 - 1)
    ri = max(0.0, r - 1.0)

    # 1. Darker rim: the whole tile in the border colour.
    cv.paint(lambda px, py: _in_round_rect(px, py, tile, r), tile, BORDER)

    # 2. Body: vertical gradient inside the rim.
    span = float(inner[3] - inner[1])

    def body_color(x, y):
        return _lerp(TILE_TOP, TILE_BOTTOM, (y + 0.5 - inner[1]) / span)

    cv.paint(lambda px, py: _in_round_rect(px, py, inner, ri), inner, body_color)

    # 3. Soft light along the top inside the rim (inner rounded rect minus the
    #    same rect moved down one pixel).
    if L["highlight"]:
        lower = (inner[0], inner[1] + 1, inner[2], inner[3] + 1)
        cv.paint(
            lambda px, py: (_in_round_rect(px, py, inner, ri)
                            and not _in_round_rect(px, py, lower, ri)),
            inner, HIGHLIGHT, 0.28)

    cells = L["cells"]
    cr = L["cell_radius"]

    # 4. Shadows: each cell offset one pixel down, faint.
    if L["shadow"]:
        for c in cells:
            s = (c[0], c[1] + 1, c[2], c[3] + 1)
            cv.paint(lambda px, py, s=s: _in_round_rect(px, py, s, cr), s,
                     SHADOW, 0.35)

    # 5. Cells (looms) and the accent cell.
    for i, c in enumerate(cells):
        face = ACCENT if i == L["accent"] else CELL
        edge = ACCENT_EDGE if i == L["accent"] else CELL_EDGE
        cv.paint(lambda px, py, c=c: _in_round_rect(px, py, c, cr), c, face)
        if L["edge"]:
            # A one-pixel darker bottom edge gives the cells a little depth.
            e = (c[0], c[3] - 1, c[2], c[3])
            cv.paint(lambda px, py, c=c, e=e: (_in_round_rect(px, py, c, cr)
                                               and e[1] <= py < e[3]),
                     e, edge)

    return cv


# --------------------------------------------------------------------------
# ICO encoding.
# --------------------------------------------------------------------------

def _dib(canvas):
    size = canvas.size
    rows = canvas.bgra_rows()
    xor = b"".join(reversed(rows))              # bottom-up
    mask_stride = ((size + 31) // 32) * 4       # 1 bpp, rows padded to 32 bits
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(size):
            if row[x * 4 + 3] == 0:             # fully transparent -> mask bit 1
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += bits
    header = struct.pack(
        "<IiiHHIIiiII",
        40,             # biSize
        size,           # biWidth
        size * 2,       # biHeight: XOR + AND
        1,              # biPlanes
        32,             # biBitCount
        0,              # biCompression = BI_RGB
        len(xor) + len(mask),
        0, 0, 0, 0)
    return header + xor + bytes(mask)


def build_ico(variant):
    images = [(size, _dib(draw(variant, size))) for size in SIZES]
    count = len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    for size, data in images:
        out += struct.pack(
            "<BBBBHHII",
            size & 0xFF, size & 0xFF,   # width, height (0 would mean 256)
            0, 0,                       # colour count, reserved
            1, 32,                      # planes, bit count
            len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def outputs():
    return {
        MAIN_ICON: build_ico("main"),
        SMALL_ICON: build_ico("small"),
    }


def main(argv=None):
    return generated.run("make_icons.py", __doc__, REPO_ROOT, outputs, argv)


if __name__ == "__main__":
    sys.exit(main())
