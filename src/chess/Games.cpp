#include "chess/Games.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "chess/IOMan.h"
#include "chess/ParsePGN.h"
#include "foundation/NodePool.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

namespace {

// Every node of the subtree, the node itself first (no recursion: a line
// can be hundreds of moves deep).
template <class F>
void ForEachNode(PosRec *top, F f) {
  std::vector<PosRec *> stack{top};
  while (!stack.empty()) {
    PosRec *n = stack.back();
    stack.pop_back();
    f(n);
    for (auto &c : n->children) stack.push_back(c.get());
  }
}

void ClearIllegalBelow(PosRec *node) {
  for (auto &c : node->children) ForEachNode(c.get(), [](PosRec *n) { n->legal = 1; });
}

constexpr int kMoveGroup = 1000;
constexpr int kPositionGroup = 1001;

// Deletes every NAG the test picks; true when one went.
template <class P>
bool DeleteNagsIf(KeyListO &nags, P pick) {
  bool changed = false;
  for (int i = nags.Count(); i >= 1; --i)
    if (pick(nags.Get(i))) {
      nags.Delete(i);
      changed = true;
    }
  return changed;
}

}  // namespace

// ---------------------------------------------------------------- PosRec

void *PosRec::operator new(std::size_t size) { return PoolNew<PosRec, kHeldNodes>(size); }

void PosRec::operator delete(void *node, std::size_t size) noexcept {
  PoolDelete<PosRec, kHeldNodes>(node, size);
}

PosRec::~PosRec() {
  // Unlinked one level at a time, so freeing a long line never recurses.
  ChildList stack;
  for (auto &c : children) stack.push_back(std::move(c));
  children.clear();
  while (!stack.empty()) {
    std::unique_ptr<PosRec> n = std::move(stack.back());
    stack.pop_back();
    for (auto &c : n->children) stack.push_back(std::move(c));
    n->children.clear();
  }
}

PosRec *PosRec::Child(int i) const {
  CheckRange(i, 1, ChildCount(), "Child index out of range");
  return children[static_cast<size_t>(i - 1)].get();
}

int PosRec::IndexOfChild(const PosRec *child) const {
  for (size_t k = 0; k < children.size(); ++k)
    if (children[k].get() == child) return static_cast<int>(k + 1);
  return 0;
}

// ---------------------------------------------------------------- NodeIndexO

void NodeIndexO::Build(PosRec *root, int count) {
  CheckRange(count, 0, kMaxNodes, "Node index holds at most 8000 nodes");
  table_.assign(static_cast<size_t>(count), nullptr);
  ForEachNode(root, [&](PosRec *n) {
    if (n->nodeNumber >= 1 && n->nodeNumber <= count) table_[n->nodeNumber - 1] = n;
  });
}

PosRec *NodeIndexO::Get(int number) const {
  if (number < 1 || number > Count()) return nullptr;
  return table_[static_cast<size_t>(number - 1)];
}

void NodeIndexO::Forget(int number) {
  if (number >= 1 && number <= Count()) table_[static_cast<size_t>(number - 1)] = nullptr;
}

// ---------------------------------------------------------------- helpers

bool CanPlayMove(PositionO &pos, const MoveRec &move) {
  if (move.fromFile < 1 || move.fromFile > 8 || move.fromRank < 1 || move.fromRank > 8 || move.toFile < 1 ||
      move.toFile > 8 || move.toRank < 1 || move.toRank > 8)
    return false;
  bool promotion = false;
  if (!pos.IsLegalMove(move.fromFile, move.fromRank, move.toFile, move.toRank, promotion)) return false;
  if (promotion ? (move.promotion < pPawn + 1 || move.promotion > pQueen) : move.promotion != 0) return false;
  // Black's move at 255 would need move 256.
  return !(pos.SideToMove() == cBlack && pos.MoveNumber() == 255);
}

// ---------------------------------------------------------------- GameO

GameO::~GameO() = default;

void GameO::Init() {
  root_ = std::make_unique<PosRec>();
  root_->nodeNumber = 1;
  root_->lineKind = lkMainLine;
  nodeCounter_ = 1;
  variationCounter_ = 0;
  illegalCount_ = 0;
  lineKindMode_ = 1;
  modifiedFlags_ = 0;
  current_ = root_.get();
  mainLineRule_ = 1;
  mainLine_.Clear();
  mainLineNodes_.Clear();
  startPos_ = std::make_unique<PositionO>();
  currentPos_ = std::make_unique<PositionO>();
  path_.Clear();
  branchDepth_ = 0;
  lastEntry_ = LastEntry{};
  variationMode_ = 0;
  pins_[0] = pins_[1] = 0;
  commentCount_ = 0;
  nodes_.Clear();
  nodes_.Add(root_.get());
  nodeIndexOn_ = 0;
  nodeIndex_.Done();
  header_ = std::make_unique<GameInfoO>();
  header_->Init();
}

void GameO::Swap(GameO &o) noexcept {
  using std::swap;
  swap(startPos_, o.startPos_);
  swap(root_, o.root_);
  swap(nodeCounter_, o.nodeCounter_);
  swap(variationCounter_, o.variationCounter_);
  swap(illegalCount_, o.illegalCount_);
  swap(lineKindMode_, o.lineKindMode_);
  swap(modifiedFlags_, o.modifiedFlags_);
  swap(current_, o.current_);
  swap(mainLineRule_, o.mainLineRule_);
  swap(mainLine_, o.mainLine_);
  swap(mainLineNodes_, o.mainLineNodes_);
  swap(currentPos_, o.currentPos_);
  swap(path_, o.path_);
  swap(branchDepth_, o.branchDepth_);
  swap(lastEntry_, o.lastEntry_);
  swap(variationMode_, o.variationMode_);
  swap(pins_, o.pins_);
  swap(commentCount_, o.commentCount_);
  swap(nodes_, o.nodes_);
  swap(nodeIndexOn_, o.nodeIndexOn_);
  swap(nodeIndex_, o.nodeIndex_);
  swap(header_, o.header_);
}

