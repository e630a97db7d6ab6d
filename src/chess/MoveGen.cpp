#include "chess/MoveGen.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <vector>

#include "chess/Direct.h"
#include "platform/Errors.h"

namespace {

// Line direction (odd) in which square b lies as seen from square a; 0 when
// they share no line.
using LineTable = std::array<std::array<std::uint8_t, 64>, 64>;

constexpr LineTable BuildLines() {
  LineTable t{};
  for (int a = 0; a < 64; ++a)
    for (int d = 1; d <= 15; d += 2) {
      int f = a / 8, r = a % 8;
      for (;;) {
        f += kDirSteps[d].fileStep;
        r += kDirSteps[d].rankStep;
        if (f < 0 || f > 7 || r < 0 || r > 7) break;
        t[a][f * 8 + r] = static_cast<std::uint8_t>(d);
      }
    }
  return t;
}

constinit const LineTable kLines = BuildLines();

constexpr bool IsLine(int d) { return (d & 1) != 0; }

// Whether a man of the kind, the first met i squares out along line
// direction d, attacks the square the walk started from; pawnSide is the
// side whose capture directions lead back to the pawn.
bool LineAttacker(int piece, int i, int d, int pawnSide) {
  switch (piece) {
    case pKing:
      return i == 0;
    case pQueen:
      return true;
    case pRook:
      return IsRookDirection(d);
    case pBishop:
      return IsBishopDirection(d);
    case pPawn:
      return i == 0 && IsPawnCaptureDirection(d, pawnSide);
    default:
      return false;
  }
}

// Whether a bishop, rook or queen moves along line direction d.
bool SliderGoes(int piece, int d) {
  return !((piece == pRook && !IsRookDirection(d)) || (piece == pBishop && !IsBishopDirection(d)));
}

// Pawn directions by colour: the two captures in generation order, the push.
constexpr int kPawnCaptureDirs[2][2] = {{15, 3}, {11, 7}};
constexpr int kPawnPushDir[2] = {1, 9};

}  // namespace

void MoveGenO::Init(BasePositionO *position) {
  position_ = position;
  kingSquare_[0][0] = 5;
  kingSquare_[0][1] = 1;
  kingSquare_[1][0] = 5;
  kingSquare_[1][1] = 8;
  pieceFilter_ = 0;
  queenOnly_ = 0;
  stopAtTwo_ = 0;
  stopAfter_ = 0;
  defaultQueenOnly_ = 0;
  filterPiece_ = 0;
  prepared_ = false;
  lastPieceQueryValid_ = false;
}

BasePositionO &MoveGenO::Pos() {
  if (position_ == nullptr) throw ERangeError("Move generator has no position");
  return *position_;
}

void MoveGenO::SetMode(bool filter, bool queenOnly, bool stopAtTwo, int piece) {
  pieceFilter_ = filter ? 1 : 0;
  queenOnly_ = queenOnly ? 1 : 0;
  stopAtTwo_ = stopAtTwo ? 1 : 0;
  stopAfter_ = stopAtTwo ? 2 : 0;
  filterPiece_ = static_cast<std::uint8_t>(piece);
}

void MoveGenO::StartQuery(bool queenOnly, bool stopAtTwo, int startCount) {
  SetMode(false, queenOnly, stopAtTwo);
  startCount_ = startCount;
  PrepareLegality();
}

bool MoveGenO::Attacks(int square, int colour, int d, int reach) const {
  const SquareRec *b = position_->board_;
  const RayRec &ray = kRays[square][d];
  const int count = std::min<int>(ray.count, reach);
  for (int i = 0; i < count; ++i) {
    const SquareRec &q = b[ray.squares[i]];
    if (q.piece == pNone) continue;
    if (q.colour != colour) return false;
    switch (q.piece) {
      case pKing:
        return i == 0 && IsLine(d);
      case pQueen:
        return IsLine(d);
      case pRook:
        return IsRookDirection(d);
      case pBishop:
        return IsBishopDirection(d);
      case pKnight:
        return !IsLine(d);
      case pPawn:
        return i == 0 && IsPawnCaptureDirection(d, OppositeSide(static_cast<std::uint8_t>(colour)));
      default:
        return false;
    }
  }
  return false;
}

int MoveGenO::KingIndex(int colour) {
  const SquareRec *b = position_->board_;
  const int cached = SquareIndex(kingSquare_[colour][0], kingSquare_[colour][1]);
  if (b[cached].piece == pKing && b[cached].colour == colour) return cached;
  for (int r = 1; r <= 8; ++r)
    for (int f = 1; f <= 8; ++f) {
      const int i = SquareIndex(f, r);
      if (b[i].piece == pKing && b[i].colour == colour) {
        kingSquare_[colour][0] = static_cast<std::uint8_t>(f);
        kingSquare_[colour][1] = static_cast<std::uint8_t>(r);
        return i;
      }
    }
  return -1;
}

