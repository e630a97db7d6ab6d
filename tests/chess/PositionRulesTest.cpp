// The position record: codes, set-up checks, make and unmake, texts.
#include <gtest/gtest.h>

#include <cstring>

#include "chess/Diags.h"
#include "chess/Language.h"
#include "chess/MoveGen.h"
#include "chess/TestPositions.h"
#include "platform/Errors.h"

using testchess::Play;
using testchess::SetupFromFen;

namespace {

BasePositionO Fen(const std::string &fen) {
  BasePositionO pos;
  EXPECT_TRUE(SetupFromFen(pos, fen)) << fen;
  return pos;
}

TEST(CodesTest, OutOfRangeArgumentsFallToOneSide) {
  EXPECT_EQ(OppositeSide(2), 2);
  EXPECT_EQ(CastlingSideOfKingFile(7), csKingSide);
  for (int f : {1, 3, 5, 8}) EXPECT_EQ(CastlingSideOfKingFile(f), csQueenSide) << f;
  EXPECT_EQ(CastlingSideOfRookFile(1), csQueenSide);
  for (int f : {2, 5, 8}) EXPECT_EQ(CastlingSideOfRookFile(f), csKingSide) << f;
  EXPECT_EQ(BackRank(cNone), 8);
}

TEST(PositionTest, AccessorsCheckTheirRanges) {
  BasePositionO pos;
  EXPECT_THROW(pos.PieceAt(0, 1), ERangeError);
  EXPECT_THROW(pos.ColourAt(1, 9), ERangeError);
  EXPECT_THROW(pos.SetSquare(9, 1, pKing, cWhite), ERangeError);
  EXPECT_THROW(pos.SetSquare(1, 1, pKing, cNone), ERangeError);
  EXPECT_THROW(pos.SetSquare(1, 1, 7, cWhite), ERangeError);
  EXPECT_THROW(pos.SetCastling(2, 0, true), ERangeError);
  EXPECT_THROW(pos.SetCastling(0, 2, true), ERangeError);
  EXPECT_THROW(pos.SetSideToMove(2), ERangeError);
  EXPECT_THROW(pos.SetEnPassantFile(9), ERangeError);
  // 257 must not wrap to move 1.
  EXPECT_THROW(pos.SetMoveNumber(257), ERangeError);
  EXPECT_THROW(pos.SetMoveNumber(0), ERangeError);
  EXPECT_EQ(pos.MoveNumber(), 1);
  pos.SetMoveNumber(255);
  EXPECT_EQ(pos.MoveNumber(), 255);
  pos.SetMoveNumber(1);
  EXPECT_FALSE(pos.CastlingPiecesInPlace(cNone, csKingSide));
  EXPECT_TRUE(pos.IsStartPosition());
  // An empty square keeps colour 2 whatever colour is given.
  pos.SetSquare(4, 4, pNone, cWhite);
  EXPECT_EQ(pos.ColourAt(4, 4), cNone);
  pos.ClearBoard();
  EXPECT_TRUE(pos.IsEmpty());
}

TEST(PositionTest, EqualAndStartPosition) {
  BasePositionO a, b;
  b.SetLanguage(LangGerman);
  EXPECT_TRUE(a.Equal(b));
  b.SetEnPassantFile(3);
  EXPECT_FALSE(a.Equal(b));

  BasePositionO swapped;
  swapped.SetSquare(6, 1, pKnight, cWhite);
  swapped.SetSquare(7, 1, pBishop, cWhite);
  EXPECT_FALSE(swapped.IsStartPosition());
  BasePositionO blackToMove;
  blackToMove.SetSideToMove(cBlack);
  EXPECT_FALSE(blackToMove.IsStartPosition());
  BasePositionO noRight;
  noRight.SetCastling(cBlack, csQueenSide, false);
  EXPECT_FALSE(noRight.IsStartPosition());
  BasePositionO epSet;
  epSet.SetEnPassantFile(5);  // not examined
  EXPECT_TRUE(epSet.IsStartPosition());
}

TEST(PositionTest, LegalSetupCountsPromotionsAgainstMissingPawns) {
  struct Case {
    const char *fen;
    bool legal;
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", true},
      {"rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1", false},      // no black king
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNK w kq - 0 1", false},      // two white kings
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false},  // nine pawns
      {"rnbqkbnr/pppppppp/8/8/4Q3/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
       false},                                                               // eight pawns and a second queen
      {"rnbqkbnr/pppppppp/8/8/4Q3/8/1PPPPPPP/RNBQKBNR w KQkq - 0 1", true},  // promoted queen, seven pawns
      {"rnbqkbnr/pppppppp/8/8/2NN4/8/2PPPPPP/RNBQKBNR w KQkq - 0 1", true},  // four knights, six pawns
      {"rnbqkbnr/pppppppp/8/8/2NNN3/8/2PPPPPP/RNBQKBNR w KQkq - 0 1", false},  // five knights, six pawns
      {"rnbqkbnr/pp1ppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", true},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBR1 w KQkq - 0 1", false},  // K right, rook on g1
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1KNR w Q - 0 1", false},     // Q right, king on f1
      {"rnbq1bnr/ppppkppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1", true},
      {"rnbq1bnr/ppppkppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1", false},  // black right, king moved
  };
  for (const auto &c : cases) EXPECT_EQ(Fen(c.fen).IsLegalSetup(), c.legal) << c.fen;
}