bool GameO::ReadFromInput(InputO &input, LanguageId language, ParseResultT &result, bool keepPartial) {
  auto game = std::make_unique<GameO>();
  PGNParserO parser;
  parser.SetLanguage(language);
  const bool ok = parser.ParseGame(input, *game, result);
  if (!ok && !keepPartial) return false;
  // The editor's settings stay; everything about the old game goes.
  game->variationMode_ = variationMode_;
  game->mainLineRule_ = mainLineRule_;
  Swap(*game);
  game.reset();
  GoToStart();
  // The line of first children, as far as it is legal, becomes the main
  // line; found without playing it.
  PosRec *end = root_.get();
  while (!end->children.empty() && end->children.front()->legal) end = end->children.front().get();
  MakeMainLineTo(end);
  ForEachNode(root_.get(), [](PosRec *n) { n->selectedChild = n->children.empty() ? 0 : 1; });
  lastEntry_ = LastEntry{};
  pins_[0] = pins_[1] = 0;
  DropNodeIndex();
  mainLine_.Clear();
  mainLineNodes_.Clear();
  SetModifiedState(0);
  return ok;
}

bool GameO::ReadFromString(const std::string &text, LanguageId language, ParseResultT &result, bool keepPartial) {
  InputO input;
  input.InitString(text);
  return ReadFromInput(input, language, result, keepPartial);
}

void GameO::SetStartPosition(const PositionO *position) {
  GoToStart();
  PositionO fresh;
  if (position)
    fresh.Assign(*position);
  else
    fresh.Reset();
  if (fresh.SameAs(*startPos_)) return;
  startPos_->Assign(fresh);
  Revalidate(root_.get());
  Recount();
  SetModified(mfEdited);
  RebuildPath();
}

void GameO::UpdateStandardTags() {
  header_->SetTag("Result", ResultText(header_->Result()));
  PositionO standard;
  if (startPos_->SameAs(standard)) {
    while (header_->HasTag("SetUp")) header_->RemoveTag("SetUp");
    while (header_->HasTag("FEN")) header_->RemoveTag("FEN");
  } else {
    header_->SetTag("SetUp", "1");
    header_->SetTag("FEN", startPos_->GetFEN());
  }
  int moves = 0;
  GameFlagSet flags = GameFlags(moves);
  header_->SetTag(kTagNrOfMoves, std::to_string(moves));
  header_->SetFlags(flags);
}

std::string GameO::PlayersLine(bool withElo) const {
  auto side = [&](const char *player, const char *elo) {
    std::string s = header_->GetTag(player);
    const std::string e = withElo ? header_->GetTag(elo) : std::string();
    if (!e.empty()) s += " (" + e + ")";
    return s;
  };
  return side("White", "WhiteElo") + " - " + side("Black", "BlackElo");
}

GameFlagSet GameO::GameFlags(int &nrOfMoves) const {
  GameFlagSet flags{};
  int plies = 0;
  const PosRec *node = root_.get();
  const PosRec *last = nullptr;
  for (;;) {
    const PosRec *next = nullptr;
    for (auto &c : node->children)
      if (!lineKindMode_ || c->lineKind == lkMainLine) {
        next = c.get();
        break;
      }
    // A line is only as long as it can be played.
    if (!next || !next->legal) break;
    ++plies;
    last = next;
    node = next;
  }
  if (last) {
    const std::uint8_t code = last->move.checkCode;
    flags[0] = code == gsCheckmate;
    flags[1] = code == gsCheck || code == 2;
    flags[2] = code == gsStalemate;
  }
  flags[3] = commentCount_ > 0;
  flags[4] = variationCounter_ > 0;
  flags[5] = false;
  nrOfMoves = plies / 2;
  return flags;
}

void GameO::SetModifiedState(std::uint8_t flags) {
  modifiedFlags_ = flags;
  header_->SetChanged(flags != 0);
}

// ---------------------------------------------------------------- navigation

bool GameO::GoForward(int i) {
  PosRec *child = current_->Child(i);
  if (!child->legal) return false;
  currentPos_->MakeMove(child->move);
  if (current_->ChildCount() >= 2) ++branchDepth_;
  path_.Add(child->move);
  current_ = child;
  return true;
}

bool GameO::GoBack() {
  if (current_ == root_.get()) return false;
  currentPos_->UnmakeMove(current_->move);
  path_.DeleteLast();
  current_ = current_->parent;
  if (current_->ChildCount() >= 2 && branchDepth_ > 0) --branchDepth_;
  return true;
}

void GameO::GoToStart() {
  while (GoBack()) {
  }
}

void GameO::GoToLineEnd() {
  while (current_->selectedChild != 0 && current_->selectedChild <= current_->ChildCount() &&
         GoForward(current_->selectedChild)) {
  }
}

bool GameO::SetCurrentNode(PosRec *node) {
  if (!node) return false;
  const PosRec *top = node;
  while (top->parent) top = top->parent;
  if (top != root_.get()) return false;
  current_ = node;
  return RebuildPath();
}

bool GameO::GoToNode(int number) { return SetCurrentNode(FindNode(number)); }

