#include "database/DatabaseManLists.h"

#include <charconv>
#include <memory>

#include "chess/InfoMan.h"
#include "database/DatabaseMan.h"
#include "foundation/MyUtils.h"
#include "platform/Win1252.h"

namespace {

// Game numbers and ids are padded past any count a database reaches, so
// the text order of the keys is their number order.
constexpr int kNumberWidth = 10;

// PadLeft(IntToStr(n), kNumberWidth, '0') in one string: a search makes one per game found.
std::string NumberKey(int32_t n) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  const auto len = static_cast<size_t>(end - digits);
  constexpr auto kWidth = static_cast<size_t>(kNumberWidth);
  std::string key(len < kWidth ? kWidth - len : 0, '0');
  key.append(digits, len);
  return key;
}

bool KeyBefore(const std::string &a, const std::string &b) { return win1252::CompareText(a, b) < 0; }

}  // namespace

void CheckListRow(int32_t i, int32_t count) {
  if (i < 1 || i > count) throw ERangeError("List row out of range (" + IntToStr(i) + ")");
}

void CheckSortKind(int kind) {
  if (kind < 0 || kind >= ColumnKindCount) throw ERangeError("Sort kind out of range (" + IntToStr(kind) + ")");
}

const RowTextsT &KeepRowTexts(const StrListO &texts, RowTextsT &out) {
  for (int k = 0; k < kRowTextCount; ++k) out[static_cast<size_t>(k)] = k < texts.Count() ? texts.Get(k + 1) : std::string();
  return out;
}

const RowTextsT &GameRowTexts(const ListColumnsO &columns, const GameInfoO *tags, RowTextsT &out) {
  if (!tags) {
    out = {};
    return out;
  }
  std::vector<std::string> keys;
  for (int c = 1; c <= columns.Count(); ++c) keys.push_back(columns.ColumnKey(c));
  return KeepRowTexts(tags->InfoLine(keys, false), out);
}

// ---- ListRowsO ----

const ListRowsO::Row &ListRowsO::At(int32_t i) const {
  CheckListRow(i, Count());
  return rows_[static_cast<size_t>(i - 1)];
}

int32_t ListRowsO::IndexOf(int32_t nr) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].nr == nr) return static_cast<int32_t>(i + 1);
  return 0;
}

void ListRowsO::Add(std::string key, int32_t nr) {
  if (rows_.size() >= static_cast<size_t>(INT32_MAX)) throw ERangeError("List is full");
  if (!sorted_) {
    rows_.push_back({std::move(key), nr});
    return;
  }
  auto at = std::upper_bound(rows_.begin(), rows_.end(), key,
                             [](const std::string &k, const Row &r) { return KeyBefore(k, r.key); });
  rows_.insert(at, {std::move(key), nr});
}

void ListRowsO::SetSorted(bool on) {
  if (on && !sorted_)
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row &a, const Row &b) { return KeyBefore(a.key, b.key); });
  sorted_ = on;
}

void ListRowsO::Remove(int32_t nr) {
  std::erase_if(rows_, [nr](const Row &r) { return r.nr == nr; });
}

// ---- Sort keys ----

bool GameSortKeyReadsTags(int kind) { return kind != ckNone && kind != ckGameNr; }

std::string GameSortKey(int kind, int32_t gameNr, const GameInfoO *tags, bool withEventSiteRound) {
  if (!GameSortKeyReadsTags(kind)) return NumberKey(gameNr);
  auto tag = [tags](const std::string &name) { return tags ? tags->GetTag(name) : std::string(); };
  switch (kind) {
    case ckNrOfMoves:
      return PadLeft(tag(kTagNrOfMoves), 3, '0');
    case ckRound:
      return PadLeft(tag("Round"), 5, '0');
    case ckDate:
      if (withEventSiteRound) return tag("Date") + tag("Event") + tag("Site") + PadLeft(tag("Round"), 2, '0');
      return tag("Date");
    default: {
      const std::string name = ColumnTagName(kind);
      return name.empty() ? std::string() : tag(name);
    }
  }
}

std::string NameSortKey(int kind, int nameKind, int nrKind, int32_t id, const std::string &name) {
  if (kind == ckNone || kind == nrKind) return NumberKey(id);
  if (kind == nameKind) return name;
  return "?";
}

// ---- DatabaseO: game lists ----

int DatabaseO::NewGameList() { return gameLists_.Take(); }

int DatabaseO::NewAllGamesList() {
  const int s = NewGameList();
  if (s != 0) gameLists_.Get(s).all = true;
  return s;
}

void DatabaseO::FreeGameList(int s) { gameLists_.Free(s); }

void DatabaseO::ClearGameList(int s) {
  GameListDataRec &g = gameLists_.Get(s);
  g.rows.Clear();
  g.all = false;
}

