#include "foundation/Common.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <utility>

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

std::string RtfEscapeNonAscii(const std::string &text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  auto byte = [&](unsigned char b) {
    out += "\\'";
    out += kHex[b >> 4];
    out += kHex[b & 15];
  };
  if (win1252::Classify(text) == win1252::TextKind::Utf8) {
    // Game text in UTF-8: what Windows-1252 holds as its byte, the rest as
    // Unicode (signed 16-bit units, "?" for readers without it).
    auto unit = [&](int u) { out += "\\u" + std::to_string(u > 0x7FFF ? u - 0x10000 : u) + "?"; };
    win1252::ForEachCodePoint(text, [&](char32_t c) {
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else if (const int b = win1252::FromUnicode(c); b >= 0) {
        byte(static_cast<unsigned char>(b));
      } else if (c > 0xFFFF) {
        unit(static_cast<int>(0xD800 + ((c - 0x10000) >> 10)));
        unit(static_cast<int>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        unit(static_cast<int>(c));
      }
    });
    return out;
  }
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 128)
      out += ch;
    else
      byte(b);
  }
  return out;
}

// ---- Chess fonts ----

namespace {

std::vector<std::string> &FontFamilies() {
  static std::vector<std::string> families;
  return families;
}

constexpr const char *kPieceKeys[6] = {"King", "Queen", "Rook", "Bishop", "Knight", "Pawn"};
constexpr int kPieceCodes[6] = {6, 5, 4, 3, 2, 1};  // king .. pawn
constexpr const char *kBorderKeys[8] = {"BorderNW", "BorderN",  "BorderNE", "BorderW",
                                        "BorderE",  "BorderSW", "BorderS",  "BorderSE"};

struct SymbolKey {
  const char *key;
  int number;
};
// In the order the file is read.
constexpr SymbolKey kSymbolKeys[23] = {
    {"GoodMove", 14},
    {"PoorMove", 22},
    {"SpeculativeMove", 28},
    {"QuestionableMove", 24},
    {"VeryGoodMove", 30},
    {"VeryPoorMove", 31},
    {"Zugzwang", 36},
    {"OnlyMove", 19},
    {"WhiteIsWinning", 32},
    {"ClearAdvantageWhite", 7},
    {"SlightAdvantageWhite", 26},
    {"Equal", 13},
    {"Unclear", 29},
    {"SlightAdvantageBlack", 25},
    {"ClearAdvantageBlack", 6},
    {"BlackIsWinning", 4},
    {"Compensation", 8},
    {"Counterplay", 10},
    {"Initiative", 15},
    {"Attack", 1},
    {"Zeitnot", 35},
    {"DevelopmentAdvantage", 11},
    {"Novelty", 18},
};

int32_t ReadGlyph(const IniFile &ini, const std::string &section, const std::string &key) {
  return ParseGlyphCode(ini.ReadString(section, key, "?"));
}

// The thirteen keys of one square colour: the empty square, then the black
// and the white pieces.
void ReadSquareColour(const IniFile &ini, ChessFontInfoRec &rec, int squareColour, const char *suffix) {
  const std::string face = rec.faceName;
  int32_t blank = ReadGlyph(ini, face, std::string("Blank") + suffix);
  (squareColour == 0 ? rec.blankLight : rec.blankDark) = blank;
  for (int colour : {1, 0}) {
    const char *side = colour == 0 ? "White" : "Black";
    for (int p = 0; p < 6; ++p)
      rec.pieces[kPieceCodes[p]][colour][squareColour] =
          ReadGlyph(ini, face, std::string(side) + kPieceKeys[p] + suffix);
  }
}

std::string FirstKnown(const TChessFontInfoMan &fonts, std::initializer_list<const char *> faces) {
  for (const char *f : faces)
    if (fonts.HasFont(f)) return f;
  return "Arial";
}

}  // namespace

void SetInstalledFontFamilies(std::vector<std::string> families) { FontFamilies() = std::move(families); }

const std::vector<std::string> &InstalledFontFamilies() { return FontFamilies(); }

int32_t ParseGlyphCode(const std::string &value) {
  if (value.size() == 2 && value[0] == '\\') return static_cast<unsigned char>(value[1]);
  if (value.empty() || value[0] < '0' || value[0] > '9') return 0;
  int32_t code = 0;
  auto res = std::from_chars(value.data(), value.data() + value.size(), code, 10);
  if (res.ec != std::errc() || res.ptr != value.data() + value.size()) return 0;
  return code;
}

TChessFontInfoMan::TChessFontInfoMan(const std::string &iniPath) { Read(iniPath, InstalledFontFamilies()); }