bool GameO::RebuildPath() {
  std::vector<PosRec *> chain;
  for (PosRec *n = current_; n != root_.get(); n = n->parent) chain.push_back(n);
  std::reverse(chain.begin(), chain.end());
  currentPos_->Assign(*startPos_);
  path_.Clear();
  branchDepth_ = 0;
  PosRec *reached = root_.get();
  for (PosRec *n : chain) {
    if (!n->legal) break;
    if (n->parent->ChildCount() >= 2) ++branchDepth_;
    currentPos_->MakeMove(n->move);
    path_.Add(n->move);
    reached = n;
  }
  const bool whole = reached == current_;
  current_ = reached;
  return whole;
}

void GameO::SetSelectedChild(int i) {
  CheckRange(i, 0, current_->ChildCount(), "Selected child out of range");
  current_->selectedChild = static_cast<std::uint16_t>(i);
}

std::string GameO::MoveNumberText() const {
  std::string s;
  currentPos_->MoveNumberText(s);
  return s;
}

std::string GameO::MoveText(const PosRec *node, int kind, LanguageId language) const {
  if (!node || !node->parent) return std::string();
  return node->move.ToText(kind, language);
}

std::string GameO::CurrentMoveText(int kind, LanguageId language) const {
  return MoveText(current_, kind, language);
}

std::string GameO::ChildMoveText(int i, int kind, LanguageId language) const {
  return MoveText(Child(i), kind, language);
}

PosRec *GameO::FindNode(int number) const {
  if (nodeIndexOn_ && number >= 1 && number <= nodeIndex_.Count()) return nodeIndex_.Get(number);
  std::vector<PosRec *> stack{root_.get()};
  while (!stack.empty()) {
    PosRec *n = stack.back();
    stack.pop_back();
    if (n->nodeNumber == number) return n;
    // Pushed first to last, so the last child is searched first.
    for (auto &c : n->children) stack.push_back(c.get());
  }
  return nullptr;
}

void GameO::BuildNodeIndex() {
  nodeIndex_.Build(root_.get(), std::min<int>(nodeCounter_, NodeIndexO::kMaxNodes));
  nodeIndexOn_ = 1;
}

void GameO::DropNodeIndex() {
  nodeIndex_.Done();
  nodeIndexOn_ = 0;
}

// ---------------------------------------------------------------- editing

PosRec *GameO::NewNode(const MoveRec &move) {
  if (nodeCounter_ >= kMaxNodeNumber) throw ERangeError("A game holds at most 65535 nodes");
  auto node = std::make_unique<PosRec>();
  node->move = move;
  node->nodeNumber = ++nodeCounter_;
  nodes_.Add(node.get());
  return node.release();
}

void GameO::AfterAdd(PosRec *node) {
  if (current_->ChildCount() == 1) {
    if (variationMode_)
      node->lineKind = lkEditorVariation;
    else if (IsMainLineNode(current_))
      node->lineKind = lkMainLine;
  }
  SetModified(mfEdited);
}

std::vector<PosRec *> GameO::MovedChildren(int mode, const KeyListO *children, int index) const {
  const PosRec *cur = current_;
  std::vector<PosRec *> moved;
  if (mode == amInsert) {
    CheckRange(index, 1, 65535, "Child index out of range");
  } else if (mode == amAboveAll) {
    for (auto &c : cur->children) moved.push_back(c.get());
  } else if (mode == amAboveIndex) {
    moved.push_back(cur->Child(index));
  } else if (children) {
    for (int k = 1; k <= children->Count(); ++k) {
      PosRec *c = cur->Child(children->Get(k));
      if (std::find(moved.begin(), moved.end(), c) != moved.end()) throw ERangeError("Child named twice");
      moved.push_back(c);
    }
  }
  return moved;
}

int GameO::AddDropCount(const MoveRec &move, int mode, const KeyListO *children, int index) const {
  CheckRange(mode, 0, 3, "AddMove mode out of range");
  const std::vector<PosRec *> moved = MovedChildren(mode, children, index);
  PositionO pos;
  pos.Assign(*currentPos_);
  MoveRec m = move;
  if (moved.empty() || !CanPlayMove(pos, m)) return 0;
  pos.CompleteMove(m);
  pos.MakeMove(m);
  return CountDropped(std::vector<const PosRec *>(moved.begin(), moved.end()), pos);
}

PosRec *GameO::AddMove(const MoveRec &move, int mode, const KeyListO *children, int index) {
  return AddMove(move, mode, children, index, nullptr);
}

