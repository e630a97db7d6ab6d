#include "database/KeyTreeMan.h"

#include <algorithm>
#include <initializer_list>

#include "chess/Games.h"
#include "foundation/MyUtils.h"
#include "platform/Bytes.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

// ---------------------------------------------------------------------------
// Opening and closing

bool KeyTreeO::Open(const std::string &keyName, uint32_t gameCount) {
  Close();
  damaged_ = false;
  readFailureShown_ = false;
  rebuilt_.clear();
  // An existing ".key" that is not whole node records is damage, never a
  // new set: nothing is opened, so nothing of it is touched.
  if (files::Exists(keyName)) {
    const int64_t size = files::FileSize(keyName);
    if (size <= 0 || size % KeyNodeRec::kSize != 0) {
      damaged_ = true;
      return false;
    }
  }
  pos_.ShareReadFailureFlag(&readFailureShown_);
  for (BucketStoreManO *store : std::initializer_list<BucketStoreManO *>{&nodes_, &kls_, &gls_})
    store->ShareReadFailureFlag(&readFailureShown_);
  const bool opened = pos_.Open(keyName) && nodes_.Open(keyName) &&
                      kls_.Open(files::ChangeFileExt(keyName, ".kls")) &&
                      gls_.Open(files::ChangeFileExt(keyName, ".gls")) &&
                      gki_.Open(files::ChangeFileExt(keyName, ".gki"));
  if (!opened) {
    CloseAll();
    return false;
  }
  open_ = true;
  current_ = kRoot;
  if (nodes_.Count() == 0) {
    // A new set (no ".key" before, or an empty one): the root, and the
    // first, empty list of ".gls".
    KeyNodeRec root;
    root.name = "root";
    if (nodes_.AppendNode(root) != kRoot || gls_.NewList() == 0) {
      CloseAll();
      return false;
    }
    return true;
  }
  // Everything is checked before anything is written: damaged keys are
  // left as they are.
  const PosStoreManO::Heads heads = pos_.CheckHeads();
  std::vector<uint32_t> owners;
  GameIndex gki = GameIndex::Sound;
  if (heads == PosStoreManO::Heads::Failed) {
    CloseAll();
    return false;
  }
  if (heads == PosStoreManO::Heads::Damaged || !CheckSet(gameCount, owners, gki)) {
    damaged_ = true;
    CloseAll();
    return false;
  }
  if (heads == PosStoreManO::Heads::Stale) {
    if (!pos_.RebuildHeads()) {
      CloseAll();
      return false;
    }
    rebuilt_.push_back(pos_.HeadsFileName());
  }
  if (gki != GameIndex::Sound) {
    // A failed write leaves the old file (or none): the next open tries again.
    if (!WriteGameIndex(owners)) {
      CloseAll();
      return false;
    }
    if (gki == GameIndex::Stale) rebuilt_.push_back(gki_.FileName());
  }
  return true;
}

namespace {

// The buckets of one list file, read whole, and which list owns each.
struct ListFile {
  std::vector<uint8_t> raw;
  uint32_t buckets = 0;
  std::vector<bool> owned;

  // Every bucket: count at most ten, next inside the file.
  bool Read(IntegerListStoreManO &store) {
    buckets = static_cast<uint32_t>(std::max(store.BucketStoreManO::Count(), 0));
    // BlockRead fills the whole file, a torn tail included.
    raw.assign(static_cast<size_t>(std::max<int64_t>(store.FileSize(), 0)), 0);
    if (raw.size() < size_t{buckets} * IntegerListStoreManO::kBucketSize) return false;
    if (!raw.empty() && !store.BlockRead(raw.data())) return false;
    owned.assign(size_t{buckets} + 1, false);
    IntegerListStoreManO::ListBucket b;
    for (uint32_t k = 1; k <= buckets; ++k)
      if (!Bucket(k, b) || b.next > buckets) return false;
    return true;
  }
  bool Bucket(uint32_t k, IntegerListStoreManO::ListBucket &b) const {
    return b.FromBytes(raw.data() + size_t{k - 1} * IntegerListStoreManO::kBucketSize);
  }
  // The values of the list from bucket first; false when the walk meets a
  // bucket some list already has (a loop, or two lists run together) or
  // value answers false.
  template <class F>
  bool Walk(uint32_t first, F value) {
    IntegerListStoreManO::ListBucket b;
    for (uint32_t k = first; k != 0; k = b.next) {
      if (k > buckets || owned[k] || !Bucket(k, b)) return false;
      owned[k] = true;
      for (uint32_t v = 0; v < b.count; ++v)
        if (!value(b.values[v])) return false;
    }
    return true;
  }
};

}  // namespace