// A colour without a king is never in check.
bool MoveGenO::InCheck(int colour) {
  const int k = KingIndex(colour);
  if (k < 0) return false;
  const int enemy = OppositeSide(static_cast<std::uint8_t>(colour));
  const SquareRec *b = position_->board_;
  for (int d = 2; d <= 16; d += 2) {
    const RayRec &ray = kRays[k][d];
    if (ray.count > 0 && b[ray.squares[0]].piece == pKnight && b[ray.squares[0]].colour == enemy) return true;
  }
  for (int d = 1; d <= 15; d += 2) {
    const RayRec &ray = kRays[k][d];
    for (int i = 0; i < ray.count; ++i) {
      const SquareRec &q = b[ray.squares[i]];
      if (q.piece == pNone) continue;
      if (q.colour == enemy && LineAttacker(q.piece, i, d, colour)) return true;
      break;
    }
  }
  return false;
}

bool MoveGenO::CanCastle(int colour, int side) const {
  const SquareRec *b = position_->board_;
  const int back = BackRank(static_cast<std::uint8_t>(colour));
  const SquareRec &k = b[SquareIndex(5, back)];
  if (k.piece != pKing || k.colour != colour || !position_->castling_[colour][side]) return false;
  if (side == csKingSide)
    return b[SquareIndex(6, back)].piece == pNone && b[SquareIndex(7, back)].piece == pNone;
  return b[SquareIndex(2, back)].piece == pNone && b[SquareIndex(3, back)].piece == pNone &&
         b[SquareIndex(4, back)].piece == pNone;
}

void MoveGenO::PrepareLegality() {
  const int side = position_->sideToMove_;
  const SquareRec *b = position_->board_;
  const int king = KingIndex(side);
  // The answers depend on the men, the side and its king alone: queries on
  // one position (reading a move, then its notation) share them.
  if (prepared_ && preparedSide_ == side && king == moverKing_ &&
      std::memcmp(preparedBoard_, b, sizeof preparedBoard_) == 0)
    return;
  std::memcpy(preparedBoard_, b, sizeof preparedBoard_);
  preparedSide_ = static_cast<std::uint8_t>(side);
  prepared_ = true;
  moverKing_ = king;
  moverInCheck_ = false;
  pinCount_ = 0;
  if (king < 0) return;
  // One walk along each line from the king finds both a checking man (the
  // first met, an enemy) and a shielding one (the first met, the mover's,
  // with an enemy slider behind it); a knight checks from its one square.
  const int enemy = OppositeSide(static_cast<std::uint8_t>(side));
  for (int d = 2; d <= 16 && !moverInCheck_; d += 2) {
    const RayRec &ray = kRays[king][d];
    if (ray.count > 0 && b[ray.squares[0]].piece == pKnight && b[ray.squares[0]].colour == enemy)
      moverInCheck_ = true;
  }
  for (int d = 1; d <= 15 && !moverInCheck_; d += 2) {
    const RayRec &ray = kRays[king][d];
    int shield = -1;
    for (int i = 0; i < ray.count; ++i) {
      const SquareRec &q = b[ray.squares[i]];
      if (q.piece == pNone) continue;
      if (shield < 0) {
        if (q.colour == side) {
          shield = ray.squares[i];
          continue;
        }
        moverInCheck_ = q.colour == enemy && LineAttacker(q.piece, i, d, side);
        break;
      }
      // Men of the mover that alone shield the king from an enemy slider.
      if (q.colour != side && (q.piece == pQueen || (q.piece == pRook && IsRookDirection(d)) ||
                               (q.piece == pBishop && IsBishopDirection(d)))) {
        pinned_[pinCount_] = static_cast<std::uint8_t>(shield);
        pinDirection_[pinCount_] = static_cast<std::uint8_t>(d);
        ++pinCount_;
      }
      break;
    }
  }
  if (moverInCheck_) pinCount_ = 0;
}

