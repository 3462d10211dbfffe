"""Draws every bitmap the program loads into the folder given as the only argument, as 24-bit
BMP files (the program's resource script finds them there), then writes pictures.stamp.

The artwork is the project's own, drawn here from code, so that every build has the same pictures.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import controls  # noqa: E402
import corners  # noqa: E402
import screens  # noqa: E402
from bmpfile import write_bmp  # noqa: E402

PICTURES = {
    "buttons.bmp": controls.button_strip,
    "volumetrack.bmp": controls.volume_track,
    "playbutton.bmp": controls.play_button,
    "trackbutton.bmp": controls.track_button,
    "framecorner.bmp": controls.frame_corner,
    "badge.bmp": controls.badge,
    "rowimages.bmp": controls.row_images,
    "playlistcorner.bmp": corners.playlist_corner,
    "catalogcorner.bmp": corners.catalog_corner,
    "timelinecorner.bmp": corners.timeline_corner,
    "banner.bmp": corners.banner,
    "splash.bmp": screens.splash,
    "welcomenew.bmp": screens.welcome_new,
    "welcomedemo.bmp": screens.welcome_demo,
    "about.bmp": screens.about,
}


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for name, draw in PICTURES.items():
        write_bmp(os.path.join(folder, name), draw())
    with open(os.path.join(folder, "pictures.stamp"), "w") as stamp:
        stamp.write("\n".join(PICTURES) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_pictures.py <output folder>")
    main(sys.argv[1])
