#include "database/PDBMan.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <new>

#include "database/QZGamePlayer.h"
#include "foundation/Lists.h"
#include "platform/Errors.h"

// Records as they lie in the arena; a ref is a byte offset, 0 none. Each is
// no larger than the size it is counted with, and a multiple of 4.
struct PositionDatabaseO::Node {
  uint32_t stamp;     // the collection that visited it last
  uint32_t next;      // in its chain
  uint32_t incoming;  // move records leading here, newest first
  uint32_t outgoing;  // move records played from here, newest first
  uint32_t lines;     // line records ending here
  uint32_t inCount;
  uint32_t outCount;
  uint8_t check;
  uint8_t selected;
  uint8_t reserved[2];
  CompactPosition pos;
};

struct PositionDatabaseO::MoveRecord {
  Move2 move;
  uint8_t reserved[2];
  uint32_t parent, child;
  uint32_t nextIncoming;  // of the child
  uint32_t nextOutgoing;  // of the parent
  uint32_t games, whiteWins, blackWins;
};

struct PositionDatabaseO::GameRecord {
  uint32_t stamp;  // the collection that counted it last
  uint32_t mainLine;
  uint32_t number;
  uint32_t next;
};

struct PositionDatabaseO::LineRecord {
  uint32_t depth;  // of its last position, in plies from the root
  uint32_t game;
  uint32_t parent;  // the line it branches from
  uint32_t nextSibling;
  uint32_t firstChild;
  uint32_t nextEnding;  // the next line ending at the same node
  uint32_t disamb;      // deepest first
  uint32_t lastNode;
};

// Depth in the low 10 bits (a path holds at most 512 moves), the 1-based
// incoming index above them.
struct PositionDatabaseO::DisambEntry {
  uint32_t depthAndIndex;
  uint32_t next;
  uint32_t Depth() const { return depthAndIndex & 1023; }
  uint32_t Index() const { return depthAndIndex >> 10; }
};

namespace {
template <class T, uint32_t Counted>
constexpr bool FitsCounted() {
  return sizeof(T) <= Counted && sizeof(T) % 4 == 0 && alignof(T) <= 4;
}
}  // namespace

PositionDatabaseO::Node &PositionDatabaseO::Nd(uint32_t ref) const { return At<Node>(ref); }
PositionDatabaseO::MoveRecord &PositionDatabaseO::Mv(uint32_t ref) const { return At<MoveRecord>(ref); }

template <class T>
uint32_t PositionDatabaseO::Take(uint32_t countedBytes) {
  const uint32_t ref = cursor_;
  new (arena_.get() + ref) T{};
  cursor_ += sizeof(T);
  used_ += countedBytes;
  return ref;
}

// ---------------------------------------------------------------------------
// Walking a game's stream into the tree

// The first walk only counts, so a damaged block or one that does not fit
// is refused before anything is added.
class PositionDatabaseO::Counter : public PackedStreamVisitor {
 public:
  bool Move(MailboxPos &, Move2) override {
    ++moves;
    return true;
  }
  bool BeginVariation() override {
    ++lines;
    return true;
  }
  uint64_t moves = 0, lines = 1;
};

// The walker reports a move before the variations that replace it, but
// those variations are added first and walked from the node before it. So
// each line holds its last move back until the next move of the line, or
// its end, arrives.
class PositionDatabaseO::Builder : public PackedStreamVisitor {
 public:
  explicit Builder(PositionDatabaseO &tree) : t_(tree) { lines_.reserve(64); }

  void Start(uint32_t gameRef, int result) {
    game_ = gameRef;
    result_ = result;
    lines_.clear();
    mainLine_ = OpenLine(0);
  }
  uint32_t MainLine() const { return mainLine_; }

  bool Move(MailboxPos &, Move2 m) override {
    Line &l = lines_.back();
    if (l.hasPending) Commit(l);
    l.pending = m;
    l.hasPending = true;
    return true;
  }
  bool BeginVariation() override {
    OpenLine(lines_.back().ref);
    return true;
  }
  bool EndVariation(bool) override {
    CloseLine();
    return true;
  }
  bool EndGame() override {
    CloseLine();
    return true;
  }

 private:
  struct Line {
    uint32_t ref;
    size_t startDepth;
    uint32_t moves;
    Move2 pending;
    bool hasPending;
  };

