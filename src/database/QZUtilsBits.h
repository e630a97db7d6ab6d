#pragma once
// Board sets of the mailbox (bit n is square number n) and what the position
// code reads off them: the men by code and colour, attacks, and the board a
// move leaves, without playing it on the cells.
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "database/QZUtils.h"
#include "database/QZUtilsCells.h"

namespace qzbits {

// Knight jumps as file and rank changes, in the order of the core's
// direction table (north, then clockwise; the rays of BitTables keep it).
inline constexpr int kKnightJumps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};

// Bit n of a board set is square number n: +1 is a step north, +8 east.
struct BitTables {
  uint64_t knight[64] = {};
  uint64_t king[64] = {};
  // Rays without their own square: N, NE, E, SE (rising numbers), then
  // S, SW, W, NW (falling numbers).
  uint64_t ray[8][64] = {};
  // The squares a pawn of the colour (0 White, 1 Black) attacks sq from.
  uint64_t pawnFrom[2][64] = {};
  constexpr BitTables() {
    constexpr int kDf[8] = {0, 1, 1, 1, 0, -1, -1, -1}, kDr[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    auto on = [](int f, int r) { return f >= 0 && f < 8 && r >= 0 && r < 8; };
    for (int sq = 0; sq < 64; ++sq) {
      const int f = sq >> 3, r = sq & 7;
      for (int d = 0; d < 8; ++d) {
        if (on(f + kDf[d], r + kDr[d])) king[sq] |= uint64_t{1} << ((f + kDf[d]) * 8 + r + kDr[d]);
        for (int nf = f + kDf[d], nr = r + kDr[d]; on(nf, nr); nf += kDf[d], nr += kDr[d])
          ray[d][sq] |= uint64_t{1} << (nf * 8 + nr);
        if (on(f + kKnightJumps[d][0], r + kKnightJumps[d][1]))
          knight[sq] |= uint64_t{1} << ((f + kKnightJumps[d][0]) * 8 + r + kKnightJumps[d][1]);
      }
      for (int df : {-1, 1}) {
        if (on(f + df, r - 1)) pawnFrom[0][sq] |= uint64_t{1} << ((f + df) * 8 + r - 1);
        if (on(f + df, r + 1)) pawnFrom[1][sq] |= uint64_t{1} << ((f + df) * 8 + r + 1);
      }
    }
  }
};
inline constexpr BitTables kB;

// The eight cells of a file lie side by side, so a file is read as one
// word (rank 1 in the lowest byte).
#if defined(__SSE2__)
// The cells of files f and f + 1, rank 1 in the lowest byte.
inline __m128i LoadFiles(const uint8_t *b, int f) {
  uint64_t lo, hi;
  std::memcpy(&lo, b + f * 10 + 1, 8);
  std::memcpy(&hi, b + f * 10 + 11, 8);
  return _mm_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo));
}
#endif

// The squares of the own men and of all men.
struct BoardSetsOf {
  uint64_t own = 0;      // the men of the side given
  uint64_t occ = 0;      // all men
  uint64_t special = 0;  // the men of code 7, either colour
};

// The counting functions are built twice where the compiler can choose at
// load time: with the population-count instruction and without it.
// (Not under the thread checker, which cannot start with such functions.)
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__)
#define TV_COUNTING __attribute__((target_clones("popcnt", "default")))
// Their helpers are forced inline: an out-of-line helper would be built
// once, for the default target, and the popcnt clone would gain nothing.
#define TV_INLINE __attribute__((always_inline))
#else
#define TV_COUNTING
#define TV_INLINE
#endif

TV_INLINE inline int PopCount(uint64_t x) { return std::popcount(x); }

// Whole lines through a square, for the reach of a slider both ways at
// once. A file is one byte; each other line holds one square per byte, so
// reversing the bytes reverses the line.
struct LineTables {
  uint64_t line[3][64] = {};  // east-west, south-west to north-east, north-west to south-east
  uint8_t inFile[8][256] = {};  // reach along a file: rank, men of the file
  uint64_t straight[64] = {}, diagonal[64] = {};  // the rook's and the bishop's rays together
  constexpr LineTables() {
    for (int sq = 0; sq < 64; ++sq) {
      straight[sq] = kB.ray[0][sq] | kB.ray[2][sq] | kB.ray[4][sq] | kB.ray[6][sq];
      diagonal[sq] = kB.ray[1][sq] | kB.ray[3][sq] | kB.ray[5][sq] | kB.ray[7][sq];
      line[0][sq] = kB.ray[2][sq] | kB.ray[6][sq];
      line[1][sq] = kB.ray[1][sq] | kB.ray[5][sq];
      line[2][sq] = kB.ray[3][sq] | kB.ray[7][sq];
    }
    for (int r = 0; r < 8; ++r)
      for (int men = 0; men < 256; ++men) {
        int reach = 0;
        for (int up = r + 1; up < 8; ++up) {
          reach |= 1 << up;
          if ((men >> up) & 1) break;
        }
        for (int down = r - 1; down >= 0; --down) {
          reach |= 1 << down;
          if ((men >> down) & 1) break;
        }
        inFile[r][men] = static_cast<uint8_t>(reach);
      }
  }
};
inline constexpr LineTables kL;