// Plays the move on the board for a moment and tests the mover's king.
// Nothing in between can throw, so the board is always restored.
bool MoveGenO::SafeAfter(int from, int to, bool enPassant) {
  SquareRec *b = position_->board_;
  const SquareRec moving = b[from];
  const int colour = moving.colour;
  if (moving.piece != pKing) {
    if (moverKing_ < 0) return true;
    if (!moverInCheck_ && !enPassant) {
      // Only a shielding man can expose the king, and only by leaving the
      // line it shields.
      for (int i = 0; i < pinCount_; ++i)
        if (pinned_[i] == from) return kLines[moverKing_][to] == pinDirection_[i];
      return true;
    }
  }
  const SquareRec savedTo = b[to];
  const int victim = enPassant ? SquareIndex(IndexFile(to), IndexRank(from)) : -1;
  SquareRec savedVictim;
  if (victim >= 0) {
    savedVictim = b[victim];
    b[victim] = SquareRec{};
  }
  b[to] = moving;
  b[from] = SquareRec{};
  if (moving.piece == pKing) {
    kingSquare_[colour][0] = static_cast<std::uint8_t>(IndexFile(to));
    kingSquare_[colour][1] = static_cast<std::uint8_t>(IndexRank(to));
  }
  const bool check = InCheck(colour);
  b[from] = moving;
  b[to] = savedTo;
  if (victim >= 0) b[victim] = savedVictim;
  if (moving.piece == pKing) {
    kingSquare_[colour][0] = static_cast<std::uint8_t>(IndexFile(from));
    kingSquare_[colour][1] = static_cast<std::uint8_t>(IndexRank(from));
  }
  return !check;
}

void MoveGenO::AddMove(int from, int to, bool enPassant, MoveListO &list) {
  if (!SafeAfter(from, to, enPassant)) return;
  const SquareRec *b = position_->board_;
  const std::uint8_t piece = b[from].piece;
  const std::uint8_t toRank = static_cast<std::uint8_t>(IndexRank(to));
  // Filled in place in the list: building a record on the stack and
  // copying it costs more than the generation itself.
  auto fill = [&](std::uint8_t promotion) {
    MoveRec &m = list.AddNew();
    m.fromFile = static_cast<std::uint8_t>(IndexFile(from));
    m.fromRank = static_cast<std::uint8_t>(IndexRank(from));
    m.toFile = static_cast<std::uint8_t>(IndexFile(to));
    m.toRank = toRank;
    m.promotion = promotion;
    m.moveNumber = position_->moveNumber_;
    m.colour = b[from].colour;
    m.piece = piece;
    m.captured = enPassant ? pPawn : b[to].piece;
    m.epCapture = enPassant ? 1 : 0;
  };
  if (piece == pPawn && (toRank == 1 || toRank == 8)) {
    fill(pQueen);
    if (queenOnly_) return;
    fill(pRook);
    fill(pBishop);
    fill(pKnight);
  } else {
    fill(0);
  }
}

// The king is tried on its from square, the square it passes and its
// target: castling out of, through and into check is refused.
void MoveGenO::AddCastling(int colour, int side, MoveListO &list) {
  SquareRec *b = position_->board_;
  const int back = BackRank(static_cast<std::uint8_t>(colour));
  const int kingTo = CastlingKingToFile(static_cast<std::uint8_t>(side));
  const int from = SquareIndex(5, back);
  // The king's own square was tested when the query began.
  if (moverInCheck_) return;
  const SquareRec king = b[from];
  b[from] = SquareRec{};
  bool check = false;
  const int low = std::min(5, kingTo);
  for (int f = low; f < low + 3 && !check; ++f) {
    if (f == 5) continue;
    const int i = SquareIndex(f, back);
    const SquareRec saved = b[i];
    b[i] = king;
    kingSquare_[colour][0] = static_cast<std::uint8_t>(f);
    kingSquare_[colour][1] = static_cast<std::uint8_t>(back);
    check = InCheck(colour);
    b[i] = saved;
  }
  b[from] = king;
  kingSquare_[colour][0] = 5;
  kingSquare_[colour][1] = static_cast<std::uint8_t>(back);
  if (check) return;
  MoveRec m;
  m.fromFile = 5;
  m.fromRank = static_cast<std::uint8_t>(back);
  m.toFile = static_cast<std::uint8_t>(kingTo);
  m.toRank = static_cast<std::uint8_t>(back);
  m.moveNumber = position_->moveNumber_;
  m.colour = static_cast<std::uint8_t>(colour);
  m.piece = pKing;
  list.Add(m);
}

