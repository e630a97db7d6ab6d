// Move records as text, and the move list.
#include <gtest/gtest.h>

#include "chess/Language.h"
#include "chess/Moves.h"
#include "chess/TestPositions.h"
#include "platform/Errors.h"

namespace {

struct MoveSpec {
  const char *coord;
  int piece, colour, captured, number;
  int disambiguation = 0, check = 0, ep = 0;
};

MoveRec Make(const MoveSpec &s) {
  MoveRec m = testchess::CoordMove(s.coord);
  m.SetPiece(s.piece);
  m.SetColour(s.colour);
  m.SetCaptured(s.captured);
  m.SetMoveNumber(static_cast<std::uint8_t>(s.number));
  m.SetDisambiguation(s.disambiguation);
  m.SetCheckCode(s.check);
  m.SetEnPassant(s.ep != 0);
  return m;
}

class MoveTextTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetNotationLanguages(); }
  void TearDown() override { ResetNotationLanguages(); }
};

TEST_F(MoveTextTest, AllKindsInEnglish) {
  struct Case {
    MoveSpec move;
    const char *texts[7];
  } cases[] = {
      {{"g1f3", pKnight, cWhite, 0, 12},
       {"Nf3", "Ng1-f3", "12. Nf3", "12. Ng1-f3", "12.Nf3", "12.Nf3", "g1f3"}},
      {{"g8f6", pKnight, cBlack, 0, 12},
       {"Nf6", "Ng8-f6", "12. ... Nf6", "12. ... Ng8-f6", "12.-Nf6", "12.-Nf6", "g8f6"}},
      {{"e4d5", pPawn, cWhite, pPawn, 3},
       {"exd5", "e4xd5", "3. exd5", "3. e4xd5", "3.exd5", "3.exd5", "e4d5"}},
      {{"e2e4", pPawn, cWhite, 0, 1}, {"e4", "e2-e4", "1. e4", "1. e2-e4", "1.e4", "1.e4", "e2e4"}},
      {{"e1g1", pKing, cWhite, 0, 9, 0, 1},
       {"O-O+", "O-O+", "9. O-O+", "9. O-O+", "9.O-O+", "9.O-O+", "e1g1"}},
      {{"e8c8", pKing, cBlack, 0, 9},
       {"O-O-O", "O-O-O", "9. ... O-O-O", "9. ... O-O-O", "9.-O-O-O", "9.-O-O-O", "e8c8"}},
      {{"e7d8n", pPawn, cWhite, pRook, 40, 0, 3},
       {"exd8N#", "e7xd8N#", "40. exd8N#", "40. e7xd8N#", "40.exd8N#", "40.exd8N#", "e7d8N"}},
      {{"e5d6", pPawn, cWhite, pPawn, 5, 0, 0, 1},
       {"exd6", "e5xd6", "5. exd6", "5. e5xd6", "5.exd6", "5.exd6", "e5d6"}},
      {{"f8b4", pBishop, cBlack, 0, 7, 0, 1},
       {"Bb4+", "Bf8-b4+", "7. ... Bb4+", "7. ... Bf8-b4+", "7.-Bb4+", "7.-Bb4+", "f8b4"}},
      {{"e1e1", pKing, cWhite, 0, 20},
       {"pass", "pass", "20. pass", "20. pass", "20.pass", "20.pass", "e1e1"}},
      {{"e8e8", pKing, cBlack, 0, 20},
       {"pass", "pass", "20. ... pass", "20. ... pass", "20.-pass", "20.-pass", "e8e8"}},
  };
  for (const auto &c : cases) {
    const MoveRec m = Make(c.move);
    for (int kind = 0; kind <= 6; ++kind)
      EXPECT_EQ(m.ToText(kind, LangEnglish), c.texts[kind]) << c.move.coord;
  }
}

TEST_F(MoveTextTest, DisambiguationAndCheckCodes) {
  const char *expected[6] = {"Nf3", "Ngf3", "Ngf3", "N1f3", "Ng1f3", "Nf3"};
  for (int d = 0; d <= 5; ++d)
    EXPECT_EQ(Make({"g1f3", pKnight, cWhite, 0, 1, d}).ToText(mtShort, LangEnglish), expected[d]) << d;
  EXPECT_EQ(Make({"a1a3", pRook, cWhite, pBishop, 1, 3}).ToText(mtShort, LangEnglish), "R1xa3");
  // Pawn captures always name the file, whatever the code.
  for (int d : {0, 5})
    EXPECT_EQ(Make({"e4d5", pPawn, cWhite, pPawn, 1, d}).ToText(mtShort, LangEnglish), "exd5");
  const char *marks[5] = {"Qh5", "Qh5+", "Qh5+", "Qh5#", "Qh5"};
  for (int code = 0; code <= 4; ++code)
    EXPECT_EQ(Make({"d1h5", pQueen, cWhite, 0, 1, 0, code}).ToText(mtShort, LangEnglish), marks[code]);
  MoveRec m;
  EXPECT_THROW(m.SetCheckCode(5), ERangeError);
  EXPECT_THROW(m.SetDisambiguation(6), ERangeError);
  EXPECT_THROW(Make({"g1f3", pKnight, cWhite, 0, 1}).ToText(7, LangEnglish), ERangeError);
}

