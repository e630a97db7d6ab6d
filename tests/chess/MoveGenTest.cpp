// The rules: castling, en passant, check, game state, the generators'
// agreement and order, move completion and the click-move picker.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

#include "chess/Direct.h"
#include "chess/MoveGen.h"
#include "chess/TestPositions.h"
#include "platform/Errors.h"

using testchess::CoordMove;
using testchess::Play;
using testchess::SetupFromFen;

namespace {

BasePositionO Fen(const std::string &fen) {
  BasePositionO pos;
  EXPECT_TRUE(SetupFromFen(pos, fen)) << fen;
  return pos;
}

std::string Coord(const MoveRec &m) { return m.ToText(mtCoordinate, LangEnglish); }

std::vector<std::string> Texts(const MoveListO &list) {
  std::vector<std::string> out;
  for (int i = 1; i <= list.Count(); ++i) out.push_back(Coord(list.At(i)));
  return out;
}

std::vector<std::string> From(BasePositionO &pos, const char *sq) {
  MoveGenO gen(&pos);
  MoveListO list;
  gen.MovesFromSquare(sq[0] - 'a' + 1, sq[1] - '0', list);
  return Texts(list);
}

std::vector<std::string> To(BasePositionO &pos, const char *sq) {
  MoveGenO gen(&pos);
  MoveListO list;
  gen.MovesToSquare(sq[0] - 'a' + 1, sq[1] - '0', list);
  return Texts(list);
}

bool Has(const std::vector<std::string> &v, const std::string &s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

TEST(DirectTest, StepSquareStaysOnTheBoard) {
  std::uint8_t f = 8, r = 1;
  EXPECT_TRUE(StepSquare(4, f, r));  // off the board: unchanged
  EXPECT_EQ(f, 8);
  EXPECT_EQ(r, 1);
  EXPECT_FALSE(StepSquare(16, f, r));
  EXPECT_EQ(f, 7);
  EXPECT_EQ(r, 3);
  EXPECT_THROW(StepSquare(17, f, r), ERangeError);
  EXPECT_THROW(LineDirection(9), ERangeError);
}

TEST(MoveGenTest, CastlingThroughAndOutOfCheckIsRefused) {
  struct Case {
    const char *fen;
    bool kingSide, queenSide;
  } cases[] = {
      {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", true, true},
      {"4k3/8/8/4r3/8/8/8/R3K2R w KQ - 0 1", false, false},  // in check
      {"4k3/8/8/5r2/8/8/8/R3K2R w KQ - 0 1", false, true},   // f1 attacked
      {"4k3/8/8/6r1/8/8/8/R3K2R w KQ - 0 1", false, true},   // g1 attacked
      {"4k3/8/8/3r4/8/8/8/R3K2R w KQ - 0 1", true, false},   // d1 attacked
      {"4k3/8/8/2r5/8/8/8/R3K2R w KQ - 0 1", true, false},   // c1 attacked
      {"4k3/8/8/1r6/8/8/8/R3K2R w KQ - 0 1", true, true},    // b1 attacked does not matter
      {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", true, false},    // b1 occupied
      {"4k3/8/8/8/8/8/8/R3K2R w Q - 0 1", false, true},      // right not held
      {"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", true, true},
      {"r3k2r/8/B7/8/8/8/8/4K3 b kq - 0 1", true, false},  // c8 attacked
  };
  for (const auto &c : cases) {
    BasePositionO pos = Fen(c.fen);
    const bool white = pos.SideToMove() == cWhite;
    const std::string k = white ? "e1g1" : "e8g8", q = white ? "e1c1" : "e8c8";
    const auto from = From(pos, white ? "e1" : "e8");
    EXPECT_EQ(Has(from, k), c.kingSide) << c.fen;
    EXPECT_EQ(Has(from, q), c.queenSide) << c.fen;
    EXPECT_EQ(Has(To(pos, white ? "g1" : "g8"), k), c.kingSide) << c.fen;
    EXPECT_EQ(Has(To(pos, white ? "c1" : "c8"), q), c.queenSide) << c.fen;
    MoveGenO gen(&pos);
    const int back = white ? 1 : 8;
    EXPECT_EQ(gen.IsLegal(5, back, 7, back), c.kingSide) << c.fen;
    EXPECT_EQ(gen.IsLegal(5, back, 3, back), c.queenSide) << c.fen;
  }
}

TEST(MoveGenTest, EnPassantPinsAndChecks) {
  // Both pawns between the king and a rook on the rank: refused.
  BasePositionO rank = Fen("8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1");
  EXPECT_FALSE(Has(From(rank, "b5"), "b5c6"));
  EXPECT_FALSE(Has(To(rank, "c6"), "b5c6"));
  // Taking the pawn that shielded the king on a diagonal: refused.
  BasePositionO diag = Fen("8/6k1/8/8/3Pp3/8/1B6/7K b - d3 0 1");
  EXPECT_FALSE(Has(From(diag, "e4"), "e4d3"));
  EXPECT_TRUE(Has(From(diag, "e4"), "e4e3"));
  // The capture removes the checking pawn: allowed.
  BasePositionO check = Fen("8/8/8/4k3/3Pp3/8/8/4K3 b - d3 0 1");
  EXPECT_TRUE(Has(From(check, "e4"), "e4d3"));
  MoveGenO gen(&check);
  EXPECT_EQ(gen.GameState(), gsCheck);
}

TEST(MoveGenTest, FalseEnPassantWithDoubledPawnsIsRefused) {
  // Black's d7-d5 beside e5 set the en-passant file d; a black pawn also
  // stands on d3. The white e3 pawn must not "take" d4 en passant.
  BasePositionO pos = Fen("4k3/8/8/3pP3/8/3pP3/8/4K3 w - d6 0 2");
  EXPECT_TRUE(To(pos, "d4").empty());
  MoveGenO gen(&pos);
  EXPECT_FALSE(gen.IsLegal(5, 3, 4, 4));
  EXPECT_TRUE(Has(To(pos, "d6"), "e5d6"));
  EXPECT_TRUE(Has(From(pos, "e5"), "e5d6"));
}

TEST(MoveGenTest, EnPassantFileIsSetOnlyWhenACaptureCanFollow) {
  BasePositionO pos;
  Play(pos, "e2e4");
  EXPECT_EQ(pos.EnPassantFile(), 0);
  BasePositionO d4 = Fen("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  EXPECT_EQ(Play(d4, "e2e4").epFileAfter, 5);
  // At the board edge there is one neighbour only, and no range error.
  BasePositionO a = Fen("4k3/8/8/8/8/8/P7/4K3 w - - 0 1");
  EXPECT_EQ(Play(a, "a2a4").epFileAfter, 0);
  BasePositionO b4 = Fen("4k3/8/8/8/1p6/8/P7/4K3 w - - 0 1");
  EXPECT_EQ(Play(b4, "a2a4").epFileAfter, 1);
  BasePositionO h = Fen("4k3/7p/8/6P1/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(Play(h, "h7h5").epFileAfter, 8);
  BasePositionO h2 = Fen("4k3/7p/8/8/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(Play(h2, "h7h5").epFileAfter, 0);
}

TEST(MoveGenTest, CastlingRightsFollowKingsAndRooks) {
  // A king capture of the rook on h8 ends Black's king-side right.
  BasePositionO kxh8 = Fen("r3k2r/6K1/8/8/8/8/8/8 w kq - 0 1");
  MoveRec m = Play(kxh8, "g7h8");
  EXPECT_EQ(m.castlingAfter[3], 0);
  EXPECT_EQ(m.castlingAfter[2], 1);
  // A rook leaving its corner ends that side's right only.
  BasePositionO rook = Fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  m = Play(rook, "a1a5");
  EXPECT_EQ(m.castlingAfter[0], 0);
  EXPECT_EQ(m.castlingAfter[1], 1);
  EXPECT_EQ(m.castlingBefore[0], 1);
  // White takes a black rook standing on h1: Black's h8 right stays.
  BasePositionO h1 = Fen("4k2r/8/8/8/8/6N1/8/4K2r w k - 0 1");
  m = Play(h1, "g3h1");
  EXPECT_EQ(m.castlingAfter[3], 1);
  EXPECT_TRUE(h1.Castling(cBlack, csKingSide));
  EXPECT_TRUE(Has(From(h1, "e8"), "e8g8"));
  // Black takes a white rook that reached a8: White's a1 right stays.
  BasePositionO a8 = Fen("R3k3/8/8/3q4/8/8/8/R3K3 b Q - 0 1");
  m = Play(a8, "d5a8");
  EXPECT_EQ(m.castlingAfter[0], 1);
  EXPECT_TRUE(a8.Castling(cWhite, csQueenSide));
  // The ordinary capture of a rook at home still ends its owner's right.
  BasePositionO a1 = Fen("4k3/8/8/8/8/8/1b6/R3K3 b Q - 0 1");
  m = Play(a1, "b2a1");
  EXPECT_EQ(m.castlingAfter[0], 0);
}

TEST(MoveGenTest, CompleteMoveFillsTheDerivedFields) {
  BasePositionO pos = Fen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 9");
  MoveGenO gen(&pos);
  MoveRec m = CoordMove("e5d6");
  m.checkCode = 1;
  gen.CompleteMove(m);
  EXPECT_EQ(m.moveNumber, 9);
  EXPECT_EQ(m.colour, cWhite);
  EXPECT_EQ(m.piece, pPawn);
  EXPECT_EQ(m.captured, pPawn);
  EXPECT_TRUE(m.IsEnPassant());
  EXPECT_EQ(m.epFileBefore, 4);
  EXPECT_EQ(m.epFileAfter, 0);
  EXPECT_EQ(m.checkCode, 1);  // left for the interpreter
  MoveRec bad;
  bad.fromFile = 0;
  EXPECT_THROW(gen.CompleteMove(bad), ERangeError);
}

TEST(MoveGenTest, GameStates) {
  BasePositionO pos;
  MoveGenO gen(&pos);
  EXPECT_EQ(gen.GameState(), gsNormal);
  for (const char *m : {"f2f3", "e7e5", "g2g4", "d8h4"}) Play(pos, m);
  EXPECT_EQ(gen.GameState(), gsCheckmate);
  EXPECT_TRUE(gen.IsInCheck(cWhite));
  EXPECT_FALSE(gen.IsInCheck(cBlack));
  EXPECT_THROW(gen.IsInCheck(2), ERangeError);

  BasePositionO stale = Fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  gen.SetPosition(&stale);
  EXPECT_EQ(gen.GameState(), gsStalemate);
  BasePositionO check = Fen("4k3/8/8/8/8/8/4R3/4K3 b - - 0 1");
  gen.SetPosition(&check);
  EXPECT_EQ(gen.GameState(), gsCheck);
  // Mate by a pawn promotion.
  BasePositionO promo = Fen("k7/2P5/1K6/8/8/8/8/8 w - - 0 1");
  Play(promo, "c7c8q");
  gen.SetPosition(&promo);
  EXPECT_EQ(gen.GameState(), gsCheckmate);
  // No king: never in check.
  BasePositionO noKing = Fen("8/8/8/8/8/8/4r3/8 w - - 0 1");
  gen.SetPosition(&noKing);
  EXPECT_FALSE(gen.IsInCheck(cWhite));
}

TEST(MoveGenTest, LegalMoveNullMoveAndPromotionFlag) {
  BasePositionO pos = Fen("8/4P3/8/8/8/8/k7/4K3 w - - 0 1");
  MoveGenO gen(&pos);
  bool promotion = false;
  EXPECT_TRUE(gen.IsLegalMove(5, 7, 5, 8, promotion));
  EXPECT_TRUE(promotion);
  EXPECT_TRUE(gen.IsLegalMove(5, 1, 5, 2, promotion));
  EXPECT_FALSE(promotion);
  EXPECT_TRUE(gen.IsLegal(5, 1, 5, 1));   // null move on the own king
  EXPECT_FALSE(gen.IsLegal(5, 7, 5, 7));  // not on another square
  EXPECT_FALSE(gen.IsLegal(1, 2, 1, 2));  // nor on the enemy king
  EXPECT_FALSE(gen.IsLegal(5, 7, 5, 6));
  EXPECT_THROW(gen.IsLegal(0, 7, 5, 6), ERangeError);

  MoveRec m;
  EXPECT_TRUE(gen.UniqueMoveTo(5, 8, m));  // the queen promotion counts once
  EXPECT_EQ(m.promotion, pQueen);
  EXPECT_EQ(To(pos, "e8"), (std::vector<std::string>{"e7e8Q", "e7e8R", "e7e8B", "e7e8N"}));
  gen.SetDefaultQueenOnly(true);
  MoveListO list;
  gen.MovesToSquare(5, 8, list);
  EXPECT_EQ(list.Count(), 1);
}

TEST(MoveGenTest, UniqueAndPieceQueries) {
  BasePositionO pos = Fen("4k3/8/8/8/8/5N2/8/1N2KB2 w - - 0 1");
  MoveGenO gen(&pos);
  MoveRec m;
  EXPECT_FALSE(gen.UniqueMoveTo(4, 2, m));  // Nb1, Nf3 and the king go to d2
  EXPECT_EQ(Coord(m), "f3d2");
  MoveListO list;
  gen.PieceMovesToSquare(4, 2, list, pKnight);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"f3d2", "b1d2"}));
  EXPECT_FALSE(gen.UniqueMoveFrom(6, 1, m));
  EXPECT_TRUE(gen.UniqueMoveTo(3, 3, m));
  EXPECT_EQ(Coord(m), "b1c3");
  BasePositionO start;
  gen.SetPosition(&start);
  list.Clear();
  gen.PieceMovesToSquare(5, 4, list, pPawn);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"e2e4"}));
  EXPECT_FALSE(gen.UniqueMoveTo(6, 3, m));  // g1f3 and f2f3
  EXPECT_TRUE(gen.UniqueMoveTo(5, 4, m));
  EXPECT_EQ(Coord(m), "e2e4");
  EXPECT_FALSE(gen.UniqueMoveFrom(1, 2, m));  // a3 and a4
  EXPECT_FALSE(gen.UniqueMoveFrom(1, 7, m));  // not the side to move
}

TEST(MoveGenTest, GenerationOrder) {
  BasePositionO king = Fen("8/8/8/3K4/8/8/8/k7 w - - 0 1");
  EXPECT_EQ(From(king, "d5"),
            (std::vector<std::string>{"d5d6", "d5e6", "d5e5", "d5e4", "d5d4", "d5c4", "d5c5", "d5c6"}));
  BasePositionO pawn = Fen("4k3/8/8/8/8/2p1p3/3P4/4K3 w - - 0 1");
  EXPECT_EQ(From(pawn, "d2"), (std::vector<std::string>{"d2c3", "d2e3", "d2d3", "d2d4"}));
  BasePositionO black = Fen("4k3/3p4/2P1P3/8/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(From(black, "d7"), (std::vector<std::string>{"d7c6", "d7e6", "d7d6", "d7d5"}));
  BasePositionO knight = Fen("4k3/8/8/8/3N4/8/8/4K3 w - - 0 1");
  EXPECT_EQ(From(knight, "d4"),
            (std::vector<std::string>{"d4e6", "d4f5", "d4f3", "d4e2", "d4c2", "d4b3", "d4b5", "d4c6"}));
  MoveGenO gen(&knight);
  MoveListO all;
  gen.AllMoves(all);
  // Squares rank by rank: the king on e1 comes before the knight on d4.
  EXPECT_EQ(all.At(1).piece, pKing);
  EXPECT_EQ(all.At(all.Count()).piece, pKnight);
}

using MoveKey = std::tuple<int, int, int, int, int, int, int>;

std::multiset<MoveKey> Keys(const MoveListO &list) {
  std::multiset<MoveKey> keys;
  for (int i = 1; i <= list.Count(); ++i) {
    const MoveRec &m = list.At(i);
    keys.insert({m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion, m.captured, m.epCapture});
  }
  return keys;
}

// At every node the moves to each square, the moves from each square and
// all moves of the side are the same set, the one-kind moves to a square
// are those moves of that kind in the same order (queen promotions only),
// the game state agrees with them, and each completes to the fields the
// generator already gave.
void CrossCheck(BasePositionO &pos, MoveGenO &gen, int depth, int &nodes) {
  ++nodes;
  MoveListO to, from, all;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      const int start = to.Count();
      gen.MovesToSquare(f, r, to);
      for (int piece = pPawn; piece <= pKing; ++piece) {
        MoveListO kind, expected;
        gen.PieceMovesToSquare(f, r, kind, piece);
        for (int i = start + 1; i <= to.Count(); ++i) {
          const MoveRec &m = to.At(i);
          if (m.piece == piece && (m.promotion == 0 || m.promotion == pQueen) && !m.IsCastling())
            expected.Add(m);
        }
        ASSERT_EQ(Texts(kind), Texts(expected)) << f << r << " piece " << piece;
      }
      // The pawn query keeps every promotion and the full query's order.
      MoveListO pawns, expectedPawns;
      gen.PawnMovesToSquare(f, r, pawns);
      for (int i = start + 1; i <= to.Count(); ++i)
        if (to.At(i).piece == pPawn) expectedPawns.Add(to.At(i));
      ASSERT_EQ(Texts(pawns), Texts(expectedPawns)) << f << r;
      gen.MovesFromSquare(f, r, from);
    }
  gen.AllMoves(all);
  ASSERT_EQ(Keys(to), Keys(all));
  ASSERT_EQ(Keys(from), Keys(all));
  const bool check = gen.IsInCheck(pos.SideToMove());
  ASSERT_EQ(gen.GameState(),
            all.Count() == 0 ? (check ? gsCheckmate : gsStalemate) : (check ? gsCheck : gsNormal));
  for (int i = 1; i <= all.Count(); ++i) {
    bool promotion;
    const MoveRec &g = all.At(i);
    ASSERT_TRUE(gen.IsLegalMove(g.fromFile, g.fromRank, g.toFile, g.toRank, promotion));
    ASSERT_EQ(promotion, g.promotion != 0);
  }
  if (depth == 0) return;
  for (int i = 1; i <= all.Count(); ++i) {
    MoveRec m = all.At(i);
    gen.CompleteMove(m);
    ASSERT_EQ(m.captured, all.At(i).captured);
    ASSERT_EQ(m.epCapture, all.At(i).epCapture);
    ASSERT_EQ(m.piece, all.At(i).piece);
    pos.MakeMove(m);
    CrossCheck(pos, gen, depth - 1, nodes);
    pos.UnmakeMove(m);
  }
}

// The generator keeps what it worked out for a position only while the
// position is the same: edits between queries count.
TEST(MoveGenTest, AnswersFollowEditsBetweenQueries) {
  BasePositionO pos = Fen("7k/8/8/8/8/8/4N3/4K3 w - - 0 1");
  MoveGenO gen(&pos);
  MoveListO list;
  gen.MovesFromSquare(5, 2, list);
  EXPECT_EQ(list.Count(), 6);
  pos.SetSquare(5, 8, pRook, cBlack);  // pins the knight
  list.Clear();
  gen.MovesFromSquare(5, 2, list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(gen.GameState(), gsNormal);
  pos.SetSquare(4, 3, pKnight, cBlack);  // now a check the knight cannot stop
  EXPECT_EQ(gen.GameState(), gsCheck);
  list.Clear();
  gen.MovesFromSquare(5, 2, list);
  EXPECT_EQ(Texts(list), std::vector<std::string>{});
  pos.ClearSquare(4, 3);
  pos.ClearSquare(5, 8);
  list.Clear();
  gen.MovesFromSquare(5, 2, list);
  EXPECT_EQ(list.Count(), 6);
  // The other side on the same men.
  pos.SetSideToMove(cBlack);
  list.Clear();
  gen.AllMoves(list);
  EXPECT_EQ(list.Count(), 3);
  // The same one-kind query again, after edits and a new move number.
  auto knightsTo = [&](const char *sq) {
    MoveListO moves;
    gen.PieceMovesToSquare(sq[0] - 'a' + 1, sq[1] - '0', moves, pKnight);
    std::vector<std::string> out = Texts(moves);
    for (int i = 1; i <= moves.Count(); ++i) out.push_back(std::to_string(moves.At(i).moveNumber));
    return out;
  };
  pos.SetSideToMove(cWhite);
  EXPECT_EQ(knightsTo("c3"), (std::vector<std::string>{"e2c3", "1"}));
  EXPECT_EQ(knightsTo("c3"), (std::vector<std::string>{"e2c3", "1"}));
  pos.SetMoveNumber(7);
  EXPECT_EQ(knightsTo("c3"), (std::vector<std::string>{"e2c3", "7"}));
  pos.SetSquare(5, 8, pRook, cBlack);
  EXPECT_EQ(knightsTo("c3"), std::vector<std::string>{});
  pos.ClearSquare(5, 8);
  pos.SetSquare(1, 4, pKnight, cWhite);
  EXPECT_EQ(knightsTo("c3"), (std::vector<std::string>{"e2c3", "a4c3", "7", "7"}));
  pos.SetSideToMove(cBlack);
  EXPECT_EQ(knightsTo("c3"), std::vector<std::string>{});
  // A second white king: the queries follow the one the rules find.
  pos.SetSideToMove(cWhite);
  pos.SetSquare(1, 8, pKing, cWhite);
  pos.SetSquare(2, 6, pQueen, cBlack);
  EXPECT_EQ(gen.GameState(), gsNormal);
}

TEST(MoveGenTest, GeneratorsAgreeEverywhere) {
  const char *fens[] = {
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "4k3/8/8/3pP3/8/3pP3/8/4K3 w - d6 0 2",
      "rnbqkbnr/pp1p1ppp/8/2pPp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6 0 3",
  };
  for (const char *fen : fens) {
    BasePositionO pos = Fen(fen);
    MoveGenO gen(&pos);
    int nodes = 0;
    CrossCheck(pos, gen, 1, nodes);
    EXPECT_GT(nodes, 1) << fen;
    EXPECT_TRUE(pos.Equal(Fen(fen))) << fen;
  }
}

// ---------------------------------------------------------------------------

std::vector<std::string> Pick(const std::string &fen, const char *sq) {
  BasePositionO pos = Fen(fen);
  MovePickerO picker;
  picker.SetPosition(&pos);
  MoveListO list;
  picker.PickMoves(sq[0] - 'a' + 1, sq[1] - '0', list);
  return Texts(list);
}

TEST(MovePickerTest, CastlingComesFirst) {
  const auto moves = Pick("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1");
  ASSERT_GE(moves.size(), 3u);
  EXPECT_EQ(moves[0], "e1c1");
  EXPECT_EQ(moves[1], "e1g1");
}

TEST(MovePickerTest, EqualScoresPutTheBishopBeforeTheKnight) {
  // The knight on e5 is generated first (direction 2), the bishop second.
  EXPECT_EQ(Pick("4k3/8/8/4NB2/8/8/8/4K3 w - - 0 1", "d3"), (std::vector<std::string>{"f5d3", "e5d3"}));
}

TEST(MovePickerTest, SafeTargetsRankBeforeAttackedOnes) {
  // d5 is guarded by the c6 pawn: the queen (generated first) would lose
  // more than the rook, so the rook comes first.
  EXPECT_EQ(Pick("4k3/8/2p5/R7/8/8/3Q4/4K3 w - - 0 1", "d5"), (std::vector<std::string>{"a5d5", "d2d5"}));
  // Unguarded, the tie order puts the rook before the queen as well; a
  // knight comes before both.
  EXPECT_EQ(Pick("4k3/8/8/R7/8/4N3/3Q4/4K3 w - - 0 1", "d5"),
            (std::vector<std::string>{"e3d5", "a5d5", "d2d5"}));
}

TEST(MovePickerTest, PawnMovesComeFirstOnAPawnGuardedSquare) {
  // The knight on b3 stands attacked, which raises the pawn's score to the
  // knight's; the tie order puts the knight first, the pawn rule undoes it.
  EXPECT_EQ(Pick("4k3/8/8/4p3/p7/1N1P4/8/4K3 w - - 0 1", "d4"), (std::vector<std::string>{"d3d4", "b3d4"}));
  // Without the guarding pawn the tie order stands.
  EXPECT_EQ(Pick("4k3/8/8/8/p7/1N1P4/8/4K3 w - - 0 1", "d4"), (std::vector<std::string>{"b3d4", "d3d4"}));
}

TEST(MovePickerTest, TwoRooksFollowTheTargetsWing) {
  EXPECT_EQ(Pick("7k/8/8/8/8/8/7K/R6R w - - 0 1", "d1"), (std::vector<std::string>{"a1d1", "h1d1"}));
  EXPECT_EQ(Pick("7k/8/8/8/8/8/7K/R6R w - - 0 1", "f1"), (std::vector<std::string>{"h1f1", "a1f1"}));
  // Not on one rank: the rook on the target's file gives way.
  EXPECT_EQ(Pick("3R4/8/7k/8/R7/8/8/7K w - - 0 1", "d4"), (std::vector<std::string>{"a4d4", "d8d4"}));
}

TEST(MovePickerTest, FollowsTheGame) {
  MovePickerO picker;
  picker.SetPosition(nullptr);
  EXPECT_FALSE(picker.HasStartPosition());
  BasePositionO pos;
  const MoveRec e4 = Play(pos, "e2e4");
  picker.MoveMade(e4);
  EXPECT_TRUE(picker.Current().Equal(pos));
  MoveListO list;
  picker.PickMoves(5, 5, list);  // after 1. e4 Black can reach e5 with the pawn only
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"e7e5"}));
  picker.MoveUnmade();
  EXPECT_TRUE(picker.Current().IsStartPosition());
  EXPECT_THROW(picker.MoveUnmade(), ERangeError);
  BasePositionO other = Fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  picker.SetPosition(&other);
  EXPECT_TRUE(picker.HasStartPosition());
  EXPECT_TRUE(picker.Start().Equal(other));
}

}  // namespace

