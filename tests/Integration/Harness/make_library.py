#!/usr/bin/python3
"""Writes the small music library the integration server serves.

Three artists, five albums, 25 short tracks: MP3 and FLAC tones made with sox,
tagged with mutagen, one album on two discs, one compilation whose tracks have
varied artists, and a cover.jpg per album made with ImageMagick.

    make_library.py DIRECTORY

The library is written to DIRECTORY/library. A stamp file records the
generator's own checksum, so a second run with the same script does nothing.
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

from mutagen.flac import FLAC
from mutagen.id3 import ID3, TALB, TCMP, TCON, TDRC, TIT2, TPE1, TPE2, TPOS, TRCK

SECONDS_PER_TRACK = 3

# (album artist, album, year, genre, format, cover colour, [(disc, track, title, artist)])
ALBUMS = [
    ("Aster Vale", "First Light", 2019, "Ambient", "mp3", "steelblue", [
        (1, 1, "Dawn Chorus", "Aster Vale"),
        (1, 2, "Paper Boats", "Aster Vale"),
        (1, 3, "Slow Orbit", "Aster Vale"),
        (1, 4, "Glass Harbour", "Aster Vale"),
        (1, 5, "Last Ferry", "Aster Vale"),
    ]),
    ("Aster Vale", "Tidal Works", 2021, "Electronic", "flac", "seagreen", [
        (1, 1, "Undertow", "Aster Vale"),
        (1, 2, "Salt Lines", "Aster Vale"),
        (1, 3, "Neap", "Aster Vale"),
        (2, 1, "Spring Tide", "Aster Vale"),
        (2, 2, "Breakwater", "Aster Vale"),
        (2, 3, "Ebb & Flow", "Aster Vale"),
    ]),
    ("Brass Meridian", "Copper Hours", 2020, "Jazz", "mp3", "darkorange", [
        (1, 1, "Verdigris", "Brass Meridian"),
        (1, 2, "Half Past Nine", "Brass Meridian"),
        (1, 3, "Low Brass Lullaby", "Brass Meridian"),
        (1, 4, "Patina", "Brass Meridian"),
    ]),
    ("Cobalt Choir", "Night Psalms", 2018, "Choral", "flac", "midnightblue", [
        (1, 1, "Vespers", "Cobalt Choir"),
        (1, 2, "Lantern Hymn", "Cobalt Choir"),
        (1, 3, "Nocturne for Eight Voices", "Cobalt Choir"),
        (1, 4, "Matins", "Cobalt Choir"),
    ]),
    ("Various Artists", "Harbour Lights Sampler", 2022, "Compilation", "mp3", "firebrick", [
        (1, 1, "Harbour Lights", "Aster Vale"),
        (1, 2, "Brass at Dusk", "Brass Meridian"),
        (1, 3, "Quiet Antiphon", "Cobalt Choir"),
        (1, 4, "Tidewater Duet", "Aster Vale"),
        (1, 5, "Copper Sky", "Brass Meridian"),
        (1, 6, "Evensong", "Cobalt Choir"),
    ]),
]


def safe_name(text):
    return "".join(c if c.isalnum() or c in " -" else "_" for c in text).strip()


def run(args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def tag_mp3(path, tags, compilation):
    id3 = ID3()
    id3.add(TIT2(encoding=3, text=tags["title"]))
    id3.add(TPE1(encoding=3, text=tags["artist"]))
    id3.add(TALB(encoding=3, text=tags["album"]))
    id3.add(TPE2(encoding=3, text=tags["albumartist"]))
    id3.add(TRCK(encoding=3, text="%d/%d" % (tags["track"], tags["tracks"])))
    id3.add(TPOS(encoding=3, text="%d/%d" % (tags["disc"], tags["discs"])))
    id3.add(TDRC(encoding=3, text=str(tags["year"])))
    id3.add(TCON(encoding=3, text=tags["genre"]))
    if compilation:
        id3.add(TCMP(encoding=3, text="1"))
    id3.save(path)


def tag_flac(path, tags, compilation):
    audio = FLAC(path)
    audio["TITLE"] = tags["title"]
    audio["ARTIST"] = tags["artist"]
    audio["ALBUM"] = tags["album"]
    audio["ALBUMARTIST"] = tags["albumartist"]
    audio["TRACKNUMBER"] = str(tags["track"])
    audio["TRACKTOTAL"] = str(tags["tracks"])
    audio["DISCNUMBER"] = str(tags["disc"])
    audio["DISCTOTAL"] = str(tags["discs"])
    audio["DATE"] = str(tags["year"])
    audio["GENRE"] = tags["genre"]
    if compilation:
        audio["COMPILATION"] = "1"
    audio.save()


def write_library(root):
    frequency = 220
    for album_artist, album, year, genre, fmt, colour, tracks in ALBUMS:
        folder = os.path.join(root, safe_name(album_artist), safe_name(album))
        os.makedirs(folder)
        run(["convert", "-size", "300x300", "xc:" + colour, "-fill", "white", "-draw", "circle 150,150 150,60",
             os.path.join(folder, "cover.jpg")])
        discs = max(disc for disc, _, _, _ in tracks)
        for disc, track, title, artist in tracks:
            frequency += 20
            tracks_on_disc = sum(1 for d, _, _, _ in tracks if d == disc)
            path = os.path.join(folder, "%d-%02d %s.%s" % (disc, track, safe_name(title), fmt))
            run(["sox", "-n", "-r", "44100", "-c", "2", path, "synth", str(SECONDS_PER_TRACK), "sine",
                 str(frequency), "vol", "0.3"])
            tags = {
                "title": title, "artist": artist, "album": album, "albumartist": album_artist,
                "track": track, "tracks": tracks_on_disc, "disc": disc, "discs": discs,
                "year": year, "genre": genre,
            }
            (tag_mp3 if fmt == "mp3" else tag_flac)(path, tags, album_artist == "Various Artists")


def generate(script, write):
    """Writes a library with write(folder) unless the stamp says the scripts
    that make it (the caller's and this one) have not changed."""
    name = os.path.basename(script)
    if len(sys.argv) != 2:
        sys.exit("usage: %s DIRECTORY" % name)
    target = os.path.abspath(sys.argv[1])
    library = os.path.join(target, "library")
    stamp = os.path.join(target, "library.stamp")
    digest = hashlib.sha256()
    for path in sorted({os.path.abspath(script), os.path.abspath(__file__)}):
        with open(path, "rb") as source:
            digest.update(source.read())
    checksum = digest.hexdigest()
    try:
        with open(stamp) as existing:
            if existing.read().strip() == checksum and os.path.isdir(library):
                return
    except OSError:
        pass

    os.makedirs(target, exist_ok=True)
    # Built aside and moved in place, so an interrupted run never leaves half a library.
    staging = tempfile.mkdtemp(prefix="library.", dir=target)
    try:
        write(staging)
        shutil.rmtree(library, ignore_errors=True)
        os.rename(staging, library)
    except BaseException:
        shutil.rmtree(staging, ignore_errors=True)
        raise
    with open(stamp, "w") as out:
        out.write(checksum + "\n")


if __name__ == "__main__":
    generate(__file__, write_library)