// Every node's lists and parent inside the files' counts; each list's
// buckets sound, its own, and ending; children existing nodes under one
// parent each, positions existing records, games existing games under one
// key each. owners: each game's key by the games lists; gki says whether
// ".gki" agrees with them.
bool KeyTreeO::CheckSet(uint32_t gameCount, std::vector<uint32_t> &owners, GameIndex &gki) {
  const uint32_t count = NodeCount();
  const uint32_t positions = pos_.Count();
  ListFile kls, gls;
  if (!kls.Read(kls_) || !gls.Read(gls_)) return false;
  std::vector<uint8_t> raw(static_cast<size_t>(std::max<int64_t>(nodes_.FileSize(), 0)));
  if (raw.size() < size_t{count} * KeyNodeRec::kSize) return false;
  if (!nodes_.BlockRead(raw.data())) return false;
  std::vector<bool> isChild(size_t{count} + 1, false);
  isChild[kRoot] = true;  // the root is nobody's child
  // Every node but the root was made as a child: its parent never changes.
  std::vector<uint32_t> parent(size_t{count} + 1, 0);
  KeyNodeRec rec;
  for (uint32_t n = 1; n <= count; ++n) {
    rec.FromBytes(raw.data() + size_t{n - 1} * KeyNodeRec::kSize);
    parent[n] = rec.parent;
    if ((n == kRoot) != (parent[n] == 0) || parent[n] > count) return false;
  }
  // Sized once when the games are known (grown as met otherwise).
  owners.assign(gameCount != UINT32_MAX ? size_t{gameCount} + 1 : 0, 0);
  for (uint32_t n = 1; n <= count; ++n) {
    rec.FromBytes(raw.data() + size_t{n - 1} * KeyNodeRec::kSize);
    if (rec.positions > kls.buckets || rec.children > kls.buckets || rec.games > gls.buckets) return false;
    const auto position = [&](uint32_t r) { return r >= 1 && r <= positions; };
    const auto child = [&](uint32_t c) {
      if (c < 1 || c > count || isChild[c] || parent[c] != n) return false;
      isChild[c] = true;
      return true;
    };
    const auto game = [&](uint32_t g) {
      if (g < 1 || g > gameCount) return false;
      if (g >= owners.size()) owners.resize(size_t{g} + 1, 0);
      // A game under two keys: no index can say which is meant.
      if (owners[g] != 0 && owners[g] != n) return false;
      owners[g] = n;
      return true;
    };
    if (!kls.Walk(rec.positions, position) || !kls.Walk(rec.children, child) || !gls.Walk(rec.games, game))
      return false;
  }
  gki = GameIndex::Missing;
  if (!gki_.IsOpen()) return true;
  std::string bytes;
  if (!files::ReadAll(gki_.FileName(), bytes)) return false;
  gki = GameIndex::Stale;
  if (bytes.size() % 4 != 0 || bytes.size() / 4 > gameCount) return true;
  const size_t entries = bytes.size() / 4;
  for (size_t g = 1; g < std::max(entries + 1, owners.size()); ++g) {
    const uint32_t named =
        g <= entries ? le::GetU32(reinterpret_cast<const uint8_t *>(bytes.data()) + 4 * (g - 1)) : 0;
    if (named != (g < owners.size() ? owners[g] : 0)) return true;
  }
  gki = GameIndex::Sound;
  return true;
}

