#pragma once
// Shared chess-font record and the RTF text helper the notation and the
// clipboard writers use. Plain data: the font manager fills the records.
#include <cstdint>
#include <string>

// One described chess font. Glyph codes are character codes; 0 means none.
// Piece indexes run 1..6 (pawn .. king; index 0 unused), colours 0 White,
// 1 Black, 2 None, square colours 0 light, 1 dark.
struct ChessFontInfoRec {
  enum Border { NW = 0, N, NE, W, E, SW, S, SE };
  struct Symbol {
    bool present = false;
    int32_t code = 0;
  };

  std::string faceName;
  int32_t blankLight = 0;  // "Blank_W"
  int32_t blankDark = 0;   // "Blank_B"
  int32_t pieces[7][3][2] = {};
  int32_t border[8] = {};
  int32_t borderW[9] = {};  // rank labels, 1..8
  int32_t borderS[9] = {};  // file labels, 1..8
  bool hasCoordinates = false;
  bool hasFigurines = false;
  int32_t figurines[7][3] = {};
  bool hasSymbols = false;
  Symbol symbols[37] = {};
  // Set by their users: the RTF texts written before and after a figurine.
  std::string rtfPrefix;
  std::string rtfSuffix;
};

// Copies every byte below 128 and writes every other one as \'XX (two
// upper-case hex digits). Backslashes and braces are left alone.
std::string RtfEscapeNonAscii(const std::string &text);
