#include "chess/Diags.h"

#include <string>

#include "chess/Language.h"
#include "chess/Moves.h"
#include "platform/Errors.h"

namespace {

void CheckSide(int side) { CheckRange(side, 0, 1, "Castling side out of range"); }
void CheckPiece(int piece) { CheckRange(piece, 0, 6, "Piece code out of range"); }

}  // namespace

std::uint8_t CastlingKingToFile(std::uint8_t side) { return side == csKingSide ? 7 : 3; }
std::uint8_t CastlingRookFromFile(std::uint8_t side) { return side == csKingSide ? 8 : 1; }
std::uint8_t CastlingRookToFile(std::uint8_t side) { return side == csKingSide ? 6 : 4; }

void CheckBoardSquare(int file, int rank) {
  CheckRange(file, 1, 8, "File out of range");
  CheckRange(rank, 1, 8, "Rank out of range");
}

void CheckPlayerColour(int colour) { CheckRange(colour, 0, 1, "Colour out of range"); }

void BasePositionO::Init() {
  language_ = 0;
  SetStartPosition();
}

bool BasePositionO::Equal(const BasePositionO &other) const {
  if (moveNumber_ != other.moveNumber_ || sideToMove_ != other.sideToMove_ || epFile_ != other.epFile_)
    return false;
  for (int c = 0; c < 2; ++c)
    if (castling_[c][1] != other.castling_[c][1] || castling_[c][0] != other.castling_[c][0]) return false;
  for (int i = 0; i < 64; ++i)
    if (board_[i].piece != other.board_[i].piece || board_[i].colour != other.board_[i].colour) return false;
  return true;
}

void BasePositionO::SetStartPosition() {
  static constexpr std::uint8_t kBackRow[8] = {pRook, pKnight, pBishop, pQueen,
                                               pKing, pBishop, pKnight, pRook};
  for (auto &sq : board_) sq = SquareRec{};
  for (int f = 1; f <= 8; ++f) {
    board_[SquareIndex(f, 1)] = {cWhite, kBackRow[f - 1]};
    board_[SquareIndex(f, 2)] = {cWhite, pPawn};
    board_[SquareIndex(f, 7)] = {cBlack, pPawn};
    board_[SquareIndex(f, 8)] = {cBlack, kBackRow[f - 1]};
  }
  moveNumber_ = 1;
  sideToMove_ = cWhite;
  for (auto &c : castling_) c[0] = c[1] = 1;
  epFile_ = 0;
}

namespace {

// Everything a completed move must hold, checked before the board changes.
void CheckCompletedMove(const MoveRec &m) {
  CheckBoardSquare(m.fromFile, m.fromRank);
  CheckBoardSquare(m.toFile, m.toRank);
  CheckPlayerColour(m.colour);
  CheckRange<int>(m.moveNumber, 1, 255, "Move number out of range");
  if (m.IsNullMove()) return;
  CheckRange<int>(m.piece, pPawn, pKing, "Moving piece out of range");
  CheckRange<int>(m.captured, pNone, pQueen, "Captured piece out of range");
  if (m.promotion != 0) CheckRange<int>(m.promotion, pKnight, pQueen, "Promotion piece out of range");
}

}  // namespace

void BasePositionO::MakeMove(const MoveRec &m) {
  CheckCompletedMove(m);
  // The new move number is checked before the board changes, so a refused
  // move leaves the position as it was.
  const std::uint8_t mover = m.colour;
  const std::uint8_t next = OppositeSide(mover);
  std::uint8_t number = m.moveNumber;
  if (next == cWhite) {
    if (number >= 255) throw ERangeError("Move number beyond 255");
    ++number;
  }
  // A null move only passes the turn (also when its square holds no king).
  if (!m.IsNullMove()) {
    board_[SquareIndex(m.fromFile, m.fromRank)] = SquareRec{};
    SquareRec &to = board_[SquareIndex(m.toFile, m.toRank)];
    if (m.promotion != 0) {
      to = {mover, m.promotion};
    } else {
      to = {mover, m.piece};
      if (m.IsCastling()) {
        board_[SquareIndex(m.CastlingRookFrom(), m.fromRank)] = SquareRec{};
        board_[SquareIndex(m.CastlingRookTo(), m.fromRank)] = {mover, pRook};
      } else if (m.epCapture) {
        board_[SquareIndex(m.toFile, m.fromRank)] = SquareRec{};
      }
    }
  }
  moveNumber_ = number;
  sideToMove_ = next;
  for (int i = 0; i < 4; ++i) castling_[i / 2][i % 2] = m.castlingAfter[i];
  epFile_ = m.epFileAfter;
}

