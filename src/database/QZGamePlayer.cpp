#include "database/QZGamePlayer.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "platform/Errors.h"

namespace {

// What the compact form can hold but no game reaches, and what making and
// taking back moves relies on: one king a side, the side not to move not in
// check, no pawn on its first or last rank, castling rooks on their own
// corners, and at most one pawn that may be taken en passant, belonging to
// the side that just moved and standing where its double step ended.
bool SoundStart(const MailboxPos &p) {
  int kings[2] = {0, 0}, enPassant = 0;
  const int side = p.SideToMove();
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      const uint8_t man = p.cells[MailboxPos::Cell(f, r)];
      const int colour = (man & mbBlack) ? 1 : 0, code = man & 7;
      if (code == mbKing) ++kings[colour];
      if (code == mbPawn && (r == 1 || r == 8)) return false;
      if (code != mbSpecial) continue;
      if (r == 1 || r == 8) {
        if ((f != 1 && f != 8) || r != (colour ? 8 : 1)) return false;
      } else {
        if (++enPassant > 1 || colour == side || r != (colour ? 5 : 4)) return false;
      }
    }
  return kings[0] == 1 && kings[1] == 1 && !p.InCheck(1 - side);
}

}  // namespace

bool BlockStartPosition(QZGameManagerO &man, MailboxPos &pos) {
  if (!man.HasStartPosition()) {
    pos = MailboxPos();
    pos.SetStartPosition();
    return true;
  }
  MailboxPos p;
  if (!p.FromCompact(man.StartPosition()) || !SoundStart(p)) return false;
  // The compact position keeps no move number; the FEN tag the game was set
  // up from does. Its sixth field, when it is a plain number 1..255.
  const std::string fen = man.GetTagValue("FEN");
  int field = 0;
  size_t i = 0;
  while (i < fen.size() && field < 6) {
    while (i < fen.size() && (fen[i] == ' ' || fen[i] == '\t')) ++i;
    if (i >= fen.size()) break;
    size_t j = i;
    while (j < fen.size() && fen[j] != ' ' && fen[j] != '\t') ++j;
    if (++field == 6) {
      int n = 0;
      bool digits = j - i <= 3;
      for (size_t k = i; k < j && digits; ++k) {
        if (fen[k] < '0' || fen[k] > '9') digits = false;
        n = n * 10 + (fen[k] - '0');
      }
      if (digits && n >= 1 && n <= 255) p.cells[MailboxPos::kMoveNumber] = static_cast<uint8_t>(n);
    }
    i = j;
  }
  pos = p;
  return true;
}

// ---------------------------------------------------------------------------
// The player

// Fills the ply table from the walk.
class QZGamePlayerO::Builder : public PackedStreamVisitor {
 public:
  explicit Builder(std::vector<PlyEntry> &entries) : entries_(entries) {
    entries_.assign(2, PlyEntry());
    line_ = Line{0, 1};
  }

  bool Annotations(const std::vector<uint8_t> &nags, const std::string *comment) override {
    // Before a variation's first move they are held for that move, as the
    // chess core's reader gives them to it.
    Annotate(!outer_.empty() && line_.prev == 0 ? lead_ : entries_[line_.last], nags, comment);
    return true;
  }

  bool Move(MailboxPos &, Move2 m) override {
    const auto n = static_cast<uint32_t>(entries_.size());
    entries_.push_back(PlyEntry());
    entries_[n].move = m;
    if (!outer_.empty() && line_.prev == 0) {
      // A variation's first move: an alternative to the move it replaces,
      // following the same ply.
      const Line &o = outer_.back();
      uint32_t alt = o.last;
      while (entries_[alt].nextAlternative != 0) alt = entries_[alt].nextAlternative;
      entries_[alt].nextAlternative = n;
      entries_[o.prev].continuations += 1;
      line_.prev = o.prev;
      entries_[n].nag = lead_.nag;
      entries_[n].comment = std::move(lead_.comment);
      lead_ = PlyEntry();
    } else {
      PlyEntry &p = entries_[line_.last];
      p.firstContinuation = n;
      p.continuations = 1;
      line_.prev = line_.last;
    }
    line_.last = n;
    return true;
  }

  bool BeginVariation() override {
    outer_.push_back(line_);
    line_ = Line{0, line_.prev};
    lead_ = PlyEntry();
    return true;
  }