PosRec *GameO::AddMove(const MoveRec &move, int mode, const KeyListO *children, int index, LastEntry *entry) {
  CheckRange(mode, 0, 3, "AddMove mode out of range");
  PosRec *cur = current_;
  const int count = cur->ChildCount();
  const std::vector<PosRec *> moved = MovedChildren(mode, children, index);
  MoveRec m = move;
  const bool legal = CanPlayMove(*currentPos_, m);
  if (legal) currentPos_->CompleteMove(m);

  std::unique_ptr<PosRec> node(NewNode(m));
  PosRec *added = node.get();
  added->legal = legal ? 1 : 0;
  added->parent = cur;
  if (mode == amInsert) {
    const int at = std::min(index, count + 1);
    if (count > 0) ++variationCounter_;
    if (!legal) ++illegalCount_;
    cur->children.insert(cur->children.begin() + (at - 1), std::move(node));
    if (cur->selectedChild >= at) ++cur->selectedChild;
    AfterAdd(added);
    return added;
  }

  PosRec *selected = cur->selectedChild ? cur->Child(cur->selectedChild) : nullptr;
  const bool selectedMoved = std::find(moved.begin(), moved.end(), selected) != moved.end();
  const std::uint16_t selectedBefore = cur->selectedChild;
  const std::uint16_t pinsBefore[2] = {pins_[0], pins_[1]};
  // The moved children leave in their order, remembering where they were.
  auto away = std::make_unique<PosRec>();
  std::vector<std::uint16_t> from;
  for (PosRec *c : moved) from.push_back(static_cast<std::uint16_t>(cur->IndexOfChild(c)));
  for (PosRec *c : moved) {
    const int k = cur->IndexOfChild(c);
    away->children.push_back(std::move(cur->children[static_cast<size_t>(k - 1)]));
    cur->children.erase(cur->children.begin() + (k - 1));
  }
  if (selectedMoved) away->selectedChild = static_cast<std::uint16_t>(away->IndexOfChild(selected));
  if (legal) {
    // Replayed after the new move; the originals stay whole for an undo.
    PositionO pos;
    pos.Assign(*currentPos_);
    pos.MakeMove(m);
    CopyReplayed(*away, *added, pos);
  } else {
    for (auto &c : away->children) {
      c->parent = added;
      added->children.push_back(std::move(c));
    }
    away->children.clear();
    added->selectedChild = away->selectedChild;
    ClearIllegalBelow(added);
  }
  // Above one child the new move takes that child's place, so the order
  // of the other continuations stays; else it comes last.
  if (mode == amAboveIndex)
    cur->children.insert(cur->children.begin() + (index - 1), std::move(node));
  else
    cur->children.push_back(std::move(node));
  if (selected && selectedMoved) {
    cur->selectedChild = static_cast<std::uint16_t>(cur->IndexOfChild(added));
  } else {
    cur->selectedChild = static_cast<std::uint16_t>(selected ? cur->IndexOfChild(selected) : 0);
    added->selectedChild = added->children.empty() ? 0 : 1;
  }
  if (legal) {
    std::vector<const PosRec *> leaving;
    for (auto &c : away->children) leaving.push_back(c.get());
    SwapListedNodes(leaving, added);
  }
  if (entry && legal && !away->children.empty()) {
    entry->movedAway = std::move(away);
    entry->movedFrom = std::move(from);
    entry->selectedBefore = selectedBefore;
    entry->pinsBefore[0] = pinsBefore[0];
    entry->pinsBefore[1] = pinsBefore[1];
  }
  Recount();
  AfterAdd(added);
  return added;
}

PosRec *GameO::AppendReadMove(const MoveRec &move) {
  std::unique_ptr<PosRec> node(NewNode(move));
  PosRec *added = node.get();
  added->parent = current_;
  if (!current_->children.empty()) ++variationCounter_;
  current_->children.push_back(std::move(node));
  AfterAdd(added);
  GoForward(current_->ChildCount());
  return added;
}

bool GameO::EnterMove(const MoveRec &move, int mode, int index) {
  const int found = IndexOfChildMove(move);
  if (found > 0) {
    current_->selectedChild = static_cast<std::uint16_t>(found);
    lastEntry_ = LastEntry{};
    lastEntry_.found = 1;
    lastEntry_.index = static_cast<std::uint16_t>(found);
    lastEntry_.kind = static_cast<std::uint8_t>(mode);
    lastEntry_.reached = Child(found)->nodeNumber;
    return GoForward(found);
  }
  LastEntry entry;
  PosRec *added = AddMove(move, mode, nullptr, index, &entry);
  // Mode 0 follows the new move; the other modes follow the selection that
  // AddMove left, or the new move when nothing is selected.
  if (mode == amInsert || current_->selectedChild == 0)
    current_->selectedChild = static_cast<std::uint16_t>(current_->IndexOfChild(added));
  PosRec *next = Child(current_->selectedChild);
  lastEntry_ = std::move(entry);
  lastEntry_.index = static_cast<std::uint16_t>(std::clamp(index, 0, 65535));
  lastEntry_.kind = static_cast<std::uint8_t>(mode);
  lastEntry_.reached = next->nodeNumber;
  lastEntry_.added = added->nodeNumber;
  return GoForward(current_->selectedChild);
}

