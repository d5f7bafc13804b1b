"""Draws the skin pictures (PNG resources) and the favourites decoration icon.

Run: python3 tools/pictures/make_skin.py res/

Every picture except the login background is opaque; magenta RGB(255, 0, 255) marks the
pixels that must stay transparent (window corners, the space around button glyphs).
Edges are anti-aliased against the colour the picture will sit on (its "matte"), never
against magenta, so no pink fringe shows when the key colour is cut out.
The login background (129) keeps a real alpha channel for its layered window.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from pngwrite import ico_bytes, png_bytes  # noqa: E402

KEY = (255, 0, 255)

# One palette for every window.
CAPTION_TOP = (38, 104, 188)
CAPTION_BOTTOM = (24, 72, 142)
CAPTION_MID = (31, 88, 165)
BORDER = (18, 52, 104)
BODY = (244, 247, 251)
BODY_EDGE = (226, 233, 243)
GOLD = (255, 196, 60)
WHITE = (255, 255, 255)
GLYPH_DISABLED = (132, 156, 190)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def cover(d):
    """Coverage of a pixel whose centre is at signed distance d from a shape's edge."""
    return max(0.0, min(1.0, 0.5 - d))


def rounded_rect(px, py, x0, y0, x1, y1, r):
    """Signed distance from a pixel centre to a rounded rectangle [x0, x1) x [y0, y1)."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2, (y1 - y0) / 2
    qx = abs(px + 0.5 - cx) - hx + r
    qy = abs(py + 0.5 - cy) - hy + r
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r


def segment(px, py, ax, ay, bx, by):
    x, y = px + 0.5, py + 0.5
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(x - ax - vx * t, y - ay - vy * t)


class Canvas:
    """An opaque picture with a shape mask: pixels outside the mask become magenta."""

    def __init__(self, w, h, matte):
        self.w, self.h = w, h
        self.px = [[tuple(matte) for _ in range(w)] for _ in range(h)]
        self.inside = [[True] * w for _ in range(h)]

    def paint(self, x0, y0, x1, y1, colour_at, coverage_at):
        for y in range(max(0, y0), min(self.h, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.w, x1)):
                c = coverage_at(x, y)
                if c > 0:
                    row[x] = mix(row[x], colour_at(x, y), c)

    def clip_outside(self, x0, y0, x1, y1, distance_at):
        """Pixels of the area whose centre lies outside the shape become transparent."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                if distance_at(x, y) > 0:
                    self.inside[y][x] = False

    def rows(self):
        out = []
        for y in range(self.h):
            out.append([(KEY + (255,)) if not self.inside[y][x] else
                        tuple(int(round(c)) for c in self.px[y][x]) + (255,) for x in range(self.w)])
        return out


def strip(frame_w, h, count, draw, matte):
    """A horizontal strip of frames, frame i drawn by draw(canvas, x_offset, i)."""
    canvas = Canvas(frame_w * count, h, matte)
    for i in range(count):
        draw(canvas, i * frame_w, i)
    return canvas


# ---- backgrounds -------------------------------------------------------------------------

def panel(w, h, caption, radius, body=BODY, caption_top=CAPTION_TOP, caption_bottom=CAPTION_BOTTOM):
    """Rounded window: caption band, light body, one-pixel dark outline."""
    c = Canvas(w, h, BODY)
    dist = lambda x, y: rounded_rect(x, y, 0, 0, w, h, radius)  # noqa: E731

    def colour(x, y):
        if y < caption:
            t = y / max(1, caption - 1)
            base = mix(caption_top, caption_bottom, t)
            if y == 0 or y == 1:
                base = mix(base, WHITE, 0.12)
            if y == caption - 1:
                base = mix(base, GOLD, 0.55)  # a thin accent line under the caption
            return base
        return body if y < h - 6 else mix(body, BODY_EDGE, (y - (h - 6)) / 5)

    c.paint(0, 0, w, h, colour, lambda x, y: 1.0)
    # Outline: the outermost pixel ring of the rounded shape.
    c.paint(0, 0, w, h, lambda x, y: BORDER, lambda x, y: cover(abs(dist(x, y) + 0.5) - 0.5))
    c.clip_outside(0, 0, w, h, dist)
    return c


