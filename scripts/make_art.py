#!/usr/bin/env python3
"""Draws the artwork of the Marbelo Orbit 2.0 setup program.

Run it from anywhere; it writes, relative to the repository root:

  src/resources/side.bmp     wizard side picture, 125 x 250, 8 bits/pixel
  src/resources/setup.ico    window icon, one 32 x 32 image, 16 colours
  sample/companions/Tile.bmp tiling wallpaper, 64 x 64, 24 bits/pixel
  sample/companions/Click.wav short click sound, 16-bit PCM mono

Everything is computed from formulas (a Mandelbrot render, a stroke font,
analytic rings); the only randomness comes from generators with fixed seeds,
so running the script again gives byte-identical files.

Why these formats:
  * The side picture is a 256-colour DIB with a full colour table because
    the setup program has to look right on 256-colour displays, and an
    uncompressed bottom-up DIB can be handed to the GDI without any work.
    The colour table is chosen for this picture (median cut), and the
    picture is dithered against it so the gradients do not band.
  * The icon uses the standard 16-colour VGA palette so it shows the same
    on every display depth, with an AND mask for the transparent corners.
  * The tile is plain 24-bit; it is only ever blitted as a background.
  * The click is 22.05 kHz 16-bit mono: small, and playable by any sound
    card driver without conversion.

Only the Python standard library is used.
"""

import math
import os
import random
import struct
import wave

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# ---------------------------------------------------------------------------
# Small numeric helpers
# ---------------------------------------------------------------------------

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(a, b, t) for a, b in zip(c1, c2))


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def ramp(stops, t):
    """Colour at t (0..1) along a list of (position, (r, g, b)) stops."""
    t = clamp(t)
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0.0)
    return stops[-1][1]


def over(dst, src, alpha):
    """Composites colour src with coverage alpha over dst."""
    return mix(dst, src, clamp(alpha))


def seg_dist(px, py, ax, ay, bx, by):
    """Distance from point p to the segment a-b."""
    dx, dy = bx - ax, by - ay
    den = dx * dx + dy * dy
    t = 0.0 if den == 0 else clamp(((px - ax) * dx + (py - ay) * dy) / den)
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return math.sqrt(qx * qx + qy * qy)


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def info_header(width, height, bpp, image_size, colours):
    """BITMAPINFOHEADER (40 bytes), uncompressed (BI_RGB)."""
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0,
                       image_size, 0, 0, colours, 0)


def file_header(total_size, bits_offset):
    """BITMAPFILEHEADER (14 bytes)."""
    return struct.pack('<2sIHHI', b'BM', total_size, 0, 0, bits_offset)


def palette_bytes(palette):
    """A colour table: RGBQUADs, stored blue, green, red, 0."""
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)


def row_stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def write_bmp8(path, width, height, palette, pixels):
    """Writes an 8-bit DIB; pixels[y][x] are palette indices, y=0 at top."""
    stride = row_stride(width, 8)
    rows = []
    for y in range(height - 1, -1, -1):  # DIB rows run bottom-up
        row = bytes(pixels[y])
        rows.append(row + b'\0' * (stride - width))
    bits = b''.join(rows)
    table = palette_bytes(palette)
    offset = 14 + 40 + len(table)
    data = (file_header(offset + len(bits), offset)
            + info_header(width, height, 8, len(bits), len(palette))
            + table + bits)
    save(path, data)


def write_bmp24(path, width, height, pixels):
    """Writes a 24-bit DIB; pixels[y][x] are (r, g, b) bytes, y=0 at top."""
    stride = row_stride(width, 24)
    rows = []
    for y in range(height - 1, -1, -1):
        row = b''.join(struct.pack('<BBB', b, g, r) for r, g, b in pixels[y])
        rows.append(row + b'\0' * (stride - width * 3))
    bits = b''.join(rows)
    offset = 14 + 40
    data = (file_header(offset + len(bits), offset)
            + info_header(width, height, 24, len(bits), 0) + bits)
    save(path, data)