// Plays the move and takes it back: the position must be as before.
void RoundTrip(const std::string &fen, const std::string &move, const std::string &after) {
  BasePositionO pos = Fen(fen);
  const BasePositionO before = pos;
  const MoveRec m = Play(pos, move);
  EXPECT_TRUE(pos.Equal(Fen(after))) << fen << " " << move;
  pos.UnmakeMove(m);
  EXPECT_TRUE(pos.Equal(before)) << fen << " " << move;
  EXPECT_EQ(0, std::memcmp(&pos.At(0), &before.At(0), 64 * sizeof(SquareRec)));
}

TEST(PositionTest, MakeAndUnmakeRestoreThePosition) {
  const std::string castle = "r3k2r/8/8/8/8/8/8/R3K2R";
  RoundTrip(castle + " w KQkq - 0 1", "e1g1", "r3k2r/8/8/8/8/8/8/R4RK1 b kq - 0 1");
  RoundTrip(castle + " w KQkq - 0 1", "e1c1", "r3k2r/8/8/8/8/8/8/2KR3R b kq - 0 1");
  RoundTrip(castle + " b KQkq - 0 7", "e8g8", "r4rk1/8/8/8/8/8/8/R3K2R w KQ - 0 8");
  RoundTrip(castle + " b KQkq - 0 7", "e8c8", "2kr3r/8/8/8/8/8/8/R3K2R w KQ - 0 8");
  RoundTrip("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "e5d6", "4k3/8/3P4/8/8/8/8/4K3 b - - 0 2");
  RoundTrip("4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 2", "d4e3", "4k3/8/8/8/8/4p3/8/4K3 w - - 0 3");
  RoundTrip("3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7d8n", "3N3k/8/8/8/8/8/8/4K3 b - - 0 1");
  RoundTrip("7k/8/8/8/8/8/1p6/R3K3 b Q - 0 30", "b2a1q", "7k/8/8/8/8/8/8/q3K3 w - - 0 31");
}

TEST(PositionTest, NullMovePassesTheTurn) {
  BasePositionO pos = Fen("4k3/8/8/8/8/8/8/4K3 w - - 0 5");
  const BasePositionO before = pos;
  MoveRec m;
  pos.NullMove(m);
  EXPECT_EQ(m.fromFile, 5);
  EXPECT_EQ(m.fromRank, 1);
  EXPECT_TRUE(m.IsNullMove());
  MoveGenO gen(&pos);
  gen.CompleteMove(m);
  pos.MakeMove(m);
  EXPECT_EQ(pos.SideToMove(), cBlack);
  EXPECT_TRUE(pos.IsPieceAt(5, 1, pKing, cWhite));
  pos.UnmakeMove(m);
  EXPECT_TRUE(pos.Equal(before));

  // Without a king the null move stands on a1 and still only passes the
  // turn: no man of piece 0 appears there.
  BasePositionO noKing = Fen("4k3/8/8/8/8/8/8/8 w - - 0 1");
  const BasePositionO noKingBefore = noKing;
  noKing.NullMove(m);
  EXPECT_EQ(m.fromFile, 1);
  EXPECT_EQ(m.fromRank, 1);
  gen.SetPosition(&noKing);
  gen.CompleteMove(m);
  noKing.MakeMove(m);
  EXPECT_EQ(noKing.ColourAt(1, 1), cNone);
  EXPECT_EQ(noKing.SideToMove(), cBlack);
  noKing.UnmakeMove(m);
  EXPECT_TRUE(noKing.Equal(noKingBefore));
  EXPECT_EQ(noKing.ColourAt(1, 1), cNone);
  // The last king found (files then ranks) wins.
  BasePositionO twoKings = Fen("4k3/6K1/8/8/8/8/1K6/8 w - - 0 1");
  twoKings.NullMove(m);
  EXPECT_EQ(m.fromFile, 7);
  EXPECT_EQ(m.fromRank, 7);
}

TEST(PositionTest, MoveNumberLimitIsCheckedBeforeTheBoardChanges) {
  BasePositionO pos = Fen("4k3/8/8/8/8/8/8/4K3 b - - 0 255");
  const BasePositionO before = pos;
  MoveGenO gen(&pos);
  MoveRec m = testchess::CoordMove("e8d8");
  gen.CompleteMove(m);
  EXPECT_THROW(pos.MakeMove(m), ERangeError);
  EXPECT_TRUE(pos.Equal(before));
  EXPECT_TRUE(pos.IsPieceAt(5, 8, pKing, cBlack));

  // A move that was never completed is refused before anything changes.
  MoveRec raw = testchess::CoordMove("e8d8");
  EXPECT_THROW(pos.MakeMove(raw), ERangeError);
  EXPECT_TRUE(pos.Equal(before));

  BasePositionO white = Fen("4k3/8/8/8/8/8/8/4K3 w - - 0 255");
  Play(white, "e1d1");
  EXPECT_EQ(white.MoveNumber(), 255);
  EXPECT_EQ(white.SideToMove(), cBlack);
}

TEST(PositionTest, EnPassantVictimAndPromotionSquares) {
  BasePositionO pos = Fen("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  Play(pos, "e2e4");
  EXPECT_EQ(pos.EnPassantFile(), 5);
  EXPECT_TRUE(pos.IsEnPassantVictim(5, 4));
  EXPECT_FALSE(pos.IsEnPassantVictim(4, 4));
  BasePositionO p2 = Fen("4k3/4P3/8/8/8/8/3p4/4K3 w - - 0 1");
  EXPECT_TRUE(p2.IsPawnBeforePromotion(5, 7));
  EXPECT_TRUE(p2.IsPawnBeforePromotion(4, 2));
  EXPECT_FALSE(p2.IsPawnBeforePromotion(5, 8));
}

TEST(PositionTest, MoveNumberText) {
  BasePositionO pos = Fen("4k3/8/8/8/8/8/8/4K3 w - - 0 12");
  std::string text;
  pos.MoveNumberText(text);
  EXPECT_EQ(text, "12.");
  pos.SetSideToMove(cBlack);
  pos.MoveNumberText(text);
  EXPECT_EQ(text, "12. ...");
}

TEST(PositionTest, MaterialText) {
  ResetNotationLanguages();
  std::string text;
  BasePositionO pos;
  pos.MaterialText(LangEnglish, false, text, true);
  EXPECT_EQ(text, "");
  // White is two rooks and a bishop up.
  pos = Fen("1nbqk1n1/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1");
  pos.MaterialText(LangEnglish, false, text, true);
  EXPECT_EQ(text, "+ 2R+B");
  pos.MaterialText(LangEnglish, true, text, true);
  EXPECT_EQ(text, "- 2R+B");
  pos.MaterialText(LangDutch, false, text, true);
  EXPECT_EQ(text, "+ 2T+L");
  // Black is a pawn up.
  pos = Fen("rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/RNBQKBNR w KQkq - 0 1");
  pos.MaterialText(LangEnglish, false, text, true);
  EXPECT_EQ(text, "- P");
  pos.MaterialText(LangEnglish, true, text, true);
  EXPECT_EQ(text, "+ P");
  // White a queen up, Black a rook up.
  pos = Fen("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/1NBQKBNR w Kkq - 0 1");
  pos.MaterialText(LangEnglish, false, text, true);
  EXPECT_EQ(text, "R vs Q");
  pos.MaterialText(LangEnglish, true, text, true);
  EXPECT_EQ(text, "Q vs R");
  // A bishop against a knight cancels only with the minor-piece flag.
  pos = Fen("rn1qkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKB1R w KQkq - 0 1");
  pos.MaterialText(LangEnglish, false, text, true);
  EXPECT_EQ(text, "");
  pos.MaterialText(LangEnglish, false, text, false);
  EXPECT_EQ(text, "N vs B");
}

}  // namespace
