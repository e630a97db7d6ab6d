#include <gtest/gtest.h>

#include "TestUtil.h"
#include "chess/Language.h"
#include "foundation/LangMan.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLanguageRegistry();
    ResetNotationLanguages();
  }
  void TearDown() override { SetUp(); }
};

// Piece letters 0..6 and colour letters 0..2, as one text.
std::string Letters(LanguageId id) {
  std::string s;
  for (int p = 0; p <= 6; ++p) s += LangPieceChar(id, p);
  for (int c = 0; c <= 2; ++c) s += LangColourChar(id, c);
  return s;
}

ChessFontInfoRec FigurineFont() {
  ChessFontInfoRec f;
  f.faceName = "Test Figurines";
  f.hasFigurines = true;
  for (int p = 1; p <= 6; ++p) {
    f.figurines[p][0] = 'a' + p;   // white: b..g
    f.figurines[p][1] = 0xE0 + p;  // black: non-ASCII
  }
  f.rtfPrefix = "{\\f2 ";
  f.rtfSuffix = "}";
  return f;
}

}  // namespace

TEST_F(LanguageTest, BuiltInLanguages) {
  ASSERT_EQ(LangCount(), 3);
  EXPECT_EQ(LangIdAt(1), LangEnglish);
  EXPECT_EQ(LangIdAt(2), LangDutch);
  EXPECT_EQ(LangIdAtIndex(3), LangGerman);
  EXPECT_EQ(LangIdAt(0), LangEnglish);
  EXPECT_EQ(LangIdAt(4), LangEnglish);
  EXPECT_EQ(CurrentLang(), LangEnglish);

  EXPECT_EQ(Letters(LangEnglish), "_PNBRQKWB_");
  EXPECT_EQ(Letters(LangDutch), "_pPLTDKWZ_");
  EXPECT_EQ(Letters(LangGerman), "_BSLTDKWS_");
  EXPECT_EQ(Letters(LangDefault), "_PNBRQKWB_");

  TChessLangData g;
  ASSERT_TRUE(GetLangRecord(LangGerman, g));
  EXPECT_EQ(g.pieceNames[3], "L\xe4ufer");
  EXPECT_EQ(g.pieceNames[6], "K\xf6nig");
  EXPECT_EQ(g.colourNames[0], "Wei\xdf");
  EXPECT_EQ(g.pieceNames[3].size(), 6u);  // single bytes, not UTF-8
  EXPECT_EQ(LangSideToMoveText(0, LangGerman), "Wei\xdf am Zug");
  EXPECT_EQ(LangSideToMoveText(1, LangDutch), "Zwart aan zet");
  EXPECT_EQ(LangSideToMoveText(2, LangEnglish), "");
  EXPECT_EQ(LangPositionAfterText(LangGerman), "Stellung nach %s");
  EXPECT_EQ(LangStartPositionText(LangEnglish), "Start Position");
  EXPECT_EQ(LangVersusText(LangDutch), "vs");
  EXPECT_EQ(NullMoveText(), "pass");

  // Default and Symbolic stand for the current language in the words and
  // the colour letters.
  SetCurrentLang(LangDutch);
  EXPECT_EQ(LangStartPositionText(LangDefault), "Beginstelling");
  EXPECT_EQ(LangPositionAfterText(LangSymbolic), "Stelling na %s");
  EXPECT_EQ(LangColourChar(LangSymbolic, 1), 'Z');
  EXPECT_EQ(ColourToText(1, LangDefault), "Z");
  EXPECT_EQ(LangPieceChar(LangDefault, 1), 'p');
  SetCurrentLang(LangDefault);  // stays
  EXPECT_EQ(CurrentLang(), LangDutch);
  SetCurrentLang(LangSymbolic);  // no record of its own
  EXPECT_EQ(CurrentLang(), LangEnglish);

  // A language known only by name reads the English record.
  LanguageId french = RegisterLanguage("French");
  EXPECT_FALSE(IsLangRegistered(french));
  EXPECT_EQ(Letters(french), "_PNBRQKWB_");
  EXPECT_EQ(LangStartPositionText(french), "Start Position");

  EXPECT_THROW(LangPieceChar(101, 1), ERangeError);
  EXPECT_THROW(LangVersusText(LangNone), ERangeError);
  EXPECT_THROW(LangPieceChar(LangEnglish, 7), ERangeError);
  EXPECT_THROW(LangColourChar(LangEnglish, 3), ERangeError);
  EXPECT_THROW(PieceToText(-1, 0, LangEnglish), ERangeError);
}