def dialog_background():  # 131: message box and small dialogs, nine-slice, border 4
    return panel(30, 51, 30, 6)


def main_background():  # 134: main window, nine-slice, border 4
    return panel(30, 51, 30, 6, body=(232, 238, 246))


def notice_background(w, h, band):  # 143, 147: notice pop-up with a header band
    c = panel(w, h, band, 7)
    # A gold badge in the header.
    c.paint(8, 6, 30, band - 4, lambda x, y: GOLD,
            lambda x, y: cover(rounded_rect(x, y, 10, 8, 28, band - 6, 4)))
    return c


def picture_notice_background():  # 146: picture-only notice (layered, colour key)
    return panel(160, 212, 22, 6)


def add_account_background():  # 162: natural size, caption band 30
    # No separator: three lines of question reach down to just above the buttons.
    return panel(284, 150, 30, 6)


# ---- buttons -----------------------------------------------------------------------------

def push_buttons():  # 133: 4 frames of 57 x 23, black caption drawn over them
    looks = [  # top, bottom, outline
        ((253, 254, 255), (218, 228, 241), (118, 146, 186)),
        ((255, 250, 230), (255, 222, 150), (214, 158, 36)),
        ((196, 210, 229), (224, 232, 243), (54, 94, 152)),
        ((234, 236, 240), (234, 236, 240), (192, 197, 205)),
    ]

    def draw(c, ox, i):
        top, bottom, outline = looks[i]
        d = lambda x, y: rounded_rect(x, y, ox, 0, ox + 57, 23, 4)  # noqa: E731
        c.paint(ox, 0, ox + 57, 23, lambda x, y: mix(top, bottom, y / 22), lambda x, y: cover(d(x, y)))
        c.paint(ox, 0, ox + 57, 23, lambda x, y: outline, lambda x, y: cover(abs(d(x, y) + 0.5) - 0.5))
        c.clip_outside(ox, 0, ox + 57, 23, d)
    return strip(57, 23, 4, draw, BODY)


def caption_button(w, h, count, glyph, hover_fill, press_fill, disabled=GLYPH_DISABLED, matte=CAPTION_MID):
    """A caption-band button: transparent at rest, a rounded plate under the glyph when
    hovered or pressed; the pressed glyph sits one pixel lower."""
    def draw(c, ox, i):
        fill = {1: hover_fill, 2: press_fill}.get(i)
        plate = lambda x, y: rounded_rect(x, y, ox + 2, 2, ox + w - 2, h - 2, 4)  # noqa: E731
        if fill is not None:
            c.paint(ox, 0, ox + w, h, lambda x, y: fill, lambda x, y: cover(plate(x, y)))
        colour = disabled if i == 3 else WHITE
        dy = 1 if i == 2 else 0
        c.paint(ox, 0, ox + w, h, lambda x, y: colour, lambda x, y: cover(glyph(x - ox, y - dy, w, h)))
        # Only the plate and the glyph are opaque; the caption shows through the rest.
        c.clip_outside(ox, 0, ox + w, h, lambda x, y: min(plate(x, y) if fill else 1.0,
                                                          glyph(x - ox, y - dy, w, h) - 0.5))
    return strip(w, h, count, draw, matte)


def glyph_close(x, y, w, h, size=5.0, stroke=0.9):
    cx, cy = w / 2, h / 2
    return min(segment(x, y, cx - size, cy - size, cx + size, cy + size),
               segment(x, y, cx - size, cy + size, cx + size, cy - size)) - stroke


def glyph_min(x, y, w, h):
    cx, cy = w / 2, h / 2
    return segment(x, y, cx - 5, cy + 3, cx + 5, cy + 3) - 0.9


def glyph_max(x, y, w, h):
    cx, cy = w / 2, h / 2
    return abs(rounded_rect(x, y, cx - 5, cy - 5, cx + 5, cy + 5, 1)) - 0.8


