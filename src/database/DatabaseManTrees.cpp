#include "database/DatabaseManTrees.h"

#include <algorithm>
#include <vector>

#include "chess/InfoMan.h"
#include "database/DatabaseMan.h"
#include "database/KeyTreeMan.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"

// ---- Tree views ----

int TreeViewsO::New(int32_t count, const GameNrOfRow &gameNrOf, const ReadGame &read) {
  const int v = views_.Take();
  if (v == 0) return 0;
  GameTreeDataRec &t = views_.Get(v);
  try {
    ui::HourglassGuard hourglass;
    t.tree.SetArenaLimit(arenaLimit_ != 0 ? arenaLimit_ : PositionDatabaseO::kArenaBytes);
    t.tree.Clear();
    const int32_t last = std::min(count, kMaxGames);
    for (int32_t i = 1; i <= last; ++i) {
      const int32_t n = gameNrOf(i);
      if (!read(n, buf_)) continue;
      if (t.tree.AddGame(buf_, static_cast<uint32_t>(n))) {
        ++t.games;
      } else if (t.tree.Full()) {
        t.full = true;
        break;
      }
    }
    Refresh(t);
  } catch (...) {
    views_.Free(v);
    throw;
  }
  return v;
}

void TreeViewsO::Free(int v) { views_.Free(v); }
int32_t TreeViewsO::GameCount(int v) { return views_.Get(v).games; }
bool TreeViewsO::StoppedFull(int v) { return views_.Get(v).full; }
PositionDatabaseO &TreeViewsO::Tree(int v) { return views_.Get(v).tree; }
int32_t TreeViewsO::RowCount(int v) { return views_.Get(v).rows.Count(); }
int32_t TreeViewsO::RowMove(int v, int32_t row) { return views_.Get(v).rows.Nr(row); }
int32_t TreeViewsO::RowOfMove(int v, int32_t i) { return views_.Get(v).rows.IndexOf(i); }
ListColumnsO &TreeViewsO::Columns(int v) { return views_.Get(v).columns; }

// Rows by index for kind 0 and MoveNr; otherwise larger counts first, the
// tree's order among equal counts.
void TreeViewsO::Refresh(GameTreeDataRec &t) {
  ui::HourglassGuard hourglass;
  t.rows.Clear();
  t.rows.SetSorted(false);
  const int count = t.tree.MoveCount();
  for (int i = 1; i <= count; ++i) {
    std::string key;
    if (t.sortKind == ckNone || t.sortKind == ckMoveNr) {
      key = PadLeft(IntToStr(i), 6, '0');
    } else {
      const TreeMoveStats s = t.tree.MoveStats(i);
      const uint32_t n = t.sortKind == ckMoveWhiteCount ? s.whiteWins
                         : t.sortKind == ckMoveBlackCount ? s.blackWins
                                                          : s.games;
      // A tree holds at most 2000 games, so the key never goes negative.
      key = PadLeft(IntToStr(999999 - static_cast<int64_t>(n)), 6, '9');
    }
    t.rows.Add(std::move(key), i);
  }
  t.rows.SetSorted(true);
}

bool TreeViewsO::GoMove(int v, int i) {
  GameTreeDataRec &t = views_.Get(v);
  if (!t.tree.GoMove(i)) return false;
  Refresh(t);
  return true;
}

bool TreeViewsO::GoBack(int v) {
  GameTreeDataRec &t = views_.Get(v);
  if (!t.tree.GoBack()) return false;
  Refresh(t);
  return true;
}

void TreeViewsO::GoRoot(int v) {
  GameTreeDataRec &t = views_.Get(v);
  t.tree.GoRoot();
  Refresh(t);
}

void TreeViewsO::MoveStats(int v, int i, uint32_t &games, uint32_t &whiteWins, uint32_t &blackWins) {
  const TreeMoveStats s = views_.Get(v).tree.MoveStats(i);
  games = s.games;
  whiteWins = s.whiteWins;
  blackWins = s.blackWins;
}

