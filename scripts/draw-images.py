#!/usr/bin/env python3
"""Draws the map page's pictures into images/ (run from anywhere; needs only Python 3).

Every picture is a handful of filled shapes, rendered with 4 x 4 supersampling and written
as an RGBA PNG. Run it again after changing a drawing and commit the pictures it writes.
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'images')
SS = 4  # samples per pixel along each axis


def rgba(text, alpha=255):
    text = text.lstrip('#')
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), alpha)


# ---- shapes: each is a predicate (x, y) -> bool in pixel units --------------------------

def rect(x0, y0, x1, y1, r=0.0):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        if r <= 0:
            return True
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    return lambda x, y: (r - width) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def line(x0, y0, x1, y1, width):
    half = width / 2.0
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half * half
    return inside


def polyline(points, width):
    parts = [line(a[0], a[1], b[0], b[1], width) for a, b in zip(points, points[1:])]
    return lambda x, y: any(p(x, y) for p in parts)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def vertical(top, bottom, y0, y1):
    """A fill that runs from colour top at y0 to colour bottom at y1."""
    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / float(max(y1 - y0, 1e-9))))
        return tuple(top[i] + (bottom[i] - top[i]) * t for i in range(4))
    return colour


# ---- rendering --------------------------------------------------------------------------

def render(width, height, layers):
    """layers: list of (shape, fill) painted in order; fill is an RGBA tuple or a function."""
    pixels = bytearray()
    n = SS * SS
    for py in range(height):
        pixels.append(0)  # PNG filter: none
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SS):
                y = py + (sy + 0.5) / SS
                for sx in range(SS):
                    x = px + (sx + 0.5) / SS
                    r = g = b = a = 0.0
                    for shape, fill in layers:
                        if shape(x, y):
                            c = fill(x, y) if callable(fill) else fill
                            ca = c[3] / 255.0
                            r = c[0] * ca + r * (1 - ca)
                            g = c[1] * ca + g * (1 - ca)
                            b = c[2] * ca + b * (1 - ca)
                            a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            alpha = acc[3] / n
            if alpha > 0:
                pixels.extend(int(round(min(255, acc[i] / n / alpha))) for i in range(3))
            else:
                pixels.extend((0, 0, 0))
            pixels.append(int(round(alpha * 255)))
    return bytes(pixels)


def write_png(name, width, height, layers):
    data = render(width, height, layers)

    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body +
                struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF))
    png = (b'\x89PNG\r\n\x1a\n' +
           chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
           chunk(b'IDAT', zlib.compress(data, 9)) + chunk(b'IEND', b''))
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(png)


# ---- the drawings -----------------------------------------------------------------------

NAVY = rgba('#23408D')
BLUE = rgba('#3F6BC4')
RED = rgba('#D00000')
WHITE = rgba('#FFFFFF')
GREY = rgba('#7A8499')
ORANGE = rgba('#FF9600')
GREEN = rgba('#2E9E3E')
EVERYWHERE = lambda x, y: True


def hover_plate(w, h):
    """The light raised plate behind a hovered toolbar button."""
    return [(rect(0.5, 0.5, w - 0.5, h - 0.5, 4), rgba('#7F9DD3')),
            (rect(1.5, 1.5, w - 1.5, h - 1.5, 3), vertical(rgba('#FFFFFF'), rgba('#D6E3FA'), 1, h))]


def pressed_plate(w, h):
    return [(rect(0.5, 0.5, w - 0.5, h - 0.5, 4), rgba('#7F9DD3')),
            (rect(1.5, 1.5, w - 1.5, h - 1.5, 3), vertical(rgba('#BFD0EE'), rgba('#E4ECFA'), 1, h))]


def list_icon(chevron_left, hovered):
    w, h = 22, 20
    layers = hover_plate(w, h) if hovered else []
    colour = BLUE if hovered else NAVY
    for i, y in enumerate((5, 9.5, 14)):
        layers.append((rect(10, y, 18, y + 1.8, 0.8), colour))
        layers.append((rect(7, y, 8.8, y + 1.8, 0.8), colour))
    if chevron_left:
        layers.append((polyline([(5, 6), (2.5, 10), (5, 14)], 1.8), colour))
    else:
        layers.append((polyline([(2.5, 6), (5, 10), (2.5, 14)], 1.8), colour))
    return w, h, layers


def log_icon(hovered):
    w = h = 22
    layers = hover_plate(w, h) if hovered else []
    colour = BLUE if hovered else NAVY
    layers.append((polygon([(5, 3), (14, 3), (18, 7), (18, 19), (5, 19)]), colour))
    layers.append((polygon([(6.5, 4.5), (13.2, 4.5), (16.5, 7.8), (16.5, 17.5), (6.5, 17.5)]), WHITE))
    for y in (8, 11, 14):
        layers.append((rect(8, y, 15, y + 1.3), colour))
    return w, h, layers


def setup_icon(hovered):
    w = h = 22
    layers = hover_plate(w, h) if hovered else []
    colour = BLUE if hovered else NAVY
    teeth = []
    for i in range(32):
        a = i * math.pi / 16
        r = 8.2 if (i // 2) % 2 == 0 else 6.2
        teeth.append((11 + r * math.cos(a), 11 + r * math.sin(a)))
    layers.append((minus(polygon(teeth), circle(11, 11, 2.6)), colour))
    return w, h, layers


def tracking_icon(on, hovered, pressed):
    w = h = 22
    layers = pressed_plate(w, h) if pressed else (hover_plate(w, h) if hovered else [])
    colour = RED if on else GREY
    path = [(4, 17), (8, 11), (12, 14), (18, 5)]
    layers.append((polyline(path, 2.2), colour))
    for x, y in (path[0], path[-1]):
        layers.append((circle(x, y, 2.4), colour))
        layers.append((circle(x, y, 1.1), WHITE))
    return w, h, layers


def marker(selected):
    # An arrow pointing north, so that the heading shows when it turns.
    w = h = 32
    body = [(16, 2), (26, 27), (16, 21.5), (6, 27)]
    fill = RED if selected else NAVY
    layers = []
    if selected:
        layers.append((circle(16, 16, 15.5), rgba('#FFD400', 90)))
    layers.append((polygon([(x + 1, y + 1.5) for x, y in body]), rgba('#000000', 70)))
    layers.append((polygon(body), WHITE))
    inner = [(16, 5.6), (23.2, 23.6), (16, 19.4), (8.8, 23.6)]
    layers.append((polygon(inner), vertical(rgba('#FF5A5A') if selected else rgba('#4F7BD9'), fill, 5, 24)))
    return w, h, layers


def small(layers):
    return 16, 14, layers


def disk(colour_bar, mark):
    layers = [(rect(1.5, 2, 14.5, 12, 1.5), rgba('#5A6578')),
              (rect(2.7, 3.2, 13.3, 10.8, 1), rgba('#C9D1DE')),
              (circle(11, 7, 2.2), rgba('#5A6578')),
              (circle(11, 7, 0.8), WHITE),
              (rect(3.5, 9, 8, 10), colour_bar)]
    return layers + mark


def cross(cx, cy, s, colour, width=1.8):
    return [(line(cx - s, cy - s, cx + s, cy + s, width), colour),
            (line(cx - s, cy + s, cx + s, cy - s, width), colour)]


def event_icons():
    icons = {}
    icons['icon_sensor.png'] = small([(ring(8, 7, 6.5, 1.3), rgba('#8E44AD')),
                                      (ring(8, 7, 4, 1.3), rgba('#8E44AD')),
                                      (circle(8, 7, 1.8), rgba('#8E44AD'))])
    icons['icon_motion.png'] = small([(polyline([(2, 2), (7, 7), (2, 12)], 2.2), BLUE),
                                      (polyline([(8, 2), (13, 7), (8, 12)], 2.2), BLUE)])
    camera = [(rect(1, 3.5, 11, 11.5, 1.5), rgba('#3A4356')),
              (polygon([(11, 7.5), (15, 4), (15, 11)]), rgba('#3A4356')),
              (circle(6, 7.5, 2), rgba('#9FB6E0'))]
    icons['icon_videoloss.png'] = small(camera + [(line(1.5, 13, 14.5, 1, 2), RED)])
    icons['icon_textin.png'] = small([(rect(1, 1, 15, 10, 2), rgba('#2E86C1')),
                                      (polygon([(4, 9), (4, 13.5), (8.5, 9)]), rgba('#2E86C1')),
                                      (rect(3.5, 3.5, 12.5, 4.8), WHITE), (rect(3.5, 6.2, 10, 7.5), WHITE)])
    icons['icon_diskbad.png'] = small(disk(rgba('#5A6578'), cross(5, 5.5, 2.6, RED)))
    icons['icon_diskfull.png'] = small(disk(RED, [(rect(3.5, 4, 8, 8.5), ORANGE)]))
    icons['icon_disktemperature.png'] = small([(rect(6, 0.5, 10, 9, 2), rgba('#5A6578')),
                                               (circle(8, 10.5, 3.3), rgba('#5A6578')),
                                               (rect(7.2, 3, 8.8, 10), RED), (circle(8, 10.5, 2.2), RED),
                                               (rect(11, 2, 14, 3), rgba('#5A6578')),
                                               (rect(11, 5, 14, 6), rgba('#5A6578'))])
    icons['icon_record bad.png'] = small([(circle(8, 7, 6.3), rgba('#3A4356')), (circle(8, 7, 3.4), RED),
                                          (line(2.5, 12.5, 13.5, 1.5, 1.6), WHITE)])
    icons['icon_gsensor.png'] = small([(polygon([(8, 0.5), (15, 7), (8, 13.5), (1, 7)]), ORANGE),
                                       (polygon([(8, 3), (12.4, 7), (8, 11), (3.6, 7)]), WHITE),
                                       (line(5.5, 7, 10.5, 7, 1.6), ORANGE), (line(8, 4.5, 8, 9.5, 1.6), ORANGE)])
    blades = []
    for i in range(3):
        a = i * 2 * math.pi / 3
        blades.append(polygon([(8, 7), (8 + 6.2 * math.cos(a - 0.45), 7 + 6.2 * math.sin(a - 0.45)),
                               (8 + 6.4 * math.cos(a + 0.2), 7 + 6.4 * math.sin(a + 0.2))]))
    icons['icon_fanfailure.png'] = small([(ring(8, 7, 6.8, 1), rgba('#5A6578')), (union(*blades), rgba('#5A6578')),
                                          (circle(8, 7, 1.5), RED), (circle(13, 11.5, 2.5), RED)])
    icons['icon_emergency.png'] = small([(polygon([(8, 0.5), (15.5, 13.5), (0.5, 13.5)]), RED),
                                         (rect(7.1, 4, 8.9, 9.5, 0.8), WHITE), (circle(8, 11.4, 1.1), WHITE)])
    icons['icon_add.png'] = small([(circle(8, 7, 6.5), GREEN), (rect(4.5, 6.1, 11.5, 7.9), WHITE),
                                   (rect(7.1, 3.5, 8.9, 10.5), WHITE)])
    icons['icon_timeout.png'] = small([(circle(8, 7, 6.5), ORANGE), (circle(8, 7, 5.2), WHITE),
                                       (line(8, 7, 8, 3.2, 1.4), rgba('#3A4356')),
                                       (line(8, 7, 10.8, 8.6, 1.4), rgba('#3A4356'))])
    icons['icon_white.png'] = small([(EVERYWHERE, WHITE)])
    return icons


def close_icon(size, plate, mark):
    c = size / 2.0
    return size, size, [(circle(c, c, c - 0.3), plate)] + cross(c, c, size * 0.2, mark, size * 0.13)


def user_blank():
    w, h = 74, 88
    return w, h, [(rect(0, 0, w, h, 3), vertical(rgba('#F4F7FC'), rgba('#D9E2F2'), 0, h)),
                  (circle(37, 32, 14), rgba('#A9B9D9')),
                  (minus(circle(37, 88, 30), rect(0, 86, 74, 88)), rgba('#A9B9D9'))]


def more_icon(up):
    w, h = 40, 12
    chevron = [(15, 8), (20, 4), (25, 8)] if up else [(15, 4), (20, 8), (25, 4)]
    return w, h, [(rect(0.5, 0.5, w - 0.5, h - 0.5, 5.5), rgba('#6B7FB1')),
                  (polyline(chevron, 1.8), WHITE)]


def gradient_strip(w, h, top, bottom, edge):
    return w, h, [(EVERYWHERE, vertical(top, bottom, 0, h)), (rect(0, h - 1, w, h), edge)]


def main():
    os.makedirs(OUT, exist_ok=True)
    pictures = {
        'toolbar_bg.png': gradient_strip(4, 27, rgba('#F3F6FC'), rgba('#CCD9F0'), rgba('#9FB1D6')),
        'list_toolbar_bg.png': gradient_strip(4, 27, rgba('#DCE6F7'), rgba('#AFC3E8'), rgba('#8EA3CF')),
        'info_BG_1.png': gradient_strip(4, 25, rgba('#D3DFF5'), rgba('#A3B9E2'), rgba('#7F95C4')),
        'line.png': (2, 20, [(rect(0, 0, 1, 20), rgba('#9FB1D6')), (rect(1, 0, 2, 20), WHITE)]),
        'list_off_normal.png': list_icon(True, False),
        'list_off_mover.png': list_icon(True, True),
        'list_on_normal.png': list_icon(False, False),
        'list_on_mover.png': list_icon(False, True),
        'log_normal.png': log_icon(False),
        'log_mover.png': log_icon(True),
        'setup_normal.png': setup_icon(False),
        'setup_mover.png': setup_icon(True),
        'trackingline_clicked.png': tracking_icon(True, False, True),
        'trackingline_mover.png': tracking_icon(True, True, False),
        'trackingline_normal.png': tracking_icon(False, False, False),
        'trackingline_mover_normal.png': tracking_icon(False, True, False),
        'point_normal.png': marker(False),
        'point_select.png': marker(True),
        'user_blank.png': user_blank(),
        'eventpopup_close_normal.png': close_icon(12, rgba('#5A5A5A'), rgba('#DDDDDD')),
        'eventpopup_close_mover.png': close_icon(12, RED, WHITE),
        'contextmenu_close_normal.png': close_icon(14, rgba('#7F95C4'), WHITE),
        'contextmenu_close_mover.png': close_icon(14, NAVY, WHITE),
        'info_title icon.png': (14, 20, [(circle(7, 7, 6), NAVY), (circle(7, 7, 2.5), WHITE),
                                         (polygon([(2, 10), (12, 10), (7, 19)]), NAVY)]),
        'info_user.png': (16, 16, [(circle(8, 5, 3.6), NAVY),
                                   (minus(circle(8, 17, 7), rect(0, 15.5, 16, 16)), NAVY)]),
        'info_company.png': (16, 16, [(rect(3, 1, 13, 15), NAVY)] +
                             [(rect(x, y, x + 2, y + 2), WHITE) for x in (5, 9) for y in (3, 7)] +
                             [(rect(7, 11, 9, 15), WHITE)]),
        'info_carnumber.png': (16, 16, [(rect(0.5, 4, 15.5, 12, 1.5), NAVY), (rect(2, 5.5, 14, 10.5, 1), WHITE),
                                        (rect(3.5, 7.3, 6, 8.7), NAVY), (rect(7, 7.3, 12.5, 8.7), NAVY)]),
        'info_more_down.png': more_icon(False),
        'info_more_up.png': more_icon(True),
    }
    pictures.update(event_icons())
    for name, (w, h, layers) in sorted(pictures.items()):
        write_png(name, w, h, layers)
        print(name)


if __name__ == '__main__':
    main()
