#pragma once
// The views the database's list windows page through: numbered slots of
// game lists and name lists. A slot stands for all games (or names) of the
// database and stores no rows, or holds a found set of rows, each a sort key
// with its game number or name id. Windows never read the stores; they ask
// the database for a slot's count, numbers and row texts.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chess/PGNTypes.h"
#include "database/IndexMan.h"
#include "foundation/Lists.h"
#include "platform/Errors.h"

class GameInfoO;

inline constexpr int kGameListSlots = 25;
inline constexpr int kNameListSlots = 10;
inline constexpr int kRowTextCount = 20;
using RowTextsT = std::array<std::string, kRowTextCount>;

// The rows of a found list: 1-based with 32-bit positions, so a list may
// hold every game of a database past 65535 games. Keys compare through the
// Windows-1252 fold; equal keys are all kept.
class ListRowsO {
 public:
  int32_t Count() const { return static_cast<int32_t>(rows_.size()); }
  // Row i's number or key; ERangeError outside 1..Count().
  int32_t Nr(int32_t i) const { return At(i).nr; }
  const std::string &Key(int32_t i) const { return At(i).key; }
  // The first row holding nr; 0 when none does.
  int32_t IndexOf(int32_t nr) const;

  bool Sorted() const { return sorted_; }
  // Appends; while sorting is on, inserts after the rows whose keys fold
  // equal to or below key.
  void Add(std::string key, int32_t nr);
  // Switching on orders every row in one sort.
  void SetSorted(bool on);
  // Recomputes every key; sorting is off afterwards.
  template <class KeyOf>
  void Rekey(KeyOf keyOf) {
    sorted_ = false;
    for (Row &r : rows_) r.key = keyOf(r.nr);
  }
  // Drops every row holding nr.
  void Remove(int32_t nr);
  // Empties the rows; sorting stays as it was.
  void Clear() {
    rows_.clear();
    rows_.shrink_to_fit();
  }
  // Empties the rows for a refill that may use their room again (a search
  // repeated into the same list), and gives back what the refill left
  // unused by more than half.
  void Empty() { rows_.clear(); }
  void Trim() {
    if (rows_.capacity() / 2 > rows_.size()) rows_.shrink_to_fit();
  }

 private:
  struct Row {
    std::string key;
    int32_t nr;
  };
  const Row &At(int32_t i) const;

  std::vector<Row> rows_;
  bool sorted_ = false;
};

// One slot: in use, all games (or names), sort kind, the columns, the rows
// and the texts of the row asked for last.
template <class Columns>
struct ListDataRec {
  bool inUse = false;
  bool all = false;
  uint8_t sortKind = ckNone;
  Columns columns;
  ListRowsO rows;
  RowTextsT rowTexts;

  void Take() {
    Release();
    inUse = true;
    columns.Init();
    columns.SetDefaultColumns();
  }
  void Release() {
    inUse = false;
    all = false;
    sortKind = ckNone;
    columns.Done();
    rows.Clear();
    rows.SetSorted(false);
    rowTexts = {};
  }
};

using GameListDataRec = ListDataRec<ListColumnsO>;
using PlayerListDataRec = ListDataRec<PlayerColumnsO>;
using EventSiteListDataRec = ListDataRec<EventSiteColumnsO>;
using AnnotatorListDataRec = ListDataRec<AnnotatorColumnsO>;

// Slots 1..N of one kind.
template <class Rec, int N>
class ListSlotsO {
 public:
  static constexpr int kCount = N;

  // The lowest free slot, taken; 0 when every slot is in use.
  int Take() {
    for (int s = 1; s <= N; ++s)
      if (!slots_[s - 1].inUse) {
        slots_[s - 1].Take();
        return s;
      }
    return 0;
  }
  // ERangeError for 0, a number past N or a free slot.
  Rec &Get(int s) {
    CheckSlot(s);
    return slots_[s - 1];
  }
  void Free(int s) { Get(s).Release(); }
  void ReleaseAll() {
    for (Rec &r : slots_) r.Release();
  }
  template <class F>
  void ForEachInUse(F f) {
    for (Rec &r : slots_)
      if (r.inUse) f(r);
  }

 private:
  void CheckSlot(int s) const {
    if (s < 1 || s > N) throw ERangeError("List slot out of range (" + std::to_string(s) + ")");
    if (!slots_[s - 1].inUse) throw ERangeError("List slot " + std::to_string(s) + " is not in use");
  }

  std::array<Rec, N> slots_;
};

// The sort key of a game row by the slot's sort kind. Kinds 0 and GameNr
// key the game number, padded to 10 digits, and read no tags (tags may be
// null then). NrOfMoves pads "QVNrOfMoves" to 3, Round to 5; the others take
// their tag's value as it stands. The Date key carries Event, Site and the
// round padded to 2 only with withEventSiteRound (a list sorted whole).
std::string GameSortKey(int kind, int32_t gameNr, const GameInfoO *tags, bool withEventSiteRound);
bool GameSortKeyReadsTags(int kind);
// The sort key of a name row: the name for the list's name kind, the id
// padded to 10 digits for kind 0 and the number kind, "?" for any other.
std::string NameSortKey(int kind, int nameKind, int nrKind, int32_t id, const std::string &name);

