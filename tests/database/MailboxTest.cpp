#include <gtest/gtest.h>

#include <random>

#include "MailboxTestUtil.h"
#include "database/QZUtils.h"
#include "platform/Errors.h"

using namespace mbtest;

namespace {

constexpr const char *kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
constexpr const char *kEndgame = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1";

MailboxPos Start() {
  MailboxPos p;
  p.SetStartPosition();
  return p;
}

void Play(MailboxPos &p, const std::string &moves) {
  std::istringstream in(moves);
  std::string m;
  while (in >> m) {
    MoveUndo u;
    p.MakeMove(ParseMove(m), u);
  }
}

bool SameCells(const MailboxPos &a, const MailboxPos &b) {
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r)
      if (a.cells[MailboxPos::Cell(f, r)] != b.cells[MailboxPos::Cell(f, r)]) return false;
  for (int c = 100; c < 103; ++c)
    if (a.cells[c] != b.cells[c]) return false;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// The order of generation is the stored format.

TEST(MailboxOrder, StartPosition) {
  MailboxPos p = Start();
  MoveGen gen;
  EXPECT_EQ(ListText(p, gen),
            "a2a3 a2a4 b1a3 b1c3 b2b3 b2b4 c2c3 c2c4 d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 g1f3 g1h3 g2g3 g2g4 h2h3 "
            "h2h4");
  int index = 0;
  ASSERT_TRUE(p.MoveIndex(gen, ParseMove("e2e4"), index));
  EXPECT_EQ(index, 12);
  ASSERT_TRUE(p.MoveIndex(gen, ParseMove("d2d4"), index));
  EXPECT_EQ(index, 10);
}

TEST(MailboxOrder, PinnedLists) {
  struct Case {
    const char *fen;
    const char *list;
  };
  const Case cases[] = {
      // Castling: queen side before king side, after the king's steps.
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
       "a1b1 a1c1 a1d1 a1a2 a1a3 a1a4 a1a5 a1a6 a1a7 a1a8 e1d1 e1d2 e1e2 e1f1 e1f2 e1c1 e1g1 h1g1 h1f1 h1h2 "
       "h1h3 h1h4 h1h5 h1h6 h1h7 h1h8"},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
       "a8a7 a8a6 a8a5 a8a4 a8a3 a8a2 a8a1 a8b8 a8c8 a8d8 e8d7 e8d8 e8e7 e8f7 e8f8 e8c8 e8g8 h8g8 h8f8 h8h7 "
       "h8h6 h8h5 h8h4 h8h3 h8h2 h8h1"},
      // Without the right the corner rook is an ordinary rook.
      {"r3k2r/8/8/8/8/8/8/R3K2R w Q - 0 1",
       "a1b1 a1c1 a1d1 a1a2 a1a3 a1a4 a1a5 a1a6 a1a7 a1a8 e1d1 e1d2 e1e2 e1f1 e1f2 e1c1 h1g1 h1f1 h1h2 h1h3 "
       "h1h4 h1h5 h1h6 h1h7 h1h8"},
      // Promotions Q, R, B, N: push first, then the captures toward a and h.
      {"r1r1k3/1P6/8/8/8/8/8/4K3 w - - 0 1",
       "b7b8q b7b8r b7b8b b7b8n b7a8q b7a8r b7a8b b7a8n b7c8q b7c8r b7c8b b7c8n e1d1 e1d2 e1e2 e1f1 e1f2"},
      {"4k3/8/8/8/8/8/6p1/4K2R b - - 0 1",
       "e8d7 e8d8 e8e7 e8f7 e8f8 g2g1q g2g1r g2g1b g2g1n g2h1q g2h1r g2h1b g2h1n"},
      // A pawn on its own first rank beside a castling rook has no capture
      // onto the empty square.
      {"4k3/8/8/8/8/8/8/RP2K3 w Q - 0 1", "a1a2 a1a3 a1a4 a1a5 a1a6 a1a7 a1a8 b1b2 e1d1 e1d2 e1e2 e1f1 e1f2"},
      // Pieces on the edges and in the middle.
      {"N7/8/8/5k2/8/8/8/4K2Q w - - 0 1",
       "a8b6 a8c7 e1d1 e1d2 e1e2 e1f1 e1f2 h1g1 h1f1 h1h2 h1h3 h1h4 h1h5 h1h6 h1h7 h1h8 h1g2 h1f3 h1e4 h1d5 "
       "h1c6 h1b7"},
      {"4k3/8/8/8/8/8/8/4K2N w - - 0 1", "e1d1 e1d2 e1e2 e1f1 e1f2 h1f2 h1g3"},
      {"4k3/8/8/8/3N4/8/8/4K3 w - - 0 1", "d4b3 d4b5 d4c2 d4c6 d4e2 d4e6 d4f3 d4f5 e1d1 e1d2 e1e2 e1f1 e1f2"},
      {"4k3/8/8/8/3B4/8/8/4K3 w - - 0 1",
       "d4c3 d4b2 d4a1 d4e3 d4f2 d4g1 d4e5 d4f6 d4g7 d4h8 d4c5 d4b6 d4a7 e1d1 e1d2 e1e2 e1f1 e1f2"},
      {"4k3/8/8/8/3R4/8/8/4K3 w - - 0 1",
       "d4c4 d4b4 d4a4 d4d3 d4d2 d4d1 d4e4 d4f4 d4g4 d4h4 d4d5 d4d6 d4d7 d4d8 e1d1 e1d2 e1e2 e1f1 e1f2"},
  };
  MoveGen gen;
  for (const Case &c : cases) {
    MailboxPos p = Fen(c.fen);
    EXPECT_EQ(ListText(p, gen), c.list) << c.fen;
  }
}

