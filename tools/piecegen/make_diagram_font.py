#!/usr/bin/python3
"""Makes the diagram font "Torvanel Diagram" and its description "ChsFonts.ini".

    piecegen --font-outlines /tmp/outlines.txt
    /usr/bin/python3 make_diagram_font.py /tmp/outlines.txt <repo>/data

The glyphs come from piecegen (the program's own piece designs); this script
only packs them into a TrueType file. It needs fontTools (Debian:
python3-fonttools), installed by hand: neither the set-up nor the build runs it.
The same outlines always give the same bytes.
"""
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.misc.timeTools import timestampFromString
from fontTools.pens.ttGlyphPen import TTGlyphPen

FAMILY = "Torvanel Diagram"
FILE = "TorvanelDiagram.ttf"
STAMP = timestampFromString("Mon Dec  7 00:00:00 2026")
LICENCE = ("The Torvanel/DB developers drew this font for the program from its own piece "
           "designs; it holds no outline of any other font. Anyone may use, embed, copy "
           "and pass it on, changed or not; a changed font must not be called "
           "Torvanel Diagram.")


def read_outlines(path):
    header, glyphs = {}, []
    with open(path, encoding="ascii") as f:
        for line in f:
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            if words[0] == "glyph":
                glyphs.append((words[1], int(words[2]), []))
            elif words[0] == "contour":
                nums = [int(w) for w in words[1:]]
                glyphs[-1][2].append(list(zip(nums[0::2], nums[1::2])))
            else:
                header[words[0]] = int(words[1])
    return header, glyphs


def draw(contours):
    pen = TTGlyphPen(None)
    for contour in contours:
        pen.moveTo(contour[0])
        for point in contour[1:]:
            pen.lineTo(point)
        pen.closePath()
    return pen.glyph()


def build(header, glyphs, out_path):
    em, ascent, descent = header["unitsPerEm"], header["ascent"], header["descent"]
    assert ascent + descent == em, "a row of diagram glyphs is one em high"
    # The missing-glyph box, and a blank space.
    inset = em // 10
    notdef = [[(inset, -descent + inset), (inset, ascent - inset), (em - inset, ascent - inset),
               (em - inset, -descent + inset)],
              [(2 * inset, -descent + 2 * inset), (em - 2 * inset, -descent + 2 * inset),
               (em - 2 * inset, ascent - 2 * inset), (2 * inset, ascent - 2 * inset)]]
    order = [".notdef", "space"] + [name for name, _, _ in glyphs]
    outlines = {".notdef": notdef, "space": []}
    cmap = {0x20: "space", 0xF020: "space"}
    for name, code, contours in glyphs:
        assert 0x21 <= code <= 0x7E and chr(code) not in "\\{}", name
        assert code not in cmap, name
        outlines[name] = contours
        # A symbol-charset font is read at its byte and at U+F000 + byte.
        cmap[code] = name
        cmap[0xF000 + code] = name

    fb = FontBuilder(em, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf({name: draw(outlines[name]) for name in order})
    lsb = {name: min((x for c in outlines[name] for x, _ in c), default=0) for name in order}
    fb.setupHorizontalMetrics({name: (em, lsb[name]) for name in order})
    # Line height = em: no gap, ascent and descent span the cell exactly.
    fb.setupHorizontalHeader(ascent=ascent, descent=-descent, lineGap=0)
    fb.setupNameTable({
        "copyright": "Copyright the Torvanel/DB developers",
        "familyName": FAMILY,
        "styleName": "Regular",
        "uniqueFontIdentifier": FAMILY + " Regular 1.000",
        "fullName": FAMILY,
        "version": "Version 1.000",
        "psName": "TorvanelDiagram-Regular",
        "licenseDescription": LICENCE,
    })
    fb.setupOS2(version=4, sTypoAscender=ascent, sTypoDescender=-descent, sTypoLineGap=0,
                usWinAscent=ascent, usWinDescent=descent, fsType=0, achVendID="TVDB",
                fsSelection=0x40 | 0x80,  # regular, use the typographic metrics
                ulCodePageRange1=1, ulCodePageRange2=0)
    fb.setupPost()
    fb.updateHead(fontRevision=1.0, created=STAMP, modified=STAMP)
    fb.save(out_path)


def write_ini(glyphs, path):
    lines = [
        "; The chess fonts of diagrams copied as RTF: the character of every square,",
        "; piece and frame piece of each face. Made with " + FILE + " by",
        "; tools/piecegen/make_diagram_font.py.",
        "[Chess Fonts]",
        "Fonts=1",
        "Font1=" + FAMILY,
        "",
        "[" + FAMILY + "]",
    ]
    lines += ["%s=%d" % (name, code) for name, code, _ in glyphs]
    lines += ["Figurines=0", "Symbols=0"]
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_diagram_font.py OUTLINES DATADIR")
    header, glyphs = read_outlines(sys.argv[1])
    build(header, glyphs, os.path.join(sys.argv[2], FILE))
    write_ini(glyphs, os.path.join(sys.argv[2], "ChsFonts.ini"))


if __name__ == "__main__":
    main()
