#pragma once
// The one reader of a packed game's move stream. Every consumer (the game
// player, the PGN movetext writer, the re-encoder, the opening tree, the
// classification) walks a stream through PackedStreamWalker, so all of them
// take the same grammar:
//
//   line := annotations* (move annotations* (variation annotations*)*)* 254
//   variation := 255 line
//   annotations := 252 (a NAG) | 253 (a comment)
//
// A variation is an alternative to the move before it and is played from the
// position before that move; it may open with NAGs and a comment, its first
// move may have alternatives of its own, and it may hold no move at all.
// NAGs and comments are taken in any order and number; those that follow a
// variation's closing 254 belong to the move before the variation.
#include <cstdint>
#include <string>
#include <vector>

#include "database/QZUtils.h"

// Where the walker's bytes come from: the move stream and the two areas of
// an attached block. Every read fails (false) at the end of its area.
class PackedStreamSource {
 public:
  virtual ~PackedStreamSource() = default;
  // 0 one byte, 1 two bytes, 2 eleven bytes per move.
  virtual int Encoding() const = 0;
  virtual bool ReadStreamByte(uint8_t &b) = 0;
  virtual bool ReadNag(uint8_t &value) = 0;
  virtual bool ReadComment(std::string &text) = 0;
};

// What a walk reports, in stream order. Returning false from any call ends
// the walk with failure.
class PackedStreamVisitor {
 public:
  virtual ~PackedStreamVisitor() = default;
  // One run of NAG and comment bytes: before a line's first move, after a
  // move, or after a variation. The NAGs in stream order; the run's comments
  // joined with one blank (comment is null when the run holds none).
  virtual bool Annotations(const std::vector<uint8_t> &nags, const std::string *comment) {
    (void)nags;
    (void)comment;
    return true;
  }
  // A move of the current line, checked to be legal in the position before
  // it. The visitor may generate on that position but must leave it as it
  // found it.
  virtual bool Move(MailboxPos &before, Move2 m) {
    (void)before;
    (void)m;
    return true;
  }
  virtual bool BeginVariation() { return true; }
  // hadMoves: whether the variation held at least one move.
  virtual bool EndVariation(bool hadMoves) {
    (void)hadMoves;
    return true;
  }
  virtual bool EndGame() { return true; }
};

class PackedStreamWalker {
 public:
  explicit PackedStreamWalker(MoveGen &gen) : gen_(gen) {}

  // Walks the whole stream from the given start position. False when the
  // stream breaks the grammar, runs out of bytes or areas, holds a move that
  // is not a legal move of its position (a one-byte index outside the
  // generated list, a two- or eleven-byte move the generator does not make
  // there), goes past move number 255, or the visitor stops it. Bytes after
  // the main line's closing 254 are not read.
  bool Walk(PackedStreamSource &src, const MailboxPos &start, PackedStreamVisitor &visitor);

 private:
  // The position before the line's last move is that move taken back: an
  // alternative to it is rare, a copy of the position per move is not.
  struct Line {
    MailboxPos current;  // after the line's last move
    Move2 last;
    MoveUndo undo;
    bool hasMove = false;
  };
  bool ReadMove(PackedStreamSource &src, uint8_t first, MailboxPos &pos, Move2 &m);
  bool Flush(PackedStreamVisitor &visitor);

  MoveGen &gen_;
  std::vector<Line> outer_;  // the lines that enclose the current one
  std::vector<uint8_t> nags_;
  std::string comment_, text_;
  bool hasComment_ = false;
};