TEST(MailboxOrder, EnPassantTowardBothFiles) {
  MoveGen gen;
  MailboxPos w = Fen("4k3/4p3/8/3P1P2/8/8/8/4K3 b - - 0 1");
  Play(w, "e7e5");
  EXPECT_EQ(w.At(5, 5), mbBlack | mbSpecial);
  EXPECT_EQ(w.cells[MailboxPos::kEpCell], SquareNumber(5, 5) + 1);
  EXPECT_EQ(ListText(w, gen), "d5d6 d5e6 e1d1 e1d2 e1e2 e1f1 e1f2 f5f6 f5e6");

  MailboxPos b = Fen("4k3/8/8/8/3p1p2/8/4P3/4K3 w - - 0 1");
  Play(b, "e2e4");
  EXPECT_EQ(b.At(5, 4), mbSpecial);
  EXPECT_EQ(ListText(b, gen), "d4d3 d4e3 e8d7 e8d8 e8e7 e8f7 e8f8 f4f3 f4e3");

  // The capture removes the pawn; unmake puts it back with its code 7.
  for (const char *cap : {"d4e3", "f4e3"}) {
    MailboxPos q = b;
    MoveUndo u;
    q.MakeMove(ParseMove(cap), u);
    EXPECT_EQ(q.At(5, 4), 0) << cap;
    EXPECT_EQ(q.At(5, 3), mbBlack | mbPawn) << cap;
    EXPECT_EQ(q.cells[MailboxPos::kEpCell], 0) << cap;
    q.UnmakeMove(ParseMove(cap), u);
    EXPECT_TRUE(SameCells(q, b)) << cap;
  }
}

TEST(MailboxOrder, FixtureGameIndexes) {
  struct Game {
    const char *moves;
    std::vector<int> indexes;
  };
  const Game games[] = {
      {"e2e4 e7e5 g1f3 b8c6 f1b5", {12, 12, 24, 6, 16}},
      {"f2f3 e7e5 g2g4 d8h4", {13, 12, 17, 14}},
  };
  MoveGen gen;
  for (const Game &g : games) {
    MailboxPos p = Start();
    std::istringstream in(g.moves);
    std::string text;
    for (int expected : g.indexes) {
      in >> text;
      const Move2 m = ParseMove(text);
      int index = 0;
      ASSERT_TRUE(p.MoveIndex(gen, m, index)) << text;
      EXPECT_EQ(index, expected) << text;
      Move2 back;
      ASSERT_TRUE(p.MoveByIndex(gen, expected, back));
      EXPECT_EQ(back, m) << text;
      MoveUndo u;
      p.MakeMove(m, u);
    }
  }
  // The second game ends in mate.
  MailboxPos p = Start();
  Play(p, "f2f3 e7e5 g2g4 d8h4");
  EXPECT_EQ(p.CheckState(gen, 0), gsCheckmate);
  EXPECT_EQ(p.MoveNumber(), 3);
}

// ---------------------------------------------------------------------------
// Index requests

TEST(MailboxIndex, MissesAndBoundsAreReported) {
  MailboxPos p = Start();
  MoveGen gen;
  int index = 99;
  EXPECT_FALSE(p.MoveIndex(gen, ParseMove("e2e5"), index));
  EXPECT_EQ(index, 0);
  Move2 m;
  EXPECT_FALSE(p.MoveByIndex(gen, 0, m));
  EXPECT_FALSE(p.MoveByIndex(gen, 21, m));
  EXPECT_FALSE(p.MoveByIndex(gen, -1, m));
  EXPECT_FALSE(p.MoveByIndex(gen, 255, m));
  EXPECT_TRUE(p.MoveByIndex(gen, 20, m));
  EXPECT_EQ(MoveText(m, false), "h2h4");
  EXPECT_THROW(gen.Entry(21), ERangeError);
}