// ERangeError unless 1 <= i <= count.
void CheckListRow(int32_t i, int32_t count);
// ERangeError for a kind outside ColumnKind.
void CheckSortKind(int kind);
// The first kRowTextCount texts into the slot's row texts, the rest empty.
const RowTextsT &KeepRowTexts(const StrListO &texts, RowTextsT &out);
// The texts of a game row: the game's tags through the columns (empty
// texts when the tags could not be read).
const RowTextsT &GameRowTexts(const ListColumnsO &columns, const GameInfoO *tags, RowTextsT &out);

// The name-list slots of one name index. Info is the row record
// (PlayerInfoO and its twins) that turns {name, id} into row texts.
template <class Info, class ColumnsT>
class NameListsO {
 public:
  NameListsO(int nameKind, int nrKind) : nameKind_(nameKind), nrKind_(nrKind) {}

  void Bind(IndexManO *index) {
    index_ = index;
    nameOrder_ = {};
  }
  void ReleaseAll() {
    slots_.ReleaseAll();
    nameOrder_ = {};
  }

  int New(bool all) {
    const int s = slots_.Take();
    if (s != 0) slots_.Get(s).all = all;
    return s;
  }
  void Free(int s) { slots_.Free(s); }
  int32_t Count(int s) {
    Rec &l = slots_.Get(s);
    return l.all ? index_->Count() : l.rows.Count();
  }
  int32_t Item(int s, int32_t i) {
    Rec &l = slots_.Get(s);
    if (!l.all) return l.rows.Nr(i);
    CheckListRow(i, index_->Count());
    return l.sortKind == nameKind_ ? NameOrder().order[static_cast<size_t>(i - 1)] : i;
  }
  int32_t IndexOf(int s, int32_t id) {
    Rec &l = slots_.Get(s);
    if (!l.all) return l.rows.IndexOf(id);
    if (id < 1 || id > index_->Count()) return 0;
    return l.sortKind == nameKind_ ? NameOrder().position[static_cast<size_t>(id - 1)] : id;
  }
  const RowTextsT &RowTexts(int s, int32_t i) {
    const int32_t id = Item(s, i);
    Rec &l = slots_.Get(s);
    Info row;
    row.SetName(index_->GetText(static_cast<uint32_t>(id)));
    row.SetNr(id);
    return KeepRowTexts(row.RowTexts(l.columns), l.rowTexts);
  }
  ListColumnsO &Columns(int s) { return slots_.Get(s).columns; }
  void Changed(int s) { slots_.Get(s); }
  // A list for all names is read in name order through the index's sorted
  // file; by any other kind it keeps the ids' order.
  void SetSort(int s, int kind) {
    Rec &l = slots_.Get(s);
    CheckSortKind(kind);
    l.sortKind = static_cast<uint8_t>(kind);
    if (l.all) return;
    l.rows.Rekey([&](int32_t id) {
      const std::string name = kind == nameKind_ ? index_->GetText(static_cast<uint32_t>(id)) : std::string();
      return NameSortKey(kind, nameKind_, nrKind_, id, name);
    });
    l.rows.SetSorted(true);
  }

 private:
  using Rec = ListDataRec<ColumnsT>;

  // Every id once in name order: the sorted file's ids, then those it does
  // not cover (added since the last sort) in id order. A damaged sorted
  // file costs only its order: ids out of range or met twice are passed
  // over and come in id order.
  struct NameOrderRec {
    int32_t count = -1, sortedCount = -1;
    std::vector<int32_t> order, position;
  };
  const NameOrderRec &NameOrder() {
    const int32_t count = index_->Count(), sorted = index_->SortedCount();
    NameOrderRec &o = nameOrder_;
    if (o.count == count && o.sortedCount == sorted) return o;
    o.order.clear();
    o.order.reserve(static_cast<size_t>(count));
    o.position.assign(static_cast<size_t>(count), 0);
    const auto take = [&](int64_t id) {
      if (id < 1 || id > count || o.position[static_cast<size_t>(id - 1)] != 0) return;
      o.order.push_back(static_cast<int32_t>(id));
      o.position[static_cast<size_t>(id - 1)] = static_cast<int32_t>(o.order.size());
    };
    for (uint32_t id : index_->SortedIds()) take(id);
    for (int32_t id = 1; id <= count; ++id) take(id);
    o.count = count;
    o.sortedCount = sorted;
    return o;
  }

  ListSlotsO<Rec, kNameListSlots> slots_;
  IndexManO *index_ = nullptr;
  int nameKind_, nrKind_;
  NameOrderRec nameOrder_;
};
