#include "database/QZUtils.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "chess/Moves.h"
#include "chess/Posns.h"
#include "database/QZUtilsBits.h"
#include "database/QZUtilsCells.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"

using namespace qzcells;
using namespace qzbits;

namespace {

// Cell steps.
constexpr int kRookRays[4] = {-10, -1, 10, 1};
constexpr int kBishopRays[4] = {-11, 9, 11, -9};
constexpr int kKingSteps[8] = {-11, -10, -9, -1, 1, 9, 10, 11};

// The king's neighbours, lower rank row first.
constexpr int kKingRing[8] = {-11, -1, 9, -10, 10, -9, 1, 11};

}  // namespace

// ---------------------------------------------------------------------------
// Generation

Move2 MoveGen::Entry(int i) const {
  CheckRange(i, 1, count_, "Move list index out of range");
  if (pending_) Materialise();
  return list_[i - 1];
}

int MoveGen::Generate(MailboxPos &pos, const GenRequest &req) { return Generate(pos, req, nullptr); }

int MoveGen::Generate(MailboxPos &pos, const GenRequest &req, const LegalityHint *preset) {
  const bool reverse = req.kind >= genMovers && req.kind <= genMoversFromSquare;
  if (reverse) {
    CheckRange<int>(req.toFile, 1, 8, "File out of range");
    CheckRange<int>(req.toRank, 1, 8, "Rank out of range");
    if (req.kind == genMoversFromFile || req.kind == genMoversFromSquare)
      CheckRange<int>(req.fromFile, 1, 8, "File out of range");
    if (req.kind == genMoversFromRank || req.kind == genMoversFromSquare)
      CheckRange<int>(req.fromRank, 1, 8, "Rank out of range");
  }
  count_ = 0;
  pending_ = false;
  found_ = false;
  anyLegal_ = false;
  req_ = req;
  pos_ = &pos;
  own_ = pos.cells[MailboxPos::kSide] ? kColour : 0;
  // The kinds that test legality test many moves of one position.
  hint_ = LegalityHint();
  // The reverse search works out the hint only when it finds a mover to test.
  hintPending_ = reverse && !preset;
  if ((reverse && preset) || req.kind == genAnyLegal)
    hint_ = preset ? *preset : pos.LegalityOf(Bits(pos));
  if (reverse)
    Reverse();
  else
    Forward();
  return count_;
}

void MoveGen::Push(Move2 m) {
  list_[count_++] = m;
  switch (req_.kind) {
    case genFindIndex:
      if (m == req_.move) found_ = true;
      break;
    case genAnyLegal:
      // Only the last entry of each man is tested, after the man (TestLast).
      break;
    case genGetByIndex:
      if (count_ >= req_.index) found_ = true;
      break;
    default:
      break;
  }
}

