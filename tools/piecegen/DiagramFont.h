#pragma once
// The glyphs of the diagram font "Torvanel Diagram": squares, pieces on both
// square colours, the frame, and frame pieces with rank digits and file
// letters. Every glyph fills one em square; rows and columns of them join.
#include <QPainterPath>
#include <QString>
#include <string>
#include <vector>

// Font units: the em is 1000, the baseline 200 above the cell's bottom.
constexpr int kUnitsPerEm = 1000;
constexpr int kAscent = 800;
constexpr int kDescent = 200;

struct DiagramGlyph {
  std::string key;   // its key in "ChsFonts.ini" ("Blank_W", "WhiteKing_B", "BorderS3", ...)
  int code;          // printable ASCII other than backslash and braces
  QPainterPath ink;  // font units, y up, filled with the winding rule
};

// In the order of the ini file's keys.
std::vector<DiagramGlyph> DiagramGlyphs();
// Writes the glyphs as closed polygons in whole font units for the font
// script: a header, then per glyph "glyph KEY CODE" and one "contour x y ..."
// line per contour, outer contours clockwise and holes counter-clockwise.
bool WriteFontOutlines(const QString &path);
