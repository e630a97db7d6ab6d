#pragma once
// The opening-tree views and the key view of the database's list windows.
// A tree view holds an in-memory opening tree of the first games of a game
// list and one row per move of the tree's current node. The key view lists
// the children and then the games of the key tree's current node.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "chess/PGNTypes.h"
#include "database/DatabaseManLists.h"
#include "database/PDBMan.h"

class GameInfoO;
class KeyTreeO;
class PositionO;

// One tree view: the slot's fields (in use, the move sort kind, the move
// columns, one row per move with the move index as the row's number, the
// texts of the row asked for last) and its opening tree.
struct GameTreeDataRec : ListDataRec<MoveColumnsO> {
  PositionDatabaseO tree;
  int32_t games = 0;  // games the tree holds
  bool full = false;  // adding stopped because the arena was full

  void Take() {
    Release();
    ListDataRec::Take();
  }
  // The tree's arena is given back.
  void Release() {
    ListDataRec::Release();
    tree.Done();
    games = 0;
    full = false;
  }
};

// The ten tree views. A view number that is not in use, a row outside
// 1..count or a move index outside the node's moves raises ERangeError.
class TreeViewsO {
 public:
  static constexpr int kViews = 10;
  static constexpr int32_t kMaxGames = PositionDatabaseO::kMaxGames;

  // The game number of row i of the source list; game n's packed form into
  // the buffer (false when it cannot be read).
  using GameNrOfRow = std::function<int32_t(int32_t row)>;
  using ReadGame = std::function<bool(int32_t n, GameBuffer &buf)>;

  // The lowest free view over the first min(count, 2000) games of the
  // source; a game the tree refuses is skipped, and adding stops when the
  // tree is full. 0 when all ten are in use.
  int New(int32_t count, const GameNrOfRow &gameNrOf, const ReadGame &read);
  void Free(int v);
  void ReleaseAll() { views_.ReleaseAll(); }
  // Tests: the arena limit of the views made from now on (0: the full size).
  void SetArenaLimit(uint32_t bytes) { arenaLimit_ = bytes; }

  int32_t GameCount(int v);
  bool StoppedFull(int v);

  PositionDatabaseO &Tree(int v);
  // Plays move i of the node (not a row) and refreshes the rows.
  bool GoMove(int v, int i);
  bool GoBack(int v);
  void GoRoot(int v);
  // Games, White wins and Black wins of move i.
  void MoveStats(int v, int i, uint32_t &games, uint32_t &whiteWins, uint32_t &blackWins);
  // 0 (none) .. the node's move count.
  void SetSelectedMove(int v, int i);

  int32_t RowCount(int v);
  const RowTextsT &RowTexts(int v, int32_t row);
  // The move index of a row.
  int32_t RowMove(int v, int32_t row);
  // The row of a move index; 0 when absent.
  int32_t RowOfMove(int v, int32_t i);
  ListColumnsO &Columns(int v);
  void SetSort(int v, int kind);

 private:
  void Refresh(GameTreeDataRec &t);

  ListSlotsO<GameTreeDataRec, kViews> views_;
  uint32_t arenaLimit_ = 0;
  GameBuffer buf_;
};

// The key view's sort kind, columns, game rows and row texts.
using KeyListDataRec = ListDataRec<ListColumnsO>;

// The one key view, over the key tree's current node: its children's rows
// first, then its games' rows. It exists while the database has keys; any
// operation without it raises ERangeError before it touches anything.
// The game rows are read again when the current node or any games list of
// the tree has changed since they were read.
class KeyViewO {
 public:
  using ReadTags = std::function<std::unique_ptr<GameInfoO>(int32_t n)>;
  using IsDeleted = std::function<bool(int32_t n)>;

  KeyViewO() = default;
  KeyViewO(const KeyViewO &) = delete;
  KeyViewO &operator=(const KeyViewO &) = delete;

  void Init(KeyTreeO &tree, ReadTags tags, IsDeleted deleted);
  void Free();
  bool Exists() const { return tree_ != nullptr; }

  int32_t RowCount();
  const RowTextsT &RowText(int32_t row);
  bool RowIsDeletedGame(int32_t row);
  bool RowIsChild(int32_t row);
  // 0 for a child row.
  int32_t RowGameNr(int32_t row);
  // 0 when the key does not hold n.
  int32_t RowOfGame(int32_t n);
  ListColumnsO &Columns();
  void Changed() { Tree(); }
  void SetSort(int kind);
  // The game after / before n among the key's games; 0 at the ends and for
  // a game the key does not hold.
  int32_t NextGame(int32_t n);
  int32_t PrevGame(int32_t n);
  // The key's games in row order.
  template <class F>
  void ForEachGame(F f) {
    Fresh();
    for (int32_t i = 1; i <= data_.rows.Count(); ++i) f(data_.rows.Nr(i));
  }

  bool HasParent();
  bool GoParent();
  // Row must be a child row.
  bool GoChild(int32_t row);
  void GoNode(uint32_t node);
  int GetSiblingIndex();
  void SetSiblingIndex(int32_t row);
  bool UpdateSiblingIndexes();
  int ChildPositionCount(int32_t row);
  bool ChildGetPosition(int32_t row, int j, PositionO &board);
  uint32_t ChildGetPositionRecord(int32_t row, int j);

 private:
  KeyTreeO &Tree();
  // ERangeError unless row is a child row.
  int ChildOfRow(int32_t row);
  void Fresh();
  void Refresh();

  KeyTreeO *tree_ = nullptr;
  ReadTags tags_;
  IsDeleted deleted_;
  // In use while the view exists; the rows are the key's games.
  KeyListDataRec data_;
  uint32_t rowsNode_ = 0;
  uint64_t rowsChanges_ = 0;
  bool rowsRead_ = false;
};