// ".gki" replaced whole by what the games lists say; a missing one stays
// missing while no game is keyed.
bool KeyTreeO::WriteGameIndex(const std::vector<uint32_t> &owners) {
  size_t last = owners.size();
  while (last > 1 && owners[last - 1] == 0) --last;
  const std::string name = gki_.FileName();
  if (last <= 1 && !gki_.IsOpen()) return true;
  std::string bytes(4 * (last > 0 ? last - 1 : 0), '\0');
  for (size_t g = 1; g < last; ++g)
    le::PutU32(reinterpret_cast<uint8_t *>(bytes.data()) + 4 * (g - 1), owners[g]);
  gki_.Close();
  int err = 0;
  const bool written = files::WriteAllAtomic(name, bytes, &err);
  if (!written) ui::ShowMessage(files::FailureText("IndexListStoreO.SetIndex failed", name, err));
  return gki_.Open(name) && written;
}

void KeyTreeO::CloseAll() {
  ++gameListChanges_;
  pos_.Close();
  nodes_.Close();
  kls_.Close();
  gls_.Close();
  gki_.Close();
  open_ = false;
  current_ = loaded_ = 0;
  dirty_ = false;
}

bool KeyTreeO::Close() {
  if (!open_) {
    CloseAll();
    return true;
  }
  bool ok = WriteBack();
  ok = kls_.FlushCurrent() && ok;
  if (gls_.CacheMode()) ok = gls_.DisableCache() && ok;
  ok = gls_.FlushCurrent() && ok;
  ok = pos_.Close() && ok;
  CloseAll();
  return ok;
}

bool KeyTreeO::WriteHeld() {
  if (!open_) return true;
  bool ok = WriteBack();
  ok = kls_.FlushCurrent() && ok;
  if (!gls_.CacheMode()) ok = gls_.FlushCurrent() && ok;
  return ok;
}

void KeyTreeO::CloseAndDelete() {
  dirty_ = false;
  pos_.CloseAndDelete();
  nodes_.CloseAndDelete();
  kls_.CloseAndDelete();
  gls_.CloseAndDelete();
  gki_.CloseAndDelete();
  CloseAll();
}

bool KeyTreeO::LoadIntoMemory() {
  if (!open_ || !pos_.LoadAll()) return false;
  if (!gls_.CacheMode()) gls_.EnableCache();
  return true;
}

bool KeyTreeO::UnloadFromMemory() {
  if (!open_) return false;
  bool ok = true;
  if (gls_.CacheMode()) ok = gls_.DisableCache();
  pos_.UnloadAll();
  return ok;
}

// ---------------------------------------------------------------------------
// The loaded node

bool KeyTreeO::Damaged(BucketStoreManO &file) {
  file.ReportReadFailure(0);
  return false;
}

uint32_t KeyTreeO::NodeCount() const { return open_ ? static_cast<uint32_t>(std::max(nodes_.Count(), 0)) : 0; }

void KeyTreeO::CheckNode(uint32_t n) const {
  if (!ValidNode(n)) throw ERangeError("Key node out of range");
}

bool KeyTreeO::WriteBack() {
  if (loaded_ == 0 || !dirty_) return true;
  if (!nodes_.WriteNode(loaded_, rec_)) return false;
  dirty_ = false;
  return true;
}

bool KeyTreeO::Load(uint32_t n) {
  if (!open_ || !ValidNode(n)) return false;
  if (n == loaded_) return true;
  // A node that could not be written stays loaded, so its changes are not
  // dropped; the load fails.
  if (!WriteBack()) return false;
  loaded_ = n;
  if (nodes_.ReadNode(n, rec_)) return true;
  loaded_ = 0;
  return false;
}

// ---------------------------------------------------------------------------
// The cursor

void KeyTreeO::GoRoot() {
  if (open_) current_ = kRoot;
}

bool KeyTreeO::GoParent() {
  if (!HasParent() || !Load(current_)) return false;
  const uint32_t p = Rec().parent;
  if (!ValidNode(p)) return false;
  current_ = p;
  return true;
}

bool KeyTreeO::GoChild(int i) {
  const uint32_t n = ChildNode(i);
  if (!ValidNode(n)) return false;
  current_ = n;
  return true;
}