void TreeViewsO::SetSelectedMove(int v, int i) {
  PositionDatabaseO &tree = views_.Get(v).tree;
  CheckRange(i, 0, tree.MoveCount(), "Tree move index out of range");
  tree.SetSelectedMove(i);
}

const RowTextsT &TreeViewsO::RowTexts(int v, int32_t row) {
  GameTreeDataRec &t = views_.Get(v);
  const int i = t.rows.Nr(row);
  const TreeMoveStats s = t.tree.MoveStats(i);
  MoveInfoO info;
  info.SetMove(MoveToSAN(t.tree.CurrentBoard(), t.tree.GetMove(i), false));
  info.SetMoveNr(row);
  info.SetTotalCount(RangeCast<int32_t>(s.games));
  info.SetWhiteCount(RangeCast<int32_t>(s.whiteWins));
  info.SetBlackCount(RangeCast<int32_t>(s.blackWins));
  return KeepRowTexts(info.RowTexts(t.columns), t.rowTexts);
}

void TreeViewsO::SetSort(int v, int kind) {
  GameTreeDataRec &t = views_.Get(v);
  CheckSortKind(kind);
  t.sortKind = static_cast<uint8_t>(kind);
  Refresh(t);
}

// ---- The key view ----

void KeyViewO::Init(KeyTreeO &tree, ReadTags tags, IsDeleted deleted) {
  Free();
  tree_ = &tree;
  tags_ = std::move(tags);
  deleted_ = std::move(deleted);
  data_.Take();
}

void KeyViewO::Free() {
  tree_ = nullptr;
  tags_ = nullptr;
  deleted_ = nullptr;
  data_.Release();
  rowsRead_ = false;
}

KeyTreeO &KeyViewO::Tree() {
  if (!tree_) throw ERangeError("The database has no keys");
  return *tree_;
}

void KeyViewO::Fresh() {
  KeyTreeO &tree = Tree();
  if (!rowsRead_ || rowsNode_ != tree.CurrentNode() || rowsChanges_ != tree.GameListChanges()) Refresh();
}

// Kind 0 keeps the key's order; any other appends every row and sorts once.
void KeyViewO::Refresh() {
  KeyTreeO &tree = Tree();
  ui::HourglassGuard hourglass;
  rowsRead_ = false;
  data_.rows.Clear();
  data_.rows.SetSorted(false);
  const int count = tree.GameCount();
  const bool readsTags = GameSortKeyReadsTags(data_.sortKind);
  for (int i = 1; i <= count; ++i) {
    const int32_t n = RangeCast<int32_t>(tree.GetGame(i));
    // A failed read (said once) ends the list: no game is 0.
    if (n == 0) break;
    std::unique_ptr<GameInfoO> tags;
    if (readsTags) tags = tags_(n);
    data_.rows.Add(GameSortKey(data_.sortKind, n, tags.get(), false), n);
  }
  if (data_.sortKind != ckNone) data_.rows.SetSorted(true);
  rowsNode_ = tree.CurrentNode();
  rowsChanges_ = tree.GameListChanges();
  rowsRead_ = true;
}

int32_t KeyViewO::RowCount() {
  Fresh();
  return tree_->ChildCount() + data_.rows.Count();
}

int KeyViewO::ChildOfRow(int32_t row) {
  CheckListRow(row, Tree().ChildCount());
  return static_cast<int>(row);
}

bool KeyViewO::RowIsChild(int32_t row) {
  CheckListRow(row, RowCount());
  return row <= tree_->ChildCount();
}

int32_t KeyViewO::RowGameNr(int32_t row) {
  if (RowIsChild(row)) return 0;
  return data_.rows.Nr(row - tree_->ChildCount());
}

