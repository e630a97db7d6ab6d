#pragma once
// GameO: one game being shown or edited. A start position, a tree of nodes
// (PosRec) each holding the move that leads to it, the current node with its
// position and the path of moves from the root, comments and NAGs on the
// nodes, modified flags and the header.
//
// Invariants kept by every operation:
// - currentPos is the start position with the path's moves played, and the
//   path holds the moves from the root to the current node;
// - only the topmost illegal node of a line carries legal = 0, and no
//   navigation ever plays an illegal node's move;
// - commentCount, variationCounter (the number of alternative continuations
//   present: the sum of children - 1 over the nodes with children) and
//   illegalCount match a recount of the tree;
// - a selected child lies within 0..ChildCount.
//
// The notation writer adds the exporters (ToText, WriteText, ExportListText,
// ExportPlainText, ExportRtf, ExportToFile) in its own unit; it walks the
// tree through Root(), PosRec's fields and the accessors below, and keeps
// its run cache in PosRec::textRuns.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chess/InfoMan.h"
#include "chess/Moves.h"
#include "chess/Posns.h"
#include "foundation/Lists.h"
#include "foundation/NodePool.h"

class InputO;
class PGNParserO;
struct ParseResultT;

// Line kinds of a node.
inline constexpr std::uint8_t lkVariation = 0;
inline constexpr std::uint8_t lkMainLine = 1;
inline constexpr std::uint8_t lkEditorVariation = 2;

// AddMove modes.
inline constexpr int amInsert = 0;      // a new child at the index
inline constexpr int amAboveAll = 1;    // a new child above all present children
inline constexpr int amAboveIndex = 2;  // a new child above the child at the index, in its place
inline constexpr int amAboveNamed = 3;  // a new child above the named children

// Modified flag bits.
inline constexpr std::uint8_t mfEdited = 1;

struct PosRec {
  static constexpr int kCommentText = 2;  // texts[0] and texts[1] belong to the display

  PosRec() = default;
  ~PosRec();
  PosRec(const PosRec &) = delete;
  PosRec &operator=(const PosRec &) = delete;

  // A game is built and freed node by node: nodes come from a pool of this
  // thread's freed nodes (NodePool.h), which holds at most kHeldNodes.
  static constexpr std::size_t kHeldNodes = 4096;
  static void *operator new(std::size_t size);
  static void operator delete(void *node, std::size_t size) noexcept;

  // Most nodes have one child: that one-element array comes from a pool too.
  using ChildList =
      std::vector<std::unique_ptr<PosRec>, SinglePoolAllocator<std::unique_ptr<PosRec>, kHeldNodes>>;

  PosRec *parent = nullptr;
  ChildList children;  // variation order
  MoveRec move;                                   // no meaning in the root
  std::uint8_t legal = 1;
  std::uint8_t lineKind = lkVariation;
  std::uint16_t selectedChild = 0;  // 0: none
  std::uint16_t nodeNumber = 0;
  std::array<std::string, 3> texts;
  // Display run cache of the notation writer (owned; any type it likes).
  std::shared_ptr<void> textRuns;
  std::uint16_t textRunCount = 0;
  std::uint8_t flags[2] = {0, 0};
  std::string displayText;
  std::uint32_t displayData = 0;
  KeyListO nags;  // in entry order
  std::uint8_t extra = 0;

  int ChildCount() const { return static_cast<int>(children.size()); }
  // 1-based; ERangeError outside 1..ChildCount.
  PosRec *Child(int i) const;
  // 1-based index of a child; 0 when it is not one.
  int IndexOfChild(const PosRec *child) const;
  const std::string &Comment() const { return texts[kCommentText]; }
};

// Node number -> node, for the numbers 1..Count (at most 8000). Entries of
// freed nodes read as null.
class NodeIndexO {
 public:
  static constexpr int kMaxNodes = 8000;

  void Build(PosRec *root, int count);
  int Count() const { return static_cast<int>(table_.size()); }
  // Null for a number outside 1..Count or a freed node.
  PosRec *Get(int number) const;
  void Forget(int number);
  void Done() { table_.clear(); }