def glyph_restore(x, y, w, h):
    cx, cy = w / 2, h / 2
    front = abs(rounded_rect(x, y, cx - 5, cy - 2, cx + 3, cy + 6, 1)) - 0.8
    back_outline = abs(rounded_rect(x, y, cx - 2, cy - 5, cx + 6, cy + 3, 1)) - 0.8
    # The back square is hidden where the front one lies over it.
    if rounded_rect(x, y, cx - 6, cy - 3, cx + 4, cy + 7, 1) < 0:
        back_outline = 9.0
    return min(front, back_outline)


def glyph_hide(x, y, w, h):
    cx, cy = w / 2, h / 2
    chevron = min(segment(x, y, cx - 5, cy - 4, cx, cy + 1), segment(x, y, cx + 5, cy - 4, cx, cy + 1)) - 0.9
    bar = segment(x, y, cx - 5, cy + 5, cx + 5, cy + 5) - 0.9
    return min(chevron, bar)


def glyph_menu(x, y, w, h):
    # A small down triangle at the right; the white caption "系统" takes the middle.
    ax, ay = w - 5.5, h / 2 - 1.5
    px, py = x + 0.5, y + 0.5
    if py < ay or py > ay + 4:
        return 9.0
    half = 3.5 * (1 - (py - ay) / 4)
    return abs(px - ax) - half


def speaker(x, y, cx, cy):
    body = rounded_rect(x, y, cx - 7, cy - 3, cx - 3, cy + 3, 1)
    px, py = x + 0.5, y + 0.5
    cone = 9.0
    if cx - 4 <= px <= cx + 1:
        half = 3 + (px - (cx - 4)) * 1.2
        cone = abs(py - cy) - half
    return min(body, cone)


def glyph_sound_on(x, y, w, h):
    cx, cy = w / 2 - 1, h / 2
    px, py = x + 0.5, y + 0.5
    waves = 9.0
    if px > cx + 2:
        r = math.hypot(px - cx, py - cy)
        waves = min(abs(r - 4.5) - 0.8, abs(r - 8) - 0.8)
        if abs(py - cy) > (px - cx) * 1.1:
            waves = 9.0
    return min(speaker(x, y, cx, cy), waves)


def glyph_muted(x, y, w, h):
    cx, cy = w / 2 - 1, h / 2
    cross = min(segment(x, y, cx + 3, cy - 3, cx + 8, cy + 2), segment(x, y, cx + 3, cy + 2, cx + 8, cy - 3)) - 0.8
    return min(speaker(x, y, cx, cy), cross)


def glyph_user(x, y, w, h):
    cx = w / 2
    head = math.hypot(x + 0.5 - cx, y + 0.5 - 5) - 3.2
    shoulders = rounded_rect(x, y, 1.5, 9.5, w - 1.5, h + 4, 5.5)
    return min(head, shoulders)


def tab_strip():  # 140: 3 frames of 189 x 22 on the caption band: normal, hover, selected
    # Light enough in every state for the titles, which the launcher writes in black.
    fills = [((196, 212, 234), (170, 192, 222)), ((222, 234, 250), (196, 216, 242)), (BODY, (232, 238, 246))]

    def draw(c, ox, i):
        top, bottom = fills[i]
        d = lambda x, y: rounded_rect(x, y, ox + 1, 1, ox + 188, 22 + 6, 6)  # noqa: E731
        c.paint(ox, 0, ox + 189, 22, lambda x, y: mix(top, bottom, y / 21), lambda x, y: cover(d(x, y)))
        outline = BORDER if i < 2 else (120, 150, 196)
        c.paint(ox, 0, ox + 189, 22, lambda x, y: outline, lambda x, y: cover(abs(d(x, y) + 0.5) - 0.5))
        if i == 2:
            c.paint(ox + 8, 1, ox + 181, 3, lambda x, y: GOLD, lambda x, y: 1.0 if y == 1 else 0.5)
        c.clip_outside(ox, 0, ox + 189, 22, d)
    return strip(189, 22, 3, draw, CAPTION_MID)


