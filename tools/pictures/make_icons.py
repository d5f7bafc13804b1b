"""Draws the application icon. Run: python3 tools/pictures/make_icons.py res/"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from pngwrite import ico_bytes, png_bytes  # noqa: E402

SIZES = (16, 24, 32, 48, 64, 256)
SAMPLES = 4  # supersampling per axis for smooth edges


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def rounded_box_distance(x, y, half, radius):
    qx = abs(x) - half + radius
    qy = abs(y) - half + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - ax - vx * t, py - ay - vy * t)


def shade(u, v):
    """Colour at a point of the unit square (0..1, y down), as (r, g, b, a) floats."""
    x, y = u * 2 - 1, v * 2 - 1
    if rounded_box_distance(x, y, 0.94, 0.36) > 0:
        return (0, 0, 0, 0)
    top, bottom = (46, 118, 214), (18, 44, 110)
    colour = mix(top, bottom, v)
    # A soft highlight band across the upper half.
    if v < 0.5:
        colour = mix(colour, (255, 255, 255), 0.10 * (1 - v * 2))
    # The letter: a bold chevron with a golden accent diamond above.
    stroke = 0.17
    d = min(segment_distance(x, y, -0.52, -0.42, 0.0, 0.55), segment_distance(x, y, 0.52, -0.42, 0.0, 0.55))
    if d < stroke:
        colour = mix((255, 255, 255), (214, 228, 255), min(1.0, max(0.0, (y + 0.5) / 1.1)))
    if abs(x) + abs(y + 0.62) < 0.17:
        colour = (255, 196, 60)
    return colour + (255,)


def render(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = shade((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(alpha)),))
        rows.append(row)
    return png_bytes(size, size, rows)


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    images = [(s, render(s)) for s in SIZES]
    with open(os.path.join(out_dir, "app.ico"), "wb") as f:
        f.write(ico_bytes(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res")