TEST_F(LanguageTest, PieceFromChar) {
  EXPECT_EQ(PieceFromChar("K", LangGerman, false), 6);
  EXPECT_EQ(PieceFromChar("S", LangGerman, false), 2);
  EXPECT_EQ(PieceFromChar("X", LangGerman, false), 0);
  EXPECT_EQ(PieceFromChar("s", LangGerman, true), 2);
  EXPECT_EQ(PieceFromChar("s", LangGerman, false), 0);
  EXPECT_EQ(PieceFromChar("p", LangDutch, false), 1);
  EXPECT_EQ(PieceFromChar("p", LangDutch, true), 2);   // upper-cased: the knight
  EXPECT_EQ(PieceFromChar("pe", LangDutch, true), 1);  // only one-letter texts are upper-cased
  EXPECT_EQ(PieceFromChar("Nf3", LangDefault, false), 2);
  EXPECT_EQ(PieceFromChar("1", LangSymbolic, false), 0);
  EXPECT_EQ(PieceFromChar("", LangEnglish, true), 0);
  EXPECT_EQ(PieceFromChar("_", LangEnglish, false), 0);
  SetCurrentLang(LangGerman);
  EXPECT_EQ(PieceFromChar("L", LangDefault, false), 3);
}

TEST_F(LanguageTest, PieceTexts) {
  EXPECT_EQ(PieceToText(5, 1, LangGerman), "D");
  DisplayOptionsRec html;
  html.html = true;
  html.imageFolder = "img/";
  EXPECT_EQ(PieceToText(5, 1, LangEnglish, &html), "Q");  // no figurine option
  html.figurine = true;
  EXPECT_EQ(PieceToText(5, 1, LangEnglish, &html), "<IMG SRC=\"img/wqw.gif\">");
  EXPECT_EQ(PieceToText(2, 0, LangDutch, &html), "<IMG SRC=\"img/wnw.gif\">");

  ChessFontInfoRec font = FigurineFont();
  DisplayOptionsRec rtf;
  rtf.rtf = true;
  rtf.font = &font;
  rtf.figurine = true;
  EXPECT_EQ(PieceToText(6, 0, LangEnglish, &rtf), "{\\f2 g}");
  EXPECT_EQ(PieceToText(5, 1, LangEnglish, &rtf), "{\\f2 \\'E5}");
  rtf.bold = true;
  EXPECT_EQ(PieceToText(5, 1, LangEnglish, &rtf), "\\b0{\\f2 \\'E5}\\b ");
  rtf.figurine = false;
  EXPECT_EQ(PieceToText(5, 1, LangEnglish, &rtf), "Q");

  // A glyph the font lacks, or one wider than a byte, falls back.
  font.figurines[4][0] = 0;
  font.figurines[3][0] = 0x2657;
  rtf.figurine = true;
  rtf.html = true;
  EXPECT_EQ(PieceToText(4, 0, LangEnglish, &rtf), "<IMG SRC=\"wrw.gif\">");
  rtf.html = false;
  EXPECT_EQ(PieceToText(3, 0, LangEnglish, &rtf), "B");
  font.hasFigurines = false;
  EXPECT_EQ(PieceToText(6, 0, LangEnglish, &rtf), "K");
}

TEST_F(LanguageTest, SymbolicLettersFollowTheFigurineFont) {
  std::string sym;
  for (int p = 0; p <= 6; ++p) sym += PieceToText(p, 1, LangSymbolic);
  EXPECT_EQ(sym, "_123456");

  ChessFontInfoRec none = FigurineFont();
  none.hasFigurines = false;
  SetFigurineChars(none);
  EXPECT_EQ(LangPieceChar(LangSymbolic, 6), '6');
  ChessFontInfoRec partial = FigurineFont();
  partial.figurines[2][0] = 0;
  SetFigurineChars(partial);
  EXPECT_EQ(LangPieceChar(LangSymbolic, 6), '6');

  SetFigurineChars(FigurineFont());  // the white figurines
  sym.clear();
  for (int p = 0; p <= 6; ++p) sym += LangPieceChar(LangSymbolic, p);
  EXPECT_EQ(sym, "_bcdefg");
  EXPECT_EQ(LangPieceChar(LangEnglish, 6), 'K');
  ResetNotationLanguages();
  EXPECT_EQ(LangPieceChar(LangSymbolic, 6), '6');
}