def tab_close():  # 141: 3 frames of 13 x 13: normal, hover, pressed
    def draw(c, ox, i):
        disc = lambda x, y: math.hypot(x + 0.5 - ox - 6.5, y + 0.5 - 6.5) - 6.2  # noqa: E731
        if i > 0:
            fill = (226, 68, 68) if i == 1 else (168, 36, 36)
            c.paint(ox, 0, ox + 13, 13, lambda x, y: fill, lambda x, y: cover(disc(x, y)))
        colour = (110, 124, 146) if i == 0 else WHITE
        g = lambda x, y: glyph_close(x - ox, y, 13, 13, 2.6, 0.75)  # noqa: E731
        c.paint(ox, 0, ox + 13, 13, lambda x, y: colour, lambda x, y: cover(g(x, y)))
        c.clip_outside(ox, 0, ox + 13, 13, lambda x, y: min(disc(x, y) if i else 9.0, g(x, y) - 0.5))
    return strip(13, 13, 3, draw, BODY)


def link_picture():  # 142: 14 x 16 user mark beside the "log in another account" link
    c = Canvas(14, 16, CAPTION_MID)
    c.paint(0, 0, 14, 16, lambda x, y: GOLD, lambda x, y: cover(glyph_user(x, y, 14, 16)))
    c.clip_outside(0, 0, 14, 16, lambda x, y: glyph_user(x, y, 14, 16) - 0.5)
    return c


def pill_close(w, h, radius):
    """Notice close buttons: a small × that gains a red pill when hovered or pressed."""
    def draw(c, ox, i):
        pill = lambda x, y: rounded_rect(x, y, ox + 1, 0, ox + w - 1, h, radius)  # noqa: E731
        if i in (1, 2):
            fill = (226, 68, 68) if i == 1 else (168, 36, 36)
            c.paint(ox, 0, ox + w, h, lambda x, y: fill, lambda x, y: cover(pill(x, y)))
        colour = GLYPH_DISABLED if i == 3 else WHITE
        size = min(w, h) / 2 - 3
        g = lambda x, y: glyph_close(x - ox, y, w, h, size, 0.8)  # noqa: E731
        c.paint(ox, 0, ox + w, h, lambda x, y: colour, lambda x, y: cover(g(x, y)))
        c.clip_outside(ox, 0, ox + w, h, lambda x, y: min(pill(x, y) if i in (1, 2) else 9.0, g(x, y) - 0.5))
    return strip(w, h, 4, draw, CAPTION_MID)


def trough():  # 152: 390 x 21, recessed pill
    c = Canvas(390, 21, BODY)
    d = lambda x, y: rounded_rect(x, y, 0, 0, 390, 21, 10.5)  # noqa: E731
    c.paint(0, 0, 390, 21, lambda x, y: mix((198, 208, 222), (230, 236, 244), y / 20), lambda x, y: cover(d(x, y)))
    c.paint(0, 0, 390, 21, lambda x, y: (146, 164, 190), lambda x, y: cover(abs(d(x, y) + 0.5) - 0.5))
    c.clip_outside(0, 0, 390, 21, d)
    return c


def fill():  # 153: 390 x 21, the bar inset two pixels so the trough's rim stays visible
    c = Canvas(390, 21, (214, 222, 233))
    d = lambda x, y: rounded_rect(x, y, 2, 2, 388, 19, 8.5)  # noqa: E731

    def colour(x, y):
        base = mix((64, 152, 236), (28, 98, 196), (y - 2) / 16)
        return mix(base, WHITE, 0.35) if y < 7 else base  # a glossy upper half
    c.paint(0, 0, 390, 21, colour, lambda x, y: cover(d(x, y)))
    c.clip_outside(0, 0, 390, 21, d)
    return c


# ---- login background with alpha --------------------------------------------------------

