#include "foundation/Lists.h"

#include <memory>

#include "platform/Errors.h"

// ---- LinkListO ----

LinkListO::LinkListO() {
  sentinel_ = new ListNode;
  sentinel_->Prev = sentinel_->Next = sentinel_;
  current_ = sentinel_;
}

LinkListO::~LinkListO() {
  RemoveAll();
  delete sentinel_;
}

LinkListO::LinkListO(LinkListO &&o) : LinkListO() { Swap(o); }

LinkListO &LinkListO::operator=(LinkListO &&o) noexcept {
  Swap(o);  // o's destructor frees what this held
  return *this;
}

void LinkListO::Swap(LinkListO &o) noexcept {
  std::swap(count_, o.count_);
  std::swap(sentinel_, o.sentinel_);
  std::swap(current_, o.current_);
  std::swap(currentIndex_, o.currentIndex_);
}

void LinkListO::RemoveAll() {
  ListNode *n = sentinel_->Next;
  while (n != sentinel_) {
    ListNode *next = n->Next;
    delete n;
    n = next;
  }
  sentinel_->Prev = sentinel_->Next = sentinel_;
  current_ = sentinel_;
  count_ = 0;
  currentIndex_ = 0;
}

bool LinkListO::Next() const {
  if (count_ == 0 || current_->Next == sentinel_) return false;
  current_ = current_->Next;
  if (currentIndex_ != 0) ++currentIndex_;
  ++steps_;
  return true;
}

bool LinkListO::Prev() const {
  if (count_ == 0 || current_->Prev == sentinel_) return false;
  current_ = current_->Prev;
  if (currentIndex_ != 0) --currentIndex_;
  ++steps_;
  return true;
}

bool LinkListO::First() const {
  if (count_ == 0) return false;
  current_ = sentinel_->Next;
  currentIndex_ = 1;
  ++steps_;
  return true;
}

bool LinkListO::Last() const {
  if (count_ == 0) return false;
  current_ = sentinel_->Prev;
  currentIndex_ = count_;
  ++steps_;
  return true;
}

std::uint16_t LinkListO::CurrentIndex() const {
  if (currentIndex_ == 0 && count_ != 0) {
    std::uint16_t n = 1;
    for (const ListNode *p = current_->Prev; p != sentinel_; p = p->Prev) ++n;
    currentIndex_ = n;
  }
  return currentIndex_;
}

void LinkListO::GoTo(std::uint16_t i) const {
  if (count_ == 0) return;
  const int n = count_;
  const int target = i;
  auto stepsPrev = [this](int k) {
    for (; k > 0; --k) Prev();
  };
  auto stepsNext = [this](int k) {
    for (; k > 0; --k) Next();
  };
  if (currentIndex_ == 0) {
    if (target >= n / 2) {
      Last();
      stepsPrev(n - target);
    } else {
      First();
      stepsNext(target - 1);
    }
    return;
  }
  const int ci = currentIndex_;
  if (target == ci) return;
  if (target == ci - 1) {
    Prev();
  } else if (target == ci + 1) {
    Next();
  } else if (target > ci) {
    const int half = (n - ci) / 2;
    if (target >= ci + half) {
      Last();
      stepsPrev(n - target);
    } else {
      stepsNext(target - ci);
    }
  } else if (target >= ci / 2) {
    stepsPrev(ci - target);
  } else {
    First();
    stepsNext(target - 1);
  }
}

bool LinkListO::SeekItem(std::uintptr_t item) const {
  if (!First()) return false;
  while (current_->Item != item)
    if (!Next()) return false;
  return true;
}

bool LinkListO::SeekKey(std::uint16_t key) const {
  if (!First()) return false;
  while (current_->Key != key)
    if (!Next()) return false;
  return true;
}

void LinkListO::InsertNode(std::uintptr_t item, bool after) {
  auto *node = new ListNode;
  node->Item = item;
  if (count_ == 0) {
    node->Prev = node->Next = sentinel_;
    sentinel_->Prev = sentinel_->Next = node;
    currentIndex_ = 1;
  } else if (after) {
    node->Prev = current_;
    node->Next = current_->Next;
    current_->Next->Prev = node;
    current_->Next = node;
    if (currentIndex_ != 0) ++currentIndex_;
  } else {
    // The new node takes over the cursor's index.
    node->Next = current_;
    node->Prev = current_->Prev;
    current_->Prev->Next = node;
    current_->Prev = node;
  }
  current_ = node;
  ++count_;
}

void LinkListO::DeleteCurrent() {
  if (count_ == 0) return;
  ListNode *node = current_;
  node->Prev->Next = node->Next;
  node->Next->Prev = node->Prev;
  --count_;
  if (node->Next != sentinel_) {
    current_ = node->Next;
  } else {
    current_ = node->Prev;
    if (currentIndex_ != 0) --currentIndex_;
  }
  delete node;
}

std::uint16_t LinkListO::CheckIndex(int i) {
  if (i < 1 || i > kMaxCount) throw ERangeError("List index out of bounds (" + std::to_string(i) + ")");
  return static_cast<std::uint16_t>(i);
}

void LinkListO::Position(int i) const {
  std::uint16_t idx = CheckIndex(i);
  if (count_ == 0)
    throw ERangeError("List index out of bounds (" + std::to_string(i) + "): the list is empty");
  GoTo(idx);
}

void LinkListO::CheckRoom() const {
  if (count_ >= kMaxCount) throw ERangeError("List capacity exceeded");
}