TEST_F(LanguageTest, RegistryLimits) {
  TChessLangData rec = EnglishLangData();
  rec.versus = "v.";
  EXPECT_THROW(RegisterLang(0, rec), ERangeError);
  EXPECT_THROW(RegisterLang(101, rec), ERangeError);
  EXPECT_EQ(LangCount(), 3);
  RegisterLang(100, rec);
  RegisterLang(100, rec);  // once in the list
  EXPECT_EQ(LangCount(), 4);
  EXPECT_EQ(LangIdAt(4), 100u);
  EXPECT_EQ(LangVersusText(100), "v.");

  ClearLangRegistry();
  EXPECT_EQ(LangCount(), 0);
  EXPECT_FALSE(IsLangRegistered(LangEnglish));
  EXPECT_EQ(LangIdAt(1), LangEnglish);
  EXPECT_EQ(Letters(LangDutch), "_PNBRQKWB_");  // the built-in English record stands in
}

TEST_F(LanguageTest, LoadsChessLanguageFile) {
  testutil::TempDir dir;
  testutil::AppDirGuard guard(dir.Path());
  dir.Write("chslng.ini",
            "[Klingon]\r\nPieceChars=abcdef\r\n"
            "[Dutch]\r\nVersus=tegen\r\n"
            "[Short]\r\nPieceChars=abcde\r\nColorChars=xyz\r\nPawn=Pion\r\nKing=\r\n"
            "[Coloured]\r\nColorChars=xy\r\nWhiteToMove=x to move\r\nPositionAfter=After %s\r\n"
            "StartPosition=Begin\r\nWhite=Ex\r\n");
  EXPECT_TRUE(LoadLangsFromIni());

  LanguageId klingon = FindRegisteredLanguage("Klingon");
  ASSERT_NE(klingon, LangNone);
  EXPECT_TRUE(IsLangRegistered(klingon));
  EXPECT_EQ(LangCount(), 6);  // Dutch was already there
  EXPECT_EQ(LangIdAt(4), klingon);
  EXPECT_EQ(Letters(klingon), "_abcdefWB_");
  EXPECT_EQ(LangStartPositionText(klingon), "Start Position");
  EXPECT_EQ(PieceFromChar("f", klingon, false), 6);

  // A section replaces a built-in record whole: what it leaves out is English.
  EXPECT_EQ(LangVersusText(LangDutch), "tegen");
  EXPECT_EQ(Letters(LangDutch), "_PNBRQKWB_");
  EXPECT_EQ(LangSideToMoveText(0, LangDutch), "White to move");

  LanguageId shortId = FindRegisteredLanguage("Short");
  EXPECT_EQ(Letters(shortId), "_PNBRQKWB_");  // wrong lengths keep the letters
  TChessLangData d;
  ASSERT_TRUE(GetLangRecord(shortId, d));
  EXPECT_EQ(d.pieceNames[1], "Pion");
  EXPECT_EQ(d.pieceNames[6], "King");  // an empty value keeps the default

  LanguageId coloured = FindRegisteredLanguage("Coloured");
  EXPECT_EQ(Letters(coloured), "_PNBRQKxy_");
  EXPECT_EQ(LangSideToMoveText(0, coloured), "x to move");
  EXPECT_EQ(LangPositionAfterText(coloured), "After %s");
  EXPECT_EQ(LangStartPositionText(coloured), "Begin");
  ASSERT_TRUE(GetLangRecord(coloured, d));
  EXPECT_EQ(d.colourNames[0], "Ex");
  EXPECT_EQ(d.colourNames[1], "Black");

  // Names read back as the settings store them; nothing gets registered.
  const int known = LanguageCount();
  EXPECT_EQ(LangIdFromName("klingon"), klingon);
  EXPECT_EQ(LangIdFromName("Duits"), LangEnglish);
  EXPECT_EQ(LangIdFromName("German"), LangGerman);
  EXPECT_EQ(LangIdFromName("Symbolic"), LangEnglish);  // no notation record
  EXPECT_EQ(LangIdFromName("Elvish"), LangEnglish);
  EXPECT_EQ(LanguageCount(), known);

  // A missing file reads as empty.
  ResetNotationLanguages();
  EXPECT_TRUE(LoadLangsFromIni(dir.File("none.ini")));
  EXPECT_EQ(LangCount(), 3);
  EXPECT_FALSE(files::Exists(dir.File("none.ini")));
}

