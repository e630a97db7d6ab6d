#include "chess/NagSymbols.h"

#include "chess/InfoMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/IniFile.h"

namespace {

const std::string kUnknownSymbol = "<Unknown symbol>";

struct NagRange {
  int first, last, symbol;
};
// The one map from NAGs to the font's symbol slots.
constexpr NagRange kNagSymbols[] = {
    {1, 1, 14},   {2, 2, 22},     {3, 3, 30},     {4, 4, 31},     {5, 5, 28},   {6, 6, 24},   {7, 8, 19},
    {10, 12, 13}, {13, 13, 29},   {14, 14, 26},   {15, 15, 25},   {16, 16, 7},  {17, 17, 6},  {18, 18, 32},
    {19, 19, 4},  {20, 20, 32},   {21, 21, 4},    {22, 23, 36},   {30, 35, 11}, {36, 39, 15}, {40, 41, 1},
    {44, 47, 8},  {130, 135, 10}, {136, 139, 35}, {200, 200, 18},
};

// The words of the font's symbols in plain text (their captions), by slot.
const std::string *SymbolWord(int symbol) {
  using namespace CommonText;
  static const struct {
    int symbol;
    const std::string *word;
  } kWords[] = {
      {1, &S_SymAttack},
      {4, &S_SymBlackIsWinning},
      {6, &S_SymClearAdvBlack},
      {7, &S_SymClearAdvWhite},
      {8, &S_SymCompensation},
      {10, &S_SymCounterplay},
      {11, &S_SymDevelopmentAdvantage},
      {13, &S_SymEqual},
      {14, &S_SymGoodMove},
      {15, &S_SymInitiative},
      {18, &S_SymNovelty},
      {19, &S_SymOnlyMove},
      {22, &S_SymPoorMove},
      {24, &S_SymQuestionableMove},
      {25, &S_SymSlightAdvBlack},
      {26, &S_SymSlightAdvWhite},
      {28, &S_SymSpeculativeMove},
      {29, &S_SymUnclear},
      {30, &S_SymVeryGoodMove},
      {31, &S_SymVeryPoorMove},
      {32, &S_SymWhiteIsWinning},
      {35, &S_SymZeitnot},
      {36, &S_SymZugzwang},
  };
  for (const auto &w : kWords)
    if (w.symbol == symbol) return w.word;
  return nullptr;
}

// Symbols whose font characters are the plain marks and are written as they are.
bool WrittenAsIs(int symbol) {
  return symbol == 14 || symbol == 22 || symbol == 24 || symbol == 28 || symbol == 30 || symbol == 31;
}

}  // namespace

int NagFontSymbol(int nag) {
  for (const NagRange &r : kNagSymbols)
    if (nag >= r.first && nag <= r.last) return r.symbol;
  return -1;
}

std::string NagSymbolText(int nag) {
  if (nag < 0 || nag > MaxNag) return kUnknownSymbol;
  // The writers separate their tokens themselves, so the blanks a caption
  // keeps for layout (" oo") would only double them.
  const std::string *word = SymbolWord(NagFontSymbol(nag));
  return word ? ini::Trim(*word) : NagText(nag);
}

std::string NagSymbolRtf(int nag, const ChessFontInfoRec &font) {
  if (nag < 0 || nag > MaxNag) return kUnknownSymbol;
  const int symbol = NagFontSymbol(nag);
  if (symbol < 0 || !font.hasSymbols || !font.symbols[symbol].present)
    return RtfEscapeNonAscii(RtfEscapeSpecials(NagText(nag)));
  const int32_t code = font.symbols[symbol].code;
  if (code < 1 || code > 255) return kUnknownSymbol;
  const char ch = static_cast<char>(code);
  if (WrittenAsIs(symbol)) {
    // RTF's own characters still need their backslash.
    return ch == '\\' || ch == '{' || ch == '}' ? std::string{'\\', ch} : std::string(1, ch);
  }
  static const char kHex[] = "0123456789ABCDEF";
  return std::string{'\\', '\'', kHex[code >> 4], kHex[code & 15]};
}