  uint32_t OpenLine(uint32_t parent) {
    const uint32_t ref = t_.Take<LineRecord>(kLineBytes);
    LineRecord &rec = t_.At<LineRecord>(ref);
    rec.game = game_;
    rec.parent = parent;
    if (parent != 0) {
      LineRecord &p = t_.At<LineRecord>(parent);
      rec.nextSibling = p.firstChild;
      p.firstChild = ref;
    }
    lines_.push_back(Line{ref, t_.path_.size(), 0, Move2{}, false});
    return ref;
  }

  void Commit(Line &l) {
    uint32_t mv = t_.FindMove(l.pending);
    if (mv == 0) mv = t_.NewMove(l.pending);
    const bool main = lines_.size() == 1;
    if (main) {
      MoveRecord &r = t_.Mv(mv);
      ++r.games;
      if (result_ == 0) ++r.whiteWins;
      if (result_ == 2) ++r.blackWins;
    }
    t_.Play(mv);
    // A variation's first move stands outside the walk of its line.
    if ((main || l.moves > 0) && t_.Nd(t_.current_).inCount > 1) {
      const uint32_t ref = t_.Take<DisambEntry>(kDisambBytes);
      DisambEntry &d = t_.At<DisambEntry>(ref);
      d.depthAndIndex = static_cast<uint32_t>(t_.path_.size()) | (t_.IncomingIndex(mv) << 10);
      LineRecord &rec = t_.At<LineRecord>(l.ref);
      d.next = rec.disamb;
      rec.disamb = ref;
    }
    ++l.moves;
    l.hasPending = false;
  }

  void CloseLine() {
    Line &l = lines_.back();
    if (l.hasPending) Commit(l);
    LineRecord &rec = t_.At<LineRecord>(l.ref);
    rec.depth = static_cast<uint32_t>(t_.path_.size());
    rec.lastNode = t_.current_;
    Node &n = t_.Nd(t_.current_);
    rec.nextEnding = n.lines;
    n.lines = l.ref;
    t_.TakeBackTo(l.startDepth);
    lines_.pop_back();
  }

  PositionDatabaseO &t_;
  std::vector<Line> lines_;
  uint32_t game_ = 0, mainLine_ = 0;
  int result_ = 3;
};

// ---------------------------------------------------------------------------

PositionDatabaseO::PositionDatabaseO(int maxPath) : maxPath_(maxPath) {
  CheckRange(maxPath, 0, kMaxPath, "Path limit out of range");
  static_assert(FitsCounted<Node, kNodeBytes>());
  static_assert(FitsCounted<MoveRecord, kMoveBytes>());
  static_assert(FitsCounted<GameRecord, kGameBytes>());
  static_assert(FitsCounted<LineRecord, kLineBytes>());
  static_assert(FitsCounted<DisambEntry, kDisambBytes>());
  Init();
}

PositionDatabaseO::~PositionDatabaseO() { Done(); }

void PositionDatabaseO::Init() {
  cursor_ = used_ = 0;
  firstGame_ = gameCount_ = nodeCount_ = 0;
  root_ = current_ = 0;
  full_ = false;
  stamp_ = 0;
  board_ = MailboxPos();
  board_.SetStartPosition();
  path_.clear();
  path_.reserve(kMaxPath);
  stack_.clear();
  collected_.clear();
  collected_.reserve(kMaxGames);
  pathMoves_.Clear();
  if (!builder_) builder_ = std::make_unique<Builder>(*this);
}

void PositionDatabaseO::Done() {
  arena_.reset();
  heads_.reset();
  Init();
  path_.shrink_to_fit();
  stack_.shrink_to_fit();
  collected_.shrink_to_fit();
  pathMoves_.Done();
  man_.Done();
}

void PositionDatabaseO::Clear() {
  // The records never need more than the counted bytes past the head; the
  // first 4 bytes are left out so that no record has ref 0.
  constexpr uint32_t kRecordBytes = 4 + kArenaBytes - kHeadBytes;
  if (!arena_) {
    arena_ = std::make_unique<uint8_t[]>(kRecordBytes);
    heads_ = std::make_unique<uint32_t[]>(65536);
    stack_.reserve(1024);
  }
  std::fill_n(heads_.get(), 65536, 0u);
  cursor_ = 4;
  used_ = kHeadBytes;
  firstGame_ = gameCount_ = nodeCount_ = 0;
  full_ = false;
  stamp_ = 0;
  collected_.clear();
  path_.clear();
  board_ = MailboxPos();
  board_.SetStartPosition();
  root_ = current_ = FindOrAddNode(board_);
}

