#!/usr/bin/python3
"""Builds the pictogram font: the i-mode pictogram codes, as glibc's CP932
decodes them (F040-F9FC -> U+E000-U+E757), mapped to the colour glyphs of the
Unicode emoji they stand for, taken from Noto Color Emoji and subset to just
those glyphs. Pictograms Unicode never encoded (carrier logos) get the badge
pictures drawn by make_pictogram_badges, one PNG per code.

Usage: make_pictogram_font.py --noto FONT --sources EmojiSources.txt
                              --badges DIR --output FONT
"""

import argparse
import os
import struct
import sys

try:
    from fontTools import subset
    from fontTools.ttLib import TTFont, newTable
    from fontTools.misc import sstruct
    from fontTools.ttLib.tables.C_B_D_T_ import cbdt_bitmap_format_17
    from fontTools.ttLib.tables.BitmapGlyphMetrics import (
        SmallGlyphMetrics, smallGlyphMetricsFormat)
    from fontTools.ttLib.tables._c_m_a_p import cmap_format_4
except ImportError:
    sys.exit("make_pictogram_font: Python's fontTools is missing; "
             "install the Debian package python3-fonttools")

FAMILY = "Zarvel Pictograms"

# The i-mode pictograms Unicode has no character for: carrier logos.
LOGO_CODES = [0xF975, 0xF976, 0xF978, 0xF979, 0xF984, 0xF986, 0xF9B1, 0xF9B2]


def pua_of_sjis(code):
    """The code point glibc's CP932 gives a user-defined-area code."""
    lead, trail = code >> 8, code & 0xFF
    if not (0xF0 <= lead <= 0xF9 and 0x40 <= trail <= 0xFC and trail != 0x7F):
        raise ValueError("not a user-defined CP932 code: %X" % code)
    return 0xE000 + (lead - 0xF0) * 188 + trail - 0x40 - (1 if trail > 0x7F else 0)


def read_docomo_sources(path):
    """docomo Shift-JIS code -> tuple of Unicode code points."""
    mapping = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split(";")
            if len(fields) < 2 or not fields[1]:
                continue
            mapping[int(fields[1], 16)] = tuple(int(cp, 16) for cp in fields[0].split())
    if not mapping:
        sys.exit("make_pictogram_font: no docomo codes in " + path)
    return mapping


def ligature_glyph(font, components):
    """The glyph GSUB forms from a sequence of glyphs (keycaps), or None."""
    if "GSUB" not in font:
        return None
    for lookup in font["GSUB"].table.LookupList.Lookup:
        if lookup.LookupType != 4:
            continue
        for sub in lookup.SubTable:
            for lig in sub.ligatures.get(components[0], []):
                if lig.Component == components[1:]:
                    return lig.LigGlyph
    return None


def glyph_for(font, cmap, sequence):
    if len(sequence) == 1:
        return cmap.get(sequence[0])
    glyphs = [cmap.get(cp) for cp in sequence]
    if None in glyphs:
        return None
    found = ligature_glyph(font, glyphs)
    if found is None and 0xFE0F in cmap:
        # Some fonts only form the fully qualified sequence.
        found = ligature_glyph(font, [glyphs[0], cmap[0xFE0F]] + glyphs[1:])
    return found


def png_size(png):
    if png[:8] != b"\x89PNG\r\n\x1a\n" or png[12:16] != b"IHDR":
        raise ValueError("not a PNG file")
    return struct.unpack(">II", png[16:24])