bool GameO::UndoEnteredMove() {
  if (lastEntry_.reached == 0 || current_->nodeNumber != lastEntry_.reached) return false;
  GoBack();
  lastEntry_.reached = 0;
  if (lastEntry_.replaced) {
    // The new node (with its copied replies) goes; the old move comes back
    // in its place with everything it had.
    std::unique_ptr<PosRec> old = std::move(lastEntry_.replaced);
    int at = 0;
    for (int k = 1; k <= ChildCount(); ++k)
      if (Child(k)->nodeNumber == lastEntry_.added) at = k;
    const std::uint16_t selected = lastEntry_.selectedBefore;
    const std::uint16_t pins[2] = {lastEntry_.pinsBefore[0], lastEntry_.pinsBefore[1]};
    lastEntry_.added = 0;
    if (at > 0) {
      std::unique_ptr<PosRec> fresh = std::move(current_->children[static_cast<size_t>(at - 1)]);
      old->parent = current_;
      current_->children[static_cast<size_t>(at - 1)] = std::move(old);
      FreeSubtree(std::move(fresh));
      ForEachNode(current_->Child(at), [&](PosRec *n) { nodes_.Add(n); });
      current_->selectedChild = selected;
      pins_[0] = pins[0];
      pins_[1] = pins[1];
      if (nodeIndexOn_) BuildNodeIndex();
      Recount();
    }
    return true;
  }
  if (lastEntry_.replacing) current_->selectedChild = lastEntry_.selectedBefore;
  if (lastEntry_.movedAway) {
    // The new move goes with the replayed copies; the children it moved
    // come back whole in their places.
    std::unique_ptr<PosRec> away = std::move(lastEntry_.movedAway);
    const std::vector<std::uint16_t> from = std::move(lastEntry_.movedFrom);
    const std::uint16_t pins[2] = {lastEntry_.pinsBefore[0], lastEntry_.pinsBefore[1]};
    int at = 0;
    for (int k = 1; k <= ChildCount(); ++k)
      if (Child(k)->nodeNumber == lastEntry_.added) at = k;
    lastEntry_.added = 0;
    if (at == 0) return true;
    std::unique_ptr<PosRec> fresh = std::move(current_->children[static_cast<size_t>(at - 1)]);
    current_->children.erase(current_->children.begin() + (at - 1));
    FreeSubtree(std::move(fresh));
    std::vector<size_t> order(from.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return from[a] < from[b]; });
    for (size_t k : order) {
      std::unique_ptr<PosRec> back = std::move(away->children[k]);
      back->parent = current_;
      ForEachNode(back.get(), [&](PosRec *n) { nodes_.Add(n); });
      const size_t to = std::min<size_t>(from[k] - 1u, current_->children.size());
      current_->children.insert(current_->children.begin() + static_cast<std::ptrdiff_t>(to), std::move(back));
    }
    away->children.clear();
    current_->selectedChild = lastEntry_.selectedBefore;
    pins_[0] = pins[0];
    pins_[1] = pins[1];
    if (nodeIndexOn_) BuildNodeIndex();
    Recount();
    return true;
  }
  if (!lastEntry_.found && lastEntry_.added != 0) {
    for (int i = 1; i <= ChildCount(); ++i)
      if (Child(i)->nodeNumber == lastEntry_.added) {
        DeleteMove(i, lastEntry_.kind == amInsert ? 0 : 1);
        break;
      }
  }
  lastEntry_.added = 0;
  return true;
}

bool GameO::ReplaceEnteredMove(const MoveRec &move) {
  const bool replacing = lastEntry_.replacing;
  const int kind = lastEntry_.kind;
  const int index = lastEntry_.index;
  if (!UndoEnteredMove()) return false;
  if (replacing) return ReplaceChildMove(index, move);
  return EnterMove(move, kind, index);
}

int GameO::IndexOfChildMoveExcept(const MoveRec &move, const PosRec *skip) const {
  for (int k = 1; k <= current_->ChildCount(); ++k) {
    const PosRec *c = current_->children[static_cast<size_t>(k - 1)].get();
    if (c != skip && c->move.Equal(move)) return k;
  }
  return 0;
}

void GameO::CopyReplayed(const PosRec &from, PosRec &to, PositionO &pos) {
  struct Frame {
    const PosRec *src;
    PosRec *dst;
    size_t next;
  };
  std::vector<Frame> stack{{&from, &to, 0}};
  while (!stack.empty()) {
    const PosRec *src = stack.back().src;
    PosRec *dst = stack.back().dst;
    const size_t k = stack.back().next;
    if (k >= src->children.size()) {
      // The selection follows its node; a dropped one falls to the first.
      dst->selectedChild = dst->children.empty() ? 0 : 1;
      if (src->selectedChild >= 1 && src->selectedChild <= src->ChildCount()) {
        const std::uint16_t number = src->Child(src->selectedChild)->nodeNumber;
        for (size_t j = 0; j < dst->children.size(); ++j)
          if (dst->children[j]->nodeNumber == number) dst->selectedChild = static_cast<std::uint16_t>(j + 1);
      }
      stack.pop_back();
      if (!stack.empty()) pos.UnmakeMove(dst->move);
      continue;
    }
    ++stack.back().next;
    const PosRec *c = src->children[k].get();
    if (!CanPlayMove(pos, c->move)) continue;
    auto n = std::make_unique<PosRec>();
    n->parent = dst;
    n->move = c->move;
    pos.CompleteMove(n->move);
    n->legal = 1;
    n->lineKind = c->lineKind;
    n->nodeNumber = c->nodeNumber;
    n->texts = c->texts;
    n->flags[0] = c->flags[0];
    n->flags[1] = c->flags[1];
    n->displayText = c->displayText;
    n->displayData = c->displayData;
    n->nags.Assign(c->nags);
    n->extra = c->extra;
    PosRec *raw = n.get();
    dst->children.push_back(std::move(n));
    pos.MakeMove(raw->move);
    stack.push_back({c, raw, 0});
  }
}

int GameO::CountDropped(const PosRec &from, PositionO &pos) {
  int dropped = 0;
  // Each frame unmakes its move as completed here: a capture may take
  // another piece than where the move stood before.
  struct Frame {
    const PosRec *node;
    size_t next;
    MoveRec played;
  };
  std::vector<Frame> stack{{&from, 0, MoveRec()}};
  while (!stack.empty()) {
    const PosRec *node = stack.back().node;
    const size_t k = stack.back().next;
    if (k >= node->children.size()) {
      const MoveRec played = stack.back().played;
      stack.pop_back();
      if (!stack.empty()) pos.UnmakeMove(played);
      continue;
    }
    ++stack.back().next;
    const PosRec *c = node->children[k].get();
    MoveRec m;
    if (PlayOrCountDropped(*c, pos, m, dropped)) stack.push_back({c, 0, m});
  }
  return dropped;
}

bool GameO::PlayOrCountDropped(const PosRec &line, PositionO &pos, MoveRec &played, int &dropped) {
  if (!CanPlayMove(pos, line.move)) {
    ForEachNode(const_cast<PosRec *>(&line), [&](PosRec *) { ++dropped; });
    return false;
  }
  played = line.move;
  pos.CompleteMove(played);
  pos.MakeMove(played);
  return true;
}

