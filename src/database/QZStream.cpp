#include "database/QZStream.h"

bool PackedStreamWalker::ReadMove(PackedStreamSource &src, uint8_t first, MailboxPos &pos, Move2 &m) {
  switch (src.Encoding()) {
    case encIndexed:
      if (!pos.MoveByIndex(gen_, first, m)) return false;
      break;
    case encFromTo: {
      uint8_t to;
      if (!src.ReadStreamByte(to)) return false;
      m = Move2{first, to};
      int index;
      if (!pos.MoveIndex(gen_, m, index)) return false;
      break;
    }
    case encSan: {
      // Only the move of the eleven bytes counts; the rest is derived data.
      uint8_t rest[10];
      for (uint8_t &b : rest)
        if (!src.ReadStreamByte(b)) return false;
      m = Move2{first, rest[0]};
      int index;
      if (!pos.MoveIndex(gen_, m, index)) return false;
      break;
    }
    default:
      return false;
  }
  // A stored game holds legal moves only; anything else is damage, and
  // playing it on could even take a king.
  return pos.IsLegalMove(gen_, m);
}

bool PackedStreamWalker::Flush(PackedStreamVisitor &visitor) {
  if (nags_.empty() && !hasComment_) return true;
  const bool ok = visitor.Annotations(nags_, hasComment_ ? &comment_ : nullptr);
  nags_.clear();
  comment_.clear();
  hasComment_ = false;
  return ok;
}

bool PackedStreamWalker::Walk(PackedStreamSource &src, const MailboxPos &start,
                              PackedStreamVisitor &visitor) {
  outer_.clear();
  nags_.clear();
  comment_.clear();
  hasComment_ = false;

  Line line;
  line.current = start;
  for (;;) {
    uint8_t b;
    if (!src.ReadStreamByte(b)) return false;
    if (b == pkNag) {
      uint8_t v;
      if (!src.ReadNag(v)) return false;
      nags_.push_back(v);
      continue;
    }
    if (b == pkComment) {
      if (!src.ReadComment(text_)) return false;
      if (!text_.empty()) {
        if (!comment_.empty()) comment_ += ' ';
        comment_ += text_;
      }
      hasComment_ = true;
      continue;
    }
    if (!Flush(visitor)) return false;

    if (b == pkVariation) {
      // An alternative needs a move to stand for.
      if (!line.hasMove) return false;
      outer_.push_back(line);
      line.current.UnmakeMove(line.last, line.undo);
      line.hasMove = false;
      if (!visitor.BeginVariation()) return false;
    } else if (b == pkEndLine) {
      if (outer_.empty()) return visitor.EndGame();
      const bool hadMoves = line.hasMove;
      line = outer_.back();
      outer_.pop_back();
      if (!visitor.EndVariation(hadMoves)) return false;
    } else {
      Move2 m;
      if (!ReadMove(src, b, line.current, m)) return false;
      // Black's move at number 255 would overflow the move number.
      if (line.current.SideToMove() == 1 && line.current.MoveNumber() >= 255) return false;
      if (!visitor.Move(line.current, m)) return false;
      line.last = m;
      line.current.MakeMove(m, line.undo);
      line.hasMove = true;
    }
  }
}