def write_ico4(path, size, palette, pixels, mask):
    """Writes a .ico holding one 4-bit image.

    pixels[y][x] are palette indices and mask[y][x] is 1 where the pixel is
    transparent.  The image's header states twice the height because the
    XOR bitmap and the AND mask are stacked in one DIB.
    """
    xor_stride = row_stride(size, 4)
    and_stride = row_stride(size, 1)
    xor_rows, and_rows = [], []
    for y in range(size - 1, -1, -1):
        row = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            idx = 0 if mask[y][x] else pixels[y][x]
            row[x // 2] |= idx << (4 if x % 2 == 0 else 0)
            if mask[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor_rows.append(bytes(row))
        and_rows.append(bytes(bits))
    xor_bits = b''.join(xor_rows)
    and_bits = b''.join(and_rows)
    image = (info_header(size, size * 2, 4, len(xor_bits) + len(and_bits), 16)
             + palette_bytes(palette) + xor_bits + and_bits)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4,
                        len(image), 6 + 16)
    save(path, directory + entry + image)


def write_wav(path, rate, samples):
    """Writes 16-bit mono PCM; samples are floats in -1..1."""
    frames = b''.join(struct.pack('<h', int(round(clamp(s, -1.0, 1.0) * 32767)))
                      for s in samples)
    full = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with wave.open(full, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames)
    print('wrote %-28s %6d bytes' % (path, os.path.getsize(full)))


def save(path, data):
    full = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, 'wb') as f:
        f.write(data)
    print('wrote %-28s %6d bytes' % (path, len(data)))


# ---------------------------------------------------------------------------
# Fractal
# ---------------------------------------------------------------------------

def mandel(cr, ci, max_iter):
    """Smooth escape count of c, or None when c is in the set."""
    # The main cardioid and the period-2 bulb hold most of the interior;
    # skipping them saves the bulk of the work.
    q = (cr - 0.25) ** 2 + ci * ci
    if q * (q + (cr - 0.25)) <= 0.25 * ci * ci or (cr + 1) ** 2 + ci * ci <= 0.0625:
        return None
    zr = zi = 0.0
    for n in range(max_iter):
        zr2, zi2 = zr * zr, zi * zi
        if zr2 + zi2 > 65536.0:
            return n + 1 - math.log2(0.5 * math.log(zr2 + zi2))
        zi = 2.0 * zr * zi + ci
        zr = zr2 - zi2 + cr
    return None


# ---------------------------------------------------------------------------
# Stroke font (for the product name on the side picture)
# ---------------------------------------------------------------------------

def arc(cx, cy, rx, ry, a0, a1, steps=14):
    """Points along an elliptical arc; angles in degrees, y pointing down."""
    pts = []
    for i in range(steps + 1):
        a = math.radians(lerp(a0, a1, i / steps))
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts


def glyph(ch):
    """Returns (advance width, list of polylines) in cap-height units."""
    if ch == 'M':
        w = 0.82
        return w, [[(0, 1), (0, 0), (w / 2, 0.66), (w, 0), (w, 1)]]
    if ch == 'A':
        w = 0.74
        return w, [[(0, 1), (w / 2, 0), (w, 1)],
                   [(0.2 * w, 0.62), (0.8 * w, 0.62)]]
    if ch == 'R':
        w = 0.62
        r = 0.26
        bowl = [(0, 1), (0, 0), (w - r, 0)] + arc(w - r, r, r, r, -90, 90) + [(0, 2 * r)]
        return w, [bowl, [(0.42 * w, 2 * r), (w, 1)]]
    if ch == 'B':
        w = 0.62
        r1, r2 = 0.24, 0.26
        top = [(0, 0), (w - 0.05 - r1, 0)] + arc(w - 0.05 - r1, r1, r1, r1, -90, 90) + [(0, 2 * r1)]
        bottom = [(0, 2 * r1), (w - r2, 2 * r1)] + arc(w - r2, 1 - r2, r2, r2, -90, 90) + [(0, 1)]
        return w, [[(0, 0), (0, 1)], top, bottom]
    if ch == 'E':
        w = 0.54
        return w, [[(w, 0), (0, 0), (0, 1), (w, 1)], [(0, 0.5), (0.85 * w, 0.5)]]
    if ch == 'L':
        w = 0.52
        return w, [[(0, 0), (0, 1), (w, 1)]]
    if ch == 'O':
        w = 0.86
        return w, [arc(w / 2, 0.5, w / 2, 0.5, 0, 360, 40)]
    if ch == 'I':
        return 0.0, [[(0, 0), (0, 1)]]
    if ch == 'T':
        w = 0.62
        return w, [[(0, 0), (w, 0)], [(w / 2, 0), (w / 2, 1)]]
    if ch == '2':
        w = 0.58
        return w, [arc(w / 2, 0.27, w / 2, 0.27, 190, 390, 20) + [(0, 1), (w, 1)]]
    if ch == '0':
        w = 0.58
        return w, [arc(w / 2, 0.5, w / 2, 0.5, 0, 360, 36)]
    if ch == '.':
        return 0.0, [[(0, 1), (0, 1)]]
    if ch == ' ':
        return 0.45, []
    raise ValueError('no glyph for %r' % ch)


