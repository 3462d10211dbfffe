"""Small pictures: the button strip, the track header's slider and buttons, the effects frame's
corner, the row images of the lists. All on white, which the program draws transparent."""

from canvas import Canvas, blend
from palette import BLACK, DARK, DEEP_GREEN, GREEN, LIGHT, LIVE_RED, MID, ORANGE, PALE_SKY, PANEL, SKY, SNOW, TEAL, WHITE

CELL = 16


def _play(c, x, y, colour):
    c.polygon([(x + 5, y + 3), (x + 5, y + 13), (x + 12, y + 8)], colour)


def _stop(c, x, y, colour):
    c.fill_rect(x + 4, y + 4, 8, 8, colour)


def _pause(c, x, y, colour):
    c.fill_rect(x + 4, y + 3, 3, 10, colour)
    c.fill_rect(x + 9, y + 3, 3, 10, colour)


def _rewind_to_start(c, x, y, colour):
    c.fill_rect(x + 3, y + 3, 2, 10, colour)
    c.polygon([(x + 13, y + 3), (x + 13, y + 13), (x + 6, y + 8)], colour)


def button_strip():
    """Four 16 x 16 buttons side by side: play, stop, pause and back to the start."""
    c = Canvas(4 * CELL, CELL, WHITE)
    for i, glyph in enumerate((_play, _stop, _pause, _rewind_to_start)):
        c.rounded_rect(i * CELL + 1, 1, CELL - 2, CELL - 2, 3, LIGHT)
        glyph(c, i * CELL, 0, DARK)
    return c


def _button_states(glyph):
    """A strip of three 16 x 16 cells: normal, pressed (darker, the glyph a pixel lower right) and
    hot (lit in the accent colour)."""
    c = Canvas(3 * CELL, CELL, WHITE)
    looks = ((LIGHT, DARK, 0), (MID, BLACK, 1), (PALE_SKY, TEAL, 0))
    for i, (face, ink, shift) in enumerate(looks):
        x = i * CELL
        c.rounded_rect(x + 1, 1, CELL - 2, CELL - 2, 3, PANEL)
        c.rounded_rect(x + 2, 2, CELL - 4, CELL - 4, 2, face)
        glyph(c, x + shift, shift, ink)
    return c


def play_button():
    return _button_states(_play)


def track_button():
    return _button_states(_rewind_to_start)


def volume_track():
    """The slider's groove, cut by the slider into three equal parts: rounded ends and a middle
    that repeats. 36 x 8."""
    c = Canvas(36, 8, WHITE)
    c.rounded_rect(0, 2, 36, 4, 2, PANEL)
    c.fill_rect(2, 3, 32, 2, DARK)
    c.fill_rect(2, 3, 32, 1, BLACK)
    return c


def frame_corner():
    """The effects strip's corner: a tab with a wave. 14 x 12."""
    c = Canvas(14, 12, WHITE)
    c.rounded_rect(0, 0, 14, 12, 3, ORANGE)
    for x, y in ((2, 6), (3, 4), (4, 3), (5, 4), (6, 6), (7, 8), (8, 9), (9, 8), (10, 6), (11, 4)):
        c.fill_rect(x, y - 1, 1, 2, SNOW)
    return c


def badge():
    """A small round badge with a note. 16 x 16."""
    c = Canvas(CELL, CELL, WHITE)
    c.disc(8, 8, 7.5, TEAL)
    _note(c, 0, 0, SNOW)
    return c


def _note(c, x, y, colour):
    c.disc(x + 6, y + 11, 2.5, colour)
    c.fill_rect(x + 8, y + 3, 1, 9, colour)
    c.polygon([(x + 8, y + 3), (x + 12, y + 5), (x + 12, y + 7), (x + 8, y + 5)], colour)


def _beats(c, x, y, colour):
    for i, h in enumerate((6, 10, 4, 8)):
        c.fill_rect(x + 3 + 3 * i, y + 13 - h, 2, h, colour)


def _layered(glyph):
    def draw(c, x, y, colour):
        c.frame_rect(x + 1, y + 1, 14, 14, colour)
        glyph(c, x, y, colour)
    return draw


def row_images():
    """Twelve 16 x 16 images of the track lists: primary track with standard and with beat mixing,
    overlay track with each (every one plain, then lit), playing, pause, pause lit, playing live."""
    c = Canvas(12 * CELL, CELL, WHITE)
    kinds = (_note, _beats, _layered(_note), _layered(_beats))
    for k, glyph in enumerate(kinds):
        plain, lit = 2 * k * CELL, (2 * k + 1) * CELL
        glyph(c, plain, 0, DARK)
        c.rounded_rect(lit, 0, CELL, CELL, 2, SKY)
        glyph(c, lit, 0, SNOW)
    x = 8 * CELL
    c.disc(x + 8, 8, 7.5, DEEP_GREEN)
    _play(c, x + 1, 0, GREEN)
    _pause(c, 9 * CELL, 0, MID)
    c.rounded_rect(10 * CELL, 0, CELL, CELL, 2, SKY)
    _pause(c, 10 * CELL, 0, SNOW)
    x = 11 * CELL
    c.disc(x + 8, 8, 7.5, LIVE_RED)
    c.disc(x + 8, 8, 3, blend(LIVE_RED, WHITE, 0.8))
    return c