TEST_F(MoveTextTest, OtherLanguagesAndDefault) {
  const MoveRec knight = Make({"g1f3", pKnight, cWhite, 0, 1});
  const MoveRec promo = Make({"e7e8q", pPawn, cWhite, 0, 50});
  EXPECT_EQ(knight.ToText(mtShort, LangDutch), "Pf3");
  EXPECT_EQ(knight.ToText(mtShort, LangGerman), "Sf3");
  EXPECT_EQ(promo.ToText(mtCoordinate, LangDutch), "e7e8D");
  EXPECT_EQ(promo.ToText(mtShort, LangGerman), "e8D");
  EXPECT_EQ(Make({"e1e1", pKing, cWhite, 0, 3}).ToText(mtShort, LangGerman), "pass");
  SetCurrentLang(LangGerman);
  EXPECT_EQ(knight.ToText(mtLong, LangDefault), "Sg1-f3");
}

TEST_F(MoveTextTest, BoldAndFigurines) {
  const MoveRec m = Make({"g1f3", pKnight, cWhite, 0, 4});
  DisplayOptionsRec rtf;
  rtf.rtf = true;
  rtf.bold = true;
  std::string text;
  m.ToText(mtShortNumbered, LangEnglish, &rtf, text);
  EXPECT_EQ(text, "\\b 4. Nf3\\b0");
  DisplayOptionsRec html;
  html.html = true;
  html.bold = true;
  html.figurine = true;
  html.imageFolder = "img/";
  m.ToText(mtShort, LangEnglish, &html, text);
  EXPECT_EQ(text, "<b><IMG SRC=\"img/wnw.gif\">f3</b>");
  // A figurine inside a bold RTF move is written non-bold, promotion too.
  ChessFontInfoRec font;
  font.hasFigurines = true;
  font.figurines[pKnight][cWhite] = 'n';
  font.figurines[pQueen][cWhite] = 'q';
  font.rtfPrefix = "{\\f2 ";
  font.rtfSuffix = "}";
  rtf.font = &font;
  rtf.figurine = true;
  m.ToText(mtShort, LangEnglish, &rtf, text);
  EXPECT_EQ(text, "\\b \\b0{\\f2 n}\\b f3\\b0");
  Make({"e7e8q", pPawn, cWhite, 0, 4}).ToText(mtShort, LangEnglish, &rtf, text);
  EXPECT_EQ(text, "\\b e8\\b0{\\f2 q}\\b \\b0");
  // Coordinate notation ignores every display option.
  m.ToText(mtCoordinate, LangEnglish, &html, text);
  EXPECT_EQ(text, "g1f3");
}

TEST_F(MoveTextTest, RecordQueries) {
  BasePositionO a;
  MoveRec plain = testchess::CoordMove("g1f3");
  MoveRec completed = testchess::Play(a, "g1f3");
  EXPECT_TRUE(plain.Equal(completed));
  EXPECT_FALSE(plain.Equal(testchess::CoordMove("g1h3")));
  EXPECT_FALSE(testchess::CoordMove("e7e8q").Equal(testchess::CoordMove("e7e8n")));
  EXPECT_TRUE(Make({"e1g1", pKing, cWhite, 0, 1}).IsCastling());
  EXPECT_FALSE(Make({"e1g1", pRook, cWhite, 0, 1}).IsCastling());
  EXPECT_EQ(Make({"e1c1", pKing, cWhite, 0, 1}).CastlingRookFrom(), 1);
  EXPECT_EQ(Make({"e1c1", pKing, cWhite, 0, 1}).CastlingRookTo(), 4);
  EXPECT_EQ(Make({"e8g8", pKing, cBlack, 0, 1}).CastlingRookFrom(), 8);
  EXPECT_THROW(plain.SetMove(0, 1, 1, 1, 0), ERangeError);
  EXPECT_THROW(plain.SetMove(1, 1, 1, 2, 6), ERangeError);
  EXPECT_THROW(plain.CastlingBefore(4), ERangeError);
  EXPECT_THROW(plain.SetMoveNumber(256 + 7), ERangeError);  // not move 7
  EXPECT_EQ(plain.moveNumber, 0);
  EXPECT_EQ(plain.fromFile, 7);  // unchanged by the refused calls
}

TEST(MoveListTest, OneBasedCheckedList) {
  MoveListO list;
  EXPECT_EQ(list.Count(), 0);
  MoveRec m;
  EXPECT_THROW(list.Get(1, m), ERangeError);
  EXPECT_THROW(list.GetLast(m), ERangeError);
  EXPECT_THROW(list.DeleteLast(), ERangeError);
  list.Add(testchess::CoordMove("e2e4"));
  list.Add(testchess::CoordMove("d2d4"));
  list.Insert(1, testchess::CoordMove("c2c4"));
  list.Insert(4, testchess::CoordMove("g1f3"));  // Count + 1 appends
  EXPECT_THROW(list.Insert(6, m), ERangeError);
  EXPECT_THROW(list.Get(0, m), ERangeError);
  EXPECT_THROW(list.Get(5, m), ERangeError);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_TRUE(list.Get(1).Equal(testchess::CoordMove("c2c4")));
  list.GetLast(m);
  EXPECT_TRUE(m.Equal(testchess::CoordMove("g1f3")));
  MoveListO copy;
  copy.Assign(list);
  list.Delete(2);
  list.DeleteLast();
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_TRUE(copy.Get(2).Equal(testchess::CoordMove("e2e4")));
  copy.Reset();
  EXPECT_EQ(copy.Count(), 0);
}

TEST(MoveListTest, HoldsAtMost65535Moves) {
  MoveListO list;
  const MoveRec m = testchess::CoordMove("e2e4");
  for (int i = 0; i < MoveListO::kMaxCount; ++i) list.Add(m);
  EXPECT_EQ(list.Count(), 65535);
  EXPECT_THROW(list.Add(m), ERangeError);
  EXPECT_THROW(list.Insert(1, m), ERangeError);
  EXPECT_EQ(list.Count(), 65535);
}

}  // namespace