 private:
  std::vector<PosRec *> table_;  // entry 0 is number 1
};

class GameO {
 public:
  static constexpr int kMaxNodeNumber = 65535;
  static constexpr int kMaxNag = 255;

  GameO() { Init(); }
  ~GameO();
  GameO(const GameO &) = delete;
  GameO &operator=(const GameO &) = delete;

  // ---- construction and text
  // Standard start, a root numbered 1 and current, counters 0, empty header
  // with result "*". Releases whatever the game held.
  void Init();
  void Done() { Init(); }
  // Parses one game; on success this game is replaced by it, goes to the
  // start, and every node with children selects its first child; a read
  // game is unmodified. On failure the game is as it was and the result
  // tells why; with keepPartial it is replaced, as on success, by what the
  // parser built before the error.
  bool ReadFromInput(InputO &input, LanguageId language, ParseResultT &result, bool keepPartial = false);
  bool ReadFromString(const std::string &text, LanguageId language, ParseResultT &result,
                      bool keepPartial = false);

  const PositionO &StartPosition() const { return *startPos_; }
  // Null gives the standard start. When the position differs from the
  // start, the tree is revalidated from the root and the game is modified.
  // The game is at the start afterwards.
  void SetStartPosition(const PositionO *position);

  GameInfoO &GameInfo() { return *header_; }
  const GameInfoO &GameInfo() const { return *header_; }
  void SetGameInfo(const GameInfoO &info) { header_->Assign(info); }
  std::uint8_t Result() const { return header_->Result(); }
  void SetResult(std::uint8_t code) { header_->SetResult(code); }
  void AddTag(const std::string &name, const std::string &value) { header_->AddTag(name, value); }
  void DeleteTag(int index) { header_->DeleteTag(index); }
  bool HasTag(const std::string &name) const { return header_->HasTag(name); }
  std::uint16_t IndexOfTag(const std::string &name) const { return header_->IndexOfTag(name); }
  void SetTagValue(int index, const std::string &value) { header_->SetTagValue(index, value); }
  std::string GetTag(const std::string &name) const { return header_->GetTag(name); }
  void TidyTags() { header_->TidyTags(); }
  void SortTags() { header_->SortTags(); }
  // "Result", "SetUp"/"FEN", "QVNrOfMoves" and "QVFlags" from the game.
  void UpdateStandardTags();
  // White (WhiteElo) - Black (BlackElo), each Elo only when asked for and
  // not empty.
  std::string PlayersLine(bool withElo = true) const;
  // The main line's summary; nrOfMoves = plies / 2.
  GameFlagSet GameFlags(int &nrOfMoves) const;

  std::uint8_t ModifiedFlags() const { return modifiedFlags_; }
  void SetModified(std::uint8_t bits) { modifiedFlags_ |= bits; }
  // Assigns the flags; also the header's changed flag.
  void SetModifiedState(std::uint8_t flags);
  // Exchanges everything with the other game, so a game read aside
  // replaces this one only once it has been read.
  void Swap(GameO &other) noexcept;

  // ---- navigation, all on the current node
  int ChildCount() const { return current_->ChildCount(); }
  int ContinuationCount() const { return ChildCount(); }
  PosRec *Child(int i) const { return current_->Child(i); }
  const MoveRec &ChildMove(int i) const { return Child(i)->move; }
  bool ChildIsLegal(int i) const { return Child(i)->legal != 0; }
  std::uint8_t ChildKind(int i) const { return Child(i)->lineKind; }
  bool ChildHasContinuation(int i) const { return Child(i)->ChildCount() > 0; }
  const std::string &ChildComment(int i) const { return Child(i)->Comment(); }
  std::uint16_t ChildNodeNumber(int i) const { return Child(i)->nodeNumber; }
  bool ChildOnMainLine(int i) const { return IsMainLineNode(Child(i)); }