namespace {

// The castlings the king on square sq lists (queen side before king side).
TV_INLINE inline void CastlingOf(const uint8_t *b, uint8_t own, int sq, bool &queenSide, bool &kingSide) {
  const int back = own ? 8 : 1;
  queenSide = kingSide = false;
  if (sq != SquareNumber(5, back)) return;
  const uint8_t corner = own | mbSpecial;
  queenSide =
      b[Cell(1, back)] == corner && b[Cell(2, back)] == 0 && b[Cell(3, back)] == 0 && b[Cell(4, back)] == 0;
  kingSide = b[Cell(8, back)] == corner && b[Cell(7, back)] == 0 && b[Cell(6, back)] == 0;
}

// The pseudo-legal moves of the man on cell sq (file f, rank r), in the
// order of generation, each passed to emit(fromCell, toCell, promotion).
// The generator and the index counting share it, so they cannot disagree.
template <class Emit>
inline void GenerateSquare(const uint8_t *b, uint8_t own, int f, int r, Emit &&emit) {
  const int sq = f * 10 + r;
  // Off the board, or an own man: refused by every add rule.
  auto blocked = [&](int c) { return !kT.onBoard[c] || (b[c] != 0 && (b[c] & kColour) == own); };
  auto enemy = [&](int c) { return kT.onBoard[c] && b[c] != 0 && (b[c] & kColour) != own; };
  auto ray = [&](int step) {
    for (int c = sq + step; !blocked(c); c += step) {
      emit(sq, c, 0);
      if (b[c] != 0) break;
    }
  };
  switch (b[sq] & 7) {
    case mbKing: {
      for (int s : kKingSteps)
        if (!blocked(sq + s)) emit(sq, sq + s, 0);
      const int back = own ? 8 : 1;
      bool queenSide, kingSide;
      CastlingOf(b, own, kT.squareOf[sq], queenSide, kingSide);
      if (queenSide) emit(sq, Cell(3, back), 0);
      if (kingSide) emit(sq, Cell(7, back), 0);
      break;
    }
    case mbQueen:
      for (int s : kRookRays) ray(s);
      for (int s : kBishopRays) ray(s);
      break;
    case mbRook:
    case mbSpecial:
      for (int s : kRookRays) ray(s);
      break;
    case mbBishop:
      for (int s : kBishopRays) ray(s);
      break;
    case mbKnight:
      if (f > 1) {
        if (!blocked(sq - 21)) emit(sq, sq - 21, 0);
        if (!blocked(sq - 19)) emit(sq, sq - 19, 0);
      }
      if (r > 1 && !blocked(sq - 12)) emit(sq, sq - 12, 0);
      if (r < 8 && !blocked(sq - 8)) emit(sq, sq - 8, 0);
      if (r > 1 && !blocked(sq + 8)) emit(sq, sq + 8, 0);
      if (r < 8 && !blocked(sq + 12)) emit(sq, sq + 12, 0);
      if (f < 8) {
        if (!blocked(sq + 19)) emit(sq, sq + 19, 0);
        if (!blocked(sq + 21)) emit(sq, sq + 21, 0);
      }
      break;
    case mbPawn: {
      const int dir = own ? -1 : 1;
      const bool promote = r == (own ? 2 : 7);
      // A promotion gives queen, rook, bishop, knight, one after another.
      auto pawn = [&](int to) {
        if (!promote) {
          emit(sq, to, 0);
          return;
        }
        for (int p = 0; p < 4; ++p) emit(sq, to, p);
      };
      const int ahead = sq + dir;
      if (kT.onBoard[ahead] && b[ahead] == 0) {
        pawn(ahead);
        if (r == (own ? 7 : 2) && b[ahead + dir] == 0) pawn(ahead + dir);
      }
      // A code-7 man beside the pawn is a pawn that may be taken en
      // passant. On the pawn's first and last rank that man is a
      // castling rook, which gives no capture onto an empty square.
      for (int side : {-10, 10}) {
        const int beside = sq + side;
        const int diag = beside + dir;
        if (kT.onBoard[beside] && (b[beside] & 7) == mbSpecial && r > 1 && r < 8) {
          if (!blocked(diag)) pawn(diag);
        } else if (enemy(diag)) {
          pawn(diag);
        }
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace

void MoveGen::Forward() {
  const uint8_t *b = pos_->cells.data();
  const uint8_t own = own_;
  auto emit = [this](int from, int to, int promotion) { Push(CellMove(from, to, promotion)); };
  for (int f = 1; f <= 8; ++f) {
    for (int r = 1; r <= 8; ++r) {
      const uint8_t man = b[f * 10 + r];
      if (man == 0 || (man & kColour) != own) continue;
      const int before = count_;
      GenerateSquare(b, own, f, r, emit);
      if (req_.kind == genAnyLegal) TestLast(before);
      if (found_) return;
    }
  }
}

void MoveGen::TestLast(int countBefore) {
  if (count_ == countBefore) return;
  found_ = pos_->IsLegalWith(list_[count_ - 1], hint_, *this);
  anyLegal_ = anyLegal_ || found_;
}

void MoveGen::AddReverse(int fromCell, int toCell) { list_[count_++] = CellMove(fromCell, toCell); }

void MoveGen::Reverse() {
  const uint8_t *b = pos_->cells.data();
  const uint8_t own = own_;
  const int target = MailboxPos::Cell(req_.toFile, req_.toRank);
  if (b[target] != 0 && (b[target] & kColour) == own) return;
  const uint8_t code = req_.piece & 7;
  auto isMover = [&](uint8_t man) {
    if (code == mbRook || code == mbSpecial) return man == (own | mbRook) || man == (own | mbSpecial);
    return man == (own | code);
  };
  // The first man along each ray from the target, in the order N, NE, E,
  // SE, S, SW, W, NW (every step-th of them from the first).
  const BoardBits &bits = Bits(*pos_);
  const uint64_t occ = bits.occ;
  // Rays and jumps that hold no man of the kind are passed over.
  const uint64_t kind = (code == mbRook || code == mbSpecial ? bits.code[mbRook] | bits.code[mbSpecial]
                                                              : bits.code[code]) &
                        bits.Colour(own != 0);
  const int targetSq = kT.squareOf[target];
  auto rays = [&](int first, int step) {
    for (int d = first; d < 8; d += step) {
      if ((kB.ray[d][targetSq] & kind) == 0) continue;
      const uint64_t blockers = kB.ray[d][targetSq] & occ;
      if (blockers == 0) continue;
      const int c = kT.cellOf[d < 4 ? std::countr_zero(blockers) : 63 - std::countl_zero(blockers)];
      if (isMover(b[c])) AddReverse(c, target);
    }
  };
  switch (code) {
    case mbKing:
      for (int s : kKingRing)
        if (kT.onBoard[target + s] && isMover(b[target + s])) AddReverse(target + s, target);
      break;
    case mbQueen:
      rays(0, 1);
      break;
    case mbRook:
    case mbSpecial:
      rays(0, 2);
      break;
    case mbBishop:
      rays(1, 2);
      break;
    case mbKnight:
      if ((kB.knight[targetSq] & kind) == 0) break;
      for (const auto &j : kKnightJumps) {
        const int nf = req_.toFile + j[0], nr = req_.toRank + j[1];
        if (nf < 1 || nf > 8 || nr < 1 || nr > 8) continue;
        const int c = MailboxPos::Cell(nf, nr);
        if (isMover(b[c])) AddReverse(c, target);
      }
      break;
    default:  // pawns: the SAN reader finds their moves itself
      break;
  }

  // Keep the legal moves that pass the from-square filter, in order. Every
  // entry is a mover onto the target already.
  const int found = count_;
  int kept = 0;
  for (int i = 0; i < found; ++i) {
    const Move2 m = list_[i];
    const int from = kT.cellOf[m.FromSquare()];
    if ((req_.kind == genMoversFromFile || req_.kind == genMoversFromSquare) && FileOf(from) != req_.fromFile)
      continue;
    if ((req_.kind == genMoversFromRank || req_.kind == genMoversFromSquare) && RankOf(from) != req_.fromRank)
      continue;
    if (hintPending_) {
      hint_ = pos_->LegalityOf(Bits(*pos_));
      hintPending_ = false;
    }
    if (!pos_->IsLegalWith(m, hint_, *this)) continue;
    list_[kept++] = m;
  }
  count_ = kept;
}

// ---------------------------------------------------------------------------
// Position

uint8_t MailboxPos::At(int file, int rank) const {
  CheckRange(file, 1, 8, "File out of range");
  CheckRange(rank, 1, 8, "Rank out of range");
  return cells[Cell(file, rank)];
}

void MailboxPos::Set(int file, int rank, uint8_t man) {
  CheckRange(file, 1, 8, "File out of range");
  CheckRange(rank, 1, 8, "Rank out of range");
  CheckRange<int>(man, 0, 15, "Man out of range");
  cells[Cell(file, rank)] = man;
}

void MailboxPos::Clear() {
  cells.fill(0);
  cells[kMoveNumber] = 1;
}

void MailboxPos::SetStartPosition() {
  static constexpr uint8_t kBack[8] = {mbSpecial, mbKnight, mbBishop, mbQueen,
                                       mbKing,    mbBishop, mbKnight, mbSpecial};
  for (int f = 1; f <= 8; ++f) {
    cells[Cell(f, 1)] = kBack[f - 1];
    cells[Cell(f, 2)] = mbPawn;
    for (int r = 3; r <= 6; ++r) cells[Cell(f, r)] = 0;
    cells[Cell(f, 7)] = mbBlack | mbPawn;
    cells[Cell(f, 8)] = mbBlack | kBack[f - 1];
  }
  cells[kSide] = 0;
  cells[kEpCell] = 0;
  cells[kMoveNumber] = 1;
}

void MailboxPos::DoMove(Move2 m, MoveUndo &undo) {
  uint8_t *b = cells.data();
  const int from = ToCell(m, false), to = ToCell(m, true);
  const uint8_t own = b[kSide] ? kColour : 0, opp = own ^ kColour;
  const uint8_t moved = b[from];
  undo = MoveUndo{moved, b[to], b[kEpCell], 0};
  uint8_t newEp = 0;

  // 1. The man moves; a castling rook that moves loses its right.
  b[from] = 0;
  b[to] = (moved & 7) == mbSpecial ? static_cast<uint8_t>((moved & kColour) | mbRook) : moved;

  const int back = own ? 8 : 1;
  if (moved == (own | mbKing) && from == Cell(5, back)) {
    // 2. The king leaves its square: both rooks lose their rights.
    const int a = Cell(1, back), h = Cell(8, back);
    if (b[a] == (own | mbSpecial)) {
      b[a] = own | mbRook;
      undo.lostCastling |= 2;
    }
    if (b[h] == (own | mbSpecial)) {
      b[h] = own | mbRook;
      undo.lostCastling |= 1;
    }
    if (RankOf(to) == back && FileOf(to) == 3) {
      b[a] = 0;
      b[Cell(4, back)] = own | mbRook;
    } else if (RankOf(to) == back && FileOf(to) == 7) {
      b[h] = 0;
      b[Cell(6, back)] = own | mbRook;
    }
  } else if (moved == (own | mbPawn)) {
    // 3. Promotion, double step next to an enemy pawn, en-passant capture.
    const int fromRank = RankOf(from), toRank = RankOf(to);
    if (toRank == (own ? 1 : 8)) b[to] = static_cast<uint8_t>(own | (mbQueen + m.Promotion()));
    const bool doubleStep =
        fromRank == (own ? 7 : 2) && toRank == (own ? 5 : 4) && FileOf(from) == FileOf(to);
    const uint8_t enemyPawn = opp | mbPawn;
    if (doubleStep && ((kT.onBoard[to - 10] && b[to - 10] == enemyPawn) ||
                       (kT.onBoard[to + 10] && b[to + 10] == enemyPawn))) {
      b[to] = own | mbSpecial;
      newEp = static_cast<uint8_t>(kT.squareOf[to] + 1);
    } else if (b[kEpCell] != 0) {
      const int victim = Cell(FileOf(to), fromRank);
      if (b[victim] == (opp | mbSpecial)) {
        b[victim] = 0;
        b[kEpCell] = 0;
      }
    }
  }

  // 4. The pawn that could have been taken en passant is an ordinary pawn again.
  if (int ep = EpCellOf(b[kEpCell]); ep != 0 && (b[ep] & 7) == mbSpecial)
    b[ep] = static_cast<uint8_t>((b[ep] & kColour) | mbPawn);

  // 5.
  b[kEpCell] = newEp;
  b[kSide] ^= 1;
}

void MailboxPos::UndoMove(Move2 m, const MoveUndo &undo) {
  uint8_t *b = cells.data();
  const int from = ToCell(m, false), to = ToCell(m, true);
  b[from] = undo.moved;
  b[to] = undo.captured;
  b[kSide] ^= 1;
  b[kEpCell] = undo.epCell;
  const uint8_t own = b[kSide] ? kColour : 0;
  const int back = own ? 8 : 1;
  if (undo.moved == (own | mbKing) && from == Cell(5, back)) {
    if (RankOf(to) == back && FileOf(to) == 3) {
      b[Cell(4, back)] = 0;
      b[Cell(1, back)] = own | mbSpecial;
    } else if (RankOf(to) == back && FileOf(to) == 7) {
      b[Cell(6, back)] = 0;
      b[Cell(8, back)] = own | mbSpecial;
    }
    if (undo.lostCastling & 2) b[Cell(1, back)] = own | mbSpecial;
    if (undo.lostCastling & 1) b[Cell(8, back)] = own | mbSpecial;
  }
  // Also puts back a pawn taken en passant.
  if (int ep = EpCellOf(undo.epCell); ep != 0) b[ep] = (own ^ kColour) | mbSpecial;
}

void MailboxPos::MakeMove(Move2 m, MoveUndo &undo) {
  const bool black = cells[kSide] != 0;
  if (black && cells[kMoveNumber] >= 255) throw ERangeError("Move number beyond 255");
  DoMove(m, undo);
  if (black) ++cells[kMoveNumber];
}

void MailboxPos::UnmakeMove(Move2 m, const MoveUndo &undo) {
  const bool blackMoved = cells[kSide] == 0;
  if (blackMoved && cells[kMoveNumber] <= 1) throw ERangeError("Move number below 1");
  UndoMove(m, undo);
  if (blackMoved) --cells[kMoveNumber];
}

bool MailboxPos::CellAttacked(int cell, int attackerColour) const {
  return Attacked(ReadBits(cells.data()), kT.squareOf[cell], attackerColour != 0);
}

bool MailboxPos::SquareAttacked(int file, int rank, int attackerColour) const {
  CheckRange(file, 1, 8, "File out of range");
  CheckRange(rank, 1, 8, "Rank out of range");
  return CellAttacked(Cell(file, rank), attackerColour ? 1 : 0);
}

bool MailboxPos::InCheck(int colour) const {
  return KingAttacked(ReadBits(cells.data()), colour != 0);
}

const BoardBits &MoveGen::Bits(const MailboxPos &pos) {
  const uint8_t *board = pos.cells.data() + 10;
  bool same = bitsValid_;
#if defined(__SSE2__)
  __m128i diff = _mm_setzero_si128();
  for (size_t i = 0; i < bitsBoard_.size(); i += 16)
    diff = _mm_or_si128(diff, _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(board + i)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i *>(&bitsBoard_[i]))));
  same = same && _mm_movemask_epi8(_mm_cmpeq_epi8(diff, _mm_setzero_si128())) == 0xFFFF;
#else
  same = same && std::memcmp(board, bitsBoard_.data(), bitsBoard_.size()) == 0;
#endif
  if (!same) {
    std::memcpy(bitsBoard_.data(), board, bitsBoard_.size());
    bits_ = ReadBits(pos.cells.data());
    bitsValid_ = true;
  }
  return bits_;
}

bool MailboxPos::IsLegalMove(Move2 m) { return IsLegalOn(ReadBits(cells.data()), m); }

bool MailboxPos::IsLegalMove(MoveGen &gen, Move2 m) { return IsLegalOn(gen.Bits(*this), m); }

// The board the move leaves is worked out on the board sets, so nothing is
// played: the same answer as making the move and asking for check.
bool MailboxPos::IsLegalOn(const BoardBits &s, Move2 m) const {
  const bool black = SideToMove() == 1;
  const int from = ToCell(m, false), to = ToCell(m, true);
  const int fromSq = m.FromSquare(), toSq = m.ToSquare();
  if (PlainMove(cells.data(), from, to)) {
    const uint64_t fromBit = uint64_t{1} << fromSq, toBit = uint64_t{1} << toSq;
    const uint64_t kings = s.code[mbKing] & s.Colour(black);
    const uint64_t after = (kings & fromBit) != 0 ? (kings & ~fromBit) | toBit : kings & ~toBit;
    if (after == 0) return true;
    return !Attacked(s, std::countr_zero(after), !black, s.Colour(!black) & ~toBit,
                     (s.occ & ~fromBit) | toBit);
  }
  const uint8_t own = black ? kColour : 0;
  const int back = black ? 8 : 1;
  if (cells[from] == (own | mbKing) && from == Cell(5, back) && RankOf(to) == back &&
      (FileOf(to) == 3 || FileOf(to) == 7)) {
    // Castling: neither out of nor through check.
    if (Attacked(s, SquareNumber(5, back), !black) ||
        Attacked(s, SquareNumber(FileOf(to) == 3 ? 4 : 6, back), !black))
      return false;
  }
  BoardBits after = s;
  AfterMove(cells.data(), m, after);
  return !KingAttacked(after, black);
}


LegalityHint MailboxPos::LegalityOf(const BoardBits &s) const {
  LegalityHint h;
  const int side = SideToMove();
  const int kingSq = FirstKing(s, side != 0);
  const int king = kingSq >= 0 ? kT.cellOf[kingSq] : 0;
  h.inCheck = kingSq >= 0 && Attacked(s, kingSq, side == 0);
  // Any move turns a code-7 man on the square the en-passant cell names
  // into a pawn; on a back rank that man was a rook, and the change may
  // uncover the king from anywhere.
  const int ep = EpCellOf(cells[kEpCell]);
  if (king != 0 && !h.inCheck && (ep == 0 || (RankOf(ep) != 1 && RankOf(ep) != 8))) h.kingCell = king;
  return h;
}

// With the own king on kingCell and not in check, a move of another man
// that is not a pawn capture can only expose the king by leaving a line
// through the king's square: every other change (the man arriving, a man
// taken, a pawn's code 6 or 7) adds no attack. So a man off the king's
// lines may always move, and only the rest are tested.
bool MailboxPos::IsLegalWith(Move2 m, const LegalityHint &hint, MoveGen &gen) {
  if (const int kingCell = hint.kingCell; kingCell != 0) {
    const int from = ToCell(m, false), to = ToCell(m, true);
    const uint8_t man = cells[from];
    const uint8_t own = cells[kSide] ? kColour : 0;
    const int code = man & 7;
    const bool pawnCapture = (code == mbPawn || code == mbSpecial) && FileOf(from) != FileOf(to);
    if (man != 0 && (man & kColour) == own && code != mbKing && !pawnCapture && to != kingCell) {
      const int df = FileOf(from) - FileOf(kingCell), dr = RankOf(from) - RankOf(kingCell);
      if (df != 0 && dr != 0 && df != dr && df != -dr) return true;
    }
  }
  return IsLegalMove(gen, m);
}

bool MailboxPos::HasLegalMove(MoveGen &gen, const LegalityHint *preset) {
  // Mostly the king can step out of a check: its steps are entries of
  // the list, so one legal step answers for the whole list.
  if (preset == nullptr || preset->inCheck) {
    const BoardBits s = gen.Bits(*this);
    const uint64_t own = s.Colour(SideToMove() == 1);
    for (uint64_t k = s.code[mbKing] & own; k != 0; k &= k - 1) {
      const int sq = std::countr_zero(k);
      for (uint64_t t = kB.king[sq] & ~own; t != 0; t &= t - 1)
        if (IsLegalOn(s, Move2::Make(sq, std::countr_zero(t)))) return true;
    }
  }
  GenRequest req;
  req.kind = genAnyLegal;
  const int n = gen.Generate(*this, req, preset);
  // Generation tested the last entry of each man; the others are left.
  if (gen.anyLegal_) return true;
  for (int i = 0; i < n - 1; ++i)
    if (IsLegalWith(gen.list_[i], gen.hint_, gen)) return true;
  gen.count_ = 0;
  return false;
}

bool MailboxPos::HasLegalMove(MoveGen &gen) { return HasLegalMove(gen, nullptr); }

uint8_t MailboxPos::CheckState(MoveGen &gen, int colour) {
  bool check;
  bool any;
  if ((colour ? 1 : 0) == SideToMove()) {
    // The check test and the legality hint look at the same king.
    const LegalityHint hint = LegalityOf(gen.Bits(*this));
    check = hint.inCheck;
    any = HasLegalMove(gen, &hint);
  } else {
    check = InCheck(colour);
    any = HasLegalMove(gen);
  }
  if (check) return any ? gsCheck : gsCheckmate;
  return any ? gsNormal : gsStalemate;
}

// The index of a move is the number of entries the squares before its
// from-square give, plus its place among that square's own entries: the
// earlier squares are only counted, nothing is listed.
namespace {

// The number of entries the pawns (code 6) of the set give, all at once:
// each pawn has at most one square of each kind (push, double step,
// capture to either side), and a promotion counts four times.
TV_INLINE inline int CountPawns(uint64_t pawns, uint8_t own, const BoardSetsOf &sets) {
  const bool white = own == 0;
  // One rank forward; nothing wraps into the next file.
  const uint64_t notWrapped = white ? ~kRank1 : ~kRank8;
  const int up = white ? 1 : 0, down = white ? 0 : 1;
  const uint64_t promoteRank = white ? kRank1 << 6 : kRank1 << 1,
                 startRank = white ? kRank1 << 1 : kRank1 << 6;
  const uint64_t empty = ~sets.occ, enemy = sets.occ & ~sets.own;
  const uint64_t middle = ~(kRank1 | kRank8);
  // The target squares of the pawns as they stand (a pawn can have no
  // second target of one kind, so counting targets counts moves).
  const uint64_t push = ((pawns << up) >> down) & notWrapped & empty;
  const uint64_t twice = (((push & (startRank << up >> down)) << up) >> down) & notWrapped & empty;
  // Captures: beside a code-7 man (off the first and last rank) the
  // diagonal may also be empty; elsewhere it must hold an enemy.
  const uint64_t specialEast = (sets.special >> 8) & middle, specialWest = (sets.special << 8) & middle;
  auto diag = [&](uint64_t from, bool east) {
    return (((east ? from << 8 : from >> 8) << up) >> down) & notWrapped;
  };
  int plain = 0, promoting = 0;
  const uint64_t kinds[2] = {pawns & ~promoteRank, pawns & promoteRank};
  for (int k = 0; k < 2; ++k) {
    const uint64_t p = kinds[k];
    const int n =
        PopCount((((p << up) >> down) & notWrapped) & push) +
        PopCount(diag(p & specialEast, true) & ~sets.own) + PopCount(diag(p & ~specialEast, true) & enemy) +
        PopCount(diag(p & specialWest, false) & ~sets.own) + PopCount(diag(p & ~specialWest, false) & enemy);
    (k == 0 ? plain : promoting) += n;
  }
  plain += PopCount(twice);
  return plain + 4 * promoting;
}

// A slider lists ray by ray: rook rays W, S, E, N, then bishop rays SW,
// SE, NE, NW, each outward.
constexpr int kRayOrder[8] = {6, 4, 2, 0, 5, 3, 1, 7};

// For the place of a slider's move without walking its rays: the ray from
// one square to another, and the rays listed before each ray.
struct RayPlaces {
  int8_t rayTo[64][64] = {};    // -1 when the squares share no line
  uint64_t before[8][64] = {};  // by ray: the rays ahead of it in kRayOrder
  constexpr RayPlaces() {
    for (int sq = 0; sq < 64; ++sq) {
      for (int to = 0; to < 64; ++to) rayTo[sq][to] = -1;
      uint64_t ahead = 0;
      for (int d : kRayOrder) {
        before[d][sq] = ahead;
        ahead |= kB.ray[d][sq];
        for (int to = 0; to < 64; ++to)
          if ((kB.ray[d][sq] >> to) & 1) rayTo[sq][to] = static_cast<int8_t>(d);
      }
    }
  }
};
constexpr RayPlaces kRP;

// A slider's place of the move (when it is among the squares reached) and
// its total: what the rays before the move's ray give, plus the steps out
// to the move's square.
TV_INLINE inline void PlaceOnLines(uint64_t reach, int sq, int to, bool plain, int &place, int &total) {
  total = PopCount(reach);
  if (!plain || ((reach >> to) & 1) == 0) return;
  const int d = kRP.rayTo[sq][to];
  place = PopCount(reach & kRP.before[d][sq]) + PopCount(kB.ray[d][sq] & ~kB.ray[d][to]);
}

// The squares a pawn (code 6) on square sq moves to, in GenerateSquare's
// order: push, double step, capture to the lower file, to the higher. A
// promotion gives its four pieces in turn on each: shift is 2, else 0.
TV_INLINE inline int PawnTargets(uint8_t own, const BoardSetsOf &sets, int sq, int *to, int &shift) {
  const bool white = own == 0;
  const int file = sq >> 3, rank = sq & 7, dir = white ? 1 : -1;
  const uint64_t enemy = sets.occ & ~sets.own;
  int n = 0;
  shift = rank == (white ? 6 : 1) ? 2 : 0;
  // A pawn on its last rank (a board no game reaches) has nothing ahead,
  // and the squares beyond would wrap into the next file.
  if (rank + dir < 0 || rank + dir > 7) return 0;
  if (((sets.occ >> (sq + dir)) & 1) == 0) {
    to[n++] = sq + dir;
    if (rank == (white ? 1 : 6) && ((sets.occ >> (sq + 2 * dir)) & 1) == 0) to[n++] = sq + 2 * dir;
  }
  for (int side : {-1, 1}) {
    if (file + side < 0 || file + side > 7) continue;
    const int beside = sq + 8 * side, diag = beside + dir;
    // Beside a code-7 man off the first and last rank the diagonal may
    // also be empty.
    const bool special = ((sets.special >> beside) & 1) != 0 && rank > 0 && rank < 7;
    if (((special ? ~sets.own : enemy) >> diag) & 1) to[n++] = diag;
  }
  return n;
}

TV_INLINE inline Move2 PickPawn(uint8_t own, const BoardSetsOf &sets, int sq, int k) {
  int to[4], shift;
  const int n = PawnTargets(own, sets, sq, to, shift);
  if (k < 1 || k > n << shift) return Move2{};
  return CellMove(kT.cellOf[sq], kT.cellOf[to[(k - 1) >> shift]], (k - 1) & ((1 << shift) - 1));
}

// Where the move stands among the entries of the man on its from-square
// (1-based, 0 when it is not one of them), and how many entries he gives.
// A slider lists ray by ray (rook rays W, S, E, N, then bishop rays SW,
// SE, NE, NW), each outward; a knight lists in rising square numbers.
TV_INLINE inline void PlaceInSquare(const uint8_t *b, uint8_t own, const BoardSetsOf &sets, int sq, Move2 m,
                                    int &place, int &total) {
  const int to = m.ToSquare();
  const bool plain = m.Promotion() == 0;
  const uint64_t free = ~sets.own;
  place = total = 0;
  switch (b[kT.cellOf[sq]] & 7) {
    case mbQueen:
      PlaceOnLines(QueenReach(sq, sets.occ) & free, sq, to, plain, place, total);
      return;
    case mbRook:
    case mbSpecial:
      PlaceOnLines(RookReach(sq, sets.occ) & free, sq, to, plain, place, total);
      return;
    case mbBishop:
      PlaceOnLines(BishopReach(sq, sets.occ) & free, sq, to, plain, place, total);
      return;
    case mbKnight: {
      const uint64_t reach = kB.knight[sq] & ~sets.own;
      if (plain && ((reach >> to) & 1) != 0) place = PopCount(reach & ((uint64_t{1} << to) - 1)) + 1;
      total = PopCount(reach);
      return;
    }
    case mbKing: {
      // The steps rise in square numbers; the castlings follow them.
      const uint64_t reach = kB.king[sq] & ~sets.own;
      bool queenSide, kingSide;
      CastlingOf(b, own, sq, queenSide, kingSide);
      const int steps = PopCount(reach);
      const int back = own ? 8 : 1;
      total = steps + queenSide + kingSide;
      if (!plain) return;
      if (((reach >> to) & 1) != 0)
        place = PopCount(reach & ((uint64_t{1} << to) - 1)) + 1;
      else if (queenSide && to == SquareNumber(3, back))
        place = steps + 1;
      else if (kingSide && to == SquareNumber(7, back))
        place = steps + queenSide + 1;
      return;
    }
    case mbPawn: {
      int targets[4], shift;
      const int n = PawnTargets(own, sets, sq, targets, shift);
      total = n << shift;
      // Without promotion the move's promotion bits must be clear.
      if (m.Promotion() >> shift != 0) return;
      for (int i = 0; i < n; ++i)
        if (targets[i] == to) place = (i << shift) + m.Promotion() + 1;
      return;
    }
    default:
      // A cell holding only the colour gives no entry.
      return;
  }
}

// The k-th set bit of the set counted from the low end (rising) or the
// high end (falling); k is 1-based and at most the set's size.
TV_INLINE inline int NthBit(uint64_t set, int k, bool rising) {
  if (rising) {
    for (; k > 1; --k) set &= set - 1;
    return std::countr_zero(set);
  }
  for (; k > 1; --k) set &= ~(uint64_t{1} << (63 - std::countl_zero(set)));
  return 63 - std::countl_zero(set);
}

// The k-th entry (1-based, within the total CountEach gives) of the man
// on square sq, in the order PlaceInSquare reads: found on board sets.
TV_INLINE inline Move2 PickInSquare(const uint8_t *b, uint8_t own, const BoardSetsOf &sets, int sq, int k) {
  const int from = kT.cellOf[sq];
  // The reach of all rays at once, then split ray by ray.
  auto onRays = [&](uint64_t reach, const int *order, int n) {
    for (int i = 0; i < n; ++i) {
      const int d = order[i];
      const uint64_t ray = reach & kB.ray[d][sq];
      const int here = PopCount(ray);
      if (k <= here) return CellMove(from, kT.cellOf[NthBit(ray, k, d < 4)]);
      k -= here;
    }
    return Move2{};
  };
  const uint64_t free = ~sets.own;
  switch (b[from] & 7) {
    case mbQueen:
      return onRays(QueenReach(sq, sets.occ) & free, kRayOrder, 8);
    case mbRook:
    case mbSpecial:
      return onRays(RookReach(sq, sets.occ) & free, kRayOrder, 4);
    case mbBishop:
      return onRays(BishopReach(sq, sets.occ) & free, kRayOrder + 4, 4);
    case mbKnight:
      return CellMove(from, kT.cellOf[NthBit(kB.knight[sq] & ~sets.own, k, true)]);
    case mbKing: {
      const uint64_t reach = kB.king[sq] & ~sets.own;
      const int steps = PopCount(reach);
      if (k <= steps) return CellMove(from, kT.cellOf[NthBit(reach, k, true)]);
      bool queenSide, kingSide;
      CastlingOf(b, own, sq, queenSide, kingSide);
      const int back = own ? 8 : 1;
      return CellMove(from, Cell(k == steps + 1 && queenSide ? 3 : 7, back));
    }
    case mbPawn:
      return PickPawn(own, sets, sq, k);
    default:
      // A cell holding only the colour gives no entry.
      return Move2{};
  }
}

// The entries all men of the set give together.
TV_INLINE inline int CountMen(const uint8_t *b, uint8_t own, const BoardBits &bits, const BoardSetsOf &sets,
                               uint64_t men) {
  // Kind by kind, which needs no branch per man.
  uint64_t kind[8];
  for (int k = 0; k < 8; ++k) kind[k] = bits.code[k] & men;
  int n = 0;
  for (uint64_t s = kind[mbQueen]; s != 0; s &= s - 1)
    n += PopCount(QueenReach(std::countr_zero(s), sets.occ) & ~sets.own);
  for (uint64_t s = kind[mbRook] | kind[mbSpecial]; s != 0; s &= s - 1)
    n += PopCount(RookReach(std::countr_zero(s), sets.occ) & ~sets.own);
  for (uint64_t s = kind[mbBishop]; s != 0; s &= s - 1)
    n += PopCount(BishopReach(std::countr_zero(s), sets.occ) & ~sets.own);
  for (uint64_t s = kind[mbKnight]; s != 0; s &= s - 1)
    n += PopCount(kB.knight[std::countr_zero(s)] & ~sets.own);
  if (kind[mbPawn] != 0) n += CountPawns(kind[mbPawn], own, sets);
  for (uint64_t s = kind[mbKing]; s != 0; s &= s - 1) {
    const int sq = std::countr_zero(s);
    bool queenSide, kingSide;
    CastlingOf(b, own, sq, queenSide, kingSide);
    n += PopCount(kB.king[sq] & ~sets.own) + queenSide + kingSide;
  }
  return n;
}

// The entries of every own man at once, into cnt by square: kind by kind
// off the board sets, so no branch depends on the man on a square.
TV_INLINE inline void CountEach(const BoardBits &bits, const BoardSetsOf &sets, const uint8_t *b, uint8_t own,
                                uint8_t *cnt) {
  const uint64_t mine = sets.own, free = ~sets.own, occ = sets.occ;
  for (uint64_t s = bits.code[mbQueen] & mine; s != 0; s &= s - 1) {
    const int sq = std::countr_zero(s);
    cnt[sq] = static_cast<uint8_t>(PopCount(QueenReach(sq, occ) & free));
  }
  for (uint64_t s = (bits.code[mbRook] | bits.code[mbSpecial]) & mine; s != 0; s &= s - 1) {
    const int sq = std::countr_zero(s);
    cnt[sq] = static_cast<uint8_t>(PopCount(RookReach(sq, occ) & free));
  }
  for (uint64_t s = bits.code[mbBishop] & mine; s != 0; s &= s - 1) {
    const int sq = std::countr_zero(s);
    cnt[sq] = static_cast<uint8_t>(PopCount(BishopReach(sq, occ) & free));
  }
  for (uint64_t s = bits.code[mbKnight] & mine; s != 0; s &= s - 1) {
    const int sq = std::countr_zero(s);
    cnt[sq] = static_cast<uint8_t>(PopCount(kB.knight[sq] & free));
  }
  for (uint64_t s = bits.code[mbKing] & mine; s != 0; s &= s - 1) {
    const int sq = std::countr_zero(s);
    bool queenSide, kingSide;
    CastlingOf(b, own, sq, queenSide, kingSide);
    cnt[sq] = static_cast<uint8_t>(PopCount(kB.king[sq] & free) + queenSide + kingSide);
  }
  for (uint64_t s = bits.code[0] & mine; s != 0; s &= s - 1) cnt[std::countr_zero(s)] = 0;
  if (const uint64_t pawns = bits.code[mbPawn] & mine; pawns != 0) {
    // Per pawn: a push, a double step, a capture to either side, as the
    // sets of the pawns that have them (x shifted so that bit s holds the
    // square ahead of s; nothing ahead of the last rank).
    const bool white = own == 0;
    auto ahead = [white](uint64_t x) { return white ? (x >> 1) & ~kRank8 : (x << 1) & ~kRank1; };
    const uint64_t empty = ~occ, enemy = occ & ~mine, middle = ~kBackRanks;
    const uint64_t push = pawns & ahead(empty);
    const uint64_t twice = push & (white ? kRank1 << 1 : kRank1 << 6) & ahead(ahead(empty));
    // Beside a code-7 man the diagonal may also be empty.
    const uint64_t specialEast = (sets.special >> 8) & middle, specialWest = (sets.special << 8) & middle;
    const uint64_t east =
        pawns & ((specialEast & ahead(free >> 8)) | (~specialEast & ahead(enemy >> 8)));
    const uint64_t west =
        pawns & ((specialWest & ahead(free << 8)) | (~specialWest & ahead(enemy << 8)));
    const uint64_t promote = white ? kRank1 << 6 : kRank1 << 1;
    for (uint64_t s = pawns; s != 0; s &= s - 1) {
      const int sq = std::countr_zero(s);
      const int n = static_cast<int>(((push >> sq) & 1) + ((twice >> sq) & 1) + ((east >> sq) & 1) +
                                     ((west >> sq) & 1));
      cnt[sq] = static_cast<uint8_t>(n << (((promote >> sq) & 1) * 2));
    }
  }
}

inline BoardSetsOf SetsOf(const BoardBits &bits, uint8_t own) {
  BoardSetsOf sets;
  sets.own = bits.Colour(own != 0);
  sets.occ = bits.occ;
  sets.special = bits.code[mbSpecial];
  return sets;
}

inline bool OwnMan(uint8_t man, uint8_t own) { return man != 0 && (man & kColour) == own; }

}  // namespace

void MoveGen::SetCounted(const uint8_t *board, int lastSquare, int count) {
  std::memcpy(pendingBoard_.data(), board, pendingBoard_.size());
  pendingLast_ = static_cast<uint8_t>(lastSquare);
  count_ = count;
  pending_ = true;
  found_ = false;
}

void MoveGen::Materialise() const {
  const uint8_t *b = pendingBoard_.data();
  const uint8_t own = b[MailboxPos::kSide] ? kColour : 0;
  int n = 0;
  for (int sq = 0; sq <= pendingLast_; ++sq) {
    if (!OwnMan(b[kT.cellOf[sq]], own)) continue;
    GenerateSquare(b, own, SquareFile(sq), SquareRank(sq),
                   [&](int from, int to, int promotion) { list_[n++] = CellMove(from, to, promotion); });
  }
  pending_ = false;
}

TV_COUNTING bool MailboxPos::MoveIndex(MoveGen &gen, Move2 m, int &index) {
  index = 0;
  const uint8_t *b = cells.data();
  const uint8_t own = cells[kSide] ? kColour : 0;
  // Nothing here asks the generator for sets again.
  const BoardBits &bits = gen.Bits(*this);
  const BoardSetsOf sets = SetsOf(bits, own);
  const uint64_t ownSet = sets.own;
  // A from-byte beyond square 63 names no generated move.
  const int fromSq = std::min<int>(m.from, 64);
  int before = CountMen(b, own, bits, sets, fromSq < 64 ? ownSet & ((uint64_t{1} << fromSq) - 1) : ownSet);
  if (fromSq < 64 && ((ownSet >> fromSq) & 1) != 0) {
    int place, total;
    PlaceInSquare(b, own, sets, fromSq, m, place, total);
    if (place != 0) {
      gen.SetCounted(b, fromSq, before + total);
      index = before + place;
      return true;
    }
    before += total;
  }
  // Not generated: the whole list was made.
  if (fromSq < 64) before += CountMen(b, own, bits, sets, ownSet & ~((uint64_t{2} << fromSq) - 1));
  gen.SetCounted(b, 63, before);
  return false;
}

TV_COUNTING bool MailboxPos::MoveByIndex(MoveGen &gen, int index, Move2 &m) {
  if (index < 1 || index > MoveGen::kCapacity) return false;
  const uint8_t *b = cells.data();
  const uint8_t own = cells[kSide] ? kColour : 0;
  // Nothing here asks the generator for sets again.
  const BoardBits &bits = gen.Bits(*this);
  const BoardSetsOf sets = SetsOf(bits, own);
  const uint64_t ownSet = sets.own;
  uint8_t cnt[64];
  CountEach(bits, sets, b, own, cnt);
  int before = 0;
  for (uint64_t s = ownSet; s != 0; s &= s - 1) {
    const int sq = std::countr_zero(s);
    const int n = cnt[sq];
    if (before + n < index) {
      before += n;
      continue;
    }
    m = PickInSquare(b, own, sets, sq, index - before);
    gen.SetCounted(b, sq, before + n);
    return true;
  }
  gen.SetCounted(b, 63, before);
  return false;
}

namespace {
GenRequest MoversRequest(uint8_t kind, int toFile, int toRank, uint8_t piece, int fromFile, int fromRank) {
  GenRequest req;
  req.kind = kind;
  req.piece = piece;
  // Out-of-range values are refused by Generate; a value that does not fit
  // the byte becomes 0 so that it cannot wrap into range.
  auto byte = [](int v) { return static_cast<uint8_t>(v < 0 || v > 255 ? 0 : v); };
  req.toFile = byte(toFile);
  req.toRank = byte(toRank);
  req.fromFile = byte(fromFile);
  req.fromRank = byte(fromRank);
  return req;
}
}  // namespace

int MailboxPos::FindMovers(MoveGen &gen, int toFile, int toRank, uint8_t piece) {
  return gen.Generate(*this, MoversRequest(genMovers, toFile, toRank, piece, 0, 0));
}

int MailboxPos::FindMoversFromFile(MoveGen &gen, int toFile, int toRank, uint8_t piece, int fromFile) {
  return gen.Generate(*this, MoversRequest(genMoversFromFile, toFile, toRank, piece, fromFile, 0));
}

int MailboxPos::FindMoversFromRank(MoveGen &gen, int toFile, int toRank, uint8_t piece, int fromRank) {
  return gen.Generate(*this, MoversRequest(genMoversFromRank, toFile, toRank, piece, 0, fromRank));
}

int MailboxPos::FindMoversFromSquare(MoveGen &gen, int toFile, int toRank, uint8_t piece, int fromFile,
                                     int fromRank) {
  return gen.Generate(*this, MoversRequest(genMoversFromSquare, toFile, toRank, piece, fromFile, fromRank));
}

bool MailboxPos::Equal(const MailboxPos &a, const MailboxPos &b) {
  if (a.cells[kSide] != b.cells[kSide] || a.cells[kEpCell] != b.cells[kEpCell]) return false;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r)
      if (a.cells[Cell(f, r)] != b.cells[Cell(f, r)]) return false;
  return true;
}

// ---------------------------------------------------------------------------
// Compact positions and the material key

void MailboxPos::ToCompact(CompactPosition &out) const {
  int men = 0;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r)
      if (cells[Cell(f, r)] != 0) ++men;
  if (men > 32) throw ERangeError("Too many men for a compact position");
  CompactPosition cp;
  int bit = 0;
  auto put = [&](unsigned v, int n) {
    for (int i = n - 1; i >= 0; --i, ++bit)
      if ((v >> i) & 1) cp.bytes[bit >> 3] |= static_cast<uint8_t>(0x80 >> (bit & 7));
  };
  const uint8_t ownKing = cells[kSide] ? (mbBlack | mbKing) : mbKing;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      uint8_t v = cells[Cell(f, r)];
      if (v == 0) {
        put(0, 1);
        continue;
      }
      // The king of the side to move is written with code 0.
      if (v == ownKing) v &= kColour;
      put(1, 1);
      put(v & 15, 4);
    }
  out = cp;
}