def login_background():  # 129: 888 x 518, soft shadow around a rounded panel
    w, h, margin, radius = 888, 518, 14, 10
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            d = rounded_rect(x, y, margin, margin, w - margin, h - margin, radius)
            if d <= 0.5:
                a = cover(d)
                if y < margin + 48:
                    colour = mix(CAPTION_TOP, CAPTION_BOTTOM, (y - margin) / 48)
                    if y == margin + 47:
                        colour = mix(colour, GOLD, 0.6)
                else:
                    colour = (254, 254, 254)
                if -1.5 < d:
                    colour = mix(colour, BORDER, 0.8)
                # The panel's edge blends into the shadow below it.
                shadow = 0.35 * math.exp(-max(d, 0.0) / 5.0)
                alpha = a + (1 - a) * shadow
                row.append(tuple(int(round(c)) for c in colour) + (int(round(alpha * 255)),) if a >= 1 else
                           tuple(int(round(c * a / alpha)) for c in colour) + (int(round(alpha * 255)),))
            else:
                # Shadow offset two pixels down, fading over the margin.
                ds = rounded_rect(x, y - 2, margin, margin, w - margin, h - margin, radius)
                alpha = 0.35 * math.exp(-max(ds, 0.0) / 5.0) if ds < margin else 0.0
                row.append((0, 0, 0, int(round(alpha * 255))))
        rows.append(row)
    return rows


# ---- icons ------------------------------------------------------------------------------

def star_icon(size):
    """Icon 155: a gold star on a rounded blue tile (favourites)."""
    rows = []
    points = []
    for k in range(10):
        angle = -math.pi / 2 + k * math.pi / 5
        r = 0.78 if k % 2 == 0 else 0.33
        points.append((r * math.cos(angle), r * math.sin(angle) + 0.06))
    samples = 4
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = ((px + (sx + 0.5) / samples) / size) * 2 - 1
                    y = ((py + (sy + 0.5) / samples) / size) * 2 - 1
                    if rounded_rect(x * 100, y * 100, -94, -94, 94, 94, 30) > 0:
                        continue
                    colour = mix(CAPTION_TOP, CAPTION_BOTTOM, (y + 1) / 2)
                    if point_in_polygon(x, y, points):
                        colour = mix((255, 220, 110), GOLD, (y + 1) / 2)
                    acc[0] += colour[0]
                    acc[1] += colour[1]
                    acc[2] += colour[2]
                    acc[3] += 1
            n = samples * samples
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(255 * acc[3] / n)),))
        rows.append(row)
    return png_bytes(size, size, rows)


def point_in_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


PICTURES = {
    131: dialog_background,
    132: lambda: caption_button(33, 28, 4, glyph_close, (226, 68, 68), (168, 36, 36)),
    133: push_buttons,
    134: main_background,
    135: lambda: caption_button(27, 28, 4, glyph_max, (72, 132, 212), (18, 54, 108)),
    136: lambda: caption_button(27, 28, 4, glyph_min, (72, 132, 212), (18, 54, 108)),
    137: lambda: caption_button(27, 28, 4, glyph_restore, (72, 132, 212), (18, 54, 108)),
    138: lambda: caption_button(27, 27, 4, glyph_hide, (72, 132, 212), (18, 54, 108)),
    139: lambda: caption_button(44, 28, 4, glyph_menu, (72, 132, 212), (18, 54, 108)),
    140: tab_strip,
    141: tab_close,
    142: link_picture,
    143: lambda: notice_background(250, 191, 38),
    144: lambda: pill_close(36, 14, 7),
    145: lambda: pill_close(54, 22, 11),
    146: picture_notice_background,
    147: lambda: notice_background(250, 167, 38),
    148: lambda: caption_button(27, 27, 4, glyph_muted, (72, 132, 212), (18, 54, 108)),
    149: lambda: caption_button(27, 27, 4, glyph_sound_on, (72, 132, 212), (18, 54, 108)),
    152: trough,
    153: fill,
    162: add_account_background,
}


def main(out_dir):
    pictures = os.path.join(out_dir, "pictures")
    os.makedirs(pictures, exist_ok=True)
    for pid, make in PICTURES.items():
        canvas = make()
        with open(os.path.join(pictures, "%d.png" % pid), "wb") as f:
            f.write(png_bytes(canvas.w, canvas.h, canvas.rows()))
    with open(os.path.join(pictures, "129.png"), "wb") as f:
        f.write(png_bytes(888, 518, login_background()))
    with open(os.path.join(out_dir, "favorite.ico"), "wb") as f:
        f.write(ico_bytes([(s, star_icon(s)) for s in (16, 24, 32, 48)]))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res")