  // Steps into child i; false (nothing changed) when that child is illegal.
  bool GoForward(int i);
  // False at the root.
  bool GoBack();
  bool CanGoBack() const { return current_ != root_.get(); }
  void GoToStart();
  // Forward along selected children while the selected child is legal.
  void GoToLineEnd();
  PosRec *CurrentNode() const { return current_; }
  // Makes the node current and rebuilds the path; a path that meets an
  // illegal node stops before it. False when the node is not of this game
  // (nothing changed) or the path stopped early.
  bool SetCurrentNode(PosRec *node);
  bool GoToNode(int number);
  // Path and position from the current node; stops before an illegal node
  // (which then makes its parent current). False when it stopped early.
  bool RebuildPath();
  int SelectedChild() const { return current_->selectedChild; }
  // 0..ChildCount, else ERangeError.
  void SetSelectedChild(int i);
  const PositionO &CurrentPosition() const { return *currentPos_; }
  const MoveListO &PathMoves() const { return path_; }
  std::uint16_t BranchDepth() const { return branchDepth_; }
  std::uint8_t MoveNumber() const { return currentPos_->MoveNumber(); }
  std::uint8_t SideToMove() const { return currentPos_->SideToMove(); }
  std::string MoveNumberText() const;
  // The move leading to the current node (empty at the root), child i's
  // move, or any node's move, as MoveRec::ToText writes it.
  std::string CurrentMoveText(int kind, LanguageId language) const;
  std::string ChildMoveText(int i, int kind, LanguageId language) const;
  std::string MoveText(const PosRec *node, int kind, LanguageId language) const;
  // Through the node index when it is on and covers the number, else by a
  // depth-first search (children from the last to the first). Null when no
  // node has the number.
  PosRec *FindNode(int number) const;
  // The node index: built on request, dropped by Init and by reading.
  void BuildNodeIndex();
  void DropNodeIndex();
  bool NodeIndexOn() const { return nodeIndexOn_; }

  // ---- editing
  // Adds a node for the move under the current node (see amInsert ..
  // amAboveNamed; children names the moved children for amAboveNamed) and
  // answers it. The move is completed in the current position; a move that
  // is not legal there (or would pass move 255) makes an illegal node.
  // Index and named children are checked before anything changes. The
  // children moved below a legal new move are replayed there as
  // ReplaceChildMove replays replies: what cannot be played goes with its
  // line (AddDropCount tells how many moves beforehand).
  PosRec *AddMove(const MoveRec &move, int mode, const KeyListO *children, int index);
  int AddDropCount(const MoveRec &move, int mode, const KeyListO *children, int index) const;
  // The number of moves EnterMove(move, mode, index) would drop.
  int EnterDropCount(const MoveRec &move, int mode, int index) const {
    return IndexOfChildMove(move) > 0 ? 0 : AddDropCount(move, mode, nullptr, index);
  }
  PosRec *AppendMove(const MoveRec &move) { return AddMove(move, amInsert, nullptr, ChildCount() + 1); }
  // Follows an equal child, else adds the move; then steps into the
  // selected child. False when that step was refused.
  bool EnterMove(const MoveRec &move, int mode, int index);
  // Steps back out of the node the last EnterMove reached and deletes it
  // again when that entry added it, with the children it moved back in
  // their places as they were. False when the current node is not the one
  // entered.
  bool UndoEnteredMove();
  bool ReplaceEnteredMove(const MoveRec &move);
  // Replaces continuation i by the move: the new node takes its place with
  // the old move's replies under it, in their order, replayed; a reply the
  // replay finds illegal, at any depth, is dropped with its line. An equal
  // continuation is followed instead, replacing nothing. Then steps into
  // the new node, recorded as the last entry, so UndoEnteredMove puts the
  // old move back exactly. A move that is not legal here raises
  // ERangeError and changes nothing.
  bool ReplaceChildMove(int i, const MoveRec &move);
  // The number of moves ReplaceChildMove(i, move) would drop.
  int ReplaceDropCount(int i, const MoveRec &move) const;
  // The number of moves ReplaceEnteredMove(move) would drop: a
  // replacement, or an entry above other children.
  int EnteredReplaceDropCount(const MoveRec &move) const;
  void DeleteChild(int i) { DeleteMove(i, 0); }
  // Mode 0: child i with its subtree. Otherwise child i's own children take
  // its place; what cannot be played there goes with its line (counted by
  // DeleteDropCount). The counts are recounted.
  void DeleteMove(int i, int mode);
  // The number of moves DeleteMove(i, mode) drops besides child i.
  int DeleteDropCount(int i, int mode) const;
  void SetChildKind(int i, std::uint8_t kind);
  void MakeMainLine();
  // Follows (rule 1) selected children or (rule 2) children of line kind 1
  // from the root while they are legal.
  void MainLineMoves();
  const MoveListO &MainLine() const { return mainLine_; }
  const PtrListO &MainLineNodes() const { return mainLineNodes_; }
  std::uint8_t MainLineRule() const { return mainLineRule_; }
  void SetMainLineRule(std::uint8_t rule);
  bool IsMainLineNode(const PosRec *node) const;
  bool OnMainLine() const { return IsMainLineNode(current_); }
  bool AtMainLineEnd() const;
  // Children whose move Equals the move: the first index (0 none), the
  // node (null), whether there is one.
  int IndexOfChildMove(const MoveRec &move) const;
  PosRec *FindChildMove(const MoveRec &move) const;
  bool HasChildMove(const MoveRec &move) const { return IndexOfChildMove(move) > 0; }
  bool ChildIndexOfMove(const MoveRec &move, int &index) const;
  bool VariationMode() const { return variationMode_ != 0; }
  void SetVariationMode(bool on) { variationMode_ = on ? 1 : 0; }