bool MailboxPos::FromCompact(const CompactPosition &in) {
  MailboxPos p;
  p.cells[kSide] = cells[kSide];
  p.cells[kMoveNumber] = 1;
  int bit = 0;
  auto get = [&](int n, unsigned &v) {
    if (bit + n > 192) return false;
    v = 0;
    for (int i = 0; i < n; ++i, ++bit) v = (v << 1) | ((in.bytes[bit >> 3] >> (7 - (bit & 7))) & 1);
    return true;
  };
  bool sideKing = false;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      unsigned occupied, v;
      if (!get(1, occupied)) return false;
      if (!occupied) continue;
      if (!get(4, v)) return false;
      if ((v & 7) == 0) {
        // The king of the side to move.
        p.cells[kSide] = v ? 1 : 0;
        sideKing = true;
        v |= mbKing;
      } else if ((v & 7) == mbSpecial && r != 1 && r != 8) {
        p.cells[kEpCell] = static_cast<uint8_t>(SquareNumber(f, r) + 1);
      }
      p.cells[Cell(f, r)] = static_cast<uint8_t>(v);
    }
  if (!sideKing) return false;
  *this = p;
  return true;
}

bool MailboxPos::Equal24(const CompactPosition &a, const CompactPosition &b) { return a.bytes == b.bytes; }