int32_t DatabaseO::GameListCount(int s) {
  GameListDataRec &g = gameLists_.Get(s);
  return g.all ? GameCount() : g.rows.Count();
}

int32_t DatabaseO::GameListGameNr(int s, int32_t i) {
  GameListDataRec &g = gameLists_.Get(s);
  if (!g.all) return g.rows.Nr(i);
  CheckListRow(i, GameCount());
  return i;
}

int32_t DatabaseO::GameListIndexOf(int s, int32_t n) {
  GameListDataRec &g = gameLists_.Get(s);
  if (!g.all) return g.rows.IndexOf(n);
  return n >= 1 && n <= GameCount() ? n : 0;
}

bool DatabaseO::GameListIsDeleted(int s, int32_t i) { return GameIsDeleted(GameListGameNr(s, i)); }

std::unique_ptr<GameInfoO> DatabaseO::GameListTags(int32_t n) {
  std::unique_ptr<GameInfoO> tags = GetGameTags(n);
  GameDescriptor d;
  if (tags && !tags->HasTag("PlyCount") && !tags->HasTag(kTagNrOfMoves) && games_.ReadDescriptor(n, d))
    tags->SetTag(kTagNrOfMoves, std::to_string(d.moves));
  return tags;
}

const RowTextsT &DatabaseO::GameListRowTexts(int s, int32_t i) {
  const int32_t n = GameListGameNr(s, i);
  GameListDataRec &g = gameLists_.Get(s);
  const std::unique_ptr<GameInfoO> tags = GameListTags(n);
  return GameRowTexts(g.columns, tags.get(), g.rowTexts);
}

ListColumnsO &DatabaseO::GameListColumns(int s) { return gameLists_.Get(s).columns; }

void DatabaseO::GameListChanged(int s) { gameLists_.Get(s); }

void DatabaseO::SetGameListSort(int s, int kind) {
  GameListDataRec &g = gameLists_.Get(s);
  CheckSortKind(kind);
  g.sortKind = static_cast<uint8_t>(kind);
  SortGameList(g);
}

void DatabaseO::SortGameList(GameListDataRec &g) {
  if (g.all) return;
  const int kind = g.sortKind;
  g.rows.Rekey([&](int32_t n) {
    std::unique_ptr<GameInfoO> tags;
    if (GameSortKeyReadsTags(kind)) tags = GameListTags(n);
    return GameSortKey(kind, n, tags.get(), true);
  });
  g.rows.SetSorted(true);
}

int32_t DatabaseO::GameListNext(int s, int32_t n) {
  GameListDataRec &g = gameLists_.Get(s);
  if (g.all) return n >= 0 && n < GameCount() ? NextGameNr(n) : 0;
  const int32_t i = g.rows.IndexOf(n);
  return i == 0 || i == g.rows.Count() ? 0 : g.rows.Nr(i + 1);
}

int32_t DatabaseO::GameListPrev(int s, int32_t n) {
  GameListDataRec &g = gameLists_.Get(s);
  if (g.all) return n >= 2 && n <= GameCount() + 1 ? PrevGameNr(n) : 0;
  const int32_t i = g.rows.IndexOf(n);
  return i <= 1 ? 0 : g.rows.Nr(i - 1);
}

void DatabaseO::SortGameListByNumber(int s) { gameLists_.Get(s).rows.SetSorted(false); }

void DatabaseO::SortGameListByColumn(int s) {
  GameListDataRec &g = gameLists_.Get(s);
  if (g.sortKind != ckNone) g.rows.SetSorted(true);
}

void DatabaseO::AddGameToList(int s, int32_t n) {
  GameListDataRec &g = gameLists_.Get(s);
  if (n < 1 || n > GameCount()) throw ERangeError("Game number out of range (" + IntToStr(n) + ")");
  if (g.all) return;  // it holds every game already
  std::unique_ptr<GameInfoO> tags;
  if (GameSortKeyReadsTags(g.sortKind)) tags = GameListTags(n);
  g.rows.Add(GameSortKey(g.sortKind, n, tags.get(), false), n);
}

void DatabaseO::RemoveGameFromLists(int32_t n) {
  gameLists_.ForEachInUse([n](GameListDataRec &g) {
    if (!g.all) g.rows.Remove(n);
  });
}

void DatabaseO::ReleaseLists() {
  gameLists_.ReleaseAll();
  treeViews_.ReleaseAll();
  playerLists_.ReleaseAll();
  eventSiteLists_.ReleaseAll();
  annotatorLists_.ReleaseAll();
  playerLists_.Bind(&players_);
  eventSiteLists_.Bind(&eventSites_);
  annotatorLists_.Bind(&annotators_);
}