namespace {

// The picker only reorders: on every square of positions from random games
// it offers exactly the moves the rules give for that square.
TEST(MovePickerTest, RanksExactlyTheMovesOfTheSquare) {
  std::mt19937 rng(77);
  for (int game = 0; game < 6; ++game) {
    BasePositionO pos;
    MovePickerO picker;
    picker.SetPosition(&pos);
    MoveGenO gen(&pos);
    for (int ply = 0; ply < 60; ++ply) {
      for (int f = 1; f <= 8; ++f)
        for (int r = 1; r <= 8; ++r) {
          MoveListO picked, plain;
          picker.PickMoves(f, r, picked);
          if (pos.PieceAt(f, r) != pNone && pos.ColourAt(f, r) == pos.SideToMove())
            gen.MovesFromSquare(f, r, plain);
          else
            gen.MovesToSquare(f, r, plain);
          ASSERT_EQ(Keys(picked), Keys(plain)) << f << r << " ply " << ply;
        }
      MoveListO all;
      gen.AllMoves(all);
      if (all.Count() == 0) break;
      MoveRec m = all.Get(static_cast<int>(rng() % all.Count()) + 1);
      gen.CompleteMove(m);
      pos.MakeMove(m);
      picker.MoveMade(m);
      ASSERT_TRUE(picker.Current().Equal(pos));
    }
  }
}

}  // namespace