int GameO::CountDropped(const std::vector<const PosRec *> &lines, PositionO &pos) {
  int dropped = 0;
  for (const PosRec *c : lines) {
    MoveRec m;
    if (!PlayOrCountDropped(*c, pos, m, dropped)) continue;
    dropped += CountDropped(*c, pos);
    pos.UnmakeMove(m);
  }
  return dropped;
}

int GameO::ReplaceDropCount(int i, const MoveRec &move) const {
  const PosRec *old = current_->Child(i);
  if (IndexOfChildMove(move) > 0) return 0;
  PositionO pos;
  pos.Assign(*currentPos_);
  MoveRec m = move;
  if (!CanPlayMove(pos, m)) return 0;
  pos.CompleteMove(m);
  pos.MakeMove(m);
  return CountDropped(*old, pos);
}

int GameO::EnteredReplaceDropCount(const MoveRec &move) const {
  if (lastEntry_.reached == 0 || current_->nodeNumber != lastEntry_.reached || !current_->parent) return 0;
  // Against the game as an undo leaves it; an equal move there would be
  // followed, dropping nothing.
  const PosRec *parent = current_->parent;
  std::vector<const PosRec *> lines;
  if (lastEntry_.movedAway) {
    // An entry above other children: they come back, the new move goes.
    for (auto &c : lastEntry_.movedAway->children) {
      if (c->move.Equal(move)) return 0;
      lines.push_back(c.get());
    }
    for (auto &c : parent->children)
      if (c->nodeNumber != lastEntry_.added && c->move.Equal(move)) return 0;
  } else if (lastEntry_.replacing) {
    // The old move back in place of the new one, or nothing changed when
    // an equal move was followed.
    const PosRec *old = lastEntry_.replaced.get();
    if (!old) {
      if (lastEntry_.index < 1 || lastEntry_.index > parent->ChildCount()) return 0;
      old = parent->Child(lastEntry_.index);
    }
    for (auto &c : parent->children) {
      const PosRec *there = c.get() == current_ && lastEntry_.replaced ? old : c.get();
      if (there->move.Equal(move)) return 0;
    }
    for (auto &c : old->children) lines.push_back(c.get());
  } else {
    return 0;
  }
  PositionO pos;
  pos.Assign(*currentPos_);
  pos.UnmakeMove(current_->move);
  MoveRec m = move;
  if (!CanPlayMove(pos, m)) return 0;
  pos.CompleteMove(m);
  pos.MakeMove(m);
  return CountDropped(lines, pos);
}

bool GameO::ReplaceChildMove(int i, const MoveRec &move) {
  PosRec *cur = current_;
  PosRec *old = cur->Child(i);
  const int found = IndexOfChildMove(move);
  if (found > 0) {
    const std::uint16_t selected = cur->selectedChild;
    const bool entered = EnterMove(move, amInsert, found);
    // A further alternative on the board replaces continuation i again.
    lastEntry_.replacing = true;
    lastEntry_.index = static_cast<std::uint16_t>(i);
    lastEntry_.selectedBefore = selected;
    return entered;
  }
  MoveRec m = move;
  if (!CanPlayMove(*currentPos_, m)) throw ERangeError("The move is not legal here");
  currentPos_->CompleteMove(m);
  if (nodeCounter_ >= kMaxNodeNumber) throw ERangeError("A game holds at most 65535 nodes");

  // Everything is built before the tree changes.
  auto fresh = std::make_unique<PosRec>();
  fresh->move = m;
  fresh->lineKind = old->lineKind;
  {
    PositionO pos;
    pos.Assign(*currentPos_);
    pos.MakeMove(m);
    CopyReplayed(*old, *fresh, pos);
  }

  LastEntry entry;
  entry.index = static_cast<std::uint16_t>(i);
  entry.kind = amInsert;
  entry.replacing = true;
  entry.selectedBefore = cur->selectedChild;
  entry.pinsBefore[0] = pins_[0];
  entry.pinsBefore[1] = pins_[1];

  // The old move and its lines leave the tree whole; the copies carry the
  // node numbers of the replies that stay.
  fresh->nodeNumber = ++nodeCounter_;
  fresh->parent = cur;
  PosRec *added = fresh.get();
  entry.replaced = std::move(cur->children[static_cast<size_t>(i - 1)]);
  entry.replaced->parent = nullptr;
  cur->children[static_cast<size_t>(i - 1)] = std::move(fresh);
  SwapListedNodes({old}, added);
  Recount();
  SetModified(mfEdited);

  cur->selectedChild = static_cast<std::uint16_t>(i);
  entry.reached = added->nodeNumber;
  entry.added = added->nodeNumber;
  lastEntry_ = std::move(entry);
  return GoForward(i);
}

void GameO::SwapListedNodes(const std::vector<const PosRec *> &leavingRoots, PosRec *coming) {
  std::unordered_set<const PosRec *> leaving;
  std::unordered_set<std::uint16_t> gone, staying;
  for (const PosRec *root : leavingRoots)
    ForEachNode(const_cast<PosRec *>(root), [&](PosRec *n) {
      leaving.insert(n);
      gone.insert(n->nodeNumber);
    });
  for (int k = nodes_.Count(); k >= 1; --k)
    if (leaving.count(static_cast<const PosRec *>(nodes_.Get(k)))) nodes_.Delete(k);
  // A node AddMove made is listed already; copies are not.
  ForEachNode(coming, [&](PosRec *n) {
    staying.insert(n->nodeNumber);
    if (n != coming || nodes_.IndexOf(n) == 0) nodes_.Add(n);
  });
  for (auto &pin : pins_)
    if (gone.count(pin) && !staying.count(pin)) pin = 0;
  mainLine_.Clear();
  mainLineNodes_.Clear();
  if (nodeIndexOn_) BuildNodeIndex();
}