TEST(MailboxIndex, RequestsStopAfterTheMan) {
  MailboxPos p = Start();
  MoveGen gen;
  Move2 m;
  ASSERT_TRUE(p.MoveByIndex(gen, 3, m));
  EXPECT_EQ(MoveText(m, false), "b1a3");
  EXPECT_EQ(gen.Count(), 4);  // the knight's both moves, nothing further
  int index = 0;
  ASSERT_TRUE(p.MoveIndex(gen, ParseMove("a2a3"), index));
  EXPECT_EQ(gen.Count(), 2);
  // Any-legal stops at the first man whose last move is legal.
  GenRequest req;
  req.kind = genAnyLegal;
  EXPECT_EQ(gen.Generate(p, req), 2);
  // A pinned man's moves do not stop it; the king's do.
  MailboxPos q = Fen("4k3/8/8/b7/8/2N5/7P/4K3 w - - 0 1");
  EXPECT_EQ(gen.Generate(q, req), 13);
  EXPECT_EQ(gen.Generate(q, GenRequest{}), 15);
}

// ---------------------------------------------------------------------------
// Legality, attacks and check states

TEST(MailboxRules, CastlingIsGeneratedButNotLegalOutOfOrThroughCheck) {
  struct Case {
    const char *fen;
    bool queenSide, kingSide;
  };
  const Case cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, true},
      {"4r1k1/8/8/8/8/8/8/R3K2R w KQ - 0 1", false, false},  // in check
      {"3r2k1/8/8/8/8/8/8/R3K2R w KQ - 0 1", false, true},   // d1 attacked
      {"5rk1/8/8/8/8/8/8/R3K2R w KQ - 0 1", true, false},    // f1 attacked
      {"2r3k1/8/8/8/8/8/8/R3K2R w KQ - 0 1", false, true},   // c1 attacked
      {"6r1/k7/8/8/8/8/8/R3K2R w KQ - 0 1", true, false},    // g1 attacked
      {"1r4k1/8/8/8/8/8/8/R3K2R w KQ - 0 1", true, true},    // b1 attacked does not matter
      {"r3k2r/8/8/8/8/8/8/4R3 b kq - 0 1", false, false},    // Black in check
      {"r3k2r/8/8/8/8/8/8/3R1R2 b kq - 0 1", false, false},  // d8 and f8 attacked
  };
  MoveGen gen;
  for (const Case &c : cases) {
    MailboxPos p = Fen(c.fen);
    const int back = p.SideToMove() ? 8 : 1;
    const Move2 qs = Move2::Make(SquareNumber(5, back), SquareNumber(3, back));
    const Move2 ks = Move2::Make(SquareNumber(5, back), SquareNumber(7, back));
    int index;
    EXPECT_TRUE(p.MoveIndex(gen, qs, index)) << c.fen;
    EXPECT_TRUE(p.MoveIndex(gen, ks, index)) << c.fen;
    EXPECT_EQ(p.IsLegalMove(qs), c.queenSide) << c.fen;
    EXPECT_EQ(p.IsLegalMove(ks), c.kingSide) << c.fen;
  }
}

TEST(MailboxRules, CastlingMovesTheRookAndUnmakeRestoresRights) {
  MailboxPos p = Fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  const MailboxPos before = p;
  MoveUndo u;
  p.MakeMove(ParseMove("e1c1"), u);
  EXPECT_EQ(p.At(3, 1), mbKing);
  EXPECT_EQ(p.At(4, 1), mbRook);
  EXPECT_EQ(p.At(1, 1), 0);
  EXPECT_EQ(p.At(8, 1), mbRook);  // the other right is lost too
  EXPECT_EQ(u.lostCastling, 3);
  p.UnmakeMove(ParseMove("e1c1"), u);
  EXPECT_TRUE(SameCells(p, before));

  // A rook move loses its own right only; a king step loses both.
  p.MakeMove(ParseMove("h1h5"), u);
  EXPECT_EQ(p.At(8, 5), mbRook);
  EXPECT_EQ(p.At(1, 1), mbSpecial);
  p.UnmakeMove(ParseMove("h1h5"), u);
  EXPECT_EQ(p.At(8, 1), mbSpecial);
  p.MakeMove(ParseMove("e1f2"), u);
  EXPECT_EQ(u.lostCastling, 3);
  EXPECT_EQ(p.At(1, 1), mbRook);
  p.UnmakeMove(ParseMove("e1f2"), u);
  EXPECT_TRUE(SameCells(p, before));

  // Black king side.
  p.cells[MailboxPos::kSide] = 1;
  const MailboxPos black = p;
  p.MakeMove(ParseMove("e8g8"), u);
  EXPECT_EQ(p.At(7, 8), mbBlack | mbKing);
  EXPECT_EQ(p.At(6, 8), mbBlack | mbRook);
  EXPECT_EQ(p.At(8, 8), 0);
  EXPECT_EQ(p.At(1, 8), mbBlack | mbRook);
  p.UnmakeMove(ParseMove("e8g8"), u);
  EXPECT_TRUE(SameCells(p, black));
}

