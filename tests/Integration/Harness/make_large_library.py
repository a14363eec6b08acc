#!/usr/bin/python3
"""Writes the larger music library of the paging suites.

130 albums of one one-second track each (more than two pages of 60), spread
over 13 artists, with a cover.jpg on every tenth album. The tone is made once
with sox and copied, so the whole library takes a few seconds.

    make_large_library.py DIRECTORY

The library is written to DIRECTORY/library. As with make_library.py, a stamp
file records the generator's checksum, so a second run with the same script
does nothing.
"""

import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True

from make_library import generate, run, safe_name, tag_mp3  # noqa: E402

ALBUM_COUNT = 130
ARTIST_COUNT = 13
COVER_EVERY = 10
COVER_COLOURS = ["steelblue", "seagreen", "darkorange", "midnightblue", "firebrick", "goldenrod", "orchid"]


def album_name(number):
    # Zero-padded, so the server's order by name is the order of the numbers.
    return "Paged Album %03d" % number


def write_library(root):
    tone = os.path.join(root, "tone.mp3")
    run(["sox", "-n", "-r", "44100", "-c", "1", tone, "synth", "1", "sine", "440", "vol", "0.3"])
    for number in range(1, ALBUM_COUNT + 1):
        artist = "Paging Artist %02d" % ((number - 1) % ARTIST_COUNT + 1)
        album = album_name(number)
        folder = os.path.join(root, safe_name(artist), safe_name(album))
        os.makedirs(folder)
        if number % COVER_EVERY == 1:
            colour = COVER_COLOURS[(number // COVER_EVERY) % len(COVER_COLOURS)]
            run(["convert", "-size", "120x120", "xc:" + colour, os.path.join(folder, "cover.jpg")])
        title = "Track of %s" % album
        path = os.path.join(folder, "1-01 %s.mp3" % safe_name(title))
        shutil.copyfile(tone, path)
        tags = {
            "title": title, "artist": artist, "album": album, "albumartist": artist,
            "track": 1, "tracks": 1, "disc": 1, "discs": 1, "year": 2000 + number % 20, "genre": "Test",
        }
        tag_mp3(path, tags, False)
    os.remove(tone)


if __name__ == "__main__":
    generate(__file__, write_library)
