#pragma once
// 1-based lists with 16-bit indexes (at most 65535 items) on a doubly linked
// ring with a cursor. The cursor remembers where it stands and steps from
// the nearest known point, so walking a list in index order costs one step
// per call. An index above the count addresses the last item; Insert beyond
// the count appends. Index 0, an index above 65535 and any positional access
// on an empty list raise ERangeError, as does growing a full list; a
// refused call changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "foundation/NodePool.h"

struct ListNode {
  // Cells come from a pool of this thread's freed cells, which holds at
  // most kHeldCells (NodePool.h).
  static constexpr std::size_t kHeldCells = 16384;
  static void *operator new(std::size_t size) { return PoolNew<ListNode, kHeldCells>(size); }
  static void operator delete(void *cell, std::size_t size) noexcept {
    PoolDelete<ListNode, kHeldCells>(cell, size);
  }

  ListNode *Prev = nullptr;
  ListNode *Next = nullptr;
  std::uintptr_t Item = 0;  // a pointer or a plain value
  std::uint16_t Key = 0;    // 0 when the node was made without one
};

class LinkListO {
 public:
  static constexpr int kMaxCount = 65535;

  LinkListO();
  ~LinkListO();
  LinkListO(const LinkListO &) = delete;
  LinkListO &operator=(const LinkListO &) = delete;
  LinkListO(LinkListO &&o);
  LinkListO &operator=(LinkListO &&o) noexcept;

  std::uint16_t Count() const { return count_; }
  // Positions on node i (an i above the count gives the last node).
  void GoTo(std::uint16_t i) const;
  // First, then Next until the current node holds the item / key; true
  // when it does.
  bool SeekItem(std::uintptr_t item) const;
  bool SeekKey(std::uint16_t key) const;
  std::uintptr_t CurrentItem() const { return current_->Item; }
  std::uint16_t CurrentKey() const { return current_->Key; }
  void SetCurrentItem(std::uintptr_t item) { current_->Item = item; }
  void SetCurrentKey(std::uint16_t key) { current_->Key = key; }
  // A new node after or before the cursor, made current. The caller checks
  // the count first.
  void InsertNode(std::uintptr_t item, bool after);
  // Unlinks and frees the current node; nothing on an empty list.
  void DeleteCurrent();
  // Index of the current node, recounted when unset.
  std::uint16_t CurrentIndex() const;
  bool Next() const;
  bool Prev() const;
  bool First() const;
  bool Last() const;
  // Node moves the cursor made so far (First and Last count one each).
  std::uint64_t Steps() const { return steps_; }

 protected:
  // Raises ERangeError unless 1 <= i <= 65535.
  static std::uint16_t CheckIndex(int i);
  // Checks i, refuses an empty list, and positions on i.
  void Position(int i) const;
  // Raises ERangeError when the list cannot take another item.
  void CheckRoom() const;
  // Insert at i: before the node at i, or appended when i is above the count.
  void InsertAt(int i, std::uintptr_t item);
  void RemoveAll();
  void Swap(LinkListO &o) noexcept;

 private:
  std::uint16_t count_ = 0;
  ListNode *sentinel_ = nullptr;
  mutable ListNode *current_ = nullptr;
  mutable std::uint16_t currentIndex_ = 0;  // 0 = unset
  mutable std::uint64_t steps_ = 0;
};

// Pointers the list does not own.
class PtrListO : protected LinkListO {
 public:
  using LinkListO::Count;
  using LinkListO::CurrentIndex;
  using LinkListO::kMaxCount;
  using LinkListO::Steps;

  void Clear() { RemoveAll(); }
  void *Get(int i) const;
  void Insert(int i, void *item);
  void Delete(int i);
  void Put(int i, void *item);
  void Add(void *item);
  // 0 when no item is that pointer.
  std::uint16_t IndexOf(const void *item) const;
  void Exchange(int i, int j);
};

// The same with typed items.
template <class T>
class PtrListT : public PtrListO {
 public:
  T *Get(int i) const { return static_cast<T *>(PtrListO::Get(i)); }
};

// A 16-bit key and a 32-bit item per node, with a one-entry cache of the
// last key lookup (in force only while index and key are both nonzero).
class KeyedListO : protected LinkListO {
 public:
  using LinkListO::Count;
  using LinkListO::CurrentIndex;
  using LinkListO::kMaxCount;
  using LinkListO::Steps;

  KeyedListO() = default;
  KeyedListO(KeyedListO &&o) : LinkListO(std::move(o)) { SwapCache(o); }
  KeyedListO &operator=(KeyedListO &&o) noexcept;

  std::int32_t GetItem(int i) const;
  // Also fills the cache with the index reached and the key read.
  std::uint16_t GetKey(int i) const;
  void Insert(int i, int key, std::int32_t item);
  void Delete(int i);
  void Put(int i, int key, std::int32_t item);
  void Add(int key, std::int32_t item);
  // 0 when no node holds the key.
  std::uint16_t IndexOfKey(int key) const;
  void Exchange(int i, int j);

  std::uint16_t LastFoundIndex() const { return lastFoundIndex_; }
  std::uint16_t LastFoundKey() const { return lastFoundKey_; }

 protected:
  void ClearAll() {
    RemoveAll();
    ClearCache();
  }
  void ClearCache() const { lastFoundIndex_ = lastFoundKey_ = 0; }

 private:
  void SwapCache(KeyedListO &o) noexcept;
  mutable std::uint16_t lastFoundIndex_ = 0;
  mutable std::uint16_t lastFoundKey_ = 0;
};

// 16-bit keys only (items always 0).
class KeyListO : protected KeyedListO {
 public:
  using KeyedListO::Count;
  using KeyedListO::CurrentIndex;
  using KeyedListO::kMaxCount;
  using KeyedListO::LastFoundIndex;
  using KeyedListO::LastFoundKey;
  using KeyedListO::Steps;

  void Clear() { ClearAll(); }
  // Clear, then Add every key of the other list in order.
  void Assign(const KeyListO &other);
  std::uint16_t Get(int i) const { return GetKey(i); }
  void Insert(int i, int key) { KeyedListO::Insert(i, key, 0); }
  void Delete(int i) { KeyedListO::Delete(i); }
  void Put(int i, int key) { KeyedListO::Put(i, key, 0); }
  void Add(int key) { KeyedListO::Add(key, 0); }
  std::uint16_t IndexOf(int key) const { return IndexOfKey(key); }
  void Exchange(int i, int j) { KeyedListO::Exchange(i, j); }
};

// Strings, each an owned copy in a cell of its own.
class StrListO : protected LinkListO {
 public:
  using LinkListO::Count;
  using LinkListO::CurrentIndex;
  using LinkListO::kMaxCount;
  using LinkListO::Steps;

  StrListO() = default;
  ~StrListO() { FreeCells(); }
  StrListO(StrListO &&o) = default;
  StrListO &operator=(StrListO &&o) noexcept;

  void Clear();
  std::string Get(int i) const;
  void Insert(int i, const std::string &s);
  void Add(const std::string &s);
  // Exact, case-sensitive; 0 when absent.
  std::uint16_t IndexOf(const std::string &s) const;

 private:
  void FreeCells();
};
