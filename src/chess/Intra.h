#pragma once
// InterpreterO turns typed or read move text into a legal move of its bound
// position. A small non-deterministic recogniser (states 1 to 30) reads one
// character at a time, so the board can take moves from the keyboard and the
// PGN reader can read short, long and coordinate notation, pawn-capture short
// forms and castling in any notation language. It also fills in the two
// notation fields of a completed move (disambiguation and check code).
#include <cstdint>
#include <string>
#include <vector>

#include "chess/Diags.h"
#include "chess/MoveGen.h"
#include "chess/Moves.h"

// FeedChar results.
inline constexpr std::uint8_t isRecognised = 0;
inline constexpr std::uint8_t isRejected = 1;
inline constexpr std::uint8_t isMoreInput = 2;

inline constexpr char kEscapeChar = 27;
inline constexpr char kBackspaceChar = 8;

class InterpreterO {
 public:
  static constexpr int kMaxSignificant = 5;
  static constexpr int kMaxStates = 10;
  static constexpr int kMaxFound = 10;

  InterpreterO() { Init(); }
  InterpreterO(const InterpreterO &) = delete;
  InterpreterO &operator=(const InterpreterO &) = delete;

  void Init();
  void Done() { position_ = nullptr; }
  void SetPosition(BasePositionO *position);
  BasePositionO *Position() const { return position_; }
  void MoveMade(const MoveRec &move);
  void MoveUnmade(const MoveRec &move);
  void SetLanguage(LanguageId language) { language_ = language; }
  LanguageId Language() const { return language_; }

  void Reset();
  // Escape (27) resets, Backspace (8) drops the last typed character.
  // With status isRecognised the move is copied out.
  std::uint8_t FeedChar(char c, MoveRec &move);
  // True when every character was fed and the last status recognises a move.
  bool InterpretText(const std::string &text, MoveRec &move);
  const std::string &TypedText() const { return typed_; }
  std::uint8_t Status() const { return status_; }
  const std::string &SignificantText() const { return significant_; }
  const std::vector<std::uint8_t> &States() const { return states_; }

  // Short-notation code of a move from the square among the candidates (the
  // legal moves of its kind to the same square, itself included).
  std::uint8_t Disambiguation(int fromFile, int fromRank, const MoveListO &candidates) const;
  // Exactly one pawn of the side to move on fromFile can capture onto toFile.
  bool PawnCaptureUnique(int fromFile, int toFile);
  // Sets disambiguation and check code of a move completed by the rules.
  void FillSanFields(MoveRec &move);

 private:
  bool IsPieceLetter(char c) const;
  int PieceOf(char c) const;
  void Step(char c);
  void Resolve(std::uint8_t state, std::vector<MoveRec> &found);
  // Resolves the final states; on a candidate the last one is recognised
  // and copied out.
  bool ResolveFinal(MoveRec &move);
  // Moves to the square by the given piece kind (0: any).
  void MovesTo(int file, int rank, int piece, MoveListO &list);
  bool FindMove(int fromFile, int fromRank, int toFile, int toRank, int promotion, MoveRec &move);
  bool PawnCaptureByFiles(int fromFile, int toFile, int promotion, MoveRec &move);
  MoveGenO &Gen() { return generator_; }

  BasePositionO *position_ = nullptr;
  MoveGenO generator_;
  std::vector<std::uint8_t> states_;
  std::string significant_;
  std::string typed_;
  std::uint8_t dashSeen_ = 0;
  std::uint8_t status_ = isMoreInput;
  MoveRec result_;
  // Reused lists, so that reading a move allocates nothing.
  MoveListO allScratch_;
  MoveListO findList_;
  MoveListO pawnList_;
  MoveListO resolveList_;
  std::vector<MoveRec> found_;
  LanguageId language_ = 0;
};