void MoveGenO::GenerateMovesFrom(int from, MoveListO &list) {
  const SquareRec *b = position_->board_;
  const SquareRec p = b[from];
  const int colour = p.colour;
  auto open = [&](int t) { return b[t].piece == pNone || b[t].colour != colour; };
  switch (p.piece) {
    case pKing:
      for (int d = 1; d <= 15; d += 2) {
        if (Stop(list)) return;
        const RayRec &ray = kRays[from][d];
        if (ray.count > 0 && open(ray.squares[0])) AddMove(from, ray.squares[0], false, list);
      }
      if (!stopAtTwo_) {
        if (CanCastle(colour, csQueenSide)) AddCastling(colour, csQueenSide, list);
        if (CanCastle(colour, csKingSide)) AddCastling(colour, csKingSide, list);
      }
      break;
    case pPawn: {
      for (int i = 1; i <= 2; ++i) {
        if (Stop(list)) return;
        const RayRec &ray = kRays[from][kPawnCaptureDirs[colour][i - 1]];
        if (ray.count == 0) continue;
        const int t = ray.squares[0];
        if (b[t].piece != pNone) {
          if (b[t].colour != colour) AddMove(from, t, false, list);
        } else if (IndexFile(t) == position_->epFile_ &&
                   position_->IsEnPassantVictim(IndexFile(t), IndexRank(from))) {
          AddMove(from, t, true, list);
        }
      }
      if (Stop(list)) return;
      const RayRec &push = kRays[from][kPawnPushDir[colour]];
      if (push.count == 0 || b[push.squares[0]].piece != pNone) return;
      AddMove(from, push.squares[0], false, list);
      if (IndexRank(from) == PawnStartRank(static_cast<std::uint8_t>(colour)) && push.count > 1 &&
          b[push.squares[1]].piece == pNone) {
        if (Stop(list)) return;
        AddMove(from, push.squares[1], false, list);
      }
      break;
    }
    case pKnight:
      for (int d = 2; d <= 16; d += 2) {
        if (Stop(list)) return;
        const RayRec &ray = kRays[from][d];
        if (ray.count > 0 && open(ray.squares[0])) AddMove(from, ray.squares[0], false, list);
      }
      break;
    case pBishop:
    case pRook:
    case pQueen:
      for (int d = 1; d <= 15; d += 2) {
        if (!SliderGoes(p.piece, d)) continue;
        if (Stop(list)) return;
        const RayRec &ray = kRays[from][d];
        for (int i = 0; i < ray.count; ++i) {
          if (Stop(list)) return;
          const int t = ray.squares[i];
          if (b[t].piece == pNone) {
            AddMove(from, t, false, list);
            continue;
          }
          if (b[t].colour != colour) AddMove(from, t, false, list);
          break;
        }
      }
      break;
    default:
      break;
  }
}

void MoveGenO::GenerateAll(MoveListO &list) {
  const SquareRec *b = position_->board_;
  const int side = position_->sideToMove_;
  for (int r = 1; r <= 8; ++r)
    for (int f = 1; f <= 8; ++f) {
      const int i = SquareIndex(f, r);
      if (b[i].piece != pNone && b[i].colour == side) GenerateMovesFrom(i, list);
    }
}

void MoveGenO::GenerateMovesTo(int target, MoveListO &list) {
  const SquareRec *b = position_->board_;
  const int side = position_->sideToMove_;
  if (b[target].piece != pNone && b[target].colour == side) return;
  const int tFile = IndexFile(target), tRank = IndexRank(target);
  const int back = BackRank(static_cast<std::uint8_t>(side));
  const int backwards = side == cWhite ? 9 : 1;
  // A one-kind query skips the lines along which that kind cannot come:
  // nothing there could be added.
  // Bit d set: direction d is tried.
  std::uint32_t directions = 0x1fffe;
  if (pieceFilter_) {
    constexpr std::uint32_t kLines = 0xaaaa, kKnights = 0x15554, kRooks = 0x2222, kBishops = 0x8888;
    switch (filterPiece_) {
      case pKnight:
        directions = kKnights;
        break;
      case pBishop:
        directions = kBishops;
        break;
      case pRook:
        directions = kRooks;
        break;
      case pQueen:
      case pKing:
        directions = kLines;
        break;
      case pPawn:
        // The captures seen from the target point back at the mover.
        directions = 1u << backwards;
        if (side == cWhite) directions |= (1u << 7) | (1u << 11);
        if (side == cBlack) directions |= (1u << 3) | (1u << 15);
        break;
      default:
        break;
    }
  }
  // Kings and pawns attack from the next square only: a man further out
  // is of another kind, which the filter drops.
  const int reach = pieceFilter_ && (filterPiece_ == pKing || filterPiece_ == pPawn) ? 1 : 8;
  for (int d = 1; d <= 16; ++d) {
    if (Stop(list)) return;
    if (!(directions >> d & 1u)) continue;
    if (Attacks(target, side, d, reach)) {
      // The attacker is the first man on the ray.
      const RayRec &ray = kRays[target][d];
      int from = -1;
      for (int i = 0; i < ray.count && from < 0; ++i)
        if (b[ray.squares[i]].piece != pNone) from = ray.squares[i];
      const int piece = b[from].piece;
      if (pieceFilter_ && piece != filterPiece_) continue;
      if (piece != pPawn) {
        AddMove(from, target, false, list);
      } else if (b[target].piece != pNone) {
        AddMove(from, target, false, list);
      } else if (tFile == position_->epFile_ && position_->IsEnPassantVictim(tFile, IndexRank(from))) {
        // The victim must stand beside the attacker on the rank the
        // en-passant rule allows, not merely on the target's file.
        AddMove(from, target, true, list);
      }
      continue;
    }
    if (pieceFilter_ && filterPiece_ != pPawn) continue;
    if (!pieceFilter_ && tRank == back) {
      if (d == 13 && tFile == 7 && CanCastle(side, csKingSide)) AddCastling(side, csKingSide, list);
      if (d == 5 && tFile == 3 && CanCastle(side, csQueenSide)) AddCastling(side, csQueenSide, list);
    }
    if (d == backwards && b[target].piece == pNone) {
      const RayRec &ray = kRays[target][d];
      if (ray.count == 0) continue;
      const SquareRec &adj = b[ray.squares[0]];
      if (adj.piece == pPawn && adj.colour == side) {
        AddMove(ray.squares[0], target, false, list);
      } else if (adj.piece == pNone && ray.count > 1 &&
                 IndexRank(ray.squares[1]) == PawnStartRank(static_cast<std::uint8_t>(side))) {
        const SquareRec &two = b[ray.squares[1]];
        if (two.piece == pPawn && two.colour == side) AddMove(ray.squares[1], target, false, list);
      }
    }
  }
}