namespace {

std::uint8_t StateFromList(BasePositionO &pos) {
  MoveGenO gen(&pos);
  MoveListO all;
  gen.AllMoves(all);
  const bool check = gen.IsInCheck(pos.SideToMove());
  return all.Count() == 0 ? (check ? gsCheckmate : gsStalemate) : (check ? gsCheck : gsNormal);
}

// The game state stops at the first legal move it finds: over positions
// from random games and ones where the only men left to move are pinned,
// it agrees with the full legal-move list.
TEST(MoveGenTest, GameStateAgreesWithTheLegalMoveList) {
  const char *fens[] = {
      "k7/1nK5/1P6/3B4/8/8/8/8 b - - 0 1",          // the knight's steps are all pinned
      "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",             // king alone
      "7k/5Q2/6K1/8/8/p7/P7/8 b - - 0 1",           // and a blocked pawn
      "6rk/5Npp/8/8/8/8/8/6K1 b - - 0 1",           // smothered
      "4k3/8/8/8/8/8/3b4/r3K3 w - - 0 1",           // in check, the king steps out
      "8/8/8/2k5/3Pp3/8/8/4K2R b K d3 0 1",         // en passant to hand
      "rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq g3 0 2",
  };
  std::vector<std::string> starts(std::begin(fens), std::end(fens));
  starts.insert(starts.end(), 40, std::string());
  std::mt19937 rng(2024);
  int seen[5] = {};
  for (const std::string &fen : starts) {
    BasePositionO pos;
    if (!fen.empty()) pos = Fen(fen);
    MoveGenO gen(&pos);
    for (int ply = 0; ply < 400; ++ply) {
      const std::uint8_t expected = StateFromList(pos);
      ASSERT_EQ(gen.GameState(), expected) << fen << " ply " << ply;
      ++seen[expected];
      MoveRec m;
      if (!testchess::RandomMove(pos, rng, m)) break;
      pos.MakeMove(m);
    }
  }
  EXPECT_GT(seen[gsCheck], 0);
  EXPECT_GT(seen[gsCheckmate], 0);
  EXPECT_GT(seen[gsStalemate], 0);
}

}  // namespace