void LinkListO::InsertAt(int i, std::uintptr_t item) {
  std::uint16_t idx = CheckIndex(i);
  CheckRoom();
  if (idx <= count_) {
    GoTo(idx);
    InsertNode(item, false);
  } else {
    Last();
    InsertNode(item, true);
  }
}

// ---- PtrListO ----

namespace {
std::uintptr_t P2I(const void *p) { return reinterpret_cast<std::uintptr_t>(p); }
void *I2P(std::uintptr_t i) { return reinterpret_cast<void *>(i); }
// KeyedListO items are 32-bit values kept in the node's item word.
std::uintptr_t V2I(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::int32_t I2V(std::uintptr_t i) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(i)); }
std::uint16_t CheckKey(int key) {
  if (key < 0 || key > 65535) throw ERangeError("List key out of range (" + std::to_string(key) + ")");
  return static_cast<std::uint16_t>(key);
}
}  // namespace

void *PtrListO::Get(int i) const {
  Position(i);
  return I2P(CurrentItem());
}

void PtrListO::Insert(int i, void *item) { InsertAt(i, P2I(item)); }

void PtrListO::Add(void *item) {
  CheckRoom();
  InsertAt(Count() + 1, P2I(item));
}

void PtrListO::Delete(int i) {
  Position(i);
  DeleteCurrent();
}

void PtrListO::Put(int i, void *item) {
  Position(i);
  SetCurrentItem(P2I(item));
}

std::uint16_t PtrListO::IndexOf(const void *item) const { return SeekItem(P2I(item)) ? CurrentIndex() : 0; }

void PtrListO::Exchange(int i, int j) {
  void *a = Get(i);
  void *b = Get(j);
  Put(i, b);
  Put(j, a);
}

// ---- KeyedListO ----

KeyedListO &KeyedListO::operator=(KeyedListO &&o) noexcept {
  LinkListO::operator=(std::move(o));
  SwapCache(o);
  return *this;
}

void KeyedListO::SwapCache(KeyedListO &o) noexcept {
  std::swap(lastFoundIndex_, o.lastFoundIndex_);
  std::swap(lastFoundKey_, o.lastFoundKey_);
}

std::int32_t KeyedListO::GetItem(int i) const {
  Position(i);
  return I2V(CurrentItem());
}

std::uint16_t KeyedListO::GetKey(int i) const {
  Position(i);
  std::uint16_t key = CurrentKey();
  // The index reached, which is the last one for an index above the count.
  lastFoundIndex_ = CurrentIndex();
  lastFoundKey_ = key;
  return key;
}

void KeyedListO::Insert(int i, int key, std::int32_t item) {
  std::uint16_t k = CheckKey(key);
  InsertAt(i, V2I(item));
  SetCurrentKey(k);
  ClearCache();
}

void KeyedListO::Delete(int i) {
  Position(i);
  DeleteCurrent();
  ClearCache();
}

void KeyedListO::Put(int i, int key, std::int32_t item) {
  std::uint16_t k = CheckKey(key);
  Position(i);
  SetCurrentItem(V2I(item));
  SetCurrentKey(k);
  ClearCache();
}

void KeyedListO::Add(int key, std::int32_t item) {
  std::uint16_t k = CheckKey(key);
  CheckRoom();
  InsertAt(Count() + 1, V2I(item));
  SetCurrentKey(k);
  ClearCache();
}

std::uint16_t KeyedListO::IndexOfKey(int key) const {
  std::uint16_t k = CheckKey(key);
  if (lastFoundIndex_ != 0 && lastFoundKey_ != 0 && lastFoundKey_ == k) return lastFoundIndex_;
  std::uint16_t result = SeekKey(k) ? CurrentIndex() : 0;
  lastFoundIndex_ = result;
  lastFoundKey_ = k;
  return result;
}

void KeyedListO::Exchange(int i, int j) {
  std::int32_t itemI = GetItem(i);
  std::uint16_t keyI = GetKey(i);
  std::int32_t itemJ = GetItem(j);
  std::uint16_t keyJ = GetKey(j);
  Put(i, keyJ, itemJ);
  Put(j, keyI, itemI);
}

// ---- KeyListO ----

void KeyListO::Assign(const KeyListO &other) {
  if (&other == this) return;
  Clear();
  for (int i = 1; i <= other.Count(); ++i) Add(other.Get(i));
}

// ---- StrListO ----

StrListO &StrListO::operator=(StrListO &&o) noexcept {
  LinkListO::operator=(std::move(o));  // o now holds, and frees, the old cells
  return *this;
}

void StrListO::FreeCells() {
  if (First()) {
    do {
      delete static_cast<std::string *>(I2P(CurrentItem()));
      SetCurrentItem(0);
    } while (Next());
  }
}

void StrListO::Clear() {
  FreeCells();
  RemoveAll();
}

std::string StrListO::Get(int i) const {
  Position(i);
  return *static_cast<const std::string *>(I2P(CurrentItem()));
}

void StrListO::Insert(int i, const std::string &s) {
  CheckIndex(i);
  CheckRoom();
  auto cell = std::make_unique<std::string>(s);
  InsertAt(i, P2I(cell.get()));
  cell.release();
}

void StrListO::Add(const std::string &s) {
  CheckRoom();
  Insert(Count() + 1, s);
}

std::uint16_t StrListO::IndexOf(const std::string &s) const {
  for (int k = 1; k <= Count(); ++k)
    if (Get(k) == s) return static_cast<std::uint16_t>(k);
  return 0;
}
