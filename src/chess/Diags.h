#pragma once
// The small codes every chess unit shares (colour, piece, square, castling
// side) and the plain position record BasePositionO: board, side to move,
// move number, en-passant file, castling rights and notation language.
#include <cstdint>
#include <string>

#include "foundation/LangMan.h"

using ColorT = std::uint8_t;
inline constexpr ColorT cWhite = 0;
inline constexpr ColorT cBlack = 1;
inline constexpr ColorT cNone = 2;

// Piece codes.
inline constexpr std::uint8_t pNone = 0;
inline constexpr std::uint8_t pPawn = 1;
inline constexpr std::uint8_t pKnight = 2;
inline constexpr std::uint8_t pBishop = 3;
inline constexpr std::uint8_t pRook = 4;
inline constexpr std::uint8_t pQueen = 5;
inline constexpr std::uint8_t pKing = 6;

// Castling sides.
inline constexpr std::uint8_t csQueenSide = 0;
inline constexpr std::uint8_t csKingSide = 1;

// Game state codes (MoveRec check code, MoveGenO::GameState).
inline constexpr std::uint8_t gsNormal = 0;
inline constexpr std::uint8_t gsCheck = 1;
inline constexpr std::uint8_t gsCheckmate = 3;
inline constexpr std::uint8_t gsStalemate = 4;

// 0 <-> 1; any other value is returned unchanged.
constexpr std::uint8_t OppositeSide(std::uint8_t colour) { return colour <= 1 ? 1 - colour : colour; }
std::uint8_t CastlingKingToFile(std::uint8_t side);
std::uint8_t CastlingRookFromFile(std::uint8_t side);
std::uint8_t CastlingRookToFile(std::uint8_t side);
constexpr std::uint8_t CastlingSideOfKingFile(std::uint8_t file) { return file == 7 ? 1 : 0; }
constexpr std::uint8_t CastlingSideOfRookFile(std::uint8_t file) { return file == 1 ? 0 : 1; }
constexpr std::uint8_t BackRank(std::uint8_t colour) { return colour == cWhite ? 1 : 8; }
constexpr std::uint8_t PawnStartRank(std::uint8_t colour) { return colour == cWhite ? 2 : 7; }
constexpr std::uint8_t OpponentPawnStartRank(std::uint8_t colour) { return colour == cWhite ? 7 : 2; }

// Board index of a square: file-major, (file-1)*8 + (rank-1).
constexpr int SquareIndex(int file, int rank) { return (file - 1) * 8 + (rank - 1); }
constexpr int IndexFile(int index) { return index / 8 + 1; }
constexpr int IndexRank(int index) { return index % 8 + 1; }

// Range checks shared by the chess units; each raises ERangeError.
void CheckBoardSquare(int file, int rank);
void CheckPlayerColour(int colour);

// Why a set-up is refused, in the order the checks run.
enum class SetupFault : std::uint8_t { None, Unreadable, Kings, TooManyMen, Castling, Check };

struct SquareRec {
  std::uint8_t colour = cNone;
  std::uint8_t piece = pNone;
};
static_assert(sizeof(SquareRec) == 2);

class MoveRec;
class MoveGenO;

class BasePositionO {
 public:
  BasePositionO() { Init(); }

  void Init();
  void Done() {}
  void Copy(const BasePositionO &source) { *this = source; }
  void InitCopy(const BasePositionO &source) {
    Init();
    Copy(source);
  }
  bool Equal(const BasePositionO &other) const;
  void SetStartPosition();

  // The move must have been completed (MoveGenO::CompleteMove). MakeMove
  // refuses a move beyond move 255 before changing anything.
  void MakeMove(const MoveRec &move);
  void UnmakeMove(const MoveRec &move);

  void SetSquare(int file, int rank, int piece, int colour);
  void ClearSquare(int file, int rank);
  void ClearBoard();
  void SetSideToMove(int colour);
  std::uint8_t SideToMove() const { return sideToMove_; }
  // 1..255; an int, so a larger value is refused instead of wrapping.
  void SetMoveNumber(int number);
  std::uint8_t MoveNumber() const { return moveNumber_; }
  void SetCastling(int colour, int side, bool flag);
  bool Castling(int colour, int side) const;
  void SetEnPassantFile(int file);
  std::uint8_t EnPassantFile() const { return epFile_; }
  void SetLanguage(LanguageId language) { language_ = language; }
  LanguageId Language() const { return language_; }

  std::uint8_t PieceAt(int file, int rank) const;
  std::uint8_t ColourAt(int file, int rank) const;
  bool IsPieceAt(int file, int rank, int piece, int colour) const;
  bool IsEmpty() const;
  bool IsStartPosition() const;
  bool CastlingPiecesInPlace(int colour, int side) const;
  // Plausibility of one side's men (see IsLegalSetup).
  bool CheckSideMaterial(int colour) const { return SideFault(colour) == SetupFault::None; }
  bool IsLegalSetup() const { return SetupFaultOf() == SetupFault::None; }
  // The first of Kings, TooManyMen, Castling that fails, White's side first; None.
  SetupFault SetupFaultOf() const;
  SetupFault SideFault(int colour) const;
  bool IsPawnBeforePromotion(int file, int rank) const;
  bool IsEnPassantVictim(int file, int rank) const;
  void NullMove(MoveRec &move) const;
  void MoveNumberText(std::string &text) const;
  // Material balance; viewFromBlack puts Black's side first.
  void MaterialText(LanguageId language, bool viewFromBlack, std::string &text, bool cancelMinors) const;

  // Unchecked access by board index, for the rules code.
  const SquareRec &At(int index) const { return board_[index]; }

 protected:
  friend class MoveGenO;
  SquareRec board_[64];
  std::uint8_t sideToMove_ = cWhite;
  std::uint8_t moveNumber_ = 1;
  std::uint8_t epFile_ = 0;
  std::uint8_t castling_[2][2] = {{1, 1}, {1, 1}};
  LanguageId language_ = 0;
};
