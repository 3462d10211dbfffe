"""The views' corner pictures (catalog, playlist, timeline) and the timeline's banner. On white,
which the views draw transparent; each is sized for the corner it fills."""

from canvas import Canvas
from font import GLYPH_HEIGHT
from palette import DARK, ORANGE, PANEL, SKY, SNOW, TEAL, WHITE


def _tab(width, height, word, icon):
    """A dark tab with rounded right corners: an icon, then the word in bold capitals."""
    c = Canvas(width, height, WHITE)
    shape = Canvas(width, height, None)
    shape.rounded_rect(-4, 0, width + 4, height, 4, True)
    for y in range(height):
        shade = PANEL if y < height // 2 else DARK
        for x in range(width):
            if shape.pixels[y][x]:
                c.put(x, y, shade)
    c.fill_rect(0, height - 2, width - 4, 2, ORANGE)
    icon(c, 4, (height - 2) // 2)
    y = (height - 2 - GLYPH_HEIGHT) // 2
    for dx in (0, 1):
        c.text(24 + dx, y, word, SNOW)
    return c


def _list_icon(c, x, cy):
    for i in range(3):
        c.fill_rect(x, cy - 5 + 4 * i, 2, 2, SKY)
        c.fill_rect(x + 4, cy - 5 + 4 * i, 10, 2, SNOW)


def _disc_icon(c, x, cy):
    c.ring(x + 7, cy, 7, 2, SKY)
    c.disc(x + 7, cy, 1, SNOW)


def _wave_icon(c, x, cy):
    for i, h in enumerate((2, 6, 10, 4, 8, 3, 6)):
        c.fill_rect(x + 2 * i, cy - h // 2, 1, h, SKY)


def catalog_corner():
    """The catalog view's top bar: the first 100 pixels, 23 high."""
    return _tab(100, 23, "CATALOG", _disc_icon)


def playlist_corner():
    """The playlist view's summary strip: the first 100 pixels, 23 high (the catalog's bar height)."""
    return _tab(100, 23, "PLAYLIST", _list_icon)


def timeline_corner():
    """The timeline's corner above the track headers, inside its grid lines: 99 x 19."""
    return _tab(99, 19, "TIMELINE", _wave_icon)


def banner():
    """Drawn at the bottom of the timeline's 100-pixel header column: 99 x 48."""
    c = Canvas(99, 48, WHITE)
    c.rounded_rect(2, 2, 95, 44, 5, TEAL)
    c.rounded_rect(4, 4, 91, 40, 4, DARK)
    c.centred_text(14, "DECKWRIGHT", SNOW)
    for i in range(43):
        h = (3, 7, 11, 5, 9, 13, 6, 10, 4, 8, 12)[i % 11]
        c.fill_rect(7 + 2 * i, 34 - h // 2, 1, h, SKY if i % 7 else ORANGE)
    return c