void KeyTreeO::SetCurrentNode(uint32_t n) {
  CheckNode(n);
  current_ = n;
}

// ---------------------------------------------------------------------------
// Names, codes and lists

std::string KeyTreeO::TextOf(uint32_t node, std::string KeyNodeRec::*field) {
  return Load(node) ? Rec().*field : std::string();
}

bool KeyTreeO::SetText(uint32_t node, std::string KeyNodeRec::*field, const std::string &text, size_t max) {
  if (!Load(node)) return false;
  Rec().*field = text.substr(0, win1252::Utf8Cut(text, max));
  Dirty();
  return true;
}

std::string KeyTreeO::GetName() { return TextOf(current_, &KeyNodeRec::name); }

bool KeyTreeO::SetName(const std::string &text) {
  return SetText(current_, &KeyNodeRec::name, text, KeyNodeRec::kMaxName);
}

std::string KeyTreeO::GetCode() { return TextOf(current_, &KeyNodeRec::code); }

bool KeyTreeO::SetCode(const std::string &text) {
  return SetText(current_, &KeyNodeRec::code, text, KeyNodeRec::kMaxCode);
}

uint32_t KeyTreeO::TotalGameCount() { return Load(current_) ? Rec().total : 0; }

int KeyTreeO::CountOf(uint32_t node, uint32_t KeyNodeRec::*field, IntegerListStoreManO &store) {
  if (!Load(node)) return 0;
  const uint32_t list = Rec().*field;
  return list == 0 ? 0 : store.Count(list);
}

uint32_t KeyTreeO::ListOf(uint32_t node, uint32_t KeyNodeRec::*field, IntegerListStoreManO &store) {
  if (!Load(node)) return 0;
  if (Rec().*field == 0) {
    const uint32_t list = store.NewList();
    if (list == 0) return 0;
    Rec().*field = list;
    Dirty();
  }
  return Rec().*field;
}

int KeyTreeO::ChildCount() { return CountOf(current_, &KeyNodeRec::children, kls_); }

uint32_t KeyTreeO::ChildNode(int i) {
  CheckRange(i, 1, ChildCount(), "Key child out of range");
  return kls_.Get(Rec().children, i);
}

std::string KeyTreeO::GetChildName(int i) { return TextOf(ChildNode(i), &KeyNodeRec::name); }

bool KeyTreeO::SetChildName(int i, const std::string &text) {
  return SetText(ChildNode(i), &KeyNodeRec::name, text, KeyNodeRec::kMaxName);
}

std::string KeyTreeO::GetChildCode(int i) { return TextOf(ChildNode(i), &KeyNodeRec::code); }

bool KeyTreeO::SetChildCode(int i, const std::string &text) {
  return SetText(ChildNode(i), &KeyNodeRec::code, text, KeyNodeRec::kMaxCode);
}

uint32_t KeyTreeO::ChildTotalGameCount(int i) {
  const uint32_t n = ChildNode(i);
  return Load(n) ? Rec().total : 0;
}

int KeyTreeO::ChildPositionCount(int i) { return CountOf(ChildNode(i), &KeyNodeRec::positions, kls_); }

uint32_t KeyTreeO::PositionRecordOf(uint32_t node, int j) {
  CheckRange(j, 1, CountOf(node, &KeyNodeRec::positions, kls_), "Key position out of range");
  return kls_.Get(Rec().positions, j);
}

bool KeyTreeO::ChildGetPosition(int i, int j, PositionO &board) {
  return pos_.GetBoard(ChildGetPositionRecord(i, j), board);
}

uint32_t KeyTreeO::ChildGetPositionRecord(int i, int j) { return PositionRecordOf(ChildNode(i), j); }

int KeyTreeO::IndexOfChild(uint32_t n) {
  if (!Load(current_) || Rec().children == 0) return 0;
  return kls_.IndexOf(Rec().children, n);
}

int KeyTreeO::PositionCount() { return CountOf(current_, &KeyNodeRec::positions, kls_); }

uint32_t KeyTreeO::GetPositionRecord(int i) { return PositionRecordOf(current_, i); }