  bool EndVariation(bool) override {
    line_ = outer_.back();
    outer_.pop_back();
    // A variation of annotations alone: they go to the move it stands
    // beside, like annotations after a variation.
    PlyEntry &e = entries_[line_.last];
    if (lead_.nag != 0) e.nag = lead_.nag;
    Join(e.comment, lead_.comment);
    lead_ = PlyEntry();
    return true;
  }

 private:
  struct Line {
    uint32_t prev;  // the ply the line's last move follows; 0 before a variation's first move
    uint32_t last;  // the line's last move, or the ply it starts from
  };

  static void Join(std::string &to, const std::string &text) {
    if (text.empty()) return;
    if (!to.empty()) to += ' ';
    to += text;
  }

  void Annotate(PlyEntry &e, const std::vector<uint8_t> &nags, const std::string *comment) {
    if (!nags.empty()) e.nag = nags.back();
    if (comment) Join(e.comment, *comment);
  }

  std::vector<PlyEntry> &entries_;
  std::vector<Line> outer_;
  Line line_;
  PlyEntry lead_;  // the annotations of a variation before its first move
};

void QZGamePlayerO::Init() {
  Clear();
  path_.reserve(maxPath_);
}

void QZGamePlayerO::Done() {
  Clear();
  entries_.shrink_to_fit();
  path_.shrink_to_fit();
  man_.Done();
}

void QZGamePlayerO::Clear() {
  entries_.assign(2, PlyEntry());
  start_ = MailboxPos();
  start_.SetStartPosition();
  position_ = start_;
  current_ = 1;
  path_.clear();
}

bool QZGamePlayerO::Attach(const GameBuffer &buf) {
  return Attach(buf.bytes.get(), buf.bytes ? buf.length : 0);
}

bool QZGamePlayerO::Attach(const uint8_t *bytes, uint32_t length) {
  Clear();
  MailboxPos start;
  if (!bytes || !man_.Attach(bytes, length) || !BlockStartPosition(man_, start)) return false;
  ManagerStreamSource src(man_);
  PackedStreamWalker walker(gen_);
  Builder builder(entries_);
  if (!walker.Walk(src, start, builder)) {
    Clear();
    return false;
  }
  start_ = start;
  GoToStart();
  return true;
}

void QZGamePlayerO::GoToStart() {
  position_ = start_;
  current_ = 1;
  path_.clear();
}

const PlyEntry &QZGamePlayerO::Entry(uint32_t i) const {
  if (i < 1 || i > EntryCount()) throw ERangeError("Ply entry out of range");
  return entries_[i];
}

int QZGamePlayerO::CurrentPly() const { return static_cast<int>(entries_[current_].continuations); }

bool QZGamePlayerO::Forward(int n) {
  if (n < 1 || static_cast<uint32_t>(n) > entries_[current_].continuations) return false;
  if (path_.size() >= static_cast<size_t>(maxPath_)) return false;
  uint32_t e = entries_[current_].firstContinuation;
  for (int i = 1; i < n && e != 0; ++i) e = entries_[e].nextAlternative;
  if (e == 0) return false;
  PathStep step;
  step.move = entries_[e].move;
  step.entryLeft = current_;
  // Every move was played from this very position while the table was built,
  // so making it cannot fail.
  position_.MakeMove(step.move, step.undo);
  path_.push_back(step);
  current_ = e;
  return true;
}

bool QZGamePlayerO::Back() {
  if (path_.empty()) return false;
  const PathStep &step = path_.back();
  position_.UnmakeMove(step.move, step.undo);
  current_ = step.entryLeft;
  path_.pop_back();
  return true;
}

// ---------------------------------------------------------------------------
// PGN movetext

namespace {

class MovetextWriter : public PackedStreamVisitor {
 public:
  MovetextWriter(MoveGen &gen, bool wrap, std::string &out) : gen_(gen), wrap_(wrap), out_(out) {}

  bool Annotations(const std::vector<uint8_t> &nags, const std::string *comment) override {
    for (uint8_t v : nags) {
      char text[4] = {'$'};
      const auto end = std::to_chars(text + 1, text + sizeof text, v).ptr;
      Token(std::string_view(text, static_cast<size_t>(end - text)));
    }
    if (comment) {
      // A "}" would end the comment early when the text is read again.
      token_.assign(1, '{');
      token_ += *comment;
      std::replace(token_.begin() + 1, token_.end(), '}', ')');
      token_ += '}';
      Token(token_);
      force_ = true;
    }
    return true;
  }

