#pragma once
// Reading packed games back: the navigator over every ply of a game
// (QZGamePlayerO), the PGN movetext of a block (WriteGamePGN) and the
// rewrite of a game with two-byte moves (ReencodeGame). All of them read the
// stream through PackedStreamWalker.
#include <cstdint>
#include <string>
#include <vector>

#include "database/QZStream.h"
#include "database/QZUtils.h"

// The walker's source over an attached QZGameManagerO.
class ManagerStreamSource : public PackedStreamSource {
 public:
  explicit ManagerStreamSource(QZGameManagerO &man) : man_(man) {}
  int Encoding() const override { return man_.MoveEncoding(); }
  bool ReadStreamByte(uint8_t &b) override { return man_.ReadMoveByte(b); }
  bool ReadNag(uint8_t &value) override { return man_.ReadNAG(value); }
  bool ReadComment(std::string &text) override { return man_.ReadComment(text); }

 private:
  QZGameManagerO &man_;
};

// The position a block's game starts from (its start position, else the
// initial one), numbered from the full-move number of its "FEN" tag when
// that is 1..255 (the stored start position keeps no number). The manager
// must be attached; false when the stored start position is damaged: not
// readable, or not a position of a game (one king a side, the side not to
// move not in check, no pawn on rank 1 or 8, castling rooks on their own
// corners, a consistent en-passant pawn).
bool BlockStartPosition(QZGameManagerO &man, MailboxPos &pos);

// One ply of a game: entry 1 is the start, every other entry a move.
struct PlyEntry {
  Move2 move;                      // the move that leads here
  uint32_t continuations = 0;      // moves that may follow: main move plus variations
  uint32_t firstContinuation = 0;  // entry of the main move after this ply, 0 at a line's end
  uint32_t nextAlternative = 0;    // entry of the next move that replaces this one, 0 when none
  std::string comment;             // after this move, several joined by a blank
  uint8_t nag = 0;                 // the last NAG after this move, 0 when none
  // A variation's annotations before its first move belong to that move;
  // those of a variation without moves to the move it stands beside.
};

class QZGamePlayerO {
 public:
  static constexpr int kMaxPath = 512;

  // A game holds at most 509 plies (Black cannot move at 255), so the path
  // limit matters only when it is set lower.
  explicit QZGamePlayerO(int maxPath = kMaxPath) : maxPath_(maxPath) { Init(); }
  // An empty player: no game, the initial position.
  void Init();
  void Done();

  // Indexes every ply of the block and goes to its start. A damaged block
  // (see PackedStreamWalker::Walk, and what QZGameManagerO::Attach refuses)
  // gives false and leaves the player empty. The block is not kept.
  bool Attach(const GameBuffer &buf);
  bool Attach(const uint8_t *bytes, uint32_t length);

  void GoToStart();
  // Plays the n-th continuation of the current ply (1 = the main move).
  // False, with nothing changed, when there is no such move or the path
  // already holds the limit of moves.
  bool Forward(int n = 1);
  // Takes back the last move of the path; false when there is none.
  bool Back();
  bool CanGoBack() const { return current_ > 1; }
  // The number of moves that may follow the current ply.
  int CurrentPly() const;
  const MailboxPos &CurrentPosition() const { return position_; }

  // The ply table: entries 1..EntryCount (1 is the start); 0 entries when
  // the player holds no game.
  uint32_t EntryCount() const { return static_cast<uint32_t>(entries_.size()) - 1; }
  uint32_t CurrentEntry() const { return current_; }
  // ERangeError outside 1..EntryCount.
  const PlyEntry &Entry(uint32_t i) const;
  int PathLength() const { return static_cast<int>(path_.size()); }
  const MailboxPos &StartPosition() const { return start_; }

 private:
  struct PathStep {
    Move2 move;
    MoveUndo undo;
    uint32_t entryLeft = 0;
  };
  class Builder;
  void Clear();

  int maxPath_;
  QZGameManagerO man_;
  MoveGen gen_;
  std::vector<PlyEntry> entries_;  // [0] unused, so entry numbers index it
  MailboxPos start_, position_;
  uint32_t current_ = 0;
  std::vector<PathStep> path_;
};

// The movetext of a packed game, in any of the three encodings: numbers,
// SAN, " $n" NAGs, " {...}" comments ("}" written as ")"), variations in
// parentheses, and the result (the Result tag when it is one of "1-0",
// "1/2-1/2", "0-1", "*", else "*"). An empty variation is left out; one
// of NAGs and comments alone is written with them. The text begins with a
// blank. With wrap,
// lines are broken with CR LF before they would reach 80 characters (a
// variation's closing ")" is exempt). A damaged block gives false and an
// empty text.
bool WriteGamePGN(const GameBuffer &buf, bool wrap, std::string &out);
// The same from a block attached to a manager whose moves were not read yet.
bool WriteGamePGN(QZGameManagerO &attached, bool wrap, std::string &out);

// The same game with two-byte moves: tag text, start position, comments and
// NAGs kept, each move written as its Move2, encoding 1. False, with out
// untouched, when the block is damaged or the game cannot be packed.
bool ReencodeGame(const GameBuffer &buf, GameBuffer &out);