bool KeyTreeO::GetPosition(int i, PositionO &board) { return pos_.GetBoard(GetPositionRecord(i), board); }

std::string KeyTreeO::GetPositionName(int i) { return pos_.GetName(GetPositionRecord(i)); }

bool KeyTreeO::SetPositionName(int i, const std::string &text) {
  return pos_.SetName(GetPositionRecord(i), text);
}

int KeyTreeO::GameCount() { return CountOf(current_, &KeyNodeRec::games, gls_); }

uint32_t KeyTreeO::GetGame(int i) {
  CheckRange(i, 1, GameCount(), "Key game out of range");
  return gls_.Get(Rec().games, i);
}

// ---------------------------------------------------------------------------
// Adding

uint32_t KeyTreeO::AddChild() {
  if (!open_ || !WriteBack()) return 0;
  KeyNodeRec child;
  child.parent = current_;
  const uint32_t c = nodes_.AppendNode(child);
  if (c == 0) return 0;
  const uint32_t list = ListOf(current_, &KeyNodeRec::children, kls_);
  if (list == 0 || !kls_.Add(list, c)) return 0;
  return c;
}

bool KeyTreeO::AddPosition(const PositionO &board) {
  if (!open_) return false;
  CompactPosition cp;
  uint32_t r;
  if (!PosStoreManO::CompactOf(board, cp) || !pos_.Find(cp, r)) return false;
  if (r != 0) return true;  // another key (or this one) owns it
  r = pos_.FindOrAdd(cp);
  if (r == 0 || !pos_.SetValue(r, current_)) return false;
  const uint32_t list = ListOf(current_, &KeyNodeRec::positions, kls_);
  return list != 0 && kls_.Add(list, r);
}

bool KeyTreeO::AddGameTo(uint32_t node, uint32_t game) {
  ++gameListChanges_;
  const uint32_t list = ListOf(node, &KeyNodeRec::games, gls_);
  return list != 0 && gls_.Add(list, game);
}

bool KeyTreeO::RemoveGameFrom(uint32_t node, uint32_t game) {
  ++gameListChanges_;
  if (!Load(node)) return false;
  const uint32_t list = Rec().games;
  if (list == 0) return true;
  // A game missing from the list (a stale ".gki") has nothing to remove.
  const int i = gls_.IndexOf(list, game);
  return i == 0 || gls_.Delete(list, i);
}

bool KeyTreeO::AddGameToNode(uint32_t game) { return open_ && AddGameTo(current_, game); }

bool KeyTreeO::RemoveGameFromNode(int i) {
  CheckRange(i, 1, GameCount(), "Key game out of range");
  ++gameListChanges_;
  return gls_.Delete(Rec().games, i);
}

// ---------------------------------------------------------------------------
// Games and totals

uint32_t KeyTreeO::GetGameKey(uint32_t game) { return open_ ? gki_.GetIndex(game) : 0; }

bool KeyTreeO::SetGameKey(uint32_t node, uint32_t game, bool recount) {
  if (node != 0) CheckNode(node);
  if (game < 1) throw ERangeError("Game number out of range");
  if (!open_) return false;
  uint32_t old = gki_.GetIndex(game);
  if (old == node) return true;
  // A key beyond the nodes (a damaged ".gki") holds nothing to remove.
  if (!ValidNode(old)) old = 0;
  bool ok = true;
  if (old != 0) {
    ok = RemoveGameFrom(old, game);
    if (recount) ok = RecountUp(old) && ok;
  }
  const bool added = node != 0 && AddGameTo(node, game);
  if (node != 0 && !added) ok = false;
  if (!gki_.SetIndex(game, node)) {
    // While ".gki" is there it is what the next change reads, so no games
    // list may name the game under another key: it would end up in two.
    // Without the file the lists are what the next Open rebuilds it from.
    if (added && gki_.IsOpen()) RemoveGameFrom(node, game);
    ok = false;
  }
  if (node != 0 && recount) ok = RecountUp(node) && ok;
  return ok;
}