bool KeyViewO::RowIsDeletedGame(int32_t row) {
  const int32_t n = RowGameNr(row);
  return n != 0 && deleted_(n);
}

const RowTextsT &KeyViewO::RowText(int32_t row) {
  if (RowIsChild(row)) {
    data_.rowTexts = {};
    data_.rowTexts[0] = tree_->GetChildName(row) + "  -  [" + IntToStr(tree_->ChildTotalGameCount(row)) + "]";
    return data_.rowTexts;
  }
  const std::unique_ptr<GameInfoO> tags = tags_(RowGameNr(row));
  return GameRowTexts(data_.columns, tags.get(), data_.rowTexts);
}

int32_t KeyViewO::RowOfGame(int32_t n) {
  Fresh();
  const int32_t i = data_.rows.IndexOf(n);
  return i == 0 ? 0 : tree_->ChildCount() + i;
}

ListColumnsO &KeyViewO::Columns() {
  Tree();
  return data_.columns;
}

void KeyViewO::SetSort(int kind) {
  Tree();
  CheckSortKind(kind);
  data_.sortKind = static_cast<uint8_t>(kind);
  Refresh();
}

int32_t KeyViewO::NextGame(int32_t n) {
  Fresh();
  const int32_t i = data_.rows.IndexOf(n);
  return i == 0 || i == data_.rows.Count() ? 0 : data_.rows.Nr(i + 1);
}

int32_t KeyViewO::PrevGame(int32_t n) {
  Fresh();
  const int32_t i = data_.rows.IndexOf(n);
  return i <= 1 ? 0 : data_.rows.Nr(i - 1);
}

bool KeyViewO::HasParent() { return Tree().HasParent(); }

bool KeyViewO::GoParent() {
  const bool moved = Tree().GoParent();
  Refresh();
  return moved;
}

bool KeyViewO::GoChild(int32_t row) {
  const bool moved = Tree().GoChild(ChildOfRow(row));
  Refresh();
  return moved;
}

void KeyViewO::GoNode(uint32_t node) {
  Tree().SetCurrentNode(node);
  Refresh();
}

int KeyViewO::GetSiblingIndex() { return Tree().GetSiblingIndex(); }

void KeyViewO::SetSiblingIndex(int32_t row) {
  KeyTreeO &tree = Tree();
  CheckRange<int32_t>(row, 0, 255, "Sibling index out of range");
  tree.SetSiblingIndex(static_cast<int>(row));
}

bool KeyViewO::UpdateSiblingIndexes() { return Tree().UpdateSiblingIndexes(); }

int KeyViewO::ChildPositionCount(int32_t row) { return Tree().ChildPositionCount(ChildOfRow(row)); }

bool KeyViewO::ChildGetPosition(int32_t row, int j, PositionO &board) {
  return Tree().ChildGetPosition(ChildOfRow(row), j, board);
}

uint32_t KeyViewO::ChildGetPositionRecord(int32_t row, int j) {
  return Tree().ChildGetPositionRecord(ChildOfRow(row), j);
}

// ---- DatabaseO ----

int DatabaseO::NewTreeView(int sourceList) {
  const int32_t count = GameListCount(sourceList);
  return treeViews_.New(
      count, [&](int32_t i) { return GameListGameNr(sourceList, i); },
      [&](int32_t n, GameBuffer &buf) { return GetGameBuffer(n, buf); });
}

void DatabaseO::InitKeyView() {
  keyView_.Init(
      keyTree_, [this](int32_t n) { return GameListTags(n); }, [this](int32_t n) { return GameIsDeleted(n); });
}

int DatabaseO::KeyGamesToList() {
  keyView_.Changed();
  const int s = NewGameList();
  if (s == 0) return 0;
  // A games list naming a game past the store's end (a damaged key set)
  // lists what exists.
  keyView_.ForEachGame([&](int32_t n) {
    if (n >= 1 && n <= GameCount()) AddGameToList(s, n);
  });
  return s;
}