void GameO::RemoveIllegalLines(const std::vector<PosRec *> &tops) {
  std::vector<PosRec *> illegal;
  for (PosRec *t : tops)
    ForEachNode(t, [&](PosRec *n) {
      if (!n->legal) illegal.push_back(n);
    });
  // Only the topmost illegal node of a line is marked: the lines are apart.
  for (PosRec *n : illegal) {
    PosRec *parent = n->parent;
    const int at = parent->IndexOfChild(n);
    std::unique_ptr<PosRec> line = std::move(parent->children[static_cast<size_t>(at - 1)]);
    parent->children.erase(parent->children.begin() + (at - 1));
    SelectAfterRemoval(parent, at, 0);
    FreeSubtree(std::move(line));
  }
}

int GameO::DeleteDropCount(int i, int mode) const {
  const PosRec *victim = current_->Child(i);
  if (mode == 0) return 0;
  std::vector<const PosRec *> lines;
  for (auto &c : victim->children) lines.push_back(c.get());
  PositionO pos;
  pos.Assign(*currentPos_);
  return CountDropped(lines, pos);
}

void GameO::SelectAfterRemoval(PosRec *node, int removedAt, int inserted) {
  int sel = node->selectedChild;
  if (sel > removedAt)
    sel += inserted - 1;
  else if (sel == removedAt)
    sel = inserted > 0 ? removedAt : (node->children.empty() ? 0 : 1);
  node->selectedChild = static_cast<std::uint16_t>(std::clamp(sel, 0, node->ChildCount()));
}

void GameO::FreeSubtree(std::unique_ptr<PosRec> node) {
  std::unordered_set<const PosRec *> freed;
  ForEachNode(node.get(), [&](PosRec *n) {
    freed.insert(n);
    nodeIndex_.Forget(n->nodeNumber);
    for (auto &pin : pins_)
      if (pin == n->nodeNumber) pin = 0;
    if (lastEntry_.reached == n->nodeNumber) lastEntry_.reached = 0;
    if (lastEntry_.added == n->nodeNumber) lastEntry_.added = 0;
  });
  for (int i = nodes_.Count(); i >= 1; --i)
    if (freed.count(static_cast<const PosRec *>(nodes_.Get(i)))) nodes_.Delete(i);
  // The main-line lists may name freed nodes; MainLineMoves fills them again.
  mainLine_.Clear();
  mainLineNodes_.Clear();
  node.reset();
}

void GameO::DeleteMove(int i, int mode) {
  PosRec *cur = current_;
  CheckRange(i, 1, cur->ChildCount(), "Child index out of range");
  std::unique_ptr<PosRec> victim = std::move(cur->children[static_cast<size_t>(i - 1)]);
  cur->children.erase(cur->children.begin() + (i - 1));
  int rehung = 0;
  if (mode != 0) {
    rehung = victim->ChildCount();
    for (int k = 0; k < rehung; ++k) {
      victim->children[static_cast<size_t>(k)]->parent = cur;
      cur->children.insert(cur->children.begin() + (i - 1 + k),
                           std::move(victim->children[static_cast<size_t>(k)]));
    }
    victim->children.clear();
  }
  SelectAfterRemoval(cur, i, rehung);
  FreeSubtree(std::move(victim));
  // What was re-hung is now played from another position; what cannot be
  // played there goes (DeleteDropCount counted it).
  if (rehung > 0) {
    Revalidate(cur);
    std::vector<PosRec *> tops;
    for (int k = i; k < i + rehung; ++k) tops.push_back(cur->Child(k));
    RemoveIllegalLines(tops);
  }
  Recount();
  SetModified(mfEdited);
}

void GameO::SetChildKind(int i, std::uint8_t kind) {
  PosRec *c = Child(i);
  if (c->lineKind == kind) return;
  c->lineKind = kind;
  SetModified(mfEdited);
}

void GameO::MakeMainLine() { MakeMainLineTo(current_); }

void GameO::MakeMainLineTo(PosRec *node) {
  if (!node->children.empty() && node->children[0]->lineKind != lkMainLine)
    node->children[0]->lineKind = lkVariation;
  for (PosRec *n = node; n && n->lineKind != lkMainLine; n = n->parent) n->lineKind = lkMainLine;
}

void GameO::MainLineMoves() {
  mainLine_.Clear();
  mainLineNodes_.Clear();
  const PosRec *node = root_.get();
  for (;;) {
    const PosRec *next = nullptr;
    if (mainLineRule_ == 1) {
      if (node->selectedChild >= 1 && node->selectedChild <= node->ChildCount())
        next = node->children[node->selectedChild - 1].get();
    } else {
      for (auto &c : node->children)
        if (c->lineKind == lkMainLine) {
          next = c.get();
          break;
        }
    }
    if (!next || !next->legal) break;
    mainLine_.Add(next->move);
    mainLineNodes_.Add(const_cast<PosRec *>(next));
    node = next;
  }
}

void GameO::SetMainLineRule(std::uint8_t rule) {
  CheckRange<int>(rule, 1, 2, "Main-line rule out of range");
  mainLineRule_ = rule;
}

bool GameO::IsMainLineNode(const PosRec *node) const {
  if (!node) return false;
  if (node == root_.get()) return true;
  if (lineKindMode_) return node->lineKind == lkMainLine;
  for (; node->parent; node = node->parent)
    if (node->parent->children.front().get() != node) return false;
  return true;
}