void MoveGenO::CompleteMove(MoveRec &move) {
  BasePositionO &p = Pos();
  CheckBoardSquare(move.fromFile, move.fromRank);
  CheckBoardSquare(move.toFile, move.toRank);
  if (move.promotion != 0) CheckRange<int>(move.promotion, pKnight, pQueen, "Promotion piece out of range");
  const SquareRec *b = p.board_;
  const int colour = p.sideToMove_;
  std::uint8_t rights[4] = {p.castling_[0][0], p.castling_[0][1], p.castling_[1][0], p.castling_[1][1]};
  move.moveNumber = p.moveNumber_;
  move.colour = static_cast<std::uint8_t>(colour);
  move.piece = b[SquareIndex(move.fromFile, move.fromRank)].piece;
  std::copy(rights, rights + 4, move.castlingBefore);
  move.epFileBefore = p.epFile_;
  if (move.IsNullMove()) {
    move.captured = 0;
    move.epCapture = 0;
    std::copy(rights, rights + 4, move.castlingAfter);
    move.epFileAfter = 0;
    return;
  }
  const SquareRec &target = b[SquareIndex(move.toFile, move.toRank)];
  move.captured = target.piece;
  move.epCapture = move.piece == pPawn && move.fromFile != move.toFile && target.piece == pNone ? 1 : 0;
  if (move.epCapture) move.captured = pPawn;

  if (move.piece == pKing) rights[2 * colour] = rights[2 * colour + 1] = 0;
  if (move.piece == pRook && move.fromRank == BackRank(static_cast<std::uint8_t>(colour)) &&
      (move.fromFile == 1 || move.fromFile == 8))
    rights[2 * colour + CastlingSideOfRookFile(move.fromFile)] = 0;
  // A rook taken on a corner ends the right of that corner's own side:
  // a1 and h1 belong to White, a8 and h8 to Black.
  if (move.captured == pRook && (move.toFile == 1 || move.toFile == 8) &&
      (move.toRank == 1 || move.toRank == 8)) {
    const int owner = move.toRank == 1 ? cWhite : cBlack;
    rights[2 * owner + CastlingSideOfRookFile(move.toFile)] = 0;
  }
  std::copy(rights, rights + 4, move.castlingAfter);

  move.epFileAfter = 0;
  if (move.piece == pPawn &&
      ((move.fromRank == 2 && move.toRank == 4) || (move.fromRank == 7 && move.toRank == 5))) {
    const int enemy = OppositeSide(static_cast<std::uint8_t>(colour));
    for (int f : {move.toFile - 1, move.toFile + 1}) {
      if (f < 1 || f > 8) continue;
      const SquareRec &q = b[SquareIndex(f, move.toRank)];
      if (q.piece == pPawn && q.colour == enemy) {
        move.epFileAfter = move.toFile;
        break;
      }
    }
  }
}

bool MoveGenO::IsInCheck(int colour) {
  CheckPlayerColour(colour);
  Pos();
  return InCheck(colour);
}

