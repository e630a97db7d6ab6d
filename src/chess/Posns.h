#pragma once
// PositionO: the position the rest of the program works with. A position
// record with its own rules object and move interpreter, an optional
// click-move picker and observer, a saved copy for trial set-ups, the
// notation language and the operations of an EPD record. It plays and takes
// back moves keeping its helpers in step, completes move records, answers
// rule queries and reads and writes FEN and EPD.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chess/Diags.h"
#include "chess/Intra.h"
#include "chess/MoveGen.h"
#include "chess/Moves.h"

class InputO;
class PositionO;

// Told of every move made or taken back on the position it is bound to;
// the hooks change nothing unless a subclass gives them work.
class PositionObserverO {
 public:
  virtual ~PositionObserverO() = default;
  void SetPosition(PositionO *position) { position_ = position; }
  PositionO *Position() const { return position_; }
  virtual void MoveMade(const MoveRec &) {}
  virtual void MoveUnmade(const MoveRec &) {}

 protected:
  PositionO *position_ = nullptr;
};

class PositionO {
 public:
  // EPD operations and operands are 1-based lists of at most this many.
  static constexpr int kMaxEpdItems = 65535;

  PositionO() { Init(); }
  ~PositionO() { Done(); }
  PositionO(const PositionO &) = delete;
  PositionO &operator=(const PositionO &) = delete;

  void Init();
  void Done();
  // Copies the record and the EPD operations; helpers stay bound to this.
  void Assign(const PositionO &source);
  void InitCopy(const PositionO &source) {
    Init();
    Assign(source);
  }
  bool SameAs(const PositionO &other) const { return pos_.Equal(other.pos_); }
  // The standard start position.
  void Reset();

  // The move must be completed (CompleteMove or BuildMove).
  void MakeMove(const MoveRec &move);
  void UnmakeMove(const MoveRec &move);

  void SaveCopy();
  // Puts the saved copy back, unless onlyIfInvalid is set and the current
  // position is valid; the copy is released either way.
  void RestoreCopy(bool onlyIfInvalid);
  bool HasSavedCopy() const { return savedCopy_ != nullptr; }

  // All derived fields, disambiguation and check code.
  void CompleteMove(MoveRec &move);
  void BuildMove(int fromFile, int fromRank, int toFile, int toRank, int promotion, MoveRec &move);
  // The null move of the side to move, completed.
  void FillMove(MoveRec &move);

  // A plausible set-up whose side not to move is not in check.
  bool IsValid() { return Fault() == SetupFault::None; }
  // What makes the set-up invalid (not Unreadable), or None.
  SetupFault Fault();
  std::uint8_t GameState() { return rules_.GameState(); }
  bool IsLegalMove(int fromFile, int fromRank, int toFile, int toRank, bool &promotionNeeded) {
    return rules_.IsLegalMove(fromFile, fromRank, toFile, toRank, promotionNeeded);
  }
  bool IsLegal(int fromFile, int fromRank, int toFile, int toRank) {
    return rules_.IsLegal(fromFile, fromRank, toFile, toRank);
  }
  bool UniqueMoveTo(int file, int rank, MoveRec &move) { return rules_.UniqueMoveTo(file, rank, move); }
  bool UniqueMoveFrom(int file, int rank, MoveRec &move) { return rules_.UniqueMoveFrom(file, rank, move); }

  void EnablePicker();
  void DisablePicker();
  bool HasPicker() const { return picker_ != nullptr; }
  // With a picker its ranked candidates; otherwise the legal moves from the
  // square when it holds a man of the side to move, else those to it.
  void MovesForSquare(int file, int rank, MoveListO &list);
  // MovesForSquare of every man of the side to move, files a to h, each
  // from rank 1 up.
  std::vector<MoveRec> MovesOfSideToMove();

  // Takes ownership; null removes the observer.
  void SetObserver(std::unique_ptr<PositionObserverO> observer);
  PositionObserverO *Observer() const { return observer_.get(); }