def layout_text(text, cap, tracking):
    """Segments of text set at cap height cap (pixels), origin top-left.

    Returns (width in pixels, list of segments).
    """
    x = 0.0
    segs = []
    for i, ch in enumerate(text):
        w, lines = glyph(ch)
        for line in lines:
            pts = [(x + px * cap, py * cap) for px, py in line]
            segs.extend(zip(pts, pts[1:]))
        x += w * cap
        if i + 1 < len(text):
            x += tracking
    return x, segs


def stroke_coverage(segs, ox, oy, px, py, half_width):
    """Anti-aliased coverage of a stroked set of segments at pixel centre."""
    d = min(seg_dist(px - ox, py - oy, a[0], a[1], b[0], b[1]) for a, b in segs)
    return clamp(half_width + 0.5 - d), d


# ---------------------------------------------------------------------------
# Side picture
# ---------------------------------------------------------------------------

SIDE_W, SIDE_H = 125, 250

# Background: deep night blue at the top, violet at the bottom.
SIDE_SKY = [(0.0, (6, 10, 40)), (0.55, (22, 18, 78)), (1.0, (58, 20, 92))]

# Colour of the glow around the set, from the far field to the very edge.
SIDE_GLOW = [(0.0, (0, 0, 0)), (0.35, (30, 40, 150)), (0.6, (110, 60, 210)),
             (0.8, (235, 110, 200)), (0.92, (255, 190, 110)), (1.0, (255, 248, 220))]

SIDE_INSIDE = (4, 4, 22)


def side_background(x, y):
    c = ramp(SIDE_SKY, y / (SIDE_H - 1))
    # A soft halo behind the fractal lifts it off the background.
    dx, dy = (x - 62) / 70.0, (y - 95) / 95.0
    halo = math.exp(-(dx * dx + dy * dy) * 2.0)
    return mix(c, (60, 50, 150), 0.35 * halo)


def side_fractal(x, y, ss=3, max_iter=220):
    """Mean colour and interior coverage of pixel (x, y), supersampled."""
    scale = 0.0172           # complex units per pixel
    tilt = math.radians(-16)  # a slight tilt reads less like a textbook plot
    cx, cy = 63.0, 100.0      # pixel that lands on c = -0.72 + 0i
    cos_t, sin_t = math.cos(tilt), math.sin(tilt)
    acc = [0.0, 0.0, 0.0]
    inside = 0
    for sy in range(ss):
        for sx in range(ss):
            u = x + (sx + 0.5) / ss - cx
            v = y + (sy + 0.5) / ss - cy
            # Real axis runs down the picture so the antenna points up.
            ru = u * cos_t - v * sin_t
            rv = u * sin_t + v * cos_t
            nu = mandel(-0.72 + rv * scale, ru * scale, max_iter)
            if nu is None:
                inside += 1
                c = SIDE_INSIDE
            else:
                t = clamp(math.log(1.0 + nu) / math.log(1.0 + max_iter * 0.45))
                g = ramp(SIDE_GLOW, t ** 1.5)
                bg = side_background(x, y)
                c = tuple(min(255.0, b + gc * (0.25 + 0.75 * t)) for b, gc in zip(bg, g))
            for i in range(3):
                acc[i] += c[i]
    n = ss * ss
    return tuple(a / n for a in acc), inside / n


def ring_params():
    """The orbit ring: centre, semi-axes and tilt, in side-picture pixels."""
    return 62.0, 112.0, 57.0, 13.0, math.radians(-12)


def ring_sample(x, y):
    """Coverage of the orbit ring at (x, y) and whether that part is in front."""
    rx0, ry0, a, b, ang = ring_params()
    dx, dy = x + 0.5 - rx0, y + 0.5 - ry0
    lx = dx * math.cos(ang) + dy * math.sin(ang)
    ly = -dx * math.sin(ang) + dy * math.cos(ang)
    # Distance to an ellipse, first-order: |f| / |grad f|.
    f = (lx / a) ** 2 + (ly / b) ** 2 - 1.0
    gx, gy = 2 * lx / (a * a), 2 * ly / (b * b)
    d = abs(f) / max(1e-6, math.hypot(gx, gy))
    # Thicker and brighter at the front, fading away at the far side.
    front = ly > 0
    width = 0.55 + 0.45 * clamp(ly / b * 0.5 + 0.5)
    return clamp(width + 0.5 - d), d, front, clamp(ly / b * 0.5 + 0.5)


