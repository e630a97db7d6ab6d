#include <gtest/gtest.h>

#include "chess/InfoMan.h"
#include "chess/NagSymbols.h"
#include "foundation/CommonText.h"

namespace {

ChessFontInfoRec SymbolFont() {
  ChessFontInfoRec f;
  f.hasSymbols = true;
  auto set = [&](int slot, int32_t code) { f.symbols[slot] = {true, code}; };
  set(14, '!');   // good move
  set(22, '?');   // poor move
  set(30, '{');   // very good move, a character RTF must escape
  set(26, 0xB2);  // slight advantage for White
  set(13, '=');   // equal
  set(18, 'N');   // novelty
  set(36, 300);   // zugzwang: not a byte
  return f;
}

TEST(NagSymbols, MapCoversTheAnnotationGroups) {
  EXPECT_EQ(NagFontSymbol(1), 14);
  EXPECT_EQ(NagFontSymbol(6), 24);
  EXPECT_EQ(NagFontSymbol(8), 19);
  EXPECT_EQ(NagFontSymbol(11), 13);
  EXPECT_EQ(NagFontSymbol(16), 7);
  EXPECT_EQ(NagFontSymbol(21), 4);
  EXPECT_EQ(NagFontSymbol(139), 35);
  EXPECT_EQ(NagFontSymbol(200), 18);
  for (int nag : {0, 9, 24, 42, 140, 201, 220, -1, 1000}) EXPECT_EQ(NagFontSymbol(nag), -1) << nag;
  // Every slot the map names is one the font file can fill.
  for (int nag = 0; nag <= MaxNag; ++nag) {
    int s = NagFontSymbol(nag);
    if (s >= 0) {
      EXPECT_TRUE(s >= 1 && s <= 36) << nag;
    }
  }
}

TEST(NagSymbols, TextIsTheSymbolsWord) {
  // A NAG with a font symbol reads as that symbol's word, as a player writes it.
  const struct {
    int nag;
    const char *text;
  } kWords[] = {
      {1, "!"},
      {2, "?"},
      {3, "!!"},
      {4, "??"},
      {5, "!?"},
      {6, "?!"},
      {7, "Only Move"},
      {11, "="},
      {13, "oo"},
      {14, "+="},
      {15, "=+"},
      {16, "+/-"},
      {17, "-/+"},
      {18, "+-"},
      {21, "-+"},
      {22, "Zugzwang"},
      {32, "Development Adv."},
      {37, "Initiative"},
      {41, "Attack"},
      {45, "oo/="},
      {133, "<=>"},
      {138, "Zeitnot"},
      {200, "N"},
  };
  for (const auto &w : kWords) EXPECT_EQ(NagSymbolText(w.nag), w.text) << w.nag;
  // Without a symbol: the description.
  EXPECT_EQ(NagSymbolText(9), NagText(9));
  EXPECT_EQ(NagSymbolText(220), "Diagram");
  EXPECT_EQ(NagSymbolText(150), "");
  EXPECT_EQ(NagSymbolText(MaxNag + 1), "<Unknown symbol>");
  EXPECT_EQ(NagSymbolText(-1), "<Unknown symbol>");
}

TEST(NagSymbols, TextFollowsTheCaptionLanguage) {
  CommonText::SetUILanguage(LangDutch);
  EXPECT_EQ(NagSymbolText(138), "Tijdnood");
  EXPECT_EQ(NagSymbolText(14), "+=");  // symbols are the same in every language
  CommonText::SetUILanguage(LangEnglish);
  EXPECT_EQ(NagSymbolText(138), "Zeitnot");
}

TEST(NagSymbols, Rtf) {
  const ChessFontInfoRec f = SymbolFont();
  EXPECT_EQ(NagSymbolRtf(1, f), "!");  // plain mark as it is
  EXPECT_EQ(NagSymbolRtf(2, f), "?");
  EXPECT_EQ(NagSymbolRtf(3, f), "\\{");     // still a valid RTF text
  EXPECT_EQ(NagSymbolRtf(14, f), "\\'B2");  // other symbols as hex
  EXPECT_EQ(NagSymbolRtf(10, f), "\\'3D");
  EXPECT_EQ(NagSymbolRtf(200, f), "\\'4E");
  EXPECT_EQ(NagSymbolRtf(22, f), "<Unknown symbol>");  // code 300 is no byte
  EXPECT_EQ(NagSymbolRtf(MaxNag + 1, f), "<Unknown symbol>");
  // No symbol in the font, or no symbol for the NAG: its description.
  EXPECT_EQ(NagSymbolRtf(5, f), NagText(5));
  EXPECT_EQ(NagSymbolRtf(9, f), NagText(9));
  ChessFontInfoRec off = f;
  off.hasSymbols = false;
  EXPECT_EQ(NagSymbolRtf(14, off), NagText(14));
}

TEST(NagSymbols, RtfDescriptionIsEscaped) {
  // Whatever the descriptions hold, the RTF form is 7-bit with no bare brace.
  ChessFontInfoRec none;
  for (int nag = 0; nag <= MaxNag; ++nag) {
    std::string rtf = NagSymbolRtf(nag, none);
    for (size_t i = 0; i < rtf.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(rtf[i]);
      EXPECT_LT(c, 128) << nag;
      if (c == '{' || c == '}') {
        EXPECT_TRUE(i > 0 && rtf[i - 1] == '\\') << nag;
      }
    }
  }
}

}  // namespace
