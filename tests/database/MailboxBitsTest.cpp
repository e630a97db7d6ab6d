// Legality, attacks, check and the SAN information are read off board sets
// without playing the move. Here they are held against the plain way on the
// cells: play the move, find the king square by square, walk the lines from
// it; on random games and on boards of any bytes a damaged block could hold.
//
// Longer runs: database_tests --gtest_filter='MailboxBits*' --bits-seed=N --bits-count=N
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "MailboxTestUtil.h"
#include "database/QZUtils.h"
#include "database/QZUtilsBits.h"

namespace {

mbtest::RunArgs Args() { return mbtest::ArgsFrom(testing::internal::GetArgvs(), "bits", 4711, 40); }

uint8_t At(const MailboxPos &p, int f, int r) {
  return f >= 1 && f <= 8 && r >= 1 && r <= 8 ? p.cells[MailboxPos::Cell(f, r)] : 0;
}

// Square by square: the first man on each line, a knight, king or pawn
// next to it. A code-7 man is a rook on rank 1 or 8, a pawn elsewhere.
bool RefAttacked(const MailboxPos &p, int f, int r, int attacker) {
  const uint8_t colour = attacker ? mbBlack : 0;
  auto is = [&](int ff, int rr, int code) {
    const uint8_t v = At(p, ff, rr);
    if (v == 0 || (v & mbBlack) != colour) return false;
    int c = v & 7;
    if (c == mbSpecial) c = rr == 1 || rr == 8 ? mbRook : mbPawn;
    return c == code;
  };
  static const int kJumps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
  for (const auto &j : kJumps)
    if (is(f + j[0], r + j[1], mbKnight)) return true;
  for (int df = -1; df <= 1; ++df)
    for (int dr = -1; dr <= 1; ++dr) {
      if (df == 0 && dr == 0) continue;
      if (is(f + df, r + dr, mbKing)) return true;
      const bool diagonal = df != 0 && dr != 0;
      if (diagonal && dr == (attacker ? 1 : -1) && is(f + df, r + dr, mbPawn)) return true;
      for (int ff = f + df, rr = r + dr; ff >= 1 && ff <= 8 && rr >= 1 && rr <= 8; ff += df, rr += dr) {
        if (At(p, ff, rr) == 0) continue;
        if (is(ff, rr, mbQueen) || is(ff, rr, diagonal ? mbBishop : mbRook)) return true;
        break;
      }
    }
  return false;
}

bool RefInCheck(const MailboxPos &p, int colour) {
  const uint8_t king = colour ? (mbBlack | mbKing) : mbKing;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r)
      if (At(p, f, r) == king) return RefAttacked(p, f, r, colour ^ 1);
  return false;
}

bool SameBits(const BoardBits &a, const BoardBits &b) {
  for (int c = 0; c < 8; ++c)
    if (a.code[c] != b.code[c]) return false;
  return a.black == b.black && a.occ == b.occ;
}

bool RefLegal(const MailboxPos &p, Move2 m) {
  const int side = p.SideToMove();
  const int ff = SquareFile(m.FromSquare()), tf = SquareFile(m.ToSquare()), tr = SquareRank(m.ToSquare());
  const int back = side ? 8 : 1;
  if (At(p, ff, SquareRank(m.FromSquare())) == ((side ? mbBlack : 0) | mbKing) && ff == 5 &&
      SquareRank(m.FromSquare()) == back && tr == back && (tf == 3 || tf == 7) &&
      (RefAttacked(p, 5, back, side ^ 1) || RefAttacked(p, tf == 3 ? 4 : 6, back, side ^ 1)))
    return false;
  MailboxPos after = p;
  MoveUndo u;
  after.MakeMove(m, u);
  return !RefInCheck(after, side);
}

std::vector<Move2> Generated(MailboxPos &p, MoveGen &gen) {
  const int n = gen.Generate(p, GenRequest{});
  std::vector<Move2> list;
  for (int i = 1; i <= n; ++i) list.push_back(gen.Entry(i));
  return list;
}

