#include "chess/NagSymbols.h"

#include "chess/InfoMan.h"
#include "foundation/MyUtils.h"

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
  static const char *const kMarks[] = {"!", "?", "!!", "??", "!?", "?!"};
  if (nag < 0 || nag > MaxNag) return kUnknownSymbol;
  if (nag >= 1 && nag <= 6) return kMarks[nag - 1];
  return NagText(nag);
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
