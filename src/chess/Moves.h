#pragma once
// MoveRec, the one move record: the squares and promotion that identify a
// move, plus the fields the rules object fills in so that a position can
// play and take back the move and its notation can be written without the
// position. MoveListO is a 1-based list of move records.
#include <cstdint>
#include <string>
#include <vector>

#include "chess/Diags.h"

struct DisplayOptionsRec;

// Text kinds of MoveRec::ToText.
inline constexpr std::uint8_t mtShort = 0;
inline constexpr std::uint8_t mtLong = 1;
inline constexpr std::uint8_t mtShortNumbered = 2;
inline constexpr std::uint8_t mtLongNumbered = 3;
inline constexpr std::uint8_t mtShortCompact = 4;
inline constexpr std::uint8_t mtShortCompact2 = 5;
inline constexpr std::uint8_t mtCoordinate = 6;

class MoveRec {
 public:
  std::uint8_t fromFile = 0, fromRank = 0;
  std::uint8_t toFile = 0, toRank = 0;
  std::uint8_t promotion = 0;
  std::uint8_t moveNumber = 0;
  std::uint8_t colour = 0;
  std::uint8_t piece = 0;
  std::uint8_t captured = 0;
  std::uint8_t epCapture = 0;
  std::uint8_t epFileBefore = 0;
  std::uint8_t epFileAfter = 0;
  std::uint8_t castlingBefore[4] = {0, 0, 0, 0};  // wq, wk, bq, bk
  std::uint8_t castlingAfter[4] = {0, 0, 0, 0};
  std::uint8_t disambiguation = 0;
  std::uint8_t checkCode = 0;

  void Init() {}
  void Done() {}
  void Assign(const MoveRec &source) { *this = source; }
  void CopyTo(MoveRec &target) const { target = *this; }
  // Sets the identifying fields; the derived ones keep their values.
  void SetMove(int fromFile, int fromRank, int toFile, int toRank, int promotion);
  void SetNullMove(int file, int rank);
  // Same from, to and promotion; the derived fields are ignored.
  bool Equal(const MoveRec &other) const {
    return fromFile == other.fromFile && fromRank == other.fromRank && toFile == other.toFile &&
           toRank == other.toRank && promotion == other.promotion;
  }
  bool IsNullMove() const { return fromFile == toFile && fromRank == toRank; }
  bool IsPromotion() const { return promotion != 0; }
  bool IsCapture() const { return captured != 0; }
  bool IsEnPassant() const { return epCapture != 0; }
  bool IsCastling() const { return piece == pKing && fromFile == 5 && (toFile == 3 || toFile == 7); }
  std::uint8_t CastlingRookFrom() const { return toFile == 7 ? 8 : 1; }
  std::uint8_t CastlingRookTo() const { return toFile == 7 ? 6 : 4; }

  std::uint8_t FromFile() const { return fromFile; }
  std::uint8_t FromRank() const { return fromRank; }
  std::uint8_t ToFile() const { return toFile; }
  std::uint8_t ToRank() const { return toRank; }
  std::uint8_t Promotion() const { return promotion; }
  std::uint8_t MoveNumber() const { return moveNumber; }
  std::uint8_t Colour() const { return colour; }
  std::uint8_t Piece() const { return piece; }
  std::uint8_t Captured() const { return captured; }
  std::uint8_t EpFileBefore() const { return epFileBefore; }
  std::uint8_t EpFileAfter() const { return epFileAfter; }
  // index 0..3: white queen side, white king side, black queen side, black king side
  std::uint8_t CastlingBefore(int index) const;
  std::uint8_t CastlingAfter(int index) const;
  std::uint8_t Disambiguation() const { return disambiguation; }
  std::uint8_t CheckCode() const { return checkCode; }

  void SetPiece(int piece);
  void SetCaptured(int piece);
  void SetColour(int colour);
  void SetEnPassant(bool flag) { epCapture = flag ? 1 : 0; }
  void SetEpFileBefore(int file);
  void SetEpFileAfter(int file);
  void SetCastlingBefore(int index, bool flag);
  void SetCastlingAfter(int index, bool flag);
  void SetDisambiguation(int code);
  void SetCheckCode(int code);
  // 0..255; an int, so a larger value is refused instead of wrapping.
  void SetMoveNumber(int number);

  // The move as text in one of the kinds mtShort..mtCoordinate.
  // display may be null (plain letters).
  void ToText(int kind, LanguageId language, const DisplayOptionsRec *display, std::string &text) const;
  std::string ToText(int kind, LanguageId language = 0) const {
    std::string s;
    ToText(kind, language, nullptr, s);
    return s;
  }
};

// 1-based list of moves, at most 65535; an index outside 1..Count (1..Count+1
// for Insert) and Add on a full list raise ERangeError and change nothing.
class MoveListO {
 public:
  static constexpr int kMaxCount = 65535;

  void Init() { moves_.clear(); }
  void Done() { moves_.clear(); }
  void Clear() { moves_.clear(); }
  void Reset() { moves_.clear(); }
  void Assign(const MoveListO &source) { moves_ = source.moves_; }
  std::uint16_t Count() const { return static_cast<std::uint16_t>(moves_.size()); }
  void Get(int index, MoveRec &move) const;
  MoveRec Get(int index) const;
  const MoveRec &At(int index) const;  // checked, by reference
  void Insert(int index, const MoveRec &move);
  void Add(const MoveRec &move) {
    if (Full()) ThrowFull();
    moves_.push_back(move);
  }
  void Delete(int index);
  void GetLast(MoveRec &move) const { Get(Count(), move); }
  void DeleteLast() { Delete(Count()); }

  // The rules code appends with this after it has checked the room.
  bool Full() const { return moves_.size() >= static_cast<std::size_t>(kMaxCount); }
  void AddUnchecked(const MoveRec &move) { moves_.push_back(move); }
  // Appends a blank record to fill in place (checked like Add).
  MoveRec &AddNew() {
    if (Full()) ThrowFull();
    return moves_.emplace_back();
  }
  void Reserve(std::size_t n) { moves_.reserve(n); }
  const MoveRec &Unchecked(int index) const { return moves_[index - 1]; }
  MoveRec &Unchecked(int index) { return moves_[index - 1]; }

 private:
  [[noreturn]] static void ThrowFull();
  std::vector<MoveRec> moves_;
};