void MailboxPos::MaterialKey(uint16_t &key, uint8_t &check) const {
  int men[2] = {0, 0};
  uint32_t k = 0;
  for (int pair = 0; pair < 4; ++pair) {
    uint32_t count = 0;
    for (int f = pair * 2 + 1; f <= pair * 2 + 2; ++f)
      for (int r = 1; r <= 8; ++r)
        if (uint8_t v = cells[Cell(f, r)]; v != 0) {
          ++count;
          ++men[(v & kColour) ? 1 : 0];
        }
    k = (k << 4) | count;
  }
  CheckRange(men[0], 1, 16, "White men out of range");
  CheckRange(men[1], 1, 16, "Black men out of range");
  // Sixteen men on one pair spill into the next field; the key keeps its
  // low 16 bits so that it always indexes one of the 65536 buckets.
  key = static_cast<uint16_t>(k & 0xFFFF);
  check = static_cast<uint8_t>((men[0] - 1) * 16 + (men[1] - 1));
}

// ---------------------------------------------------------------------------
// SAN information

void MailboxPos::SanInfo(MoveGen &gen, Move2 m, SanMoveRec &rec, bool findStalemate) {
  const int from = ToCell(m, false), to = ToCell(m, true);
  const uint8_t man = cells[from];
  const int code = PlainCode(man, RankOf(from));
  const bool fileChange = FileOf(from) != FileOf(to);
  const BoardBits s = gen.Bits(*this);

  uint8_t dis = 0;
  if (code == mbPawn) {
    dis = fileChange ? 5 : 0;
  } else {
    // With at most one man of the kind that reaches the target at all, no
    // legality test can make two. The men found are those the reverse
    // search finds: the first man on each line from the target.
    const int toSq = kT.squareOf[to];
    const uint64_t own = s.Colour(SideToMove() == 1);
    const uint64_t kind = (code == mbRook ? s.code[mbRook] | s.code[mbSpecial] : s.code[code]) & own;
    uint64_t reach = 0;
    // One man of the kind cannot be two movers.
    if ((kind & (kind - 1)) != 0) {
      switch (code) {
        case mbKing:
          reach = kB.king[toSq];
          break;
        case mbQueen:
          reach = QueenReach(toSq, s.occ);
          break;
        case mbRook:
          reach = RookReach(toSq, s.occ);
          break;
        case mbBishop:
          reach = BishopReach(toSq, s.occ);
          break;
        case mbKnight:
          reach = kB.knight[toSq];
          break;
        default:
          break;
      }
    }
    const uint64_t movers = ((own >> toSq) & 1) == 0 ? reach & kind : 0;
    const int n = (movers & (movers - 1)) != 0
                      ? FindMovers(gen, FileOf(to), RankOf(to), static_cast<uint8_t>(code))
                      : 0;
    if (n > 1) {
      int sameFile = 0, sameRank = 0;
      for (int i = 0; i < n; ++i) {
        const Move2 e = gen.list_[i];
        if (SquareFile(e.FromSquare()) == FileOf(from)) ++sameFile;
        if (SquareRank(e.FromSquare()) == RankOf(from)) ++sameRank;
      }
      if (sameFile == 1 && sameRank == 1)
        dis = 1;
      else if (sameFile >= 2 && sameRank >= 2)
        dis = 4;
      else if (sameFile < 2)
        dis = 2;
      else
        dis = 3;
    }
  }
  rec.disambiguation = dis;
  rec.capture = (cells[to] != 0 || (code == mbPawn && fileChange)) ? 1 : 0;
  rec.moveNumber = cells[kMoveNumber];
  rec.side = static_cast<uint8_t>(SideToMove());

  // Check is read off the board sets; only a search for a reply needs the
  // move played.
  const bool moverBlack = SideToMove() == 1;
  bool check;
  if (PlainMove(cells.data(), from, to)) {
    // The mover's men that stayed, and the moved one from its to-cell.
    const uint64_t fromBit = uint64_t{1} << m.FromSquare(), toBit = uint64_t{1} << m.ToSquare();
    const uint64_t kings = s.code[mbKing] & s.Colour(!moverBlack) & ~toBit;
    const uint64_t occ = (s.occ & ~fromBit) | toBit;
    const int king = kings != 0 ? std::countr_zero(kings) : -1;
    check = king >= 0 && (ManAttacks(CodeAfter(man, m), m.ToSquare(), king, moverBlack, occ) ||
                          Attacked(s, king, moverBlack, s.Colour(moverBlack) & ~fromBit, occ));
  } else {
    BoardBits after = s;
    AfterMove(cells.data(), m, after);
    check = KingAttacked(after, !moverBlack);
  }
  if (!check && !findStalemate) {
    rec.gameState = gsNormal;
    return;
  }
  MoveUndo undo;
  DoMove(m, undo);
  const bool any = HasLegalMove(gen);
  UndoMove(m, undo);
  rec.gameState = check ? (any ? gsCheck : gsCheckmate) : (any ? gsNormal : gsStalemate);
}