// Both ways along a line of one square per byte, the square not in it:
// the men above sq less twice sq borrows up to the first of them, and the
// same on the reversed bytes finds the first below.
TV_INLINE inline uint64_t LineReach(uint64_t line, int sq, uint64_t occ) {
  const uint64_t men = occ & line, bit = uint64_t{1} << sq;
  const uint64_t up = men - 2 * bit;
  const uint64_t down = __builtin_bswap64(__builtin_bswap64(men) - 2 * __builtin_bswap64(bit));
  return (up ^ down) & line;
}

TV_INLINE inline uint64_t FileReach(int sq, uint64_t occ) {
  const int shift = sq & ~7;
  return uint64_t{kL.inFile[sq & 7][(occ >> shift) & 0xFF]} << shift;
}

// The slider reach of square sq as a rook and as a bishop.
TV_INLINE inline uint64_t RookReach(int sq, uint64_t occ) {
  return FileReach(sq, occ) | LineReach(kL.line[0][sq], sq, occ);
}
TV_INLINE inline uint64_t BishopReach(int sq, uint64_t occ) {
  return LineReach(kL.line[1][sq], sq, occ) | LineReach(kL.line[2][sq], sq, occ);
}
TV_INLINE inline uint64_t QueenReach(int sq, uint64_t occ) { return RookReach(sq, occ) | BishopReach(sq, occ); }

inline constexpr uint64_t kRank1 = 0x0101010101010101ULL, kRank8 = kRank1 << 7;
inline constexpr uint64_t kBackRanks = BoardBits::kBackRanks;
static_assert(kBackRanks == (kRank1 | kRank8));

inline BoardBits ReadBits(const uint8_t *b) {
  uint64_t plane[4] = {}, occ = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (int f = 1; f <= 8; f += 2) {
    const __m128i x = LoadFiles(b, f);
    const int shift = (f - 1) * 8;
    occ |= static_cast<uint64_t>(~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, zero))) & 0xFFFFu)
           << shift;
    // Bit k of each byte moved to bit 7 of the same byte.
    plane[0] |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi64(x, 7)))) << shift;
    plane[1] |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi64(x, 6)))) << shift;
    plane[2] |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi64(x, 5)))) << shift;
    plane[3] |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi64(x, 4)))) << shift;
  }
#else
  for (int sq = 0; sq < 64; ++sq) {
    const uint8_t v = b[qzcells::kT.cellOf[sq]];
    if (v != 0) occ |= uint64_t{1} << sq;
    for (int k = 0; k < 4; ++k)
      if ((v >> k) & 1) plane[k] |= uint64_t{1} << sq;
  }
#endif
  BoardBits s;
  s.occ = occ;
  s.black = plane[3] & occ;
  for (int c = 0; c < 8; ++c)
    s.code[c] = occ & ((c & 1) ? plane[0] : ~plane[0]) & ((c & 2) ? plane[1] : ~plane[1]) &
                ((c & 4) ? plane[2] : ~plane[2]);
  return s;
}

// Whether a man of the attackers (men of one colour, black or white as
// attackerBlack says) attacks square sq, with occ the men that block.
TV_INLINE inline bool Attacked(const BoardBits &s, int sq, bool attackerBlack, uint64_t att, uint64_t occ) {
  if ((kB.knight[sq] & s.code[mbKnight] & att) != 0 || (kB.king[sq] & s.code[mbKing] & att) != 0 ||
      (kB.pawnFrom[attackerBlack ? 1 : 0][sq] & s.Pawns() & att) != 0)
    return true;
  const uint64_t queens = s.code[mbQueen] & att;
  const uint64_t straight = (s.Rooks() & att) | queens, diagonal = (s.code[mbBishop] & att) | queens;
  // Only the lines that hold such a man at all are followed.
  return ((kL.straight[sq] & straight) != 0 && (RookReach(sq, occ) & straight) != 0) ||
         ((kL.diagonal[sq] & diagonal) != 0 && (BishopReach(sq, occ) & diagonal) != 0);
}

TV_INLINE inline bool Attacked(const BoardBits &s, int sq, bool attackerBlack) {
  return Attacked(s, sq, attackerBlack, s.Colour(attackerBlack), s.occ);
}

// Whether a man of the code (a code-7 man as what it stands for on square
// from) on square from attacks square sq.
TV_INLINE inline bool ManAttacks(int code, int from, int sq, bool black, uint64_t occ) {
  switch (code) {
    case mbKing:
      return ((kB.king[from] >> sq) & 1) != 0;
    case mbQueen:
      return ((QueenReach(from, occ) >> sq) & 1) != 0;
    case mbRook:
      return ((RookReach(from, occ) >> sq) & 1) != 0;
    case mbBishop:
      return ((BishopReach(from, occ) >> sq) & 1) != 0;
    case mbKnight:
      return ((kB.knight[from] >> sq) & 1) != 0;
    case mbPawn:
      return ((kB.pawnFrom[black ? 1 : 0][sq] >> from) & 1) != 0;
    default:
      return false;
  }
}