  bool InterpretMove(const std::string &text, MoveRec &move) {
    return interpreter_.InterpretText(text, move);
  }
  void ResetInterpreter() { interpreter_.Reset(); }
  std::uint8_t FeedMoveChar(char c, MoveRec &move) { return interpreter_.FeedChar(c, move); }
  const std::string &TypedMoveText() const { return interpreter_.TypedText(); }

  void SetLanguage(LanguageId language);
  LanguageId Language() const { return language_; }

  // Record access.
  const BasePositionO &Base() const { return pos_; }
  // The setters keep the picker on the edited position.
  void SetSquare(int file, int rank, int piece, int colour) {
    pos_.SetSquare(file, rank, piece, colour);
    Edited();
  }
  void ClearSquare(int file, int rank) {
    pos_.ClearSquare(file, rank);
    Edited();
  }
  void SetSideToMove(int colour) {
    pos_.SetSideToMove(colour);
    Edited();
  }
  // 1..255; anything else is a range error.
  void SetMoveNumber(int number);
  void SetCastling(int colour, int side, bool flag) {
    pos_.SetCastling(colour, side, flag);
    Edited();
  }
  void SetEnPassantFile(int file) {
    pos_.SetEnPassantFile(file);
    Edited();
  }
  void ClearBoard() {
    pos_.ClearBoard();
    Edited();
  }
  std::uint8_t SideToMove() const { return pos_.SideToMove(); }
  std::uint8_t MoveNumber() const { return pos_.MoveNumber(); }
  bool IsStartPosition() const { return pos_.IsStartPosition(); }
  bool IsEmpty() const { return pos_.IsEmpty(); }
  std::uint8_t EnPassantFile() const { return pos_.EnPassantFile(); }
  void MoveNumberText(std::string &text) const { pos_.MoveNumberText(text); }
  void MaterialText(LanguageId language, bool viewFromBlack, std::string &text, bool cancelMinors) const {
    pos_.MaterialText(language, viewFromBlack, text, cancelMinors);
  }
  std::uint8_t PieceAt(int file, int rank) const { return pos_.PieceAt(file, rank); }
  std::uint8_t ColourAt(int file, int rank) const { return pos_.ColourAt(file, rank); }
  bool IsPieceAt(int file, int rank, int piece, int colour) const {
    return pos_.IsPieceAt(file, rank, piece, colour);
  }
  bool Castling(int colour, int side) const { return pos_.Castling(colour, side); }
  bool CastlingPiecesInPlace(int colour, int side) const { return pos_.CastlingPiecesInPlace(colour, side); }

  // FEN and EPD. A text that does not read, or that reads as a position
  // the set-up rules refuse, answers false and leaves this position as it
  // was. Setting a FEN clears the EPD operations.
  bool SetFEN(const std::string &text);
  // The same, answering why a text is refused (None when it was set).
  SetupFault SetFENFault(const std::string &text);
  std::string GetFEN() const;
  bool SetEPD(const std::string &text);
  std::string GetEPD() const;

  int EpdOpCount() const { return static_cast<int>(epdOpcodes_.size()); }
  const std::string &EpdOpName(int i) const;
  // Appends a name with no operands; answers the new count.
  int AddEpdOp(const std::string &name);
  int EpdOperandCount(int i) const;
  const std::string &EpdOperand(int i, int j) const;
  void AddEpdOperand(int i, const std::string &text);

 private:
  void Rebind();
  // A set-up edit: the picker starts again from the edited position.
  void Edited() {
    if (picker_) picker_->SetPosition(&pos_);
  }
  // The four position fields, then the counters (FEN) or the operations.
  bool ReadText(InputO &in, bool epd);
  // Reads into a fresh position and takes it only when it reads and is valid.
  SetupFault SetFromText(const std::string &text, bool epd);
  bool ReadEpdOps(InputO &in);
  std::string PositionFields() const;

  BasePositionO pos_;
  MoveGenO rules_;
  InterpreterO interpreter_;
  std::unique_ptr<PositionObserverO> observer_;
  std::unique_ptr<MovePickerO> picker_;
  std::unique_ptr<BasePositionO> savedCopy_;
  LanguageId language_ = 0;
  std::vector<std::string> epdOpcodes_;
  std::vector<std::vector<std::string>> epdOperands_;
};