  // Comments are trimmed; setting one counts it, clearing one uncounts it.
  const std::string &Comment() const { return current_->Comment(); }
  void SetComment(const std::string &text) { SetCommentOf(current_, text); }
  void SetCommentOf(PosRec *node, const std::string &text);

  // The current node's NAGs (values 0..255; indexes 1..NagCount).
  int NagCount() const { return current_->nags.Count(); }
  int Nag(int i) const;
  void SetNag(int i, int value);
  void DeleteNag(int i);
  void AddNag(int value);
  // Removes every NAG equal to the value.
  void RemoveNag(int value);
  void ClearNags();
  bool HasNag(int value) const;
  // Removes every NAG of the value's group: the move assessments 1-6, 8, 22,
  // 23; the position assessments 11-19; any other NAG is a group alone.
  void RemoveNagGroup(int value);
  static int NagGroup(int value);

  // ---- counters and display state
  const PosRec *Root() const { return root_.get(); }
  PosRec *Root() { return root_.get(); }
  std::uint16_t NodeCounter() const { return nodeCounter_; }
  std::uint16_t VariationCounter() const { return variationCounter_; }
  std::uint16_t IllegalCount() const { return illegalCount_; }
  std::uint16_t CommentCount() const { return commentCount_; }
  bool LineKindMode() const { return lineKindMode_ != 0; }
  // All nodes (root included), for the display.
  const PtrListO &Nodes() const { return nodes_; }
  std::uint16_t Pin(int i) const;
  void SetPin(int i, std::uint16_t number);

 private:
  friend class PGNParserO;

  struct LastEntry {
    std::uint8_t found = 0;
    std::uint16_t index = 0;    // the index given to EnterMove
    std::uint8_t kind = 0;      // its mode
    std::uint16_t reached = 0;  // number of the node stepped into
    std::uint16_t added = 0;    // number of the node added, 0 when none
    // ReplaceChildMove: the move that was replaced, with everything below
    // it as it was, and what the replacement changed besides.
    bool replacing = false;
    std::unique_ptr<PosRec> replaced;
    std::uint16_t selectedBefore = 0;
    std::uint16_t pinsBefore[2] = {0, 0};
    // An entry above other children: those children as they were, held by
    // movedAway, and their indexes before.
    std::unique_ptr<PosRec> movedAway;
    std::vector<std::uint16_t> movedFrom;
  };