bool GameO::AtMainLineEnd() const {
  if (!OnMainLine()) return false;
  for (auto &c : current_->children)
    if (c->lineKind == lkMainLine) return false;
  return true;
}

int GameO::IndexOfChildMove(const MoveRec &move) const {
  for (int k = 1; k <= current_->ChildCount(); ++k)
    if (current_->children[static_cast<size_t>(k - 1)]->move.Equal(move)) return k;
  return 0;
}

PosRec *GameO::FindChildMove(const MoveRec &move) const {
  const int k = IndexOfChildMove(move);
  return k ? Child(k) : nullptr;
}

bool GameO::ChildIndexOfMove(const MoveRec &move, int &index) const {
  index = IndexOfChildMove(move);
  return index > 0;
}

// ---------------------------------------------------------------- revalidation and counts

void GameO::PositionAt(const PosRec *node, PositionO &pos) const {
  std::vector<const PosRec *> chain;
  for (const PosRec *n = node; n->parent; n = n->parent) chain.push_back(n);
  pos.Assign(*startPos_);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) pos.MakeMove((*it)->move);
}

void GameO::Revalidate(PosRec *from) {
  PositionO pos;
  PositionAt(from, pos);
  struct Frame {
    PosRec *node;
    size_t next;
  };
  std::vector<Frame> stack{{from, 0}};
  while (!stack.empty()) {
    PosRec *node = stack.back().node;
    const size_t k = stack.back().next;
    if (k >= node->children.size()) {
      stack.pop_back();
      if (!stack.empty()) pos.UnmakeMove(node->move);
      continue;
    }
    ++stack.back().next;
    PosRec *c = node->children[k].get();
    if (CanPlayMove(pos, c->move)) {
      MoveRec m = c->move;
      pos.CompleteMove(m);
      c->move = m;
      c->legal = 1;
      pos.MakeMove(m);
      stack.push_back({c, 0});
    } else {
      // Only the topmost illegal node of a line is marked.
      c->legal = 0;
      ClearIllegalBelow(c);
    }
  }
}

void GameO::Recount() {
  int comments = 0, variations = 0, illegal = 0;
  ForEachNode(root_.get(), [&](PosRec *n) {
    if (!n->Comment().empty()) ++comments;
    if (n->children.size() > 1) variations += static_cast<int>(n->children.size()) - 1;
    if (!n->legal) ++illegal;
  });
  commentCount_ = RangeCast<std::uint16_t>(comments);
  variationCounter_ = RangeCast<std::uint16_t>(variations);
  illegalCount_ = RangeCast<std::uint16_t>(illegal);
}

// ---------------------------------------------------------------- comments and NAGs

void GameO::SetCommentOf(PosRec *node, const std::string &text) {
  if (!node) return;
  std::string t = ini::Trim(text);
  std::string &comment = node->texts[PosRec::kCommentText];
  if (t == comment) return;
  if (comment.empty())
    ++commentCount_;
  else if (t.empty() && commentCount_ > 0)
    --commentCount_;
  comment = std::move(t);
  SetModified(mfEdited);
}

int GameO::Nag(int i) const {
  CheckRange(i, 1, NagCount(), "NAG index out of range");
  return current_->nags.Get(i);
}

void GameO::SetNag(int i, int value) {
  CheckRange(i, 1, NagCount(), "NAG index out of range");
  CheckRange(value, 0, kMaxNag, "NAG value out of range");
  current_->nags.Put(i, value);
  SetModified(mfEdited);
}

void GameO::DeleteNag(int i) {
  CheckRange(i, 1, NagCount(), "NAG index out of range");
  current_->nags.Delete(i);
  SetModified(mfEdited);
}

void GameO::AddNag(int value) {
  CheckRange(value, 0, kMaxNag, "NAG value out of range");
  current_->nags.Add(value);
  SetModified(mfEdited);
}

void GameO::RemoveNag(int value) {
  if (DeleteNagsIf(current_->nags, [value](int nag) { return nag == value; })) SetModified(mfEdited);
}

void GameO::ClearNags() {
  if (NagCount() == 0) return;
  current_->nags.Clear();
  SetModified(mfEdited);
}

bool GameO::HasNag(int value) const {
  for (int i = 1; i <= NagCount(); ++i)
    if (current_->nags.Get(i) == value) return true;
  return false;
}

int GameO::NagGroup(int value) {
  switch (value) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 8:
    case 22:
    case 23:
      return kMoveGroup;
    default:
      return value >= 11 && value <= 19 ? kPositionGroup : value;
  }
}

void GameO::RemoveNagGroup(int value) {
  const int group = NagGroup(value);
  if (DeleteNagsIf(current_->nags, [group](int nag) { return NagGroup(nag) == group; }))
    SetModified(mfEdited);
}

std::uint16_t GameO::Pin(int i) const {
  CheckRange(i, 1, 2, "Pin index out of range");
  return pins_[i - 1];
}

void GameO::SetPin(int i, std::uint16_t number) {
  CheckRange(i, 1, 2, "Pin index out of range");
  pins_[i - 1] = number;
}

// ---------------------------------------------------------------- header reading

bool ReadHeader(GameInfoO &info, InputO &input) {
  PGNParserO parser;
  GameInfoO fresh;
  ParseResultT result;
  if (!parser.ParseHeader(input, fresh, result)) return false;
  // The game number belongs to the database, not to the text.
  const std::uint32_t nr = info.GameNr();
  info.Assign(fresh);
  info.SetGameNr(nr);
  return true;
}

bool ReadHeaderFromString(GameInfoO &info, const std::string &text) {
  InputO input;
  input.InitString(text);
  return ReadHeader(info, input);
}