bool MoveGenO::FreeMoveOf(int from) const {
  const SquareRec *b = position_->board_;
  const SquareRec p = b[from];
  const int colour = p.colour;
  auto open = [&](const RayRec &ray) {
    return ray.count > 0 && (b[ray.squares[0]].piece == pNone || b[ray.squares[0]].colour != colour);
  };
  switch (p.piece) {
    case pPawn: {
      const RayRec &push = kRays[from][kPawnPushDir[colour]];
      if (push.count > 0 && b[push.squares[0]].piece == pNone) return true;
      for (int d : kPawnCaptureDirs[colour]) {
        const RayRec &ray = kRays[from][d];
        if (ray.count > 0 && b[ray.squares[0]].piece != pNone && b[ray.squares[0]].colour != colour) return true;
      }
      return false;
    }
    case pKnight:
      for (int d = 2; d <= 16; d += 2)
        if (open(kRays[from][d])) return true;
      return false;
    case pBishop:
    case pRook:
    case pQueen:
      for (int d = 1; d <= 15; d += 2) {
        if (!SliderGoes(p.piece, d)) continue;
        if (open(kRays[from][d])) return true;
      }
      return false;
    default:
      return false;
  }
}

std::uint8_t MoveGenO::GameState() {
  Pos();
  scratch_.Clear();
  StartQuery(true, false, 0);
  // One legal move settles it. With exactly one king of the mover the
  // generator's caches end as after a full run; otherwise run in full.
  const SquareRec *b = position_->board_;
  const int side = position_->sideToMove_;
  int kings = 0;
  for (int i = 0; i < 64; ++i)
    if (b[i].piece == pKing && b[i].colour == side) ++kings;
  if (kings == 1) {
    // Out of check a man that shields nothing may make any step its kind
    // allows (en passant aside): the king cannot be exposed, so the first
    // such step found is a legal move.
    if (!moverInCheck_)
      for (int i = 0; i < 64; ++i) {
        if (b[i].piece == pNone || b[i].colour != side) continue;
        bool pinned = false;
        for (int k = 0; k < pinCount_ && !pinned; ++k) pinned = pinned_[k] == i;
        if (!pinned && FreeMoveOf(i)) return gsNormal;
      }
    stopAfter_ = 1;
    for (int r = 1; r <= 8 && scratch_.Count() == 0; ++r)
      for (int f = 1; f <= 8 && scratch_.Count() == 0; ++f) {
        const int i = SquareIndex(f, r);
        if (b[i].piece != pNone && b[i].colour == side) GenerateMovesFrom(i, scratch_);
      }
    stopAfter_ = 0;
  } else {
    GenerateAll(scratch_);
  }
  if (!moverInCheck_) return scratch_.Count() == 0 ? gsStalemate : gsNormal;
  return scratch_.Count() == 0 ? gsCheckmate : gsCheck;
}

bool MoveGenO::IsLegalMove(int fromFile, int fromRank, int toFile, int toRank, bool &promotionNeeded) {
  CheckBoardSquare(fromFile, fromRank);
  CheckBoardSquare(toFile, toRank);
  BasePositionO &p = Pos();
  promotionNeeded = false;
  scratch_.Clear();
  StartQuery(defaultQueenOnly_, false, 0);
  GenerateMovesTo(SquareIndex(toFile, toRank), scratch_);
  for (int i = 1; i <= scratch_.Count(); ++i) {
    const MoveRec &m = scratch_.Unchecked(i);
    if (m.fromFile == fromFile && m.fromRank == fromRank) {
      promotionNeeded = p.IsPawnBeforePromotion(fromFile, fromRank);
      return true;
    }
  }
  return fromFile == toFile && fromRank == toRank && p.IsPieceAt(fromFile, fromRank, pKing, p.SideToMove());
}

bool MoveGenO::IsLegal(int fromFile, int fromRank, int toFile, int toRank) {
  bool promotionNeeded;
  return IsLegalMove(fromFile, fromRank, toFile, toRank, promotionNeeded);
}

void MoveGenO::MovesToSquare(int file, int rank, MoveListO &list) {
  CheckBoardSquare(file, rank);
  Pos();
  StartQuery(defaultQueenOnly_, false, list.Count());
  GenerateMovesTo(SquareIndex(file, rank), list);
}

void MoveGenO::MovesFromSquare(int file, int rank, MoveListO &list) {
  CheckBoardSquare(file, rank);
  BasePositionO &p = Pos();
  const SquareRec &sq = p.board_[SquareIndex(file, rank)];
  if (sq.piece == pNone || sq.colour != p.sideToMove_) return;
  StartQuery(defaultQueenOnly_, false, list.Count());
  GenerateMovesFrom(SquareIndex(file, rank), list);
}