TEST(MailboxRules, DoubleStepMarksThePawnOnlyNextToAnEnemyPawn) {
  MailboxPos p = Start();
  Play(p, "e2e4");
  EXPECT_EQ(p.At(5, 4), mbPawn);
  EXPECT_EQ(p.cells[MailboxPos::kEpCell], 0);

  // An own pawn beside the target is no reason.
  MailboxPos q = Fen("4k3/8/8/8/3P4/8/4P3/4K3 w - - 0 1");
  Play(q, "e2e4");
  EXPECT_EQ(q.At(5, 4), mbPawn);
  EXPECT_EQ(q.cells[MailboxPos::kEpCell], 0);

  // Next to an enemy pawn the code is 7 for exactly one ply.
  MailboxPos r = Fen("4k3/8/8/8/5p2/8/4P3/4K3 w - - 0 1");
  Play(r, "e2e4");
  EXPECT_EQ(r.At(5, 4), mbSpecial);
  EXPECT_EQ(r.cells[MailboxPos::kEpCell], SquareNumber(5, 4) + 1);
  Play(r, "e8d8");
  EXPECT_EQ(r.At(5, 4), mbPawn);
  EXPECT_EQ(r.cells[MailboxPos::kEpCell], 0);
}

TEST(MailboxRules, PromotionWithCaptureAndUnmake) {
  MailboxPos p = Fen("r1r1k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
  const MailboxPos before = p;
  const uint8_t expected[4] = {mbQueen, mbRook, mbBishop, mbKnight};
  for (int promo = 0; promo < 4; ++promo) {
    const Move2 m = Move2::Make(SquareNumber(2, 7), SquareNumber(3, 8), promo);
    MoveUndo u;
    p.MakeMove(m, u);
    EXPECT_EQ(p.At(3, 8), expected[promo]);
    EXPECT_EQ(u.captured, mbBlack | mbRook);
    p.UnmakeMove(m, u);
    EXPECT_TRUE(SameCells(p, before));
  }
  MailboxPos b = Fen("4k3/8/8/8/8/8/6p1/4K2R b - - 0 1");
  MoveUndo u;
  b.MakeMove(Move2::Make(SquareNumber(7, 2), SquareNumber(8, 1), 3), u);
  EXPECT_EQ(b.At(8, 1), mbBlack | mbKnight);
  EXPECT_EQ(b.MoveNumber(), 2);
}

TEST(MailboxRules, AttacksAndCheckStates) {
  MoveGen gen;
  MailboxPos p = Fen("4k3/8/8/8/8/5n2/8/R3K3 w Q - 0 1");
  EXPECT_TRUE(p.InCheck(0));  // knight f3
  EXPECT_FALSE(p.InCheck(1));
  EXPECT_TRUE(p.SquareAttacked(4, 2, 1));
  EXPECT_TRUE(p.SquareAttacked(1, 8, 0));  // the code-7 rook counts as a rook
  EXPECT_FALSE(p.SquareAttacked(1, 1, 1));
  EXPECT_THROW(p.SquareAttacked(0, 1, 1), ERangeError);
  EXPECT_EQ(p.CheckState(gen, 0), gsCheck);

  // Pawns attack only forward; an en-passant pawn still attacks as a pawn.
  MailboxPos q = Fen("4k3/8/8/3p4/8/8/8/4K3 w - - 0 1");
  EXPECT_TRUE(q.SquareAttacked(3, 4, 1));
  EXPECT_TRUE(q.SquareAttacked(5, 4, 1));
  EXPECT_FALSE(q.SquareAttacked(3, 6, 1));
  EXPECT_FALSE(q.SquareAttacked(4, 4, 1));
  q.Set(4, 5, mbBlack | mbSpecial);
  EXPECT_TRUE(q.SquareAttacked(5, 4, 1));

  MailboxPos mate = Fen("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(mate.CheckState(gen, 1), gsCheckmate);
  MailboxPos stale = Fen("7k/8/6QK/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(stale.CheckState(gen, 1), gsStalemate);
  EXPECT_FALSE(stale.HasLegalMove(gen));
  EXPECT_EQ(gen.Count(), 0);
  // A pinned en-passant capture along the rank is not legal.
  MailboxPos pin = Fen("4k3/8/8/K2pP2r/8/8/8/8 w - d6 0 1");
  EXPECT_EQ(pin.At(4, 5), mbBlack | mbSpecial);
  EXPECT_FALSE(pin.IsLegalMove(ParseMove("e5d6")));
  EXPECT_TRUE(pin.IsLegalMove(ParseMove("e5e6")));
}

TEST(MailboxRules, AnyLegalMoveSeesEveryEntryAndUncoveredLines) {
  // Check from e8: the rook, queen and bishop can each block on the e-file,
  // but no man's last generated move is legal, so the any-legal generation
  // runs to the end and the earlier entries decide.
  MoveGen gen;
  MailboxPos p = Fen("k3r3/8/8/8/R7/8/3P1P2/3QKB2 w - - 0 1");
  const MailboxPos before = p;
  EXPECT_TRUE(p.HasLegalMove(gen));
  EXPECT_EQ(gen.Count(), 35);  // the whole list
  EXPECT_EQ(p.CheckState(gen, 0), gsCheck);
  EXPECT_EQ(p.cells, before.cells);
  // Without the blocks it is mate, and the list is emptied.
  MailboxPos m = Fen("k3r3/8/8/8/8/8/3P1P2/3RKR2 w - - 0 1");
  EXPECT_FALSE(m.HasLegalMove(gen));
  EXPECT_EQ(gen.Count(), 0);
  EXPECT_EQ(m.CheckState(gen, 0), gsCheckmate);
  // Taking en passant from off the king's lines still uncovers the bishop
  // behind the taken pawn: stalemate.
  MailboxPos ep = Fen("K7/7r/4n3/3pP3/8/7k/6b1/1r6 w - d6 0 1");
  ASSERT_EQ(ep.At(4, 5), mbBlack | mbSpecial);
  EXPECT_EQ(ep.CheckState(gen, 0), gsStalemate);
}

TEST(MailboxRules, KingOnTheEdgeGetsNoFalseCheck) {
  MoveGen gen;
  // After White's move the black king stands on the edge; nothing attacks it.
  for (const char *fen : {"8/8/8/k7/8/8/8/4K3 w - - 0 1", "8/8/8/7k/8/8/8/4K3 w - - 0 1",
                          "4k3/8/8/8/8/8/8/4K3 w - - 0 1", "8/8/8/8/8/8/8/K3k3 b - - 0 1"}) {
    MailboxPos p = Fen(fen);
    const int mover = p.SideToMove();
    GenRequest all;
    gen.Generate(p, all);
    const Move2 m = gen.Entry(1);
    MoveUndo u;
    p.MakeMove(m, u);
    EXPECT_FALSE(p.InCheck(mover ^ 1)) << fen;
    EXPECT_EQ(p.CheckState(gen, mover ^ 1), gsNormal) << fen;
  }
  // Whatever the border holds, the tests never look at it.
  MailboxPos p = Fen("8/8/8/k7/8/8/8/4K3 b - - 0 1");
  for (int i = 0; i < 10; ++i) {
    p.cells[i] = p.cells[90 + i] = mbKing;
    p.cells[i * 10] = p.cells[i * 10 + 9] = mbKnight;
  }
  EXPECT_FALSE(p.InCheck(1));
  EXPECT_EQ(p.CheckState(gen, 1), gsNormal);
  EXPECT_EQ(ListText(p, gen), "a5a4 a5a6 a5b4 a5b5 a5b6");
}

TEST(MailboxRules, BlacksMoveAt255IsRefusedUnchanged) {
  MailboxPos p = Fen("4k3/8/8/8/8/8/8/4K3 b - - 0 255");
  const MailboxPos before = p;
  MoveUndo u{};
  EXPECT_THROW(p.MakeMove(ParseMove("e8d8"), u), ERangeError);
  EXPECT_EQ(p.cells, before.cells);
  // Legality and check states still work there.
  MoveGen gen;
  EXPECT_TRUE(p.IsLegalMove(ParseMove("e8d8")));
  EXPECT_EQ(p.CheckState(gen, 1), gsNormal);
  // White's move at 255 is fine and leaves the number.
  MailboxPos w = Fen("4k3/8/8/8/8/8/8/4K3 w - - 0 255");
  w.MakeMove(ParseMove("e1d1"), u);
  EXPECT_EQ(w.MoveNumber(), 255);
}

TEST(MailboxRules, MakeUnmakeRestoresOverRandomWalks) {
  std::mt19937 rng(11);
  MoveGen gen;
  int plies = 0;
  for (const char *fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", kKiwipete, kEndgame}) {
    for (int game = 0; game < 40; ++game) {
      MailboxPos p = Fen(fen);
      for (int ply = 0; ply < 200; ++ply) {
        const std::vector<Move2> legal = LegalMoves(p, gen);
        if (legal.empty() || p.MoveNumber() >= 250) break;
        // Every legal move, made and unmade, gives back every cell.
        for (Move2 m : legal) {
          MailboxPos q = p;
          MoveUndo u;
          q.MakeMove(m, u);
          EXPECT_FALSE(q.InCheck(p.SideToMove()));
          q.UnmakeMove(m, u);
          ASSERT_TRUE(SameCells(q, p)) << MoveText(m, false);
        }
        MoveUndo u;
        p.MakeMove(legal[rng() % legal.size()], u);
        ++plies;
      }
    }
  }
  EXPECT_GT(plies, 1000);
}

// ---------------------------------------------------------------------------
// Perft through the mailbox gives the known counts.

TEST(MailboxPerft, KnownCounts) {
  MoveGen gen;
  MailboxPos p = Start();
  const uint64_t start[] = {20, 400, 8902, 197281};
  for (int d = 1; d <= 4; ++d) EXPECT_EQ(Perft(p, gen, d), start[d - 1]) << d;
  MailboxPos k = Fen(kKiwipete);
  const uint64_t kiwi[] = {48, 2039, 97862};
  for (int d = 1; d <= 3; ++d) EXPECT_EQ(Perft(k, gen, d), kiwi[d - 1]) << d;
  MailboxPos e = Fen(kEndgame);
  const uint64_t end[] = {14, 191, 2812, 43238};
  for (int d = 1; d <= 4; ++d) EXPECT_EQ(Perft(e, gen, d), end[d - 1]) << d;
  EXPECT_TRUE(SameCells(p, Start()));
}

// ---------------------------------------------------------------------------
// Reverse search

TEST(MailboxMovers, DirectionOrderAndFilters) {
  MoveGen gen;
  auto list = [&](int n) {
    std::string s;
    for (int i = 1; i <= n; ++i) s += (i > 1 ? " " : "") + MoveText(gen.Entry(i), false);
    return s;
  };
  // Rooks: north first, then east, south, west.
  MailboxPos p = Fen("3R4/8/k7/8/R6R/8/8/3RK3 w - - 0 1");
  EXPECT_EQ(list(p.FindMovers(gen, 4, 4, mbRook)), "d8d4 h4d4 d1d4 a4d4");
  p.Set(8, 4, 0);
  p.Set(1, 4, 0);
  EXPECT_EQ(list(p.FindMoversFromRank(gen, 4, 4, mbRook, 1)), "d1d4");
  EXPECT_EQ(list(p.FindMoversFromFile(gen, 4, 4, mbRook, 4)), "d8d4 d1d4");
  EXPECT_EQ(list(p.FindMoversFromSquare(gen, 4, 4, mbRook, 4, 8)), "d8d4");
  EXPECT_EQ(p.FindMoversFromSquare(gen, 4, 4, mbRook, 5, 8), 0);
  // Onto an own man: nothing.
  EXPECT_EQ(p.FindMovers(gen, 5, 1, mbRook), 0);
  // A castling rook is a rook, asked for with either code.
  MailboxPos c = Fen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  EXPECT_EQ(list(c.FindMovers(gen, 4, 1, mbRook)), "a1d1");
  EXPECT_EQ(list(c.FindMovers(gen, 6, 1, mbSpecial)), "h1f1");

  // Knights: jumps in the order (+1,+2), (+2,+1), (+2,-1), (+1,-2), (-1,-2),
  // (-2,-1), (-2,+1), (-1,+2) seen from the target.
  MailboxPos n = Fen("k7/8/3N1N2/2N3N1/4p3/2N3N1/3N1N2/K7 w - - 0 1");
  EXPECT_EQ(list(n.FindMovers(gen, 5, 4, mbKnight)), "f6e4 g5e4 g3e4 f2e4 d2e4 c3e4 c5e4 d6e4");
  EXPECT_EQ(list(n.FindMoversFromFile(gen, 5, 4, mbKnight, 3)), "c3e4 c5e4");

  // Queens: the eight line directions from north clockwise.
  MailboxPos q = Fen("k7/8/Q1Q1Q3/8/Q3Q3/8/Q1Q1Q3/K7 w - - 0 1");
  EXPECT_EQ(list(q.FindMovers(gen, 3, 4, mbQueen)), "c6c4 e6c4 e4c4 e2c4 c2c4 a2c4 a4c4 a6c4");
  MailboxPos b = Fen("k7/8/Q1Q1Q3/8/Q3Q3/8/Q1Q1Q3/K7 w - - 0 1");
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r)
      if (b.At(f, r) == mbQueen) b.Set(f, r, mbBishop);
  EXPECT_EQ(list(b.FindMovers(gen, 3, 4, mbBishop)), "e6c4 e2c4 a2c4 a6c4");

  // Kings: the lower row first.
  MailboxPos k = Fen("7k/8/8/8/8/8/8/K7 w - - 0 1");
  EXPECT_EQ(list(k.FindMovers(gen, 2, 2, mbKing)), "a1b2");
  // Pawns are not searched.
  EXPECT_EQ(k.FindMovers(gen, 1, 3, mbPawn), 0);
  // A pinned man is filtered out.
  MailboxPos pin = Fen("4r1k1/8/8/8/8/8/4N3/1N2K3 w - - 0 1");
  EXPECT_EQ(list(pin.FindMovers(gen, 3, 3, mbKnight)), "b1c3");
  EXPECT_THROW(pin.FindMovers(gen, 9, 3, mbKnight), ERangeError);
  EXPECT_THROW(pin.FindMoversFromFile(gen, 6, 3, mbKnight, 0), ERangeError);
}

// ---------------------------------------------------------------------------
// Compact positions, equality and the material key

TEST(MailboxCompact, StartBytesAndKey) {
  const MailboxPos p = Start();
  CompactPosition cp;
  p.ToCompact(cp);
  const uint8_t expected[24] = {0xBD, 0x83, 0xDF, 0xAD, 0x83, 0xDD, 0xA5, 0x83, 0xDC, 0x95, 0x83, 0xDA,
                                0x85, 0x83, 0xD9, 0xA5, 0x83, 0xDC, 0xAD, 0x83, 0xDD, 0xBD, 0x83, 0xDF};
  for (int i = 0; i < 24; ++i) EXPECT_EQ(cp.bytes[i], expected[i]) << i;
  uint16_t key;
  uint8_t check;
  p.MaterialKey(key, check);
  EXPECT_EQ(key, 0x8888);
  EXPECT_EQ(check, 0xFF);
}

TEST(MailboxCompact, MaterialKeys) {
  uint16_t key;
  uint8_t check;
  Fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1").MaterialKey(key, check);
  EXPECT_EQ(key, 0x0020);
  EXPECT_EQ(check, 0x00);
  Fen("r3k3/8/8/8/8/8/8/4K2R w - - 0 1").MaterialKey(key, check);
  EXPECT_EQ(key, 0x1021);
  EXPECT_EQ(check, 0x11);
  // Sixteen men on files a and b: the count spills over, the key stays
  // within 16 bits.
  Fen("kr6/pp6/pp6/pp6/PP6/PP6/PP6/KR6 w - - 0 1").MaterialKey(key, check);
  EXPECT_EQ(key, 0x0000);
  EXPECT_EQ(check, 0x77);
  Fen("kr6/pp6/pp6/pp6/PP6/PP6/PP6/KR1Q4 w - - 0 1").MaterialKey(key, check);
  EXPECT_EQ(key, 0x0100);
  // No man of a colour: refused.
  MailboxPos empty;
  empty.Set(5, 1, mbKing);
  EXPECT_THROW(empty.MaterialKey(key, check), ERangeError);
}

TEST(MailboxCompact, RoundTripAndDamagedData) {
  std::mt19937 rng(7);
  MoveGen gen;
  MailboxPos p = Fen(kKiwipete);
  p.cells[MailboxPos::kMoveNumber] = 17;
  int positions = 0;
  for (int ply = 0; ply < 300; ++ply) {
    CompactPosition cp;
    p.ToCompact(cp);
    MailboxPos q;
    q.cells[MailboxPos::kSide] = 1 - p.cells[MailboxPos::kSide];
    ASSERT_TRUE(q.FromCompact(cp));
    EXPECT_TRUE(MailboxPos::Equal(p, q));
    EXPECT_EQ(q.MoveNumber(), 1);
    CompactPosition again;
    q.ToCompact(again);
    EXPECT_TRUE(MailboxPos::Equal24(cp, again));
    ++positions;
    const std::vector<Move2> legal = LegalMoves(p, gen);
    if (legal.empty() || p.MoveNumber() > 200) break;
    MoveUndo u;
    p.MakeMove(legal[rng() % legal.size()], u);
  }
  EXPECT_GT(positions, 20);

  // The en-passant state survives through the pawn's code.
  MailboxPos e = Fen("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  Play(e, "e2e4");
  CompactPosition cp;
  e.ToCompact(cp);
  MailboxPos f;
  ASSERT_TRUE(f.FromCompact(cp));
  EXPECT_EQ(f.cells[MailboxPos::kEpCell], e.cells[MailboxPos::kEpCell]);
  EXPECT_EQ(f.SideToMove(), 1);

  // No king of the side to move, or bits beyond the 24 bytes: refused, unchanged.
  MailboxPos g = Start();
  CompactPosition none{};
  none.bytes[0] = 0x80 | (mbBlack | mbKing) << 3;
  EXPECT_FALSE(g.FromCompact(none));
  EXPECT_TRUE(SameCells(g, Start()));
  CompactPosition full;
  full.bytes.fill(0xFF);
  EXPECT_FALSE(g.FromCompact(full));
  EXPECT_TRUE(SameCells(g, Start()));
  // More men than fit 24 bytes.
  MailboxPos crowded = Start();
  crowded.Set(4, 4, mbQueen);
  EXPECT_THROW(crowded.ToCompact(cp), ERangeError);
}

TEST(MailboxCompact, EqualIgnoresMoveNumberAndBorder) {
  MailboxPos a = Start(), b = Start();
  b.cells[MailboxPos::kMoveNumber] = 40;
  b.cells[0] = 9;
  b.cells[99] = 1;
  EXPECT_TRUE(MailboxPos::Equal(a, b));
  CompactPosition ca, cb;
  a.ToCompact(ca);
  b.ToCompact(cb);
  EXPECT_TRUE(MailboxPos::Equal24(ca, cb));
  b.cells[MailboxPos::kSide] = 1;
  EXPECT_FALSE(MailboxPos::Equal(a, b));
  b.ToCompact(cb);
  EXPECT_FALSE(MailboxPos::Equal24(ca, cb));
  b = a;
  b.cells[MailboxPos::kEpCell] = 5;
  EXPECT_FALSE(MailboxPos::Equal(a, b));
  b = a;
  b.Set(8, 8, mbBlack | mbRook);
  EXPECT_FALSE(MailboxPos::Equal(a, b));
}

// ---------------------------------------------------------------------------
// SAN information

TEST(MailboxSan, DisambiguationCaptureStateNumberSide) {
  MoveGen gen;
  struct Case {
    const char *fen;
    const char *move;
    int dis, capture, state;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "b1d2", 1, 0, 0},  // file and rank both differ
      {"4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "a1a3", 3, 0, 0},    // same file: rank
      {"4k3/8/8/8/8/8/8/R3K2R w - - 0 1", "a1d1", 0, 0, 0},    // h1 rook blocked by the king
      {"3k4/8/8/8/8/8/K7/R6R w - - 0 1", "a1d1", 2, 0, 1},     // same rank: file, with check
      {"8/2k5/8/3Q4/8/8/8/K2Q3Q w - - 0 1", "d1h5", 4, 0, 0},  // both
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", 5, 1, 0},  // pawn capture
      {"4k3/8/8/8/4P3/8/8/4K3 w - - 0 1", "e4e5", 0, 0, 0},    // pawn push
      {"4k3/8/8/8/8/8/8/4K1R1 w - - 0 1", "g1g8", 0, 0, 1},    // rook check
      {"7k/8/6K1/8/8/8/8/Q7 w - - 0 1", "a1a8", 0, 0, 3},      // mate
      {"7k/8/6K1/8/8/8/8/5Q2 w - - 0 1", "f1f7", 0, 0, 4},     // stalemate
      {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1", 0, 0, 0},   // castling
      {"4k3/8/8/8/8/r7/8/R3K3 w - - 0 1", "a1a3", 0, 1, 0},    // capture
  };
  for (const Case &c : cases) {
    MailboxPos p = Fen(c.fen);
    const MailboxPos before = p;
    SanMoveRec rec;
    p.SanInfo(gen, ParseMove(c.move), rec);
    EXPECT_EQ(rec.disambiguation, c.dis) << c.fen;
    EXPECT_EQ(rec.capture, c.capture) << c.fen;
    EXPECT_EQ(rec.gameState, c.state) << c.fen;
    EXPECT_EQ(rec.moveNumber, 1) << c.fen;
    EXPECT_EQ(rec.side, 0) << c.fen;
    EXPECT_EQ(p.cells, before.cells) << c.fen;
  }
  // En passant: a capture onto an empty square; Black at the move-number limit.
  MailboxPos e = Fen("4k3/8/8/8/3p4/8/4PK2/8 w - - 0 255");
  Play(e, "e2e4");
  ASSERT_EQ(e.MoveNumber(), 255);
  SanMoveRec rec;
  e.SanInfo(gen, ParseMove("d4e3"), rec);
  EXPECT_EQ(rec.disambiguation, 5);
  EXPECT_EQ(rec.capture, 1);
  EXPECT_EQ(rec.moveNumber, 255);
  EXPECT_EQ(rec.side, 1);
  EXPECT_EQ(rec.gameState, gsCheck);
}