def add_ring(c, x, y, inside):
    cov, d, front, depth = ring_sample(x, y)
    ring_col = mix((120, 150, 255), (255, 236, 180), depth)
    glow = 0.35 * math.exp(-(d / 2.2) ** 2) * (0.4 + 0.6 * depth)
    if not front:
        # The far half passes behind the set, so the set hides it.
        cov *= 1.0 - inside
        glow *= 1.0 - inside
    c = tuple(min(255.0, ch + gc * glow) for ch, gc in zip(c, ring_col))
    return over(c, ring_col, cov * (0.55 + 0.45 * depth))


def satellite(c, x, y):
    """A small bright body riding the front of the ring."""
    rx0, ry0, a, b, ang = ring_params()
    t = math.radians(58)
    lx, ly = a * math.cos(t), b * math.sin(t)
    sx = rx0 + lx * math.cos(ang) - ly * math.sin(ang)
    sy = ry0 + lx * math.sin(ang) + ly * math.cos(ang)
    d = math.hypot(x + 0.5 - sx, y + 0.5 - sy)
    c = tuple(min(255.0, ch + 255 * 0.9 * math.exp(-(d / 3.2) ** 2)) for ch in c)
    return over(c, (255, 255, 245), clamp(2.2 - d))


def add_stars(img, rng, count):
    for _ in range(count):
        x = rng.randrange(SIDE_W)
        y = rng.randrange(4, SIDE_H - 70)
        lum = rng.uniform(0.25, 0.8)
        c = img[y][x]
        if sum(c) < 200:  # only on dark sky, never on the glow
            img[y][x] = over(c, (220, 225, 255), lum)


def draw_text(img, text, cap, tracking, top, half_width, colour):
    """Sets one centred line of text, with a soft dark halo behind it."""
    width, segs = layout_text(text, cap, tracking)
    left = (SIDE_W - width) / 2.0
    for y in range(int(top) - 4, int(top + cap) + 5):
        for x in range(SIDE_W):
            cov, d = stroke_coverage(segs, left, top, x + 0.5, y + 0.5, half_width)
            c = img[y][x]
            # The halo keeps the letters clean where they cross bright glow.
            c = over(c, (8, 4, 30), 0.45 * math.exp(-(max(0.0, d - half_width) / 1.6) ** 2))
            img[y][x] = over(c, colour, cov)


def add_title(img):
    """Sets the product name at the foot of the picture."""
    draw_text(img, 'MARBELO', 13.0, 3.0, SIDE_H - 46, 0.95, (245, 245, 255))
    draw_text(img, 'ORBIT 2.0', 9.0, 2.6, SIDE_H - 24, 0.8, (250, 205, 120))
    # A thin rule between the two lines, fading out to both sides.
    y = SIDE_H - 29
    for x in range(SIDE_W):
        t = 1.0 - abs(x - 62) / 40.0
        if t > 0:
            img[y][x] = over(img[y][x], (170, 150, 230), 0.7 * smoothstep(0, 0.5, t))


def render_side():
    img = [[None] * SIDE_W for _ in range(SIDE_H)]
    for y in range(SIDE_H):
        for x in range(SIDE_W):
            c, inside = side_fractal(x, y)
            c = add_ring(c, x, y, inside)
            img[y][x] = satellite(c, x, y)
    add_stars(img, random.Random(2001), 70)
    add_title(img)
    return img


def median_cut(colours, count):
    """Chooses count palette colours for a list of (r, g, b) ints."""
    boxes = [list(colours)]
    while len(boxes) < count:
        best, best_score, best_ch = None, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[ch] for c in box) - min(c[ch] for c in box) for ch in range(3)]
            ch = spans.index(max(spans))
            # Favour wide boxes, but let big boxes of similar colour split too
            # so that smooth gradients get enough steps.
            score = spans[ch] * math.sqrt(len(box))
            if score > best_score:
                best, best_score, best_ch = i, score, ch
        if best is None or best_score == 0:
            break
        box = sorted(boxes[best], key=lambda c: (c[best_ch], c))
        mid = len(box) // 2
        boxes[best:best + 1] = [box[:mid], box[mid:]]
    pal = []
    for box in boxes:
        n = len(box)
        pal.append(tuple(int(round(sum(c[i] for c in box) / n)) for i in range(3)))
    pal = sorted(set(pal), key=lambda c: (0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2], c))
    while len(pal) < count:
        pal.append((0, 0, 0))
    return pal


