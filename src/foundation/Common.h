#pragma once
// The chess fonts: the record of one described font, the manager that reads
// the descriptions of "ChsFonts.ini", the default font choices, and the RTF
// text helpers the notation and clipboard writers use.
#include <cstdint>
#include <string>
#include <vector>

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
// upper-case hex digits). Game text in valid UTF-8 is read by character:
// \'XX for what Windows-1252 holds, \uN? for the rest. Backslashes and
// braces are left alone.
std::string RtfEscapeNonAscii(const std::string &text);

// ---- Chess fonts ----

// The font families installed for the program ("Default" and the rest, as the
// font choosers list them). The Qt side fills it at start and again after it
// adds the program's own fonts; until then it is empty.
void SetInstalledFontFamilies(std::vector<std::string> families);
const std::vector<std::string> &InstalledFontFamilies();

// The chess fonts described in "ChsFonts.ini" that are installed, in file
// order; positions count from 1.
class TChessFontInfoMan {
 public:
  // No fonts.
  TChessFontInfoMan() = default;
  // Checks the faces against InstalledFontFamilies().
  explicit TChessFontInfoMan(const std::string &iniPath);
  // Checks the faces against the given families (case-insensitively).
  TChessFontInfoMan(const std::string &iniPath, const std::vector<std::string> &installed);

  int Count() const { return static_cast<int>(fonts_.size()); }
  // i from 1; ERangeError outside 1..Count.
  std::string FontName(int i) const;
  void GetInfo(int i, ChessFontInfoRec &info) const;
  // False, leaving info alone, for an unknown name.
  bool GetInfoByName(const std::string &name, ChessFontInfoRec &info) const;
  // Exact, case-sensitive; -1 when absent.
  int IndexOf(const std::string &name) const;
  bool HasFont(const std::string &name) const { return IndexOf(name) != -1; }

 private:
  void Read(const std::string &iniPath, const std::vector<std::string> &installed);
  std::vector<ChessFontInfoRec> fonts_;
};

// A glyph value of the font file: "\c" is the code of c, a decimal number is
// that number; anything else (a sign, other text, a value beyond 32 bits) is 0.
int32_t ParseGlyphCode(const std::string &value);

// Default font choices: the first known chess font of each kind, else "Arial".
std::string DefaultDiagramFont(const TChessFontInfoMan &fonts);
std::string DefaultFigurineFont(const TChessFontInfoMan &fonts);
std::string DefaultApplicationFont(const TChessFontInfoMan &fonts);

// The start of an RTF document with its three fonts (font2 is the chess font,
// symbol character set), and its end.
std::string RtfHeader(const std::string &font0, const std::string &font1, const std::string &font2);
std::string RtfFooter();