// ---------------------------------------------------------------------------
// The chess core's position and move record

namespace {
// Mailbox code (1 king .. 6 pawn) <-> core piece (1 pawn .. 6 king).
constexpr uint8_t kCoreOfCode[7] = {pNone, pKing, pQueen, pRook, pBishop, pKnight, pPawn};
constexpr uint8_t kCodeOfCore[7] = {0, mbPawn, mbKnight, mbBishop, mbRook, mbQueen, mbKing};
// Promotion bits 0..3 <-> core piece.
constexpr uint8_t kCorePromotion[4] = {pQueen, pRook, pBishop, pKnight};
}  // namespace

void MailboxPos::ToPositionO(PositionO &out) const {
  out.Reset();
  out.ClearBoard();
  for (int c = 0; c <= 1; ++c)
    for (int side = 0; side <= 1; ++side) out.SetCastling(c, side, false);
  out.SetEnPassantFile(0);
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      const uint8_t v = cells[Cell(f, r)];
      if (v == 0) continue;
      const int colour = (v & kColour) ? cBlack : cWhite;
      int code = v & 7;
      if (code == 0) continue;  // not a man
      if (code == mbSpecial) {
        if (r == 1 || r == 8) {
          code = mbRook;
          if (r == (colour == cWhite ? 1 : 8) && (f == 1 || f == 8))
            out.SetCastling(colour, f == 1 ? csQueenSide : csKingSide, true);
        } else {
          code = mbPawn;
          out.SetEnPassantFile(f);
        }
      }
      out.SetSquare(f, r, kCoreOfCode[code], colour);
    }
  out.SetSideToMove(SideToMove());
  out.SetMoveNumber(cells[kMoveNumber]);
}

