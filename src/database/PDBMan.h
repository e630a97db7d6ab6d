#pragma once
// The in-memory opening tree: the positions and moves of a list of packed
// games, transpositions merged into one node, with per-move statistics of
// the games' main lines and the games that reach each position.
//
// All records live in one arena allocated at the first Clear and kept until
// Done. Its use is counted with the record sizes of the original layout
// (a head of 4 + 65536 * 4 bytes, then nodes of 59, moves of 32, games of
// 20, lines of 32 and disambiguation entries of 8 bytes) against a limit of
// 12,288,000 bytes; the records themselves are no larger than those sizes,
// so the one block always holds them. AddGame refuses a game whose worst
// case does not fit, and the tree keeps working with the games it has.
#include <cstdint>
#include <memory>
#include <vector>

#include "chess/Moves.h"
#include "chess/Posns.h"
#include "database/QZStream.h"
#include "database/QZUtils.h"

class StrListO;

struct TreeMoveStats {
  uint32_t games = 0;
  uint32_t blackWins = 0;
  uint32_t whiteWins = 0;
};

class PositionDatabaseO {
 public:
  static constexpr uint32_t kArenaBytes = 12288000;
  static constexpr uint32_t kHeadBytes = 4 + 65536 * 4;
  static constexpr uint32_t kNodeBytes = 59, kMoveBytes = 32, kGameBytes = 20, kLineBytes = 32,
                            kDisambBytes = 8;
  static constexpr int kMaxPath = 512;
  static constexpr int kMaxGames = 2000;

  // maxPath: the most moves GoMove lets the path hold (at most kMaxPath).
  explicit PositionDatabaseO(int maxPath = kMaxPath);
  ~PositionDatabaseO();
  PositionDatabaseO(const PositionDatabaseO &) = delete;
  PositionDatabaseO &operator=(const PositionDatabaseO &) = delete;

  // Init leaves the tree empty, without a node, until the first Clear.
  void Init();
  void Done();
  // An empty tree whose root, the initial position, is current.
  void Clear();
  // Counts the arena full at fewer bytes than kArenaBytes, so tests reach a
  // full tree with a few games. ERangeError outside kHeadBytes..kArenaBytes.
  void SetArenaLimit(uint32_t bytes);

  // Merges the game's lines into the tree, from the root and back to it.
  // False, with the tree as before, for a game with a start position or
  // eleven-byte moves, a damaged block, or one whose worst case does not
  // fit the arena (the tree is then Full).
  bool AddGame(const GameBuffer &buf, uint32_t gameNumber);
  // A game or a move was refused for lack of room since the last Clear.
  bool Full() const { return full_; }
  uint32_t BytesInUse() const { return used_; }
  uint32_t GameCount() const { return gameCount_; }

  const MailboxPos &CurrentBoard() const { return board_; }
  // The path's moves from the initial position, completed by the chess core.
  const MoveListO &PathMoves();
  int PathLength() const { return static_cast<int>(path_.size()); }

  // Moves of the current node, numbered 1.. in the order they were first
  // added. An index outside 1..MoveCount raises ERangeError.
  int MoveCount() const;
  Move2 GetMove(int i) const;
  bool HasMove(Move2 m) const { return IndexOfMove(m) != 0; }
  int IndexOfMove(Move2 m) const;
  TreeMoveStats MoveStats(int i) const;
  // Adds a legal move of the current position when absent. False when it
  // is not a legal move there or its node and record no longer fit.
  bool AddMove(Move2 m);
  // False, with nothing changed, when the path holds its limit or the move
  // cannot be made (Black's move at number 255).
  bool GoMove(int i);
  bool CanGoBack() const { return !path_.empty(); }
  bool GoBack();
  void GoRoot();

  // Collects the games whose main line passes the current node (or ends
  // there), at most kMaxGames, and answers their number.
  int GameListCount();
  // 1..the collected count, else ERangeError.
  uint32_t GameListItem(int i) const;

  bool HasSelectedMove() const;
  // The stored index when it is within the move count; else 0 without
  // moves, else the selection becomes 1.
  int SelectedMove();
  // 0..255, else ERangeError.
  void SetSelectedMove(int i);

  // The statistics lines, replacing the list's contents.
  void StatisticsText(StrListO &out) const;

 private:
  struct Node;
  struct MoveRecord;
  struct GameRecord;
  struct LineRecord;
  struct DisambEntry;
  struct PathStep {
    Move2 move;
    MoveUndo undo;
    uint32_t nodeLeft = 0;
  };
  class Counter;
  class Builder;

  template <class T>
  T &At(uint32_t ref) const {
    return *reinterpret_cast<T *>(arena_.get() + ref);
  }
  Node &Nd(uint32_t ref) const;
  MoveRecord &Mv(uint32_t ref) const;
  template <class T>
  uint32_t Take(uint32_t countedBytes);
  bool Fits(uint64_t countedBytes) const { return used_ + countedBytes <= limit_; }

  uint32_t FindOrAddNode(const MailboxPos &pos);
  // The record of move m at the current node, 0 when absent.
  uint32_t FindMove(Move2 m) const;
  // The move record of index i (checked) at the current node.
  uint32_t MoveAt(int i) const;
  // Adds m at the current node (known absent and legal); its record.
  uint32_t NewMove(Move2 m);
  void Play(uint32_t moveRef);
  void TakeBackTo(size_t depth);
  // 1-based first-added index of the move among its child's incoming moves.
  uint32_t IncomingIndex(uint32_t moveRef) const;
  bool Traces(uint32_t lineRef) const;

  int maxPath_;
  std::unique_ptr<uint8_t[]> arena_;
  std::unique_ptr<uint32_t[]> heads_;
  uint32_t cursor_ = 0;  // next free byte of the arena
  uint32_t used_ = 0;    // counted bytes in use, the head included
  uint32_t limit_ = kArenaBytes;
  uint32_t firstGame_ = 0, gameCount_ = 0, nodeCount_ = 0;
  uint32_t root_ = 0, current_ = 0;
  bool full_ = false;

  MailboxPos board_;
  std::vector<PathStep> path_;
  MoveListO pathMoves_;
  PositionO replay_;

  uint32_t stamp_ = 0;  // the visited mark of the running collection
  std::vector<uint32_t> stack_;
  std::vector<uint32_t> collected_;

  // Reused from game to game.
  QZGameManagerO man_;
  MoveGen gen_;
  PackedStreamWalker walker_{gen_};
  std::unique_ptr<Builder> builder_;
};