def add_badges(font, badge_dir):
    """Adds one colour bitmap glyph per logo, placed like the emoji glyphs.
    Runs after subsetting, so the new glyphs get the last glyph ids and one
    index subtable of their own."""
    strike = font["CBDT"].strikeData[0]
    sample_name = next(iter(strike))
    template = strike[sample_name].metrics
    glyph_order = list(font.getGlyphOrder())
    names = {}
    for code in LOGO_CODES:
        path = os.path.join(badge_dir, "%X.png" % code)
        with open(path, "rb") as f:
            png = f.read()
        if png_size(png) != (template.width, template.height):
            sys.exit("make_pictogram_font: %s is not %dx%d"
                     % (path, template.width, template.height))
        metrics = SmallGlyphMetrics()
        for attr in ("height", "width", "BearingX", "BearingY", "Advance"):
            setattr(metrics, attr, getattr(template, attr))
        data = (sstruct.pack(smallGlyphMetricsFormat, metrics)
                + struct.pack(">L", len(png)) + png)
        name = "docomo%X" % code
        strike[name] = cbdt_bitmap_format_17(data, font)
        glyph_order.append(name)
        font["hmtx"].metrics[name] = font["hmtx"].metrics[sample_name]
        if "vmtx" in font:
            font["vmtx"].metrics[name] = font["vmtx"].metrics[sample_name]
        names[code] = name
    font.setGlyphOrder(glyph_order)

    index = object.__new__(font["CBLC"].getIndexFormatClass(1))
    index.indexFormat = 1
    index.imageFormat = 17
    index.names = list(names.values())
    font["CBLC"].strikes[0].indexSubTables.append(index)
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--noto", required=True)
    parser.add_argument("--sources", required=True)
    parser.add_argument("--badges", required=True)
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    for path, package in ((args.noto, "fonts-noto-color-emoji"),
                          (args.sources, "unicode-data")):
        if not os.path.isfile(path):
            sys.exit("make_pictogram_font: %s is missing; install the Debian package %s"
                     % (path, package))

    docomo = read_docomo_sources(args.sources)
    font = TTFont(args.noto)
    if "CBDT" not in font or len(font["CBLC"].strikes) != 1:
        sys.exit("make_pictogram_font: %s is not the single-strike colour "
                 "bitmap font expected" % args.noto)
    cmap = font.getBestCmap()

    pua_to_glyph = {}
    for code, sequence in sorted(docomo.items()):
        glyph = glyph_for(font, cmap, sequence)
        if glyph is None:
            sys.exit("make_pictogram_font: no glyph for docomo %X (%s) in %s"
                     % (code, " ".join("U+%04X" % cp for cp in sequence), args.noto))
        pua_to_glyph[pua_of_sjis(code)] = glyph

    # Keep only the pictogram glyphs; codes are assigned afterwards, since
    # the subsetter keeps only code points the source font already maps.
    options = subset.Options()
    options.layout_features = []
    options.name_IDs = [0, 13, 14]
    options.drop_tables += ["GSUB", "GPOS", "GDEF"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(glyphs=sorted(set(pua_to_glyph.values())))
    subsetter.subset(font)

    for code, name in add_badges(font, args.badges).items():
        pua_to_glyph[pua_of_sjis(code)] = name
    # 176 basic and 76 extended pictograms.
    if len(pua_to_glyph) != 252:
        sys.exit("make_pictogram_font: %d pictograms instead of 252; %s does not "
                 "list the docomo codes expected" % (len(pua_to_glyph), args.sources))

    cmap_table = newTable("cmap")
    cmap_table.tableVersion = 0
    cmap_table.tables = []
    for platform, encoding in ((0, 3), (3, 1)):
        sub = cmap_format_4(4)
        sub.platformID, sub.platEncID, sub.language = platform, encoding, 0
        sub.cmap = dict(pua_to_glyph)
        cmap_table.tables.append(sub)
    font["cmap"] = cmap_table

    name = font["name"]
    for name_id, text in ((1, FAMILY), (2, "Regular"), (3, FAMILY + " Regular"),
                          (4, FAMILY), (6, FAMILY.replace(" ", "") + "-Regular")):
        name.setName(text, name_id, 3, 1, 0x409)
        name.setName(text, name_id, 1, 0, 0)
    font["OS/2"].usFirstCharIndex = min(pua_to_glyph)
    font["OS/2"].usLastCharIndex = max(pua_to_glyph)

    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    temp = args.output + ".tmp"
    font.save(temp)
    os.replace(temp, args.output)


if __name__ == "__main__":
    main()