// Every square's attacks, both checks, and for every generated move its
// legality and the SAN information's check, mate and disambiguation.
void Compare(MailboxPos p, MoveGen &gen, const std::string &where, bool disambiguation) {
  p.cells[MailboxPos::kMoveNumber] = 1;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r)
      for (int c = 0; c <= 1; ++c)
        ASSERT_EQ(p.SquareAttacked(f, r, c), RefAttacked(p, f, r, c)) << where << " square " << f << r;
  for (int c = 0; c <= 1; ++c) ASSERT_EQ(p.InCheck(c), RefInCheck(p, c)) << where;
  const MailboxPos before = p;
  const std::vector<Move2> list = Generated(p, gen);
  for (Move2 m : list) {
    const std::string at = where + " " + mbtest::MoveText(m, true);
    // The sets a move leaves are those of the board it leaves.
    {
      MailboxPos played = p;
      MoveUndo u;
      BoardBits follow = qzbits::ReadBits(p.cells.data());
      qzbits::AfterMove(p.cells.data(), m, follow);
      played.MakeMove(m, u);
      ASSERT_TRUE(SameBits(follow, qzbits::ReadBits(played.cells.data()))) << at;
      ASSERT_TRUE(SameBits(gen.Bits(played), qzbits::ReadBits(played.cells.data()))) << at;
    }
    const bool legal = RefLegal(p, m);
    ASSERT_EQ(p.IsLegalMove(m), legal) << at;
    ASSERT_EQ(p.cells, before.cells) << at;
    if (!legal) continue;
    MailboxPos after = p;
    MoveUndo u;
    after.MakeMove(m, u);
    const bool check = RefInCheck(after, after.SideToMove());
    bool any = false;
    for (Move2 reply : Generated(after, gen)) any = any || RefLegal(after, reply);
    const uint8_t state = check ? (any ? gsCheck : gsCheckmate) : (any ? gsNormal : gsStalemate);
    for (bool stalemate : {true, false}) {
      // A search for a reply plays the move, which on a damaged board need
      // not give back every cell: each search starts from the board itself.
      MailboxPos q = before;
      SanMoveRec rec;
      q.SanInfo(gen, m, rec, stalemate);
      ASSERT_EQ(rec.gameState, stalemate || check ? state : gsNormal) << at;
      if (!disambiguation) continue;
      // The legal moves of men of the same kind onto the square.
      auto kind = [&](Move2 x) {
        int c = At(p, SquareFile(x.FromSquare()), SquareRank(x.FromSquare())) & 7;
        return c == mbSpecial ? mbRook : c;
      };
      int n = 0, sameFile = 0, sameRank = 0;
      for (Move2 x : list)
        if (x.ToSquare() == m.ToSquare() && x.Promotion() == 0 && kind(x) == kind(m) && RefLegal(p, x)) {
          ++n;
          sameFile += SquareFile(x.FromSquare()) == SquareFile(m.FromSquare());
          sameRank += SquareRank(x.FromSquare()) == SquareRank(m.FromSquare());
        }
      if (kind(m) == mbPawn || kind(m) == mbKing) continue;
      const int dis = n < 2                                   ? 0
                      : sameFile == 1 && sameRank == 1        ? 1
                      : sameFile >= 2 && sameRank >= 2        ? 4
                      : sameFile < 2                          ? 2
                                                              : 3;
      ASSERT_EQ(rec.disambiguation, dis) << at;
    }
  }
}

}  // namespace