// The first king of the colour in square order, -1 when there is none.
inline int FirstKing(const BoardBits &s, bool blackSide) {
  const uint64_t kings = s.code[mbKing] & s.Colour(blackSide);
  return kings != 0 ? std::countr_zero(kings) : -1;
}

// Whether the first king of the colour stands attacked (false without one).
inline bool KingAttacked(const BoardBits &s, bool blackSide) {
  const int king = FirstKing(s, blackSide);
  return king >= 0 && Attacked(s, king, !blackSide);
}

// Whether the board after the move differs from the one before only on its
// from- and to-cells as far as attacks go: a move of a man of the side to
// move that is not castling, with no en-passant cell in play (a king move
// turns its castling rooks into rooks, which attack alike).
inline bool PlainMove(const uint8_t *b, int from, int to) {
  using namespace qzcells;
  const uint8_t own = b[MailboxPos::kSide] ? kColour : 0;
  const uint8_t moved = b[from];
  if (b[MailboxPos::kEpCell] != 0 || moved == 0 || (moved & kColour) != own) return false;
  const int back = own ? 8 : 1;
  return !(moved == (own | mbKing) && from == Cell(5, back) && RankOf(to) == back &&
           (FileOf(to) == 3 || FileOf(to) == 7));
}

// The code the man of a plain move has on its to-cell: a code-7 man moves
// as a rook, a pawn reaching its last rank becomes the promotion piece.
inline int CodeAfter(uint8_t moved, Move2 m) {
  const int code = moved & 7;
  if (code == mbSpecial) return mbRook;
  const int toRank = SquareRank(m.ToSquare());
  if (code == mbPawn && toRank == ((moved & mbBlack) ? 1 : 8)) return mbQueen + m.Promotion();
  return code;
}

// The board sets after MailboxPos::DoMove would play the move on cells b
// (position byte included), step for step the same cells.
inline void AfterMove(const uint8_t *b, Move2 m, BoardBits &s) {
  using namespace qzcells;
  const int fromSq = m.FromSquare(), toSq = m.ToSquare();
  const int from = kT.cellOf[fromSq], to = kT.cellOf[toSq];
  const uint8_t own = b[MailboxPos::kSide] ? kColour : 0, opp = own ^ kColour;
  const uint8_t moved = b[from];
  s.Put(fromSq, 0);
  s.Put(toSq, (moved & 7) == mbSpecial ? static_cast<uint8_t>((moved & kColour) | mbRook) : moved);
  bool epTaken = false;
  const int back = own ? 8 : 1;
  if (moved == (own | mbKing) && from == Cell(5, back)) {
    // Neither corner is the from- or to-cell of a king move.
    for (int file : {1, 8})
      if (b[Cell(file, back)] == (own | mbSpecial)) s.Put(SquareNumber(file, back), own | mbRook);
    if (RankOf(to) == back && (FileOf(to) == 3 || FileOf(to) == 7)) {
      const bool queenSide = FileOf(to) == 3;
      s.Put(SquareNumber(queenSide ? 1 : 8, back), 0);
      s.Put(SquareNumber(queenSide ? 4 : 6, back), own | mbRook);
    }
  } else if (moved == (own | mbPawn)) {
    const int fromRank = RankOf(from), toRank = RankOf(to);
    if (toRank == (own ? 1 : 8)) s.Put(toSq, static_cast<uint8_t>(own | (mbQueen + m.Promotion())));
    const bool doubleStep =
        fromRank == (own ? 7 : 2) && toRank == (own ? 5 : 4) && FileOf(from) == FileOf(to);
    const uint8_t enemyPawn = opp | mbPawn;
    // The cells beside the to-cell are neither the from- nor the to-cell.
    if (doubleStep && ((kT.onBoard[to - 10] && b[to - 10] == enemyPawn) ||
                       (kT.onBoard[to + 10] && b[to + 10] == enemyPawn))) {
      s.Put(toSq, own | mbSpecial);
    } else if (b[MailboxPos::kEpCell] != 0) {
      // The victim's cell is the emptied from-cell or untouched.
      const int victim = Cell(FileOf(to), fromRank);
      if (victim != from && b[victim] == (opp | mbSpecial)) {
        s.Put(kT.squareOf[victim], 0);
        epTaken = true;
      }
    }
  }
  if (!epTaken) {
    if (const int ep = EpCellOf(b[MailboxPos::kEpCell]); ep != 0) {
      const int sq = kT.squareOf[ep];
      if ((s.code[mbSpecial] >> sq) & 1)
        s.Put(sq, static_cast<uint8_t>(((s.black >> sq) & 1 ? kColour : 0) | mbPawn));
    }
  }
}

}  // namespace qzbits