void BasePositionO::UnmakeMove(const MoveRec &m) {
  CheckCompletedMove(m);
  const std::uint8_t mover = m.colour;
  const std::uint8_t opponent = OppositeSide(mover);
  if (!m.IsNullMove()) {
    board_[SquareIndex(m.fromFile, m.fromRank)] = {mover, m.piece};
    SquareRec &to = board_[SquareIndex(m.toFile, m.toRank)];
    if (m.epCapture) {
      to = SquareRec{};
      board_[SquareIndex(m.toFile, m.fromRank)] = {opponent, pPawn};
    } else {
      to = m.captured != 0 ? SquareRec{opponent, m.captured} : SquareRec{};
      if (m.IsCastling()) {
        board_[SquareIndex(m.CastlingRookTo(), m.fromRank)] = SquareRec{};
        board_[SquareIndex(m.CastlingRookFrom(), m.fromRank)] = {mover, pRook};
      }
    }
  }
  moveNumber_ = m.moveNumber;
  sideToMove_ = mover;
  epFile_ = m.epFileBefore;
  for (int i = 0; i < 4; ++i) castling_[i / 2][i % 2] = m.castlingBefore[i];
}

void BasePositionO::SetSquare(int file, int rank, int piece, int colour) {
  CheckBoardSquare(file, rank);
  CheckPiece(piece);
  if (piece == pNone) {
    // An empty square always holds colour 2.
    board_[SquareIndex(file, rank)] = SquareRec{};
    return;
  }
  CheckPlayerColour(colour);
  board_[SquareIndex(file, rank)] = {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(piece)};
}

void BasePositionO::ClearSquare(int file, int rank) {
  CheckBoardSquare(file, rank);
  board_[SquareIndex(file, rank)] = SquareRec{};
}

void BasePositionO::ClearBoard() {
  for (auto &sq : board_) sq = SquareRec{};
}

void BasePositionO::SetSideToMove(int colour) {
  CheckPlayerColour(colour);
  sideToMove_ = static_cast<std::uint8_t>(colour);
}

void BasePositionO::SetMoveNumber(int number) {
  CheckRange(number, 1, 255, "Move number out of range");
  moveNumber_ = static_cast<std::uint8_t>(number);
}

void BasePositionO::SetCastling(int colour, int side, bool flag) {
  CheckPlayerColour(colour);
  CheckSide(side);
  castling_[colour][side] = flag ? 1 : 0;
}

bool BasePositionO::Castling(int colour, int side) const {
  CheckPlayerColour(colour);
  CheckSide(side);
  return castling_[colour][side] != 0;
}

void BasePositionO::SetEnPassantFile(int file) {
  CheckRange(file, 0, 8, "En-passant file out of range");
  epFile_ = static_cast<std::uint8_t>(file);
}

std::uint8_t BasePositionO::PieceAt(int file, int rank) const {
  CheckBoardSquare(file, rank);
  return board_[SquareIndex(file, rank)].piece;
}

std::uint8_t BasePositionO::ColourAt(int file, int rank) const {
  CheckBoardSquare(file, rank);
  return board_[SquareIndex(file, rank)].colour;
}

bool BasePositionO::IsPieceAt(int file, int rank, int piece, int colour) const {
  CheckBoardSquare(file, rank);
  const SquareRec &sq = board_[SquareIndex(file, rank)];
  return sq.piece == piece && sq.colour == colour;
}

bool BasePositionO::IsEmpty() const {
  for (const auto &sq : board_)
    if (sq.piece != pNone) return false;
  return true;
}

bool BasePositionO::IsStartPosition() const {
  BasePositionO start;
  for (int rank : {1, 2, 7, 8})
    for (int f = 1; f <= 8; ++f) {
      const SquareRec &a = board_[SquareIndex(f, rank)];
      const SquareRec &b = start.board_[SquareIndex(f, rank)];
      if (a.piece != b.piece || a.colour != b.colour) return false;
    }
  if (moveNumber_ != start.moveNumber_ || sideToMove_ != start.sideToMove_) return false;
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < 2; ++s)
      if (castling_[c][s] != start.castling_[c][s]) return false;
  return true;
}

bool BasePositionO::CastlingPiecesInPlace(int colour, int side) const {
  if (colour != cWhite && colour != cBlack) return false;
  CheckSide(side);
  const int rank = BackRank(static_cast<std::uint8_t>(colour));
  return IsPieceAt(5, rank, pKing, colour) && IsPieceAt(side == csKingSide ? 8 : 1, rank, pRook, colour);
}