TEST(MailboxBits, RandomGamesAgreeWithPlayedMoves) {
  const mbtest::RunArgs args = Args();
  std::mt19937 rng(args.seed);
  MoveGen gen;
  for (const char *fen : mbtest::kWalkStarts)
    for (int game = 0; game < args.count; ++game) {
      MailboxPos p = mbtest::Fen(fen);
      for (int ply = 0; ply < 100; ++ply) {
        Compare(p, gen, std::string(fen) + " ply " + std::to_string(ply), true);
        if (HasFailure()) return;
        const std::vector<Move2> legal = mbtest::LegalMoves(p, gen);
        if (legal.empty()) break;
        MoveUndo u;
        p.cells[MailboxPos::kMoveNumber] = 1;
        p.MakeMove(legal[rng() % legal.size()], u);
      }
    }
}

// Any man code of both colours on any square, several kings or none, an
// en-passant cell naming any square.
TEST(MailboxBits, AnyBoardAgreesWithPlayedMoves) {
  const mbtest::RunArgs args = Args();
  MoveGen gen;
  mbtest::OnAnyBoards(args.seed + 1, args.count * 10, [&](MailboxPos &p, int i, std::mt19937 &rng) {
    // Kings at home with their castling rooks now and then.
    if (rng() % 2) {
      p.cells[MailboxPos::Cell(5, 1)] = mbKing;
      p.cells[MailboxPos::Cell(8, 1)] = mbSpecial;
      p.cells[MailboxPos::Cell(6, 1)] = p.cells[MailboxPos::Cell(7, 1)] = 0;
    }
    // The en-passant cell names nothing, any square, or a code-7 man
    // (which a move turns into a pawn, a rook on a back rank too).
    std::vector<uint8_t> special;
    for (int sq = 0; sq < 64; ++sq)
      if ((p.cells[MailboxPos::Cell(SquareFile(sq), SquareRank(sq))] & 7) == mbSpecial)
        special.push_back(static_cast<uint8_t>(sq + 1));
    const int ep = static_cast<int>(rng() % 3);
    p.cells[MailboxPos::kEpCell] = ep == 0 || special.empty() ? 0
                                   : ep == 1                  ? static_cast<uint8_t>(rng() % 65)
                                                              : special[rng() % special.size()];
    Compare(p, gen, "board " + std::to_string(i), false);
    return !HasFailure();
  });
}

// The whole-line reach of the sliders against a walk step by step, on
// boards from empty to full.
TEST(MailboxBits, SliderReachAgreesWithStepping) {
  const mbtest::RunArgs args = Args();
  std::mt19937_64 rng(args.seed + 2);
  auto walk = [](int sq, uint64_t occ, bool diagonal) {
    uint64_t to = 0;
    for (int df = -1; df <= 1; ++df)
      for (int dr = -1; dr <= 1; ++dr) {
        if ((df == 0 && dr == 0) || (df != 0 && dr != 0) != diagonal) continue;
        for (int f = sq / 8 + df, r = sq % 8 + dr; f >= 0 && f < 8 && r >= 0 && r < 8; f += df, r += dr) {
          to |= uint64_t{1} << (f * 8 + r);
          if ((occ >> (f * 8 + r)) & 1) break;
        }
      }
    return to;
  };
  for (int i = 0; i < args.count * 25; ++i) {
    // One to four random words and-ed or or-ed: sparse to dense boards.
    uint64_t occ = rng();
    for (int k = i % 4; k > 0; --k) occ = i % 8 < 4 ? occ & rng() : occ | rng();
    for (int sq = 0; sq < 64; ++sq) {
      // The slider's own square may be either.
      const uint64_t o = (i & 1) ? occ | uint64_t{1} << sq : occ & ~(uint64_t{1} << sq);
      ASSERT_EQ(qzbits::RookReach(sq, o), walk(sq, o, false)) << "square " << sq << " men " << o;
      ASSERT_EQ(qzbits::BishopReach(sq, o), walk(sq, o, true)) << "square " << sq << " men " << o;
      ASSERT_EQ(qzbits::QueenReach(sq, o), walk(sq, o, false) | walk(sq, o, true));
    }
  }
}