void MailboxPos::FromPositionO(const PositionO &in) {
  MailboxPos p;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      const uint8_t piece = in.PieceAt(f, r);
      if (piece == pNone || piece > pKing) continue;
      p.cells[Cell(f, r)] =
          static_cast<uint8_t>(kCodeOfCore[piece] | (in.ColourAt(f, r) == cBlack ? kColour : 0));
    }
  for (int colour = cWhite; colour <= cBlack; ++colour)
    for (int side = csQueenSide; side <= csKingSide; ++side)
      if (in.Castling(colour, side) && in.CastlingPiecesInPlace(colour, side))
        p.cells[Cell(side == csQueenSide ? 1 : 8, colour == cWhite ? 1 : 8)] =
            static_cast<uint8_t>((colour == cBlack ? kColour : 0) | mbSpecial);
  const int side = in.SideToMove() == cBlack ? 1 : 0;
  p.cells[kSide] = static_cast<uint8_t>(side);
  if (const int ef = in.EnPassantFile(); ef >= 1 && ef <= 8) {
    // The pawn that made the double step, the square it passed and the
    // pawns of the side to move that may take it.
    const uint8_t own = side ? kColour : 0;
    const int rank = side ? 4 : 5, passed = side ? 3 : 6;
    const int victim = Cell(ef, rank);
    const bool taker = (ef > 1 && p.cells[victim - 10] == (own | mbPawn)) ||
                       (ef < 8 && p.cells[victim + 10] == (own | mbPawn));
    if (p.cells[victim] == ((own ^ kColour) | mbPawn) && p.cells[Cell(ef, passed)] == 0 && taker) {
      p.cells[victim] = static_cast<uint8_t>((own ^ kColour) | mbSpecial);
      p.cells[kEpCell] = static_cast<uint8_t>(kT.squareOf[victim] + 1);
    }
  }
  p.cells[kMoveNumber] = in.MoveNumber();
  *this = p;
}