namespace {

struct MaterialCount {
  int n[2][7] = {};
};

MaterialCount CountMen(const SquareRec (&board)[64]) {
  MaterialCount mc;
  for (const auto &sq : board) {
    if (sq.piece == pNone) continue;
    if (sq.colour > cBlack || sq.piece > pKing) throw ERangeError("Square holds an invalid man");
    ++mc.n[sq.colour][sq.piece];
  }
  return mc;
}

// A side holds one king and at most 8 pawns, and every piece beyond the
// initial set (one queen, two rooks, bishops, knights) stands for a
// promoted pawn.
SetupFault SideMaterialFault(const int (&n)[7]) {
  if (n[pKing] != 1) return SetupFault::Kings;
  auto extra = [](int have, int initial) { return have > initial ? have - initial : 0; };
  const int promoted = extra(n[pQueen], 1) + extra(n[pRook], 2) + extra(n[pBishop], 2) + extra(n[pKnight], 2);
  return n[pPawn] > 8 || n[pPawn] + promoted > 8 ? SetupFault::TooManyMen : SetupFault::None;
}

}  // namespace

SetupFault BasePositionO::SideFault(int colour) const {
  CheckPlayerColour(colour);
  const MaterialCount mc = CountMen(board_);
  if (const SetupFault f = SideMaterialFault(mc.n[colour]); f != SetupFault::None) return f;
  for (int side = 0; side < 2; ++side)
    if (castling_[colour][side] && !CastlingPiecesInPlace(colour, side)) return SetupFault::Castling;
  return SetupFault::None;
}

SetupFault BasePositionO::SetupFaultOf() const {
  CountMen(board_);  // raises on a square with an invalid colour
  const SetupFault white = SideFault(cWhite);
  return white != SetupFault::None ? white : SideFault(cBlack);
}

bool BasePositionO::IsPawnBeforePromotion(int file, int rank) const {
  CheckBoardSquare(file, rank);
  const SquareRec &sq = board_[SquareIndex(file, rank)];
  return sq.piece == pPawn && ((sq.colour == cWhite && rank == 7) || (sq.colour == cBlack && rank == 2));
}

bool BasePositionO::IsEnPassantVictim(int file, int rank) const {
  CheckBoardSquare(file, rank);
  if (epFile_ != file) return false;
  const SquareRec &sq = board_[SquareIndex(file, rank)];
  if (sq.piece != pPawn || sq.colour != OppositeSide(sideToMove_)) return false;
  return (sq.colour == cBlack && rank == 5) || (sq.colour == cWhite && rank == 4);
}

void BasePositionO::NullMove(MoveRec &move) const {
  int file = 1, rank = 1;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      const SquareRec &sq = board_[SquareIndex(f, r)];
      if (sq.piece == pKing && sq.colour == sideToMove_) {
        file = f;
        rank = r;
      }
    }
  move.SetNullMove(file, rank);
}

void BasePositionO::MoveNumberText(std::string &text) const {
  text = std::to_string(moveNumber_) + ".";
  if (sideToMove_ == cBlack) text += " ...";
}

void BasePositionO::MaterialText(LanguageId language, bool viewFromBlack, std::string &text,
                                 bool cancelMinors) const {
  const MaterialCount mc = CountMen(board_);
  int d[7];
  for (int p = 0; p < 7; ++p) d[p] = mc.n[cWhite][p] - mc.n[cBlack][p];
  if (cancelMinors && ((d[pBishop] > 0 && d[pKnight] < 0) || (d[pBishop] < 0 && d[pKnight] > 0))) {
    while (d[pBishop] != 0 && d[pKnight] != 0) {
      d[pBishop] += d[pBishop] > 0 ? -1 : 1;
      d[pKnight] += d[pKnight] > 0 ? -1 : 1;
    }
  }
  std::string white, black;
  for (int p = pKing; p >= pPawn; --p) {
    if (d[p] == 0) continue;
    std::string &side = d[p] > 0 ? white : black;
    const int count = d[p] > 0 ? d[p] : -d[p];
    if (!side.empty()) side += "+";
    if (count > 1) side += std::to_string(count);
    side += PieceToText(static_cast<std::uint8_t>(p), d[p] > 0 ? cWhite : cBlack, language, nullptr);
  }
  if (white.empty() && black.empty()) {
    text.clear();
  } else if (white.empty()) {
    text = (viewFromBlack ? "+ " : "- ") + black;
  } else if (black.empty()) {
    text = (viewFromBlack ? "- " : "+ ") + white;
  } else {
    LanguageId words = language;
    const std::string versus = LangVersusText(words);
    text = viewFromBlack ? white + " " + versus + " " + black : black + " " + versus + " " + white;
  }
}
