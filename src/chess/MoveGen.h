#pragma once
// MoveGenO: the rules bound to one BasePositionO. It generates the legal
// moves from a square, to a square or of the whole side to move, tells
// check, mate and stalemate, and completes move records so that the
// position can play and take them back. MovePickerO ranks the candidate
// moves of a click on one square.
#include <cstdint>

#include "chess/Diags.h"
#include "chess/Moves.h"

// Piece values for ranking candidate moves, indexed by piece code.
inline constexpr int kPieceValues[7] = {0, 1, 3, 3, 5, 9, 200};

class MoveGenO {
 public:
  MoveGenO() { Init(nullptr); }
  explicit MoveGenO(BasePositionO *position) { Init(position); }

  void Init(BasePositionO *position);
  void Done() { position_ = nullptr; }
  void SetPosition(BasePositionO *position) { position_ = position; }
  BasePositionO *Position() const { return position_; }

  // Hooks the position object calls; the caches need nothing.
  void MoveMade(const MoveRec &) {}
  void MoveUnmade(const MoveRec &) {}

  // Fills the derived fields of a move whose from, to and promotion are set,
  // in the bound position before the move. Disambiguation and check code
  // are left to the move interpreter.
  void CompleteMove(MoveRec &move);

  bool IsInCheck(int colour);
  // gsNormal, gsCheck, gsCheckmate or gsStalemate for the side to move.
  std::uint8_t GameState();
  // Legal from -> to; promotionNeeded tells that a pawn is about to
  // promote. from == to on the mover's own king is the (legal) null move.
  bool IsLegalMove(int fromFile, int fromRank, int toFile, int toRank, bool &promotionNeeded);
  bool IsLegal(int fromFile, int fromRank, int toFile, int toRank);

  // Full-mode legal moves appended to the list. Generated moves carry
  // piece, colour, captured piece, en-passant flag and move number.
  void MovesToSquare(int file, int rank, MoveListO &list);
  void MovesFromSquare(int file, int rank, MoveListO &list);
  // Every legal move of the side to move, full mode.
  void AllMoves(MoveListO &list);
  // True when exactly one legal move goes to (comes from) the square; the
  // first one found is copied out when there is at least one.
  bool UniqueMoveTo(int file, int rank, MoveRec &move);
  bool UniqueMoveFrom(int file, int rank, MoveRec &move);
  // Legal moves of one piece kind of the side to move to the square
  // (a pawn filter gives its captures and pushes to the square).
  void PieceMovesToSquare(int file, int rank, MoveListO &list, int piece);
  // The pawn moves of MovesToSquare, in its order, with its promotions.
  void PawnMovesToSquare(int file, int rank, MoveListO &list);
  // Piece kind of the least valuable man of that colour attacking the
  // square (first found among equals); 0 when none.
  std::uint8_t LowestAttackerValue(int file, int rank, int colour);
  // Whether the first man met from the square in the direction is a man
  // of that colour attacking the square.
  bool AttacksFromDirection(int file, int rank, int colour, int direction);

  // Promotion pieces generated in full mode: all four (default) or the
  // queen only.
  void SetDefaultQueenOnly(bool flag) { defaultQueenOnly_ = flag ? 1 : 0; }
  bool DefaultQueenOnly() const { return defaultQueenOnly_ != 0; }

 private:
  void SetMode(bool filter, bool queenOnly, bool stopAtTwo, int piece = 0);
  // Unfiltered mode, the list's start, and the legality caches for a query.
  void StartQuery(bool queenOnly, bool stopAtTwo, int startCount);
  BasePositionO &Pos();
  bool InCheck(int colour);
  // Only the first `reach` squares of the ray are looked at.
  bool Attacks(int square, int colour, int direction, int reach = 8) const;
  int KingIndex(int colour);
  bool CanCastle(int colour, int side) const;
  bool Stop(const MoveListO &list) const {
    return stopAfter_ != 0 && list.Count() - startCount_ >= stopAfter_;
  }
  void PrepareLegality();
  // Whether the man, not a king, has a step its kind allows that is no en
  // passant capture; legal when the mover is out of check and it is unpinned.
  bool FreeMoveOf(int from) const;
  bool SafeAfter(int from, int to, bool enPassant);
  void AddMove(int from, int to, bool enPassant, MoveListO &list);
  void AddCastling(int colour, int side, MoveListO &list);
  void GenerateMovesFrom(int from, MoveListO &list);
  void GenerateAll(MoveListO &list);
  void GenerateMovesTo(int target, MoveListO &list);

  BasePositionO *position_ = nullptr;
  std::uint8_t kingSquare_[2][2] = {{5, 1}, {5, 8}};  // {file, rank}
  std::uint8_t pieceFilter_ = 0;
  std::uint8_t queenOnly_ = 0;
  std::uint8_t stopAtTwo_ = 0;
  std::uint8_t defaultQueenOnly_ = 0;
  std::uint8_t filterPiece_ = 0;
  // Generation stops once the query has this many moves (0: never).
  int stopAfter_ = 0;
  // Per query: where the list started, whether the mover was in check and,
  // when not, the mover's men pinned to its king (a mover not in check can
  // only expose its king through the vacated from square).
  int startCount_ = 0;
  bool moverInCheck_ = false;
  int moverKing_ = -1;
  int pinCount_ = 0;
  std::uint8_t pinned_[8] = {};
  std::uint8_t pinDirection_[8] = {};
  // The board and side those were worked out for.
  bool prepared_ = false;
  std::uint8_t preparedSide_ = 0;
  SquareRec preparedBoard_[64];
  // The last one-kind query to a square: what it depended on, its moves
  // and the king squares it left.
  struct PieceQuery {
    SquareRec board[64];
    std::uint8_t castling[2][2];
    std::uint8_t kingSquare[2][2];
    std::uint8_t side, epFile, moveNumber, file, rank, piece;
  };
  PieceQuery lastPieceQuery_;
  bool lastPieceQueryValid_ = false;
  MoveListO lastPieceMoves_;
  std::uint8_t lastPieceKingSquare_[2][2] = {};
  MoveListO scratch_;
};

// Turns a click on a square into a ranked list of candidate moves, in a
// position kept in step with the game through MoveMade and MoveUnmade.
class MovePickerO {
 public:
  MovePickerO() { Init(); }
  MovePickerO(const MovePickerO &) = delete;
  MovePickerO &operator=(const MovePickerO &) = delete;

  void Init();
  void Done() {}
  // A position that is not the standard start becomes start and current
  // position; null or the standard start gives the standard start.
  void SetPosition(const BasePositionO *position);
  // The move must be completed in the current position.
  void MoveMade(const MoveRec &move);
  // Drops the last move and takes it back (the argument is not needed).
  void MoveUnmade();
  void MoveUnmade(const MoveRec &) { MoveUnmade(); }
  void PickMoves(int file, int rank, MoveListO &list);

  const BasePositionO &Current() const { return current_; }
  const BasePositionO &Start() const { return start_; }
  bool HasStartPosition() const { return startGiven_; }
  const MoveListO &Moves() const { return moves_; }

 private:
  BasePositionO start_;
  BasePositionO current_;
  MoveListO moves_;
  bool startGiven_ = false;
  MoveGenO gen_;
};