void MoveGenO::AllMoves(MoveListO &list) {
  Pos();
  StartQuery(defaultQueenOnly_, false, list.Count());
  GenerateAll(list);
}

bool MoveGenO::UniqueMoveTo(int file, int rank, MoveRec &move) {
  CheckBoardSquare(file, rank);
  Pos();
  scratch_.Clear();
  StartQuery(true, true, 0);
  GenerateMovesTo(SquareIndex(file, rank), scratch_);
  if (scratch_.Count() >= 1) move = scratch_.Unchecked(1);
  return scratch_.Count() == 1;
}

bool MoveGenO::UniqueMoveFrom(int file, int rank, MoveRec &move) {
  CheckBoardSquare(file, rank);
  BasePositionO &p = Pos();
  scratch_.Clear();
  const SquareRec &sq = p.board_[SquareIndex(file, rank)];
  if (sq.piece == pNone || sq.colour != p.sideToMove_) return false;
  StartQuery(true, true, 0);
  GenerateMovesFrom(SquareIndex(file, rank), scratch_);
  if (scratch_.Count() >= 1) move = scratch_.Unchecked(1);
  return scratch_.Count() == 1;
}

void MoveGenO::PieceMovesToSquare(int file, int rank, MoveListO &list, int piece) {
  CheckBoardSquare(file, rank);
  CheckRange(piece, 1, 6, "Piece code out of range");
  const BasePositionO &p = Pos();
  SetMode(true, true, false, piece);
  startCount_ = list.Count();
  // The same query on the same position (a move read, then its notation
  // written) copies the last answer. The moves and the king squares this
  // object keeps afterwards follow from the position, the query and the
  // king squares before; the rest it keeps only saves work.
  PieceQuery key;
  std::memcpy(key.board, p.board_, sizeof key.board);
  std::memcpy(key.castling, p.castling_, sizeof key.castling);
  std::memcpy(key.kingSquare, kingSquare_, sizeof key.kingSquare);
  key.side = p.sideToMove_;
  key.epFile = p.epFile_;
  key.moveNumber = p.moveNumber_;
  key.file = static_cast<std::uint8_t>(file);
  key.rank = static_cast<std::uint8_t>(rank);
  key.piece = static_cast<std::uint8_t>(piece);
  if (lastPieceQueryValid_ && std::memcmp(&key, &lastPieceQuery_, sizeof key) == 0) {
    std::memcpy(kingSquare_, lastPieceKingSquare_, sizeof kingSquare_);
    for (int i = 1; i <= lastPieceMoves_.Count(); ++i) list.Add(lastPieceMoves_.Unchecked(i));
    return;
  }
  lastPieceQueryValid_ = false;
  PrepareLegality();
  GenerateMovesTo(SquareIndex(file, rank), list);
  lastPieceMoves_.Clear();
  for (int i = startCount_ + 1; i <= list.Count(); ++i) lastPieceMoves_.AddUnchecked(list.Unchecked(i));
  std::memcpy(lastPieceKingSquare_, kingSquare_, sizeof kingSquare_);
  lastPieceQuery_ = key;
  lastPieceQueryValid_ = true;
}

void MoveGenO::PawnMovesToSquare(int file, int rank, MoveListO &list) {
  CheckBoardSquare(file, rank);
  Pos();
  StartQuery(defaultQueenOnly_, false, list.Count());
  SetMode(true, defaultQueenOnly_, false, pPawn);
  GenerateMovesTo(SquareIndex(file, rank), list);
}

std::uint8_t MoveGenO::LowestAttackerValue(int file, int rank, int colour) {
  CheckBoardSquare(file, rank);
  CheckPlayerColour(colour);
  Pos();
  const int target = SquareIndex(file, rank);
  const SquareRec *b = position_->board_;
  std::uint8_t best = pNone;
  int bestValue = INT_MAX;
  for (int d = 1; d <= 16; ++d) {
    if (!Attacks(target, colour, d)) continue;
    const RayRec &ray = kRays[target][d];
    for (int i = 0; i < ray.count; ++i) {
      const SquareRec &q = b[ray.squares[i]];
      if (q.piece == pNone) continue;
      if (kPieceValues[q.piece] < bestValue) {
        bestValue = kPieceValues[q.piece];
        best = q.piece;
      }
      break;
    }
  }
  return best;
}

bool MoveGenO::AttacksFromDirection(int file, int rank, int colour, int direction) {
  CheckBoardSquare(file, rank);
  CheckPlayerColour(colour);
  CheckRange(direction, 1, 16, "Direction out of range");
  Pos();
  return Attacks(SquareIndex(file, rank), colour, direction);
}