bool KeyTreeO::RecountUp(uint32_t node) {
  CheckNode(node);
  const uint32_t count = NodeCount();
  uint32_t n = node;
  for (uint32_t steps = 0; n != 0; ++steps) {
    if (!ValidNode(n) || steps >= count) return Damaged(nodes_);
    uint64_t total = static_cast<uint32_t>(CountOf(n, &KeyNodeRec::games, gls_));
    const int children = CountOf(n, &KeyNodeRec::children, kls_);
    const uint32_t childList = Rec().children;
    for (int i = 1; i <= children; ++i) {
      const uint32_t c = kls_.Get(childList, i);
      if (Load(c)) total += Rec().total;
    }
    if (!Load(n)) return false;
    Rec().total = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
    Dirty();
    n = Rec().parent;
  }
  return true;
}

bool KeyTreeO::Walk(std::vector<uint32_t> &order, std::vector<uint32_t> *depths, std::vector<uint32_t> *parents) {
  order.clear();
  if (depths) depths->clear();
  if (parents) parents->clear();
  const uint32_t count = NodeCount();
  if (count == 0) return false;
  std::vector<bool> seen(count + 1, false);
  struct Item {
    uint32_t node, depth, parent;
  };
  std::vector<Item> stack{{kRoot, 0, 0}};
  std::vector<uint32_t> kids;
  bool sound = true;
  while (!stack.empty()) {
    const Item it = stack.back();
    stack.pop_back();
    // A node met twice means a children list that loops back.
    if (seen[it.node]) return Damaged(kls_);
    seen[it.node] = true;
    order.push_back(it.node);
    if (depths) depths->push_back(it.depth);
    if (parents) parents->push_back(it.parent);
    const int n = CountOf(it.node, &KeyNodeRec::children, kls_);
    const uint32_t list = Rec().children;
    kids.clear();
    for (int i = 1; i <= n; ++i) kids.push_back(kls_.Get(list, i));
    for (auto k = kids.rbegin(); k != kids.rend(); ++k) {
      if (!ValidNode(*k)) {
        sound = false;  // a child past the file: the end of a damaged list
        continue;
      }
      stack.push_back({*k, it.depth + 1, it.node});
    }
  }
  return sound || Damaged(kls_);
}

bool KeyTreeO::RecountAll() {
  if (!open_) return false;
  std::vector<uint32_t> order, parents;
  if (!Walk(order, nullptr, &parents)) return false;
  std::vector<uint64_t> total(NodeCount() + 1, 0);
  for (uint32_t n : order) total[n] = static_cast<uint32_t>(CountOf(n, &KeyNodeRec::games, gls_));
  // Children come after their parent in the walk.
  for (size_t k = order.size(); k-- > 1;) total[parents[k]] += total[order[k]];
  bool ok = true;
  for (uint32_t n : order) {
    if (!Load(n)) {
      ok = false;
      continue;
    }
    Rec().total = static_cast<uint32_t>(std::min<uint64_t>(total[n], UINT32_MAX));
    Dirty();
  }
  return WriteBack() && ok;
}

// ---------------------------------------------------------------------------
// Sibling index

int KeyTreeO::GetSiblingIndex() { return Load(current_) ? Rec().siblingIndex : 0; }

void KeyTreeO::SetSiblingIndex(int v) {
  CheckRange(v, 0, 255, "Sibling index out of range");
  if (!Load(current_)) return;
  Rec().siblingIndex = static_cast<uint8_t>(v);
  Dirty();
}