void PositionDatabaseO::SetArenaLimit(uint32_t bytes) {
  CheckRange(bytes, kHeadBytes, kArenaBytes, "Arena limit out of range");
  limit_ = bytes;
}

uint32_t PositionDatabaseO::FindOrAddNode(const MailboxPos &pos) {
  CompactPosition cp;
  pos.ToCompact(cp);
  uint16_t key;
  uint8_t check;
  pos.MaterialKey(key, check);
  for (uint32_t r = heads_[key]; r != 0; r = Nd(r).next) {
    const Node &n = Nd(r);
    if (n.check == check && MailboxPos::Equal24(n.pos, cp)) return r;
  }
  const uint32_t ref = Take<Node>(kNodeBytes);
  Node &n = Nd(ref);
  n.check = check;
  n.pos = cp;
  n.next = heads_[key];
  heads_[key] = ref;
  ++nodeCount_;
  return ref;
}

// ---------------------------------------------------------------------------
// Moves of the current node

int PositionDatabaseO::MoveCount() const { return current_ ? static_cast<int>(Nd(current_).outCount) : 0; }

uint32_t PositionDatabaseO::MoveAt(int i) const {
  const int count = MoveCount();
  CheckRange(i, 1, count, "Tree move index out of range");
  // The list is newest first: index i is count - i steps from its head.
  uint32_t r = Nd(current_).outgoing;
  for (int k = count; k > i; --k) r = Mv(r).nextOutgoing;
  return r;
}

Move2 PositionDatabaseO::GetMove(int i) const { return Mv(MoveAt(i)).move; }

TreeMoveStats PositionDatabaseO::MoveStats(int i) const {
  const MoveRecord &r = Mv(MoveAt(i));
  return TreeMoveStats{r.games, r.blackWins, r.whiteWins};
}

uint32_t PositionDatabaseO::FindMove(Move2 m) const {
  if (!current_) return 0;
  for (uint32_t r = Nd(current_).outgoing; r != 0; r = Mv(r).nextOutgoing)
    if (Mv(r).move == m) return r;
  return 0;
}

int PositionDatabaseO::IndexOfMove(Move2 m) const {
  if (!current_) return 0;
  int k = 0;
  for (uint32_t r = Nd(current_).outgoing; r != 0; r = Mv(r).nextOutgoing, ++k)
    if (Mv(r).move == m) return MoveCount() - k;
  return 0;
}

uint32_t PositionDatabaseO::NewMove(Move2 m) {
  MoveUndo undo;
  board_.MakeMove(m, undo);
  uint32_t child;
  try {
    child = FindOrAddNode(board_);
  } catch (...) {
    board_.UnmakeMove(m, undo);
    throw;
  }
  board_.UnmakeMove(m, undo);
  const uint32_t ref = Take<MoveRecord>(kMoveBytes);
  MoveRecord &r = Mv(ref);
  r.move = m;
  r.parent = current_;
  r.child = child;
  Node &parent = Nd(current_);
  r.nextOutgoing = parent.outgoing;
  parent.outgoing = ref;
  ++parent.outCount;
  Node &c = Nd(child);
  r.nextIncoming = c.incoming;
  c.incoming = ref;
  ++c.inCount;
  return ref;
}

bool PositionDatabaseO::AddMove(Move2 m) {
  if (!current_) return false;
  if (FindMove(m) != 0) return true;
  int index;
  if (!board_.MoveIndex(gen_, m, index) || !board_.IsLegalMove(m)) return false;
  if (board_.SideToMove() == 1 && board_.MoveNumber() >= 255) return false;
  if (!Fits(kNodeBytes + kMoveBytes)) {
    full_ = true;
    return false;
  }
  NewMove(m);
  return true;
}

uint32_t PositionDatabaseO::IncomingIndex(uint32_t moveRef) const {
  const Node &c = Nd(Mv(moveRef).child);
  uint32_t k = 0;
  for (uint32_t r = c.incoming; r != moveRef; r = Mv(r).nextIncoming) ++k;
  return c.inCount - k;
}

// ---------------------------------------------------------------------------
// Navigation

