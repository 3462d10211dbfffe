"""The bigger pictures: the splash, the welcome dialog's two pictures (on pure red, which the
dialog draws transparent) and the about box's picture."""

import math

from canvas import Canvas, blend
from palette import DARK, KEY_RED, LIGHT, ORANGE, PALE_SKY, PANEL, SKY, SNOW, TEAL, YELLOW

NIGHT = (0x1E, 0x26, 0x30)


def _wave_height(i, count, amplitude):
    """A made-up but steady waveform: a few sines under an envelope that swells in the middle."""
    t = i / count
    envelope = 0.35 + 0.65 * math.sin(math.pi * t)
    value = abs(math.sin(i * 0.31) * 0.6 + math.sin(i * 0.113 + 1.0) * 0.3 + math.sin(i * 0.71) * 0.1)
    return max(1, round(amplitude * envelope * value))


def splash():
    """400 x 250: the title over a mirrored waveform."""
    c = Canvas(400, 250, NIGHT)
    c.vertical_gradient(0, 0, 400, 250, NIGHT, PANEL)
    c.fill_rect(0, 0, 400, 4, ORANGE)
    c.centred_text(70, "DECKWRIGHT", SNOW, scale=4)
    c.centred_text(108, "CARROWFOLD EXPRESS 5", PALE_SKY, scale=2)
    mid = 175
    for i in range(0, 380, 2):
        h = _wave_height(i, 380, 34)
        colour = blend(SKY, ORANGE, i / 380)
        c.fill_rect(10 + i, mid - h, 1, h, colour)
        c.fill_rect(10 + i, mid + 1, 1, h * 2 // 3, blend(colour, NIGHT, 0.5))
    c.fill_rect(10, mid, 380, 1, LIGHT)
    c.text(12, 232, "MIX BY THE BEAT", LIGHT)
    c.frame_rect(0, 0, 400, 250, DARK)
    return c


def welcome_new():
    """64 x 64 on pure red: a record with a note, for someone new to the program."""
    c = Canvas(64, 64, KEY_RED)
    c.disc(32, 32, 30, DARK)
    for r in (26, 22, 18):
        c.ring(32, 32, r, r - 1, PANEL)
    c.disc(32, 32, 11, ORANGE)
    c.disc(32, 32, 2, DARK)
    c.disc(50, 52, 6, YELLOW)
    c.fill_rect(54, 30, 2, 22, YELLOW)
    c.polygon([(54, 30), (62, 34), (62, 38), (54, 34)], YELLOW)
    return c


def welcome_demo():
    """64 x 64 on pure red: two tracks crossfading, for the demo mix."""
    c = Canvas(64, 64, KEY_RED)
    c.rounded_rect(0, 4, 64, 56, 6, DARK)
    for lane, (y, colour, start, end) in enumerate(((20, SKY, 4, 44), (44, ORANGE, 20, 60))):
        for x in range(start, end, 2):
            fade = min(1.0, (x - start) / 10, (end - x) / 10)
            h = max(1, round(_wave_height(x + 17 * lane, 64, 9) * fade))
            c.fill_rect(x, y - h, 1, 2 * h, colour)
    c.line(20, 50, 44, 14, SNOW)
    return c


def about():
    """96 x 96, opaque: the program's mark."""
    c = Canvas(96, 96, TEAL)
    c.vertical_gradient(0, 0, 96, 96, TEAL, NIGHT)
    c.ring(48, 48, 42, 38, SKY)
    c.fill_rect(30, 24, 10, 48, SNOW)
    for y in range(24, 72):
        for x in range(40, 76):
            d = (x + 0.5 - 40) ** 2 + (y + 0.5 - 48) ** 2
            if 14 * 14 < d <= 24 * 24:
                c.put(x, y, SNOW)
    c.fill_rect(20, 82, 56, 2, ORANGE)
    return c
