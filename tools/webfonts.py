#!/usr/bin/python3
"""The fonts the web page brings, cut down from Debian's free CJK fonts.

  webfonts.py SOURCE_ROOT OUT_DIR

A page has no system fonts of its own, so it brings the game's three faces, each subset to
the characters the game shows (every character of its sources' texts, and printable ASCII):

  song.ttf      宋体: AR PL UMing CN (fonts-arphic-uming), most of the window's text;
  kai.ttf       楷体_GB2312: AR PL UKai CN (fonts-arphic-ukai), the result messages;
  hei.ttf       黑体: WenQuanYi Zen Hei (fonts-wqy-zenhei), the instructions; also all of
                GB2312, for a record holder's name: the most compact of the three faces;
  fallback.otf  GNU Unifont (fonts-unifont) as Debian ships it, for any other character of
                the Basic Multilingual Plane, and fallback-upper.otf for the planes above it.

Writes the files and fonts.json, the list of the three faces that the page's loader preloads
into /fonts/; the fallbacks are fetched only if a character none of the faces has is to be
drawn (system/chinese_wasm.cpp). The subsets carry no hinting and no layout tables (the
game's text needs neither) and keep the fonts' own names, by which the game finds them. The
same fonts give the same bytes: the fonts keep their own timestamps.
"""
import json
import pathlib
import re
import shutil
import sys

from fontTools import subset
from fontTools.ttLib import TTCollection

SOURCES = ("game", "settings", "platform", "records", "accessibility", "controls", "system", "text")
FACES = (
    ("song.ttf", "/usr/share/fonts/truetype/arphic/uming.ttc", False),
    ("kai.ttf", "/usr/share/fonts/truetype/arphic/ukai.ttc", False),
    ("hei.ttf", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", True),
)
FALLBACKS = (
    ("fallback.otf", "/usr/share/fonts/opentype/unifont/unifont.otf"),
    ("fallback-upper.otf", "/usr/share/fonts/opentype/unifont/unifont_upper.otf"),
)


def shown_characters(source_root):
    """Every character of the sources' string literals that is not ASCII, and printable ASCII."""
    found = {chr(c) for c in range(0x20, 0x7F)}
    for room in SOURCES:
        for path in sorted((source_root / room).glob("*.[ch]*")):
            for literal in re.findall(r'"((?:[^"\\\n]|\\.)*)"', path.read_text(encoding="utf-8")):
                found.update(c for c in literal if ord(c) > 0x7E)
    return found


def gb2312_characters():
    found = set()
    for first in range(0xA1, 0xF8):
        for second in range(0xA1, 0xFF):
            try:
                found.add(bytes((first, second)).decode("gb2312"))
            except UnicodeDecodeError:
                pass
    return found


def options():
    chosen = subset.Options()
    chosen.layout_features = []
    chosen.hinting = False
    chosen.drop_tables += ["BDF", "FFTM", "EBDT", "EBLC", "EBSC"]
    chosen.name_IDs = ["*"]
    chosen.name_languages = ["*"]
    chosen.recalc_timestamp = False
    return chosen


def cut(font, characters, out):
    subsetter = subset.Subsetter(options())
    subsetter.populate(unicodes=sorted(ord(c) for c in characters))
    subsetter.subset(font)
    font.recalcTimestamp = False
    font.save(out, reorderTables=True)


def main(source_root, out_dir):
    out_dir.mkdir(parents=True, exist_ok=True)
    shown = shown_characters(source_root)
    for name, collection, with_gb2312 in FACES:
        font = TTCollection(collection).fonts[0]
        cut(font, shown | (gb2312_characters() if with_gb2312 else set()), out_dir / name)
    for name, path in FALLBACKS:
        shutil.copyfile(path, out_dir / name)
    preload = [{"source": "fonts/" + name, "destination": "/fonts/" + name} for name, *_ in FACES]
    (out_dir / "fonts.json").write_text(json.dumps(preload, indent=1) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main(pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]))