bool KeyTreeO::UpdateSiblingIndexes() {
  if (!open_) return false;
  const uint32_t count = NodeCount();
  uint32_t n = current_;
  for (uint32_t steps = 0; n != kRoot; ++steps) {
    if (steps >= count) return Damaged(nodes_);
    if (!Load(n)) return false;
    const uint32_t p = Rec().parent;
    if (!ValidNode(p)) return Damaged(nodes_);
    if (!Load(p)) return false;
    const int i = Rec().children == 0 ? 0 : kls_.IndexOf(Rec().children, n);
    if (i >= 1 && i <= 255) {
      Rec().siblingIndex = static_cast<uint8_t>(i);
      Dirty();
    }
    n = p;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Classification

uint32_t KeyTreeO::NodeOfRecord(uint32_t record) {
  if (record == 0) return 0;
  // A damaged record may name a node the file does not hold.
  const uint32_t node = pos_.GetValue(record);
  return ValidNode(node) ? node : 0;
}

uint32_t KeyTreeO::KeyOfBoard(const PositionO &board) {
  return open_ ? NodeOfRecord(pos_.FindBoard(board)) : 0;
}

uint32_t KeyTreeO::ClassifyLine(GameO &game, bool fromEnd, int &ply) {
  ply = 0;
  PosRec *const saved = game.CurrentNode();
  if (fromEnd) {
    // The main line's end: children of line kind 1, not the selected ones.
    game.GoToStart();
    for (bool stepped = true; stepped;) {
      stepped = false;
      for (int i = 1; i <= game.ChildCount(); ++i)
        if (game.ChildOnMainLine(i)) {
          stepped = game.GoForward(i);
          break;
        }
    }
  }
  uint32_t node = 0;
  for (;;) {
    node = KeyOfBoard(game.CurrentPosition());
    if (node != 0) {
      ply = game.PathMoves().Count() + 1;
      break;
    }
    if (!game.GoBack()) break;
  }
  game.SetCurrentNode(saved);
  return node;
}

uint32_t KeyTreeO::ClassifyGame(const GameBuffer &buf, bool fromEnd, int &ply) {
  ply = 0;
  if (!open_ || !player_.Attach(buf)) return 0;
  if (fromEnd)
    while (player_.Forward(1)) {
    }
  for (;;) {
    const uint32_t node = NodeOfRecord(pos_.FindMailbox(player_.CurrentPosition()));
    if (node != 0) {
      ply = player_.PathLength() + 1;
      return node;
    }
    if (!player_.Back()) return 0;
  }
}

// ---------------------------------------------------------------------------
// The key text

namespace {

// A field between double quotes; a quote or a backslash inside is escaped,
// so that a name ending in a backslash reads back.
std::string Quoted(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

// The n-th quoted field: inside it \" reads as " and \\ as \; any other
// backslash stays, as hand-written texts have it.
std::string Field(const std::string &line, int n) {
  size_t i = 0;
  for (int k = 1;; ++k) {
    i = line.find('"', i);
    if (i == std::string::npos) return {};
    std::string f;
    for (++i;; ++i) {
      if (i >= line.size()) return {};
      const char c = line[i];
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        f += line[++i];
        continue;
      }
      if (c == '"') break;
      f += c;
    }
    ++i;
    if (k == n) return f;
  }
}

bool StartsWith(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

bool KeyTreeO::ExportText(const std::string &fileName) {
  if (!open_) return false;
  std::string text;
  const uint32_t saved = current_;
  // Each entry: a node whose block is open, and the next child to write.
  struct Item {
    uint32_t node;
    int nextChild;
  };
  std::vector<Item> stack{{kRoot, 1}};
  const uint32_t count = NodeCount();
  uint32_t written = 0;
  bool ok = true;
  while (ok && !stack.empty()) {
    Item &top = stack.back();
    current_ = top.node;
    const std::string indent(2 * (stack.size() - 1), ' ');
    if (top.nextChild > ChildCount()) {
      if (stack.size() > 1) text += indent.substr(2) + "]\r\n";
      stack.pop_back();
      continue;
    }
    const uint32_t child = ChildNode(top.nextChild++);
    // A children list that loops back would never end.
    if (!ValidNode(child) || ++written > count) {
      ok = Damaged(kls_);
      break;
    }
    current_ = child;
    text += indent + "[Name=" + Quoted(GetName()) + "\r\n";
    text += indent + " Code=" + Quoted(GetCode()) + "\r\n";
    for (int j = 1, n = PositionCount(); j <= n; ++j) {
      const uint32_t r = GetPositionRecord(j);
      if (!pos_.GetBoard(r, board_)) {
        ok = false;
        break;
      }
      text += indent + " Pos=(" + Quoted(board_.GetFEN()) + ", " + Quoted(pos_.GetName(r)) + ")\r\n";
    }
    stack.push_back({child, 1});
  }
  current_ = saved;
  return ok && files::WriteAllAtomic(fileName, text);
}

int KeyTreeO::ImportText(const std::string &fileName) {
  if (!open_) return -1;
  std::string text;
  if (!files::ReadAll(fileName, text)) return -1;
  const std::vector<std::string> lines = ini::SplitLines(text);
  text.clear();
  const size_t n = lines.size();
  const uint32_t saved = current_;
  // The parents of the levels being read, innermost last.
  std::vector<uint32_t> levels{current_};
  int skipped = 0;
  bool ok = true;
  size_t i = 0;
  while (ok && i < n) {
    const std::string line = ini::Trim(lines[i]);
    if (line.empty() || line[0] == ']') {
      // The level ends; its parent's block reads this line as its "]".
      levels.pop_back();
      if (levels.empty()) break;
      ++i;
      continue;
    }
    ++i;
    const std::string name = Field(line, 1);
    const std::string code = i < n ? Field(ini::Trim(lines[i++]), 1) : std::string();
    current_ = levels.back();
    const uint32_t child = AddChild();
    if (child == 0) {
      ok = false;
      break;
    }
    current_ = child;
    ok = SetName(name) && SetCode(code);
    std::string next;
    for (; ok && i < n && StartsWith(next = ini::Trim(lines[i]), "Pos"); ++i) {
      // A FEN the reader refuses leaves the board as it was: skip the line.
      if (!board_.SetFEN(Field(next, 1)) || !PosStoreManO::CanKey(board_)) {
        ++skipped;
        continue;
      }
      ok = AddPosition(board_);
      const std::string posName = Field(next, 2);
      const uint32_t r = pos_.FindBoard(board_);
      // Only a position this key owns is named.
      if (ok && !posName.empty() && r != 0 && pos_.GetValue(r) == child) ok = pos_.SetName(r, posName);
    }
    if (i >= n) break;
    if (next.empty() || next[0] != '[')
      ++i;  // normally the key's own "]"
    else
      levels.push_back(child);
  }
  current_ = saved;
  return ok ? skipped : -1;
}

int KeyTreeO::ImportTextFile(const std::string &keyName, const std::string &textFile) {
  KeyTreeO keys;
  if (!keys.Open(keyName)) return -1;
  const int skipped = keys.ImportText(textFile);
  return keys.Close() ? skipped : -1;
}

namespace {
const char *const kSetExts[] = {".key", ".pos", ".hsh", ".kls", ".gls", ".gki"};

// The program's "class" set, ".gki" aside (it can be rebuilt).
bool HasDefaultSet() {
  for (const char *ext : kSetExts)
    if (std::string(ext) != ".gki" && !files::FileExists(dirs::AppFile(std::string("class") + ext))) return false;
  return true;
}
}  // namespace

bool KeyTreeO::HasDefaults() { return HasDefaultSet() || files::FileExists(dirs::AppFile("class.txt")); }

bool KeyTreeO::CreateFromDefaults(const std::string &baseName) {
  const auto &kExts = kSetExts;
  for (const char *ext : kExts)
    if (files::Exists(baseName + ext)) return false;
  std::vector<std::string> made;
  auto undo = [&] {
    for (const std::string &f : made) files::Delete(f);
    return false;
  };
  if (HasDefaultSet()) {
    for (const char *ext : kExts) {
      const std::string from = dirs::AppFile(std::string("class") + ext);
      if (std::string(ext) == ".gki" && !files::FileExists(from)) continue;
      if (!files::Copy(from, baseName + ext)) {
        // Copy writes its target whole or not at all.
        return undo();
      }
      made.push_back(baseName + ext);
    }
    return true;
  }
  const std::string text = dirs::AppFile("class.txt");
  if (!files::FileExists(text)) return false;
  if (ImportTextFile(baseName + ".key", text) >= 0) return true;
  for (const char *ext : kExts)
    if (files::Exists(baseName + ext)) made.push_back(baseName + ext);
  return undo();
}
