#pragma once
// NodePoolO: a free list of blocks of one size. Freed blocks are kept for
// the next allocation instead of going back to the heap, up to a fixed
// number; beyond it they are freed at once, so what a pool holds is at most
// maxHeld * blockSize bytes. Every block is an allocation of its own from
// the global operator new, so a block may be freed into another pool than
// the one that handed it out (another thread's).
//
// PoolNew and PoolDelete serve a class's operator new and delete from the
// calling thread's pool for its size: structures built and freed node by
// node (game trees, list cells) then stop paying malloc and free per node.
// Under AddressSanitizer they go straight to the heap, so that it still
// sees every node's lifetime.
#include <cstddef>
#include <memory>
#include <new>

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

 private:
  struct Link {
    Link *next;
  };
  Link *head_ = nullptr;
  std::size_t held_ = 0;
  std::size_t blockSize_;
  std::size_t maxHeld_;
};

#if defined(__SANITIZE_ADDRESS__)
#define TV_POOL_NODES 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TV_POOL_NODES 0
#endif
#endif
#ifndef TV_POOL_NODES
#define TV_POOL_NODES 1
#endif

// The calling thread's pool for blocks of the size; null under
// AddressSanitizer, and once the thread's pool is gone at its exit (what is
// freed after that goes back to the heap).
template <std::size_t Size, std::size_t MaxHeld>
NodePoolO *ThreadNodePool() {
#if TV_POOL_NODES
  thread_local bool gone = false;
  struct Holder {
    NodePoolO pool{Size, MaxHeld};
    ~Holder() { gone = true; }
  };
  if (gone) return nullptr;
  thread_local Holder holder;
  return &holder.pool;
#else
  return nullptr;
#endif
}

template <class T, std::size_t MaxHeld>
void *PoolNew(std::size_t size) {
  if (size == sizeof(T))
    if (NodePoolO *pool = ThreadNodePool<sizeof(T), MaxHeld>()) return pool->Acquire();
  return ::operator new(size);
}

template <class T, std::size_t MaxHeld>
void PoolDelete(void *block, std::size_t size) noexcept {
  if (size == sizeof(T))
    if (NodePoolO *pool = ThreadNodePool<sizeof(T), MaxHeld>()) return pool->Release(block);
  ::operator delete(block);
}

// A std::allocator whose one-element arrays come from the thread's pool
// (at most MaxHeld held): a vector that mostly holds one element, as a
// game-tree node's children, then costs no malloc and free for it.
template <class T, std::size_t MaxHeld>
struct SinglePoolAllocator {
  using value_type = T;
  template <class U>
  struct rebind {
    using other = SinglePoolAllocator<U, MaxHeld>;
  };

  SinglePoolAllocator() = default;
  template <class U>
  SinglePoolAllocator(const SinglePoolAllocator<U, MaxHeld> &) noexcept {}

  T *allocate(std::size_t n) {
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    if (n == 1) return static_cast<T *>(PoolNew<T, MaxHeld>(sizeof(T)));
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T *p, std::size_t n) noexcept {
    if (n == 1)
      PoolDelete<T, MaxHeld>(p, sizeof(T));
    else
      std::allocator<T>().deallocate(p, n);
  }
  friend bool operator==(const SinglePoolAllocator &, const SinglePoolAllocator &) { return true; }
};