TEST_F(LanguageTest, SectionsBeyondTheIdRangeAreSkipped) {
  testutil::TempDir dir;
  while (LanguageCount() <= 100) RegisterLanguage("Lang" + std::to_string(LanguageCount()));
  dir.Write("ChsLng.ini", "[Far]\nPieceChars=abcdef\n[German]\nVersus=gegen\n");
  EXPECT_FALSE(LoadLangsFromIni(dir.File("ChsLng.ini")));
  EXPECT_FALSE(IsLangRegistered(FindRegisteredLanguage("Far")));
  EXPECT_EQ(LangVersusText(LangGerman), "gegen");  // the rest still loads
  EXPECT_EQ(LangCount(), 3);
}

// The files the program ships load in start-up order and every language
// they add gets a full set of letters.
TEST_F(LanguageTest, ShippedLanguageFiles) {
  const std::string data = testutil::DataDir();
  ASSERT_TRUE(files::FileExists(data + "ChsLng.ini"));
  LoadLanguageNames(data + "LngNames.ini");
  ASSERT_TRUE(LoadLangsFromIni(data + "ChsLng.ini"));
  ASSERT_GT(LangCount(), 3);
  for (int i = 1; i <= LangCount(); ++i) {
    LanguageId id = LangIdAt(i);
    std::string letters = Letters(id);
    SCOPED_TRACE(GetLanguageName(id));
    for (int p = 1; p <= 6; ++p) {
      EXPECT_NE(letters[p], '_');
      EXPECT_EQ(PieceFromChar(std::string(1, letters[p]), id, false), p) << "letter shared by two pieces";
    }
    EXPECT_NE(LangPositionAfterText(id).find("%s"), std::string::npos);
    // Stored by its English display name, it reads back as itself.
    EXPECT_EQ(LangIdFromName(GetLanguageDisplayName(id, LangEnglish)), id);
  }
  EXPECT_EQ(Letters(LangDutch), "_pPLTDKWZ_");  // the built-ins are left alone
  EXPECT_EQ(Letters(LangGerman), "_BSLTDKWS_");
  LanguageId french = FindRegisteredLanguage("French");
  EXPECT_EQ(Letters(french), "_PCFTDRBN_");
  EXPECT_EQ(GetLanguageDisplayName(french, LangDutch), "Frans");
  EXPECT_EQ(LangPositionAfterText(french), "Position apr\xe8s %s");
}

TEST(RtfEscape, OnlyBytesFrom128AreEscaped) {
  EXPECT_EQ(RtfEscapeNonAscii("caf\xe9"), "caf\\'E9");
  EXPECT_EQ(RtfEscapeNonAscii("{\\b x}\x7f"), "{\\b x}\x7f");  // RTF syntax is left alone
  EXPECT_EQ(RtfEscapeNonAscii(std::string("\x80\xff\x00", 3)), std::string("\\'80\\'FF\0", 9));
  EXPECT_EQ(RtfEscapeNonAscii(""), "");
}

TEST(RtfEscape, Utf8GameTextByCharacter) {
  EXPECT_EQ(RtfEscapeNonAscii("caf\xc3\xa9 \xe2\x82\xac"), "caf\\'E9 \\'80");  // both in Windows-1252
  EXPECT_EQ(RtfEscapeNonAscii("Benk\xc5\x91"), "Benk\\u337?");
  EXPECT_EQ(RtfEscapeNonAscii("\xef\xbc\xa1"), "\\u-223?");                   // past 0x7FFF: signed
  EXPECT_EQ(RtfEscapeNonAscii("\xf0\x9f\x98\x80"), "\\u-10179?\\u-8704?");    // surrogate pair
  EXPECT_EQ(HtmlCharRefs("Benk\xc5\x91 & P\xc3\xa1l"), "Benk&#337; & P&#225;l");
  EXPECT_EQ(HtmlCharRefs("K\xf6ln"), "K\xf6ln");  // Windows-1252 as it is
}