void PositionDatabaseO::Play(uint32_t moveRef) {
  const MoveRecord &r = Mv(moveRef);
  PathStep step;
  step.move = r.move;
  step.nodeLeft = current_;
  board_.MakeMove(r.move, step.undo);
  path_.push_back(step);
  current_ = r.child;
}

bool PositionDatabaseO::GoMove(int i) {
  const uint32_t r = MoveAt(i);
  if (static_cast<int>(path_.size()) >= maxPath_) return false;
  if (board_.SideToMove() == 1 && board_.MoveNumber() >= 255) return false;
  Play(r);
  return true;
}

bool PositionDatabaseO::GoBack() {
  if (path_.empty()) return false;
  const PathStep &s = path_.back();
  board_.UnmakeMove(s.move, s.undo);
  current_ = s.nodeLeft;
  path_.pop_back();
  return true;
}

void PositionDatabaseO::TakeBackTo(size_t depth) {
  while (path_.size() > depth) GoBack();
}

void PositionDatabaseO::GoRoot() { TakeBackTo(0); }

const MoveListO &PositionDatabaseO::PathMoves() {
  pathMoves_.Clear();
  replay_.Reset();
  MailboxPos p;
  p.SetStartPosition();
  for (const PathStep &s : path_) {
    MoveRec rec;
    p.MoveToMoveRec(s.move, rec);
    replay_.CompleteMove(rec);
    pathMoves_.Add(rec);
    replay_.MakeMove(rec);
    MoveUndo undo;
    p.MakeMove(s.move, undo);
  }
  return pathMoves_;
}

// ---------------------------------------------------------------------------
// Selected move

bool PositionDatabaseO::HasSelectedMove() const {
  if (!current_) return false;
  const int s = Nd(current_).selected;
  return s >= 1 && s <= MoveCount();
}

int PositionDatabaseO::SelectedMove() {
  if (!current_) return 0;
  Node &n = Nd(current_);
  const int count = MoveCount();
  if (n.selected >= 1 && n.selected <= count) return n.selected;
  if (count == 0) return 0;
  n.selected = 1;
  return 1;
}

void PositionDatabaseO::SetSelectedMove(int i) {
  CheckRange(i, 0, 255, "Selected move out of range");
  if (current_) Nd(current_).selected = static_cast<uint8_t>(i);
}

// ---------------------------------------------------------------------------
// Adding a game

bool PositionDatabaseO::AddGame(const GameBuffer &buf, uint32_t gameNumber) {
  if (!current_ || !buf.bytes) return false;
  if (!man_.Attach(buf) || man_.MoveEncoding() == encSan || man_.HasStartPosition()) return false;
  MailboxPos start;
  start.SetStartPosition();
  {
    ManagerStreamSource src(man_);
    Counter counter;
    if (!walker_.Walk(src, start, counter)) return false;
    const uint64_t worst =
        kGameBytes + counter.lines * kLineBytes + counter.moves * (kNodeBytes + kMoveBytes + kDisambBytes);
    if (!Fits(worst)) {
      full_ = true;
      return false;
    }
  }
  GoRoot();
  man_.Attach(buf);
  const int result = man_.GetResult();
  const uint32_t gameRef = Take<GameRecord>(kGameBytes);
  GameRecord &g = At<GameRecord>(gameRef);
  g.number = gameNumber;
  g.next = firstGame_;
  firstGame_ = gameRef;
  ++gameCount_;
  builder_->Start(gameRef, result);
  ManagerStreamSource src(man_);
  // The counting walk accepted the same bytes, and the room for the worst
  // case is there, so this walk runs to its end.
  walker_.Walk(src, start, *builder_);
  At<GameRecord>(gameRef).mainLine = builder_->MainLine();
  GoRoot();
  return true;
}

// ---------------------------------------------------------------------------
// Collecting the games of the current node

bool PositionDatabaseO::Traces(uint32_t lineRef) const {
  const LineRecord &line = At<LineRecord>(lineRef);
  uint32_t node = line.lastNode;
  uint32_t d = line.disamb;
  for (uint32_t depth = line.depth;; --depth) {
    if (node == current_) return true;
    if (depth == 0) return false;
    const Node &n = Nd(node);
    // The entries are deepest first; skip those below this depth.
    while (d != 0 && At<DisambEntry>(d).Depth() > depth) d = At<DisambEntry>(d).next;
    uint32_t index = 1;
    if (n.inCount > 1 && d != 0 && At<DisambEntry>(d).Depth() == depth) index = At<DisambEntry>(d).Index();
    // Index i is inCount - i steps from the newest.
    uint32_t r = n.incoming;
    for (uint32_t k = n.inCount; k > index && r != 0; --k) r = Mv(r).nextIncoming;
    if (r == 0) return false;
    node = Mv(r).parent;
  }
}