TChessFontInfoMan::TChessFontInfoMan(const std::string &iniPath, const std::vector<std::string> &installed) {
  Read(iniPath, installed);
}

void TChessFontInfoMan::Read(const std::string &iniPath, const std::vector<std::string> &installed) {
  IniFile ini(iniPath);
  const int n = ini.ReadInteger("Chess Fonts", "Fonts", 0);
  // The keys Font1..Fontn that are present, in number order: a missing one
  // names no font, and a huge count costs nothing.
  std::vector<std::pair<int, std::string>> faces;
  for (const auto &[key, value] : ini.ReadSectionValues("Chess Fonts")) {
    if (key.size() < 5 || !win1252::SameText(key.substr(0, 4), "Font")) continue;
    int i = 0;
    auto res = std::from_chars(key.data() + 4, key.data() + key.size(), i, 10);
    if (res.ec != std::errc() || res.ptr != key.data() + key.size() || i < 1 || i > n) continue;
    if (key.substr(4) != std::to_string(i)) continue;  // "Font01" is not "Font1"
    faces.emplace_back(i, value);
  }
  std::sort(faces.begin(), faces.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  for (const auto &entry : faces) {
    const std::string &face = entry.second;
    bool isInstalled = std::any_of(installed.begin(), installed.end(),
                                   [&](const std::string &f) { return win1252::SameText(f, face); });
    if (!isInstalled) continue;

    ChessFontInfoRec rec;
    rec.faceName = face;
    ReadSquareColour(ini, rec, 1, "_B");
    ReadSquareColour(ini, rec, 0, "_W");
    for (int b = 0; b < 8; ++b) rec.border[b] = ReadGlyph(ini, face, kBorderKeys[b]);
    bool all = true;
    for (int k = 1; k <= 8; ++k) {
      rec.borderW[k] = ReadGlyph(ini, face, "BorderW" + std::to_string(k));
      all = all && rec.borderW[k] != 0;
    }
    for (int k = 1; k <= 8; ++k) {
      rec.borderS[k] = ReadGlyph(ini, face, "BorderS" + std::to_string(k));
      all = all && rec.borderS[k] != 0;
    }
    rec.hasCoordinates = all;
    rec.hasFigurines = ini.ReadInteger(face, "Figurines", 0) == 1;
    for (int colour : {0, 1})
      for (int p = 0; p < 6; ++p)
        rec.figurines[kPieceCodes[p]][colour] =
            ReadGlyph(ini, face, std::string(colour == 0 ? "White" : "Black") + kPieceKeys[p]);
    rec.hasSymbols = ini.ReadInteger(face, "Symbols", 0) == 1;
    for (const SymbolKey &s : kSymbolKeys) {
      int32_t code = ReadGlyph(ini, face, s.key);
      rec.symbols[s.number] = {code != 0, code};
    }
    fonts_.push_back(std::move(rec));
  }
}

std::string TChessFontInfoMan::FontName(int i) const {
  CheckRange(i, 1, Count());
  return fonts_[static_cast<size_t>(i - 1)].faceName;
}

void TChessFontInfoMan::GetInfo(int i, ChessFontInfoRec &info) const {
  CheckRange(i, 1, Count());
  info = fonts_[static_cast<size_t>(i - 1)];
}

bool TChessFontInfoMan::GetInfoByName(const std::string &name, ChessFontInfoRec &info) const {
  int i = IndexOf(name);
  if (i == -1) return false;
  info = fonts_[static_cast<size_t>(i - 1)];
  return true;
}

int TChessFontInfoMan::IndexOf(const std::string &name) const {
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i].faceName == name) return static_cast<int>(i) + 1;
  return -1;
}

std::string DefaultDiagramFont(const TChessFontInfoMan &fonts) {
  // The program's own face comes after the three known ones, which a user
  // may have installed, and before the letters in "Arial".
  return FirstKnown(fonts, {"ISDiagram", "Tasc Chess Figurine", "Chess Alpha", "Torvanel Diagram"});
}

std::string DefaultFigurineFont(const TChessFontInfoMan &fonts) {
  return FirstKnown(fonts, {"CA Chess", "FigurineTmsCB"});
}

std::string DefaultApplicationFont(const TChessFontInfoMan &fonts) { return DefaultFigurineFont(fonts); }

std::string RtfHeader(const std::string &font0, const std::string &font1, const std::string &font2) {
  // Every font in its own group: a word processor that reads only grouped
  // entries would drop an ungrouped first one, and with it the text font.
  return "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss\\fcharset0 " + font0 + ";}" + "{\\f1\\froman\\fcharset0 " +
         font1 + ";}" + "{\\f2\\fswiss\\fcharset2\\fprq2 " + font2 + ";}}";
}

std::string RtfFooter() { return "}"; }