def nearest(pal, c, cache):
    key = (int(c[0]) >> 1, int(c[1]) >> 1, int(c[2]) >> 1)
    hit = cache.get(key)
    if hit is None:
        r, g, b = c
        hit = min(range(len(pal)), key=lambda i: (pal[i][0] - r) ** 2 * 3
                  + (pal[i][1] - g) ** 2 * 4 + (pal[i][2] - b) ** 2 * 2)
        cache[key] = hit
    return hit


def dither(img, pal, strength=0.85):
    """Floyd-Steinberg error diffusion, serpentine, onto palette pal."""
    h, w = len(img), len(img[0])
    work = [[list(c) for c in row] for row in img]
    out = [[0] * w for _ in range(h)]
    cache = {}
    for y in range(h):
        xs = range(w) if y % 2 == 0 else range(w - 1, -1, -1)
        step = 1 if y % 2 == 0 else -1
        for x in xs:
            c = [clamp(v, 0, 255) for v in work[y][x]]
            i = nearest(pal, c, cache)
            out[y][x] = i
            err = [(c[k] - pal[i][k]) * strength for k in range(3)]
            for dx, dy, wgt in ((step, 0, 7), (-step, 1, 3), (0, 1, 5), (step, 1, 1)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < w and ny < h:
                    cell = work[ny][nx]
                    for k in range(3):
                        cell[k] += err[k] * wgt / 16.0
    return out


def make_side():
    img = render_side()
    flat = [tuple(int(round(clamp(v, 0, 255))) for v in c) for row in img for c in row]
    pal = median_cut(flat, 256)
    write_bmp8('src/resources/side.bmp', SIDE_W, SIDE_H, pal, dither(img, pal))


# ---------------------------------------------------------------------------
# Icon
# ---------------------------------------------------------------------------

# The standard 16-colour VGA palette, in the usual Windows order.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
         (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
         (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
         (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, OLIVE, NAVY, PURPLE = 0, 3, 4, 5
YELLOW, BLUE, MAGENTA, CYAN, WHITE = 11, 12, 13, 14, 15

ICON = 32
ICON_SCALE = 0.080                 # complex units per icon pixel
ICON_ORIGIN = (-0.70, 0.0)         # the point at the icon's centre


def icon_to_c(x, y):
    return (ICON_ORIGIN[0] + (x - ICON / 2) * ICON_SCALE,
            ICON_ORIGIN[1] + (y - ICON / 2) * ICON_SCALE)


def icon_set_coverage(x, y, ss=4):
    """Fraction of pixel (x, y) that lies inside the Mandelbrot set."""
    inside = 0
    for sy in range(ss):
        for sx in range(ss):
            cr, ci = icon_to_c(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss)
            if mandel(cr, ci, 80) is None:
                inside += 1
    return inside / (ss * ss)


def icon_ring(x, y):
    """Coverage of the orbit ring at pixel (x, y), and whether it is in front."""
    px, py = x + 0.5 - 16.0, y + 0.5 - 18.0
    ang = math.radians(-16)
    lx = px * math.cos(ang) + py * math.sin(ang)
    ly = -px * math.sin(ang) + py * math.cos(ang)
    a, b = 15.0, 4.6
    f = (lx / a) ** 2 + (ly / b) ** 2 - 1.0
    d = abs(f) / max(1e-6, math.hypot(2 * lx / (a * a), 2 * ly / (b * b)))
    return clamp(1.0 - d), ly >= 0, lx


def neighbours(x, y):
    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        if 0 <= x + dx < ICON and 0 <= y + dy < ICON:
            yield x + dx, y + dy


def make_icon():
    body = [[icon_set_coverage(x, y) for x in range(ICON)] for y in range(ICON)]
    solid = [[body[y][x] >= 0.5 for x in range(ICON)] for y in range(ICON)]
    pix = [[BLACK] * ICON for _ in range(ICON)]
    mask = [[1] * ICON for _ in range(ICON)]

    def put(x, y, idx):
        pix[y][x] = idx
        mask[y][x] = 0

    # The set itself is dark, as on screen, with a glowing rim that is
    # brighter on the side facing the light (upper left).
    for y in range(ICON):
        for x in range(ICON):
            if solid[y][x]:
                # Interior pixels just inside the lit edge catch a highlight.
                near_edge = any(nx < 0 or ny < 0 or not solid[ny][nx] for nx, ny in
                                ((x - 1, y), (x, y - 1), (x - 1, y - 1)))
                put(x, y, PURPLE if near_edge and (x - 17) + (y - 14) < 2 else BLACK)
    for y in range(ICON):
        for x in range(ICON):
            if solid[y][x]:
                continue
            if any(solid[ny][nx] for nx, ny in neighbours(x, y)) or body[y][x] > 0.1:
                lit = (x - 17) + (y - 14) < 0
                put(x, y, MAGENTA if lit else BLUE)
    # The antenna is thinner than a pixel, so it is drawn as a line.
    tip = int(round((-1.9 - ICON_ORIGIN[0]) / ICON_SCALE + ICON / 2))
    for x in range(tip, ICON):
        if not mask[ICON // 2][x]:
            break
        put(x, ICON // 2, MAGENTA if x > tip + 1 else PURPLE)
    # The orbit: bright in front of the set, dimmer and hidden behind it.
    for y in range(ICON):
        for x in range(ICON):
            cov, front, along = icon_ring(x, y)
            if cov < 0.45:
                continue
            if front:
                put(x, y, WHITE if cov > 0.8 and -4 < along < 9 else YELLOW)
            elif not solid[y][x]:
                put(x, y, YELLOW if cov > 0.8 and along < -6 else OLIVE)
    # The satellite on the front right of the ring.
    for x, y, idx in ((25, 22, WHITE), (26, 22, CYAN), (25, 23, CYAN), (26, 23, BLUE)):
        put(x, y, idx)
    write_ico4('src/resources/setup.ico', ICON, VGA16, pix, mask)


# ---------------------------------------------------------------------------
# Tile
# ---------------------------------------------------------------------------

TILE = 64


def wrap_dist(x, y, cx, cy):
    """Distance on a torus the size of the tile, so the pattern repeats."""
    dx = (x - cx + TILE / 2) % TILE - TILE / 2
    dy = (y - cy + TILE / 2) % TILE - TILE / 2
    return math.hypot(dx, dy)


def make_tile():
    base_dark, base_light = (16, 26, 68), (28, 44, 98)
    line = (64, 88, 160)
    dot = (170, 185, 240)
    rng = random.Random(64)
    specks = [(rng.randrange(TILE) + 0.5, rng.randrange(TILE) + 0.5) for _ in range(10)]
    px = []
    for y in range(TILE):
        row = []
        for x in range(TILE):
            xc, yc = x + 0.5, y + 0.5
            # A gentle diagonal wave; whole periods across the tile keep it seamless.
            wave_t = 0.5 + 0.5 * math.sin(2 * math.pi * (xc - yc) / TILE)
            c = mix(base_dark, base_light, 0.5 * wave_t)
            # Orbit rings around two centres that interlock from tile to tile.
            for cx, cy in ((0, 0), (32, 32)):
                d = wrap_dist(xc, yc, cx, cy)
                c = over(c, line, 0.30 * clamp(1.0 - abs(d - 22.6)))
                c = over(c, line, 0.45 * clamp(1.0 - abs(d - 11.0)))
                c = over(c, dot, clamp(1.8 - d))
            for sx, sy in specks:
                if wrap_dist(xc, yc, sx, sy) < 0.5:
                    c = over(c, dot, 0.35)
            row.append(tuple(int(round(clamp(v, 0, 255))) for v in c))
        px.append(row)
    write_bmp24('sample/companions/Tile.bmp', TILE, TILE, px)


# ---------------------------------------------------------------------------
# Click
# ---------------------------------------------------------------------------

def make_click():
    rate = 22050
    n = int(rate * 0.035)
    rng = random.Random(1999)
    out = []
    for i in range(n):
        t = i / rate
        noise = rng.uniform(-1.0, 1.0) * math.exp(-t / 0.0015)
        tick = math.sin(2 * math.pi * 2600 * t) * math.exp(-t / 0.004)
        body = math.sin(2 * math.pi * 820 * t) * math.exp(-t / 0.009)
        fade = min(1.0, (n - i) / (rate * 0.004))  # no step at the end
        attack = min(1.0, i / 6.0)                  # no step at the start
        out.append(attack * fade * (0.35 * noise + 0.45 * tick + 0.3 * body))
    write_wav('sample/companions/Click.wav', rate, out)


def main():
    make_tile()
    make_click()
    make_icon()
    make_side()


if __name__ == '__main__':
    main()