  bool Move(MailboxPos &before, Move2 m) override {
    const std::string san = MoveToSAN(before, gen_, m, force_);
    if (san.empty()) return false;
    Token(san);
    force_ = false;
    return true;
  }

  bool BeginVariation() override {
    vars_.push_back(Var{out_.size(), column_, force_, open_});
    open_ = true;
    force_ = true;
    return true;
  }

  bool EndVariation(bool) override {
    const Var v = vars_.back();
    vars_.pop_back();
    if (out_.size() == v.size) {
      // An empty variation stands for no move and is left out. One of
      // annotations alone is kept, so its NAGs and comment are not lost.
      column_ = v.column;
      force_ = v.force;
      open_ = v.open;
      return true;
    }
    out_ += ')';
    ++column_;
    force_ = true;
    return true;
  }

  void Result(std::string_view text) { Token(text); }

 private:
  struct Var {
    size_t size;
    size_t column;
    bool force;
    bool open;
  };

  // Every token is written after a blank, the first token of a variation
  // after " (". A line break takes the place of the blank. A token too long
  // for any line is not moved off an empty one, so the text still begins
  // with its blank.
  void Token(std::string_view text) {
    const std::string_view lead = open_ ? " (" : " ";
    open_ = false;
    if (wrap_ && column_ > 0 && column_ + lead.size() + text.size() >= 80) {
      out_ += "\r\n";
      column_ = 0;
      out_ += lead.substr(1);
      column_ += lead.size() - 1;
    } else {
      out_ += lead;
      column_ += lead.size();
    }
    out_ += text;
    column_ += text.size();
  }

  MoveGen &gen_;
  bool wrap_;
  std::string &out_;
  size_t column_ = 0;
  bool force_ = true;  // the game's first move carries its number
  bool open_ = false;  // a variation's "(" waits for its first token
  std::vector<Var> vars_;
  std::string token_;  // reused for every comment
};

}  // namespace

bool WriteGamePGN(const GameBuffer &buf, bool wrap, std::string &out) {
  out.clear();
  QZGameManagerO man;
  return buf.bytes && man.Attach(buf) && WriteGamePGN(man, wrap, out);
}

bool WriteGamePGN(QZGameManagerO &attached, bool wrap, std::string &out) {
  out.clear();
  MailboxPos start;
  if (!BlockStartPosition(attached, start)) return false;
  MoveGen gen;
  ManagerStreamSource src(attached);
  PackedStreamWalker walker(gen);
  MovetextWriter writer(gen, wrap, out);
  if (!walker.Walk(src, start, writer)) {
    out.clear();
    return false;
  }
  static const char *const kResults[4] = {"1-0", "1/2-1/2", "0-1", "*"};
  const int r = attached.GetResult();
  // Through the same wrapping rule as every other token.
  writer.Result(kResults[r >= 0 && r <= 3 ? r : 3]);
  return true;
}

// ---------------------------------------------------------------------------
// Two-byte re-encoding

namespace {

class Reencoder : public PackedStreamVisitor {
 public:
  explicit Reencoder(QZGameManagerO &builder) : b_(builder) {}

  bool Annotations(const std::vector<uint8_t> &nags, const std::string *comment) override {
    for (uint8_t v : nags)
      if (!b_.AppendNAG(v)) return false;
    return !comment || b_.AppendComment(*comment);
  }
  bool Move(MailboxPos &, Move2 m) override { return b_.AppendFromToMove(m); }
  bool BeginVariation() override { return b_.BeginVariation(); }
  bool EndVariation(bool) override { return b_.EndVariation(); }
  bool EndGame() override { return b_.EndGame(); }

 private:
  QZGameManagerO &b_;
};

}  // namespace

bool ReencodeGame(const GameBuffer &buf, GameBuffer &out) {
  QZGameManagerO reader;
  MailboxPos start;
  if (!buf.bytes || !reader.Attach(buf) || !BlockStartPosition(reader, start)) return false;
  QZGameManagerO builder;
  builder.Reset();
  if (!builder.SetTagText(reader.TagText())) return false;
  if (reader.HasStartPosition()) builder.SetStartPosition(reader.StartPosition());
  MoveGen gen;
  ManagerStreamSource src(reader);
  PackedStreamWalker walker(gen);
  Reencoder reencoder(builder);
  if (!walker.Walk(src, start, reencoder)) return false;
  if (!builder.Pack(out)) return false;
  QZGameManagerO::SetEncoding(out, encFromTo);
  return true;
}