int PositionDatabaseO::GameListCount() {
  collected_.clear();
  if (!current_) return 0;
  if (++stamp_ == 0) {
    // After 2^32 collections the marks start over.
    for (uint32_t k = 0; k < 65536; ++k)
      for (uint32_t r = heads_[k]; r != 0; r = Nd(r).next) Nd(r).stamp = 0;
    for (uint32_t g = firstGame_; g != 0; g = At<GameRecord>(g).next) At<GameRecord>(g).stamp = 0;
    stamp_ = 1;
  }
  stack_.clear();
  stack_.push_back(current_);
  Nd(current_).stamp = stamp_;
  while (!stack_.empty()) {
    const uint32_t ref = stack_.back();
    stack_.pop_back();
    for (uint32_t l = Nd(ref).lines; l != 0; l = At<LineRecord>(l).nextEnding) {
      GameRecord &g = At<GameRecord>(At<LineRecord>(l).game);
      if (g.mainLine != l || g.stamp == stamp_) continue;
      g.stamp = stamp_;
      if (collected_.size() < static_cast<size_t>(kMaxGames) && Traces(l)) collected_.push_back(g.number);
    }
    for (uint32_t m = Nd(ref).outgoing; m != 0; m = Mv(m).nextOutgoing) {
      Node &c = Nd(Mv(m).child);
      if (c.stamp == stamp_) continue;
      c.stamp = stamp_;
      stack_.push_back(Mv(m).child);
    }
  }
  return static_cast<int>(collected_.size());
}

uint32_t PositionDatabaseO::GameListItem(int i) const {
  CheckRange(i, 1, static_cast<int>(collected_.size()), "Tree game index out of range");
  return collected_[i - 1];
}

// ---------------------------------------------------------------------------

void PositionDatabaseO::StatisticsText(StrListO &out) const {
  uint32_t usedChains = 0, longest = 0, codes = 0, largestCode = 0;
  if (heads_) {
    uint32_t perCheck[256];
    for (uint32_t k = 0; k < 65536; ++k) {
      if (heads_[k] == 0) continue;
      ++usedChains;
      std::fill_n(perCheck, 256, 0u);
      uint32_t len = 0;
      for (uint32_t r = heads_[k]; r != 0; r = Nd(r).next) {
        ++len;
        if (perCheck[Nd(r).check]++ == 0) ++codes;
        largestCode = std::max(largestCode, perCheck[Nd(r).check]);
      }
      longest = std::max(longest, len);
    }
  }
  uint32_t games = 0, mainLines = 0, disamb = 0;
  for (uint32_t g = firstGame_; g != 0; g = At<GameRecord>(g).next) {
    ++games;
    const uint32_t line = At<GameRecord>(g).mainLine;
    if (line == 0) continue;
    ++mainLines;
    for (uint32_t d = At<LineRecord>(line).disamb; d != 0; d = At<DisambEntry>(d).next) ++disamb;
  }
  // Numbers without the locale.
  auto ratio = [](uint32_t a, uint32_t b) {
    char text[32];
    const double v = b ? static_cast<double>(a) / b : 0.0;
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 3);
    return std::string(text, r.ptr);
  };
  auto n = [](uint64_t v) { return std::to_string(v); };
  out.Clear();
  out.Add("Database size: " + n(used_ / 1024) + "K");
  out.Add("Nr of positions: " + n(nodeCount_) + " (" + n(uint64_t{nodeCount_} * kNodeBytes / 1024) + "K)");
  out.Add("Nr of used entries: " + n(usedChains));
  out.Add("Avg nr of positions per used entry: " + ratio(nodeCount_, usedChains));
  out.Add("Max. nr of positions in an entry: " + n(longest));
  out.Add("Nr of different hash codes: " + n(codes));
  out.Add("Avg nr of positions per hash code: " + ratio(nodeCount_, codes));
  out.Add("Max. nr of positions in a hash code: " + n(largestCode));
  out.Add("nr of game records : " + n(games));
  out.Add("nr of variation records : " + n(mainLines));
  out.Add("nr of disambiguation records : " + n(disamb));
}
