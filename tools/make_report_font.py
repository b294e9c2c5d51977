#!/usr/bin/python3
"""Derive the report font "Orator10 BT" from GNU FreeMono.

The viewer lays every report out in one fixed-pitch face that it carries inside
itself, so that pages break the same way on every machine. That face is GNU
FreeMono (GPLv3 or later with the font exception, which allows modified copies
under another name), cut down to the Windows-1252 repertoire that reports are
written in, renamed, and given vertical metrics that leave a little leading
between lines.

Usage: tools/make_report_font.py [SOURCE.ttf] [OUTPUT.ttf]
Needs Debian's python3-fonttools and fonts-freefont-ttf. The output is checked
in as resources/fonts/ORATOR10.TTF; run this only to regenerate it.
"""

import sys

from fontTools import subset
from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/truetype/freefont/FreeMono.ttf"
OUTPUT = "resources/fonts/ORATOR10.TTF"
FAMILY = "Orator10 BT"
POSTSCRIPT = "Orator10BT-Regular"
ADVANCE = 600  # 0.6 em of a 1000-unit em: ten characters an inch at 12 points
# Line height as a share of the em: a typewriter's 6 lines an inch at 12 points
# is 1.0; a little more keeps descenders of one line off the capitals below.
ASCENT = 880
DESCENT = 240


def windows_1252_repertoire():
    chars = set()
    for byte in range(0x20, 0x100):
        try:
            chars.add(ord(bytes([byte]).decode("cp1252")))
        except UnicodeDecodeError:
            pass  # 0x81, 0x8D, 0x8F, 0x90, 0x9D are unassigned
    return sorted(chars)


def subset_font(font):
    options = subset.Options()
    options.layout_features = []  # no kerning or ligatures in a fixed-pitch face
    options.name_IDs = ["*"]
    options.name_languages = [0x409]
    options.notdef_outline = True
    options.glyph_names = True
    options.hinting = True
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=windows_1252_repertoire())
    subsetter.subset(font)


def check_pitch(font):
    for glyph, (advance, _lsb) in font["hmtx"].metrics.items():
        if advance != ADVANCE:
            raise SystemExit(f"glyph {glyph} advances {advance}, not {ADVANCE}")


def rename(font):
    names = font["name"]
    source_copyright = names.getDebugName(0) or ""
    names.names = []
    entries = {
        0: source_copyright + " Modified for Relantomador, 2026.",
        1: FAMILY,
        2: "Regular",
        3: f"Relantomador: {FAMILY} Regular (derived from GNU FreeMono)",
        4: FAMILY,
        5: "Version 1.000",
        6: POSTSCRIPT,
        13: "This font is free software: you can redistribute it and/or modify it under the "
        "terms of the GNU General Public License as published by the Free Software "
        "Foundation, either version 3 of the License, or (at your option) any later "
        "version. As a special exception, if you create a document which uses this font, "
        "and embed this font or unaltered portions of this font into the document, this "
        "font does not by itself cause the resulting document to be covered by the GNU "
        "General Public License.",
        14: "https://www.gnu.org/licenses/gpl-3.0.html",
    }
    for name_id, text in entries.items():
        names.setName(text, name_id, 3, 1, 0x409)
        names.setName(text, name_id, 1, 0, 0)


def set_metrics(font):
    os2 = font["OS/2"]
    hhea = font["hhea"]
    os2.usWinAscent = hhea.ascent = os2.sTypoAscender = ASCENT
    os2.usWinDescent = DESCENT
    hhea.descent = os2.sTypoDescender = -DESCENT
    hhea.lineGap = os2.sTypoLineGap = 0
    os2.xAvgCharWidth = ADVANCE
    os2.panose.bProportion = 9  # monospaced
    font["post"].isFixedPitch = 1


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else SOURCE
    output = sys.argv[2] if len(sys.argv) > 2 else OUTPUT
    font = TTFont(source)
    subset_font(font)
    check_pitch(font)
    rename(font)
    set_metrics(font)
    font.save(output)
    print(f"{output}: {FAMILY}, {len(font.getGlyphOrder())} glyphs")


if __name__ == "__main__":
    main()