Move2 MailboxPos::MoveFromMoveRec(const MoveRec &m) {
  CheckBoardSquare(m.fromFile, m.fromRank);
  CheckBoardSquare(m.toFile, m.toRank);
  int promotion = 0;
  switch (m.promotion) {
    case pRook:
      promotion = 1;
      break;
    case pBishop:
      promotion = 2;
      break;
    case pKnight:
      promotion = 3;
      break;
    default:
      break;
  }
  return Move2::Make(SquareNumber(m.fromFile, m.fromRank), SquareNumber(m.toFile, m.toRank), promotion);
}

void MailboxPos::MoveToMoveRec(Move2 m, MoveRec &out) const {
  const int from = ToCell(m, false), to = ToCell(m, true);
  const uint8_t man = cells[from];
  const bool pawn = PlainCode(man, RankOf(from)) == mbPawn;
  const int promotion = pawn && (RankOf(to) == 1 || RankOf(to) == 8) ? kCorePromotion[m.Promotion()] : 0;
  out = MoveRec();
  out.SetMove(FileOf(from), RankOf(from), FileOf(to), RankOf(to), promotion);
}

bool MailboxPos::SetFromFEN(const std::string &text) {
  PositionO p;
  if (!p.SetFEN(text)) return false;
  FromPositionO(p);
  return true;
}