  PosRec *AddMove(const MoveRec &move, int mode, const KeyListO *children, int index, LastEntry *entry);
  // The children AddMove moves below the new move, checked.
  std::vector<PosRec *> MovedChildren(int mode, const KeyListO *children, int index) const;
  // The nodes leaving the tree and those coming in, in the lists and the
  // node index; pins to nodes that go are cleared.
  void SwapListedNodes(const std::vector<const PosRec *> &leaving, PosRec *coming);

  PosRec *NewNode(const MoveRec &move);
  // For the reader: appends a node for a move already completed and played
  // on a copy of the current position, and steps into it.
  PosRec *AppendReadMove(const MoveRec &move);
  void AfterAdd(PosRec *node);
  // Frees the subtree below and including the node (already detached).
  void FreeSubtree(std::unique_ptr<PosRec> node);
  // Replays the tree below the node from its position; illegal flags and
  // derived move fields follow the new positions.
  void Revalidate(PosRec *from);
  void Recount();
  void SelectAfterRemoval(PosRec *node, int removedAt, int inserted);
  // Copies the replies of the node as a position after a replacement plays
  // them: the replies that stay legal, completed there, with their lines;
  // the others are left out. Node numbers are kept.
  static void CopyReplayed(const PosRec &from, PosRec &to, PositionO &pos);
  // The moves of the node's lines that CopyReplayed would leave out.
  static int CountDropped(const PosRec &from, PositionO &pos);
  // The same for lines that begin with the nodes.
  static int CountDropped(const std::vector<const PosRec *> &lines, PositionO &pos);
  // The line's move played on pos (completed, kept in played) when it can
  // be played there; else the line's moves are added to dropped.
  static bool PlayOrCountDropped(const PosRec &line, PositionO &pos, MoveRec &played, int &dropped);
  // MakeMainLine as if the node were current.
  void MakeMainLineTo(PosRec *node);
  // Removes each line that Revalidate marked illegal at or below the nodes.
  void RemoveIllegalLines(const std::vector<PosRec *> &tops);
  // A child with the move among the current node's children, the one at
  // skip not counted.
  int IndexOfChildMoveExcept(const MoveRec &move, const PosRec *skip) const;
  // The position at a node (start plus the moves of its ancestors).
  void PositionAt(const PosRec *node, PositionO &pos) const;

  std::unique_ptr<PositionO> startPos_;
  std::unique_ptr<PosRec> root_;
  std::uint16_t nodeCounter_ = 0;
  std::uint16_t variationCounter_ = 0;
  std::uint16_t illegalCount_ = 0;
  std::uint8_t lineKindMode_ = 1;
  std::uint8_t modifiedFlags_ = 0;
  PosRec *current_ = nullptr;
  std::uint8_t mainLineRule_ = 1;
  MoveListO mainLine_;
  PtrListO mainLineNodes_;
  std::unique_ptr<PositionO> currentPos_;
  MoveListO path_;
  std::uint16_t branchDepth_ = 0;
  LastEntry lastEntry_;
  std::uint8_t variationMode_ = 0;
  std::uint16_t pins_[2] = {0, 0};
  std::uint16_t commentCount_ = 0;
  PtrListO nodes_;
  std::uint8_t nodeIndexOn_ = 0;
  NodeIndexO nodeIndex_;
  std::unique_ptr<GameInfoO> header_;
};

// True when the position can play the completed-or-not move: it is legal
// with exactly its promotion piece, and it does not pass move 255.
bool CanPlayMove(PositionO &pos, const MoveRec &move);

// The header side of the reader: reads a tag section into a fresh header
// and copies it into info; false (info unchanged) when it fails.
bool ReadHeader(GameInfoO &info, InputO &input);
bool ReadHeaderFromString(GameInfoO &info, const std::string &text);
