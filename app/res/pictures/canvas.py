"""A small RGB drawing surface: filled shapes with hard edges only, so that a key colour (white or
pure red) stays exact around every shape and the program can treat it as transparent."""

from font import GLYPH_HEIGHT, GLYPH_WIDTH, glyph_rows


def blend(a, b, f):
    """The colour a fraction f of the way from a to b."""
    return tuple(round(x + (y - x) * f) for x, y in zip(a, b))


class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def row(self, y):
        return self.pixels[y]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill_rect(self, x, y, w, h, colour):
        for yy in range(max(y, 0), min(y + h, self.height)):
            for xx in range(max(x, 0), min(x + w, self.width)):
                self.pixels[yy][xx] = colour

    def frame_rect(self, x, y, w, h, colour):
        self.fill_rect(x, y, w, 1, colour)
        self.fill_rect(x, y + h - 1, w, 1, colour)
        self.fill_rect(x, y, 1, h, colour)
        self.fill_rect(x + w - 1, y, 1, h, colour)

    def vertical_gradient(self, x, y, w, h, top, bottom):
        for i in range(h):
            self.fill_rect(x, y + i, w, 1, blend(top, bottom, i / max(h - 1, 1)))

    def horizontal_gradient(self, x, y, w, h, left, right):
        for i in range(w):
            self.fill_rect(x + i, y, 1, h, blend(left, right, i / max(w - 1, 1)))

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, points, colour):
        """Fills a polygon by pixel centres (even-odd rule)."""
        ys = [p[1] for p in points]
        for y in range(max(int(min(ys)), 0), min(int(max(ys)) + 1, self.height)):
            cy = y + 0.5
            crossings = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= cy < by) or (by <= cy < ay):
                    crossings.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                for x in range(max(int(left + 0.5), 0), min(int(right + 0.5), self.width)):
                    self.pixels[y][x] = colour

    def disc(self, cx, cy, radius, colour):
        """Pixels whose centres lie within radius of (cx, cy)."""
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius:
                    self.put(x, y, colour)

    def ring(self, cx, cy, outer, inner, colour):
        for y in range(int(cy - outer) - 1, int(cy + outer) + 2):
            for x in range(int(cx - outer) - 1, int(cx + outer) + 2):
                d = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2
                if inner * inner < d <= outer * outer:
                    self.put(x, y, colour)

    def rounded_rect(self, x, y, w, h, radius, colour):
        self.fill_rect(x + radius, y, w - 2 * radius, h, colour)
        self.fill_rect(x, y + radius, w, h - 2 * radius, colour)
        for cx, cy in ((x + radius, y + radius), (x + w - radius, y + radius),
                       (x + radius, y + h - radius), (x + w - radius, y + h - radius)):
            self.disc(cx, cy, radius, colour)

    def text_width(self, text, scale=1):
        return max(len(text) * (GLYPH_WIDTH + 1) - 1, 0) * scale

    def text(self, x, y, text, colour, scale=1):
        """Capitals, digits and a little punctuation of the 5 x 7 pixel font, `scale` pixels a dot."""
        for i, ch in enumerate(text):
            for gy, bits in enumerate(glyph_rows(ch)):
                for gx in range(GLYPH_WIDTH):
                    if bits & (1 << (GLYPH_WIDTH - 1 - gx)):
                        self.fill_rect(x + (i * (GLYPH_WIDTH + 1) + gx) * scale, y + gy * scale, scale, scale, colour)

    def centred_text(self, cy, text, colour, scale=1, x=0, w=None):
        w = self.width - x if w is None else w
        self.text(x + (w - self.text_width(text, scale)) // 2, cy - GLYPH_HEIGHT * scale // 2, text, colour, scale)
