// The mailbox against the chess core: over random games and random set-ups
// both must know the same legal moves and game states, and the conversions
// must carry board, side, rights, move number and en passant across.
//
// Longer runs: database_tests --gtest_filter='MailboxCore*' --mailbox-seed=N --mailbox-count=N
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "MailboxTestUtil.h"
#include "chess/MoveGen.h"
#include "chess/Posns.h"
#include "database/QZUtils.h"
#include "platform/Errors.h"

namespace {

// The count is games per start position; set-ups are 50 times as many.
mbtest::RunArgs Args() { return mbtest::ArgsFrom(testing::internal::GetArgvs(), "mailbox", 1101, 60); }

using MoveKey = std::tuple<int, int, int, int, int>;

MoveKey KeyOf(const MoveRec &m) { return {m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion}; }

std::vector<MoveRec> CoreMoves(const PositionO &p) {
  BasePositionO base = p.Base();
  MoveGenO rules(&base);
  MoveListO list;
  rules.AllMoves(list);
  std::vector<MoveRec> out;
  for (int i = 1; i <= list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

// The en-passant file the mailbox can carry: only where a pawn of the side
// to move can take the pawn that made the double step.
int UsableEpFile(const PositionO &p) {
  const int ef = p.EnPassantFile();
  if (ef < 1 || ef > 8) return 0;
  const int side = p.SideToMove();
  const int rank = side == cWhite ? 5 : 4, passed = side == cWhite ? 6 : 3;
  if (!p.IsPieceAt(ef, rank, pPawn, OppositeSide(side)) || p.PieceAt(ef, passed) != pNone) return 0;
  const bool taker = (ef > 1 && p.IsPieceAt(ef - 1, rank, pPawn, side)) ||
                     (ef < 8 && p.IsPieceAt(ef + 1, rank, pPawn, side));
  return taker ? ef : 0;
}

// The index requests count where the generator lists: every entry of the
// full list, legal or not, gets its own place back, and the list they leave
// behind is the generated one up to the mover's last entry.
void CheckIndexes(MailboxPos &m, MoveGen &gen, const std::string &where) {
  const MailboxPos before = m;
  const int n = gen.Generate(m, GenRequest{});
  std::vector<Move2> all;
  for (int i = 1; i <= n; ++i) all.push_back(gen.Entry(i));
  for (int i = 1; i <= n; ++i) {
    const Move2 mv = all[i - 1];
    int index = 0;
    ASSERT_TRUE(m.MoveIndex(gen, mv, index)) << where;
    ASSERT_EQ(index, i) << where;
    const int upTo = gen.Count();
    ASSERT_GE(upTo, i) << where;
    ASSERT_LE(upTo, n) << where;
    EXPECT_TRUE(upTo == n || all[upTo].FromSquare() != mv.FromSquare()) << where;
    EXPECT_EQ(all[upTo - 1].FromSquare(), mv.FromSquare()) << where;
    if (i % 5 == 1) {
      for (int j = 1; j <= upTo; ++j) ASSERT_EQ(gen.Entry(j), all[j - 1]) << where;
    }
    Move2 back;
    ASSERT_TRUE(m.MoveByIndex(gen, i, back)) << where;
    EXPECT_EQ(back, mv) << where;
    EXPECT_EQ(gen.Count(), upTo) << where;
    EXPECT_EQ(gen.Entry(upTo), all[upTo - 1]) << where;
    // The same squares with other promotion bits, or a from-byte beyond the
    // board, are not generated unless listed.
    const Move2 other{mv.from, static_cast<uint8_t>(mv.to ^ 0x40)};
    if (std::find(all.begin(), all.end(), other) == all.end()) {
      EXPECT_FALSE(m.MoveIndex(gen, other, index)) << where;
      EXPECT_EQ(index, 0) << where;
      EXPECT_EQ(gen.Count(), n) << where;
    }
    EXPECT_FALSE(m.MoveIndex(gen, Move2{static_cast<uint8_t>(mv.from | 0x40), mv.to}, index)) << where;
  }
  Move2 none;
  EXPECT_FALSE(m.MoveByIndex(gen, n + 1, none)) << where;
  EXPECT_EQ(gen.Count(), n) << where;
  if (n > 0) {
    EXPECT_EQ(gen.Entry(n), all[n - 1]) << where;
  }
  EXPECT_TRUE(mbtest::SameState(m, before)) << where;
}

// Compares one position; answers the core's legal moves.
std::vector<MoveRec> Compare(const PositionO &core, MoveGen &gen, const std::string &where) {
  MailboxPos m;
  m.FromPositionO(core);
  const MailboxPos before = m;

  const std::vector<MoveRec> coreMoves = CoreMoves(core);
  std::set<MoveKey> expected;
  for (const MoveRec &r : coreMoves) expected.insert(KeyOf(r));
  std::set<MoveKey> got;
  for (Move2 mv : mbtest::LegalMoves(m, gen)) {
    MoveRec r;
    m.MoveToMoveRec(mv, r);
    got.insert(KeyOf(r));
  }
  EXPECT_EQ(got, expected) << where;
  // Every core move packs to an index that gives it back.
  for (const MoveRec &r : coreMoves) {
    const Move2 mv = MailboxPos::MoveFromMoveRec(r);
    int index = 0;
    EXPECT_TRUE(m.IsLegalMove(mv)) << where;
    EXPECT_TRUE(m.MoveIndex(gen, mv, index)) << where;
    Move2 back;
    EXPECT_TRUE(m.MoveByIndex(gen, index, back)) << where;
    EXPECT_EQ(back, mv) << where;
  }

  CheckIndexes(m, gen, where);

  PositionO mutableCore;
  mutableCore.Assign(core);
  EXPECT_EQ(m.CheckState(gen, m.SideToMove()), mutableCore.GameState()) << where;
  EXPECT_TRUE(mbtest::SameState(m, before)) << where;

  PositionO back;
  m.ToPositionO(back);
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      EXPECT_EQ(back.PieceAt(f, r), core.PieceAt(f, r)) << where;
      EXPECT_EQ(back.ColourAt(f, r), core.ColourAt(f, r)) << where;
    }
  EXPECT_EQ(back.SideToMove(), core.SideToMove()) << where;
  EXPECT_EQ(back.MoveNumber(), core.MoveNumber()) << where;
  for (int c = 0; c <= 1; ++c)
    for (int s = 0; s <= 1; ++s) EXPECT_EQ(back.Castling(c, s), core.Castling(c, s)) << where;
  EXPECT_EQ(back.EnPassantFile(), UsableEpFile(core)) << where;
  return coreMoves;
}

}  // namespace

TEST(MailboxCore, RandomGamesAgreeWithTheCore) {
  const mbtest::RunArgs args = Args();
  std::mt19937 rng(args.seed);
  MoveGen gen;
  const char *starts[] = {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                          // en passant toward both files and every promotion
                          "4k3/1P3ppp/8/3pP3/8/8/5PPP/4K3 w - d6 0 1"};
  int positions = 0;
  for (const char *fen : starts) {
    for (int game = 0; game < args.count; ++game) {
      PositionO core;
      ASSERT_TRUE(core.SetFEN(fen)) << fen;
      MailboxPos walk;
      ASSERT_TRUE(walk.SetFromFEN(fen));
      for (int ply = 0; ply < 160; ++ply) {
        const std::string where = core.GetFEN();
        std::vector<MoveRec> moves = Compare(core, gen, where);
        ++positions;
        if (moves.empty() || (core.SideToMove() == cBlack && core.MoveNumber() == 255)) break;
        MoveRec chosen = moves[rng() % moves.size()];
        MoveRec move;
        core.BuildMove(chosen.fromFile, chosen.fromRank, chosen.toFile, chosen.toRank, chosen.promotion,
                       move);
        MoveUndo undo;
        walk.MakeMove(MailboxPos::MoveFromMoveRec(move), undo);
        core.MakeMove(move);
        // Making the move on the mailbox gives what converting the core's
        // position gives.
        MailboxPos converted;
        converted.FromPositionO(core);
        ASSERT_TRUE(mbtest::SameState(walk, converted)) << where << " " << move.ToText(mtCoordinate);
        if (HasFailure()) return;
      }
    }
  }
  EXPECT_GT(positions, 1000);
}

TEST(MailboxCore, RandomSetupsAgreeWithTheCore) {
  const mbtest::RunArgs args = Args();
  std::mt19937 rng(args.seed + 1);
  MoveGen gen;
  auto rnd = [&](int n) { return static_cast<int>(rng() % n); };
  int accepted = 0, epPositions = 0, castlingPositions = 0;
  const int wanted = args.count * 50;
  for (int tries = 0; accepted < wanted && tries < wanted * 20; ++tries) {
    PositionO p;
    p.ClearBoard();
    for (int c = 0; c <= 1; ++c)
      for (int s = 0; s <= 1; ++s) p.SetCastling(c, s, false);
    p.SetEnPassantFile(0);
    auto place = [&](int piece, int colour, int minRank, int maxRank) {
      for (int i = 0; i < 20; ++i) {
        const int f = 1 + rnd(8), r = minRank + rnd(maxRank - minRank + 1);
        if (p.PieceAt(f, r) == pNone) {
          p.SetSquare(f, r, piece, colour);
          return;
        }
      }
    };
    for (int colour = 0; colour <= 1; ++colour) {
      // Kings often at home, so that castling comes up.
      if (rnd(2) == 0)
        p.SetSquare(5, colour == cWhite ? 1 : 8, pKing, colour);
      else
        place(pKing, colour, 1, 8);
      if (rnd(2) == 0) {
        for (int f : {1, 8})
          if (p.PieceAt(f, colour == cWhite ? 1 : 8) == pNone)
            p.SetSquare(f, colour == cWhite ? 1 : 8, pRook, colour);
      }
      const int pawns = rnd(9), pieces = rnd(6);
      // Pawns anywhere, their own first and last rank included.
      for (int i = 0; i < pawns; ++i) place(pPawn, colour, rnd(8) == 0 ? 1 : 2, rnd(8) == 0 ? 8 : 7);
      for (int i = 0; i < pieces; ++i) place(pKnight + rnd(4), colour, 1, 8);
    }
    const int side = rnd(2);
    p.SetSideToMove(side);
    p.SetMoveNumber(1 + rnd(255));
    for (int c = 0; c <= 1; ++c)
      for (int s = 0; s <= 1; ++s)
        if (p.CastlingPiecesInPlace(c, s) && rnd(4) != 0) p.SetCastling(c, s, true);
    // An en-passant file where the enemy pawn could just have made its double step.
    {
      const int rank = side == cWhite ? 5 : 4, passed = side == cWhite ? 6 : 3,
                origin = side == cWhite ? 7 : 2;
      std::vector<int> files;
      for (int f = 1; f <= 8; ++f)
        if (p.IsPieceAt(f, rank, pPawn, OppositeSide(side)) && p.PieceAt(f, passed) == pNone &&
            p.PieceAt(f, origin) == pNone)
          files.push_back(f);
      if (!files.empty() && rnd(2) == 0) p.SetEnPassantFile(files[rnd(static_cast<int>(files.size()))]);
    }
    if (!p.IsValid()) continue;
    ++accepted;
    if (UsableEpFile(p)) ++epPositions;
    if (p.Castling(side, 0) || p.Castling(side, 1)) ++castlingPositions;
    Compare(p, gen, p.GetFEN());
    if (HasFailure()) return;
  }
  EXPECT_EQ(accepted, wanted);
  EXPECT_GT(epPositions, wanted / 100);
  EXPECT_GT(castlingPositions, wanted / 20);
}

TEST(MailboxCore, ConversionsAndFen) {
  MailboxPos m;
  ASSERT_TRUE(m.SetFromFEN("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
  MailboxPos start;
  start.SetStartPosition();
  EXPECT_TRUE(mbtest::SameState(m, start));

  // The pawn that made the double step gets code 15, not its neighbour.
  ASSERT_TRUE(m.SetFromFEN("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 7"));
  EXPECT_EQ(m.At(4, 5), mbBlack | mbSpecial);
  EXPECT_EQ(m.At(5, 5), mbPawn);
  EXPECT_EQ(m.cells[MailboxPos::kEpCell], SquareNumber(4, 5) + 1);
  EXPECT_EQ(m.MoveNumber(), 7);
  // Nobody can take: no recoding.
  ASSERT_TRUE(m.SetFromFEN("4k3/8/8/3p4/8/8/8/4K3 w - d6 0 1"));
  EXPECT_EQ(m.At(4, 5), mbBlack | mbPawn);
  EXPECT_EQ(m.cells[MailboxPos::kEpCell], 0);
  // Castling rights without their pieces are not carried.
  ASSERT_TRUE(m.SetFromFEN("r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1"));
  EXPECT_EQ(m.At(8, 1), mbSpecial);
  EXPECT_EQ(m.At(1, 8), mbBlack | mbSpecial);

  // A failed read leaves the position as it was.
  const MailboxPos before = m;
  EXPECT_FALSE(m.SetFromFEN("not a position"));
  EXPECT_FALSE(m.SetFromFEN("4k3/8/8/8/8/8/8/4K3 x - - 0 1"));
  EXPECT_TRUE(mbtest::SameState(m, before));

  // Moves: promotion bits against the core's pieces, only for pawns.
  MoveRec r;
  r.SetMove(2, 7, 3, 8, pKnight);
  const Move2 mv = MailboxPos::MoveFromMoveRec(r);
  EXPECT_EQ(mv.from, SquareNumber(2, 7));
  EXPECT_EQ(mv.to, SquareNumber(3, 8) | 192);
  MailboxPos promo = mbtest::Fen("r1r1k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
  MoveRec out;
  for (int bits = 0; bits < 4; ++bits) {
    promo.MoveToMoveRec(Move2::Make(SquareNumber(2, 7), SquareNumber(3, 8), bits), out);
    const int pieces[4] = {pQueen, pRook, pBishop, pKnight};
    EXPECT_EQ(out.promotion, pieces[bits]);
    EXPECT_EQ(MailboxPos::MoveFromMoveRec(out), Move2::Make(SquareNumber(2, 7), SquareNumber(3, 8), bits));
  }
  MailboxPos rook = mbtest::Fen("4k3/R7/8/8/8/8/8/4K3 w - - 0 1");
  rook.MoveToMoveRec(Move2::Make(SquareNumber(1, 7), SquareNumber(1, 8), 3), out);
  EXPECT_EQ(out.promotion, 0);
  EXPECT_EQ(out.toRank, 8);
  MoveRec blank;
  EXPECT_THROW(MailboxPos::MoveFromMoveRec(blank), ERangeError);
}

// Counting and listing must agree on any bytes a damaged block could
// leave: every man code of both colours on every square, junk in the
// border, either side to move.
TEST(MailboxCore, IndexesAgreeWithTheListOnAnyBoard) {
  const mbtest::RunArgs args = Args();
  MoveGen gen;
  mbtest::OnAnyBoards(args.seed + 2, args.count * 50, [&](MailboxPos &p, int i, std::mt19937 &) {
    CheckIndexes(p, gen, "board " + std::to_string(i));
    return !HasFailure();
  });
}
