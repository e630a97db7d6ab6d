#include <gtest/gtest.h>

#include "TestUtil.h"
#include "foundation/Common.h"
#include "platform/Errors.h"

namespace {

const std::vector<std::string> kInstalled = {"Default", "Arial", "Diagram A", "Figures B"};

// Two described fonts, one of them not installed, one with every key group.
const char *kIni =
    "[Chess Fonts]\r\n"
    "Fonts=3\r\n"
    "Font1=Missing Face\r\n"
    "Font2=figures b\r\n"
    "Font3=Diagram A\r\n"
    "\r\n"
    "[Diagram A]\r\n"
    "Blank_W=32\r\n"
    "Blank_B=43\r\n"
    "WhiteKing_W=\\k\r\n"
    "WhiteKing_B=\\K\r\n"
    "BlackPawn_W=\\o\r\n"
    "BlackPawn_B=\\O\r\n"
    "WhiteKnight_B=\\t\r\n"
    "WhiteKnight_W=116\r\n"
    "BorderNW=\\1\r\n"
    "BorderSE=\\8\r\n"
    "BorderW1=200\r\nBorderW2=201\r\nBorderW3=202\r\nBorderW4=203\r\n"
    "BorderW5=204\r\nBorderW6=205\r\nBorderW7=206\r\nBorderW8=207\r\n"
    "BorderS1=\\\xe9\r\nBorderS2=209\r\nBorderS3=210\r\nBorderS4=211\r\n"
    "BorderS5=212\r\nBorderS6=213\r\nBorderS7=214\r\nBorderS8=215\r\n"
    "Figurines=1\r\n"
    "WhiteQueen=\\Q\r\n"
    "BlackBishop=\\b\r\n"
    "Symbols=1\r\n"
    "GoodMove=\\!\r\n"
    "Novelty=150\r\n"
    "Attack=abc\r\n"
    "Zugzwang=-5\r\n"
    "\r\n"
    "[Figures B]\r\n"
    "Figurines=2\r\n"
    "Symbols=0\r\n"
    "BorderW1=1\r\nBorderW2=1\r\nBorderW3=1\r\nBorderW4=1\r\n"
    "BorderW5=1\r\nBorderW6=1\r\nBorderW7=1\r\nBorderW8=1\r\n"
    "BorderS1=1\r\nBorderS2=1\r\nBorderS3=1\r\nBorderS4=1\r\n"
    "BorderS6=1\r\nBorderS7=1\r\nBorderS8=1\r\n";

TEST(ChessFontInfoMan, KeepsInstalledFontsInFileOrder) {
  testutil::TempDir dir;
  dir.Write("ChsFonts.ini", kIni);
  TChessFontInfoMan man(dir.File("ChsFonts.ini"), kInstalled);
  ASSERT_EQ(man.Count(), 2);
  // The installed list is matched without regard to case; the name stays as the file gives it.
  EXPECT_EQ(man.FontName(1), "figures b");
  EXPECT_EQ(man.FontName(2), "Diagram A");
  EXPECT_EQ(man.IndexOf("Diagram A"), 2);
  EXPECT_EQ(man.IndexOf("diagram a"), -1);  // exact lookup
  EXPECT_EQ(man.IndexOf("Missing Face"), -1);
  EXPECT_TRUE(man.HasFont("figures b"));
  EXPECT_FALSE(man.HasFont("Figures B"));
  EXPECT_THROW(man.FontName(0), ERangeError);
  EXPECT_THROW(man.FontName(3), ERangeError);
  ChessFontInfoRec rec;
  EXPECT_THROW(man.GetInfo(3, rec), ERangeError);
}

TEST(ChessFontInfoMan, ReadsGlyphsIntoTheirSlots) {
  testutil::TempDir dir;
  dir.Write("ChsFonts.ini", kIni);
  TChessFontInfoMan man(dir.File("ChsFonts.ini"), kInstalled);
  ChessFontInfoRec a;
  ASSERT_TRUE(man.GetInfoByName("Diagram A", a));
  EXPECT_EQ(a.faceName, "Diagram A");
  EXPECT_EQ(a.blankLight, ' ');
  EXPECT_EQ(a.blankDark, 43);
  // [piece 6 king / 1 pawn][colour 0 White, 1 Black][square 0 light, 1 dark]
  EXPECT_EQ(a.pieces[6][0][0], 'k');
  EXPECT_EQ(a.pieces[6][0][1], 'K');
  EXPECT_EQ(a.pieces[1][1][0], 'o');
  EXPECT_EQ(a.pieces[1][1][1], 'O');
  EXPECT_EQ(a.pieces[2][0][1], 't');
  EXPECT_EQ(a.pieces[2][0][0], 116);  // "\t" and "116" are the same code
  EXPECT_EQ(a.pieces[5][1][1], 0);    // missing
  EXPECT_EQ(a.border[ChessFontInfoRec::NW], '1');
  EXPECT_EQ(a.border[ChessFontInfoRec::SE], '8');
  EXPECT_EQ(a.border[ChessFontInfoRec::N], 0);
  EXPECT_EQ(a.borderW[1], 200);
  EXPECT_EQ(a.borderW[8], 207);
  EXPECT_EQ(a.borderS[1], 0xE9);  // a byte above 127 is not sign-extended
  EXPECT_EQ(a.borderS[8], 215);
  EXPECT_TRUE(a.hasCoordinates);
  EXPECT_TRUE(a.hasFigurines);
  EXPECT_EQ(a.figurines[5][0], 'Q');
  EXPECT_EQ(a.figurines[3][1], 'b');
  EXPECT_EQ(a.figurines[6][0], 0);
  EXPECT_TRUE(a.hasSymbols);
  EXPECT_TRUE(a.symbols[14].present);
  EXPECT_EQ(a.symbols[14].code, '!');
  EXPECT_EQ(a.symbols[18].code, 150);   // Novelty
  EXPECT_FALSE(a.symbols[1].present);   // "abc" is no glyph
  EXPECT_FALSE(a.symbols[36].present);  // nor is a negative number
  EXPECT_FALSE(a.symbols[0].present);
  EXPECT_TRUE(a.rtfPrefix.empty());
  EXPECT_TRUE(a.rtfSuffix.empty());

  ChessFontInfoRec b;
  man.GetInfo(1, b);
  EXPECT_EQ(b.faceName, "figures b");
  EXPECT_FALSE(b.hasCoordinates);  // BorderS5 is missing
  EXPECT_FALSE(b.hasFigurines);    // only 1 counts
  EXPECT_FALSE(b.hasSymbols);
  EXPECT_EQ(b.blankLight, 0);

  ChessFontInfoRec untouched;
  untouched.faceName = "kept";
  EXPECT_FALSE(man.GetInfoByName("Nothing", untouched));
  EXPECT_EQ(untouched.faceName, "kept");
}

TEST(ChessFontInfoMan, GlyphValues) {
  EXPECT_EQ(ParseGlyphCode("\\t"), 't');
  EXPECT_EQ(ParseGlyphCode("116"), 116);
  EXPECT_EQ(ParseGlyphCode("\\\\"), '\\');
  EXPECT_EQ(ParseGlyphCode("\\\xff"), 255);
  EXPECT_EQ(ParseGlyphCode("?"), 0);
  EXPECT_EQ(ParseGlyphCode(""), 0);
  EXPECT_EQ(ParseGlyphCode("\\"), 0);
  EXPECT_EQ(ParseGlyphCode("\\ab"), 0);
  EXPECT_EQ(ParseGlyphCode("12x"), 0);
  EXPECT_EQ(ParseGlyphCode("+12"), 0);
  EXPECT_EQ(ParseGlyphCode("99999999999"), 0);
  EXPECT_EQ(ParseGlyphCode("2147483647"), 2147483647);
}

TEST(ChessFontInfoMan, OddFontLists) {
  testutil::TempDir dir;
  // Gaps, a number beyond the count, a padded number, and a huge count that
  // must not be walked key by key.
  dir.Write("a.ini",
            "[chess fonts]\nfonts=3\nFont3=Arial\nFont01=Figures B\nFont4=Diagram A\nFONT2=Figures B\n"
            "FONT2=Diagram A\n");
  TChessFontInfoMan a(dir.File("a.ini"), kInstalled);
  ASSERT_EQ(a.Count(), 2);
  EXPECT_EQ(a.FontName(1), "Figures B");
  EXPECT_EQ(a.FontName(2), "Arial");

  dir.Write("b.ini", "[Chess Fonts]\nFonts=2147483647\nFont2147483647=Arial\nFonts=1\n");
  TChessFontInfoMan b(dir.File("b.ini"), kInstalled);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(b.FontName(1), "Arial");

  dir.Write("c.ini", "[Chess Fonts]\nFonts=x\nFont1=Arial\n");
  EXPECT_EQ(TChessFontInfoMan(dir.File("c.ini"), kInstalled).Count(), 0);
}

TEST(ChessFontInfoMan, DefaultsFallBackToArial) {
  testutil::TempDir dir;
  TChessFontInfoMan none(dir.File("ChsFonts.ini"), kInstalled);
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(DefaultDiagramFont(none), "Arial");
  EXPECT_EQ(DefaultFigurineFont(none), "Arial");
  EXPECT_EQ(DefaultApplicationFont(none), "Arial");

  dir.Write("ChsFonts.ini",
            "[Chess Fonts]\nFonts=4\nFont1=Chess Alpha\nFont2=Tasc Chess Figurine\nFont3=FigurineTmsCB\n"
            "Font4=CA Chess\n");
  const std::vector<std::string> installed = {"Chess Alpha", "Tasc Chess Figurine", "FigurineTmsCB",
                                              "CA Chess"};
  TChessFontInfoMan some(dir.File("ChsFonts.ini"), installed);
  EXPECT_EQ(DefaultDiagramFont(some), "Tasc Chess Figurine");  // preference order, not file order
  EXPECT_EQ(DefaultFigurineFont(some), "CA Chess");
  EXPECT_EQ(DefaultApplicationFont(some), "CA Chess");

  // Without an explicit list the manager checks the process-wide one.
  SetInstalledFontFamilies({"Chess Alpha"});
  TChessFontInfoMan global(dir.File("ChsFonts.ini"));
  EXPECT_EQ(global.Count(), 1);
  EXPECT_EQ(DefaultDiagramFont(global), "Chess Alpha");
  EXPECT_EQ(DefaultFigurineFont(global), "Arial");
  SetInstalledFontFamilies({});
}

// The program's own face is the fourth diagram font: after the three a user
// may have installed, before "Arial". It is no figurine font.
TEST(ChessFontInfoMan, OwnDiagramFaceComesFourth) {
  const std::string shipped = testutil::DataDir() + "ChsFonts.ini";
  TChessFontInfoMan notInstalled(shipped, kInstalled);
  EXPECT_EQ(notInstalled.Count(), 0);
  EXPECT_EQ(DefaultDiagramFont(notInstalled), "Arial");

  TChessFontInfoMan own(shipped, {"Default", "Torvanel Diagram"});
  ASSERT_EQ(own.Count(), 1);
  EXPECT_EQ(DefaultDiagramFont(own), "Torvanel Diagram");
  EXPECT_EQ(DefaultFigurineFont(own), "Arial");
  EXPECT_EQ(DefaultApplicationFont(own), "Arial");

  testutil::TempDir dir;
  dir.Write("ChsFonts.ini", "[Chess Fonts]\nFonts=2\nFont1=Torvanel Diagram\nFont2=Chess Alpha\n");
  TChessFontInfoMan both(dir.File("ChsFonts.ini"), {"Torvanel Diagram", "Chess Alpha"});
  EXPECT_EQ(DefaultDiagramFont(both), "Chess Alpha");
}

TEST(ChessFontRtf, HeaderAndFooter) {
  EXPECT_EQ(RtfHeader("Arial", "Times", "Diagram A"),
            "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times;}"
            "{\\f2\\fswiss\\fcharset2\\fprq2 Diagram A;}}");
  EXPECT_EQ(RtfFooter(), "}");
  EXPECT_EQ(RtfEscapeNonAscii("\xe9"), "\\'E9");
}

}  // namespace
