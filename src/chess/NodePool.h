#pragma once
// NodePoolO: a free list of blocks of one size for one thread. Freed blocks
// are kept for the next allocation instead of going back to the heap, up to
// a fixed number; beyond it they are freed at once, so what a pool holds is
// at most maxHeld * blockSize bytes. Every block is an allocation of its own
// from the global operator new, so any thread may free a block another
// thread's pool handed out: it then simply joins that thread's list.
#include <cstddef>

class NodePoolO {
 public:
  NodePoolO(std::size_t blockSize, std::size_t maxHeld);
  ~NodePoolO();
  NodePoolO(const NodePoolO &) = delete;
  NodePoolO &operator=(const NodePoolO &) = delete;

  // A held block, else a new one; throws std::bad_alloc as new does.
  void *Acquire();
  // The block is held for reuse, or freed when the pool is full.
  void Release(void *block) noexcept;
  std::size_t HeldCount() const { return held_; }
  std::size_t MaxHeld() const { return maxHeld_; }
  std::size_t BlockSize() const { return blockSize_; }

 private:
  struct Link {
    Link *next;
  };
  Link *head_ = nullptr;
  std::size_t held_ = 0;
  std::size_t blockSize_;
  std::size_t maxHeld_;
};