// ---------------------------------------------------------------------------

void MovePickerO::Init() {
  start_.Init();
  current_.Init();
  moves_.Clear();
  startGiven_ = false;
  gen_.Init(&current_);
}

void MovePickerO::SetPosition(const BasePositionO *position) {
  if (position != nullptr && !position->IsStartPosition()) {
    start_.Copy(*position);
    startGiven_ = true;
  } else {
    start_.SetStartPosition();
    startGiven_ = false;
  }
  current_.Copy(start_);
  moves_.Clear();
  gen_.SetPosition(&current_);
}

void MovePickerO::MoveMade(const MoveRec &move) {
  if (moves_.Full()) throw ERangeError("Too many moves");
  current_.MakeMove(move);
  moves_.AddUnchecked(move);
}

void MovePickerO::MoveUnmade() {
  MoveRec last;
  moves_.GetLast(last);
  current_.UnmakeMove(last);
  moves_.DeleteLast();
}

namespace {

// Lower ranks first among equal scores: bishop, knight, rook, queen, pawn, king.
constexpr int kTieOrder[7] = {7, 5, 2, 1, 3, 4, 6};

}  // namespace

void MovePickerO::PickMoves(int file, int rank, MoveListO &list) {
  CheckBoardSquare(file, rank);
  list.Clear();
  MoveListO candidates;
  const SquareRec &clicked = current_.At(SquareIndex(file, rank));
  const bool ownPiece = clicked.piece != pNone && clicked.colour == current_.SideToMove();
  if (ownPiece)
    gen_.MovesFromSquare(file, rank, candidates);
  else
    gen_.MovesToSquare(file, rank, candidates);
  const int n = candidates.Count();
  if (n <= 1) {
    list.Assign(candidates);
    return;
  }
  auto cand = [&](int i) -> const MoveRec & { return candidates.Unchecked(i + 1); };
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i) order[i] = i;

  auto isCastling = [&](int i) {
    const MoveRec &m = cand(i);
    return m.piece == pKing && (m.fromFile - m.toFile == 2 || m.toFile - m.fromFile == 2);
  };
  bool anyCastling = false;
  for (int i = 0; i < n; ++i) anyCastling = anyCastling || isCastling(i);
  if (anyCastling) {
    for (int i = n - 1; i >= 0; --i) {
      if (!isCastling(i)) continue;
      order.erase(std::find(order.begin(), order.end(), i));
      order.insert(order.begin(), i);
    }
  } else {
    const int enemy = OppositeSide(current_.SideToMove());
    std::vector<int> toRisk(n), fromRisk(n);
    int fromRiskSum = 0;
    std::uint8_t lastTargetAttacker = pNone;
    for (int i = 0; i < n; ++i) {
      const MoveRec &m = cand(i);
      const int value = kPieceValues[m.piece];
      const std::uint8_t atTo = gen_.LowestAttackerValue(m.toFile, m.toRank, enemy);
      const std::uint8_t atFrom = gen_.LowestAttackerValue(m.fromFile, m.fromRank, enemy);
      toRisk[i] = atTo != pNone ? value - kPieceValues[atTo] : 0;
      fromRisk[i] = atFrom != pNone ? value - kPieceValues[atFrom] : 0;
      fromRiskSum += fromRisk[i];
      lastTargetAttacker = atTo;
    }
    std::vector<int> score(n);
    for (int i = 0; i < n; ++i) score[i] = toRisk[i] + fromRiskSum - fromRisk[i];
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      if (score[a] != score[b]) return score[a] < score[b];
      return kTieOrder[cand(a).piece] < kTieOrder[cand(b).piece];
    });
    // A target guarded by a pawn: pawn moves first, in their ranked order.
    if (lastTargetAttacker == pPawn)
      std::stable_partition(order.begin(), order.end(), [&](int i) { return cand(i).piece == pPawn; });
    if (!ownPiece) {
      std::vector<std::size_t> rooks;
      for (std::size_t k = 0; k < order.size(); ++k)
        if (cand(order[k]).piece == pRook) rooks.push_back(k);
      if (rooks.size() == 2 && score[order[rooks[0]]] == score[order[rooks[1]]]) {
        const MoveRec &first = cand(order[rooks[0]]);
        const MoveRec &second = cand(order[rooks[1]]);
        bool swap;
        if (first.fromRank == second.fromRank)
          swap = file <= 4 ? second.fromFile < first.fromFile : second.fromFile > first.fromFile;
        else
          swap = first.fromFile == file;
        if (swap) std::swap(order[rooks[0]], order[rooks[1]]);
      }
    }
  }
  for (int i : order) list.AddUnchecked(cand(i));
}
