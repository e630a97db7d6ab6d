// The pool of freed blocks: blocks are reused, what it holds stays within
// its bound, and blocks may change threads; list cells come from it.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "foundation/Lists.h"
#include "foundation/NodePool.h"

TEST(NodePoolTest, FreedBlocksAreReusedAndTheRestGoBackToTheHeap) {
  NodePoolO pool(48, 3);
  std::vector<void *> blocks;
  for (int i = 0; i < 5; ++i) blocks.push_back(pool.Acquire());
  for (void *b : blocks) pool.Release(b);
  // Three held (the first three freed), the other two freed at once.
  EXPECT_EQ(pool.HeldCount(), 3u);
  std::set<void *> again;
  for (int i = 0; i < 3; ++i) again.insert(pool.Acquire());
  EXPECT_EQ(pool.HeldCount(), 0u);
  EXPECT_EQ(again, std::set<void *>(blocks.begin(), blocks.begin() + 3));
  void *fresh = pool.Acquire();  // from the heap
  EXPECT_EQ(again.count(fresh), 0u);
  for (void *b : again) pool.Release(b);
  pool.Release(fresh);
  pool.Release(nullptr);
  EXPECT_EQ(pool.HeldCount(), 3u);
}

TEST(NodePoolTest, ABlockFreedOnAnotherThreadJoinsThatThreadsPool) {
  NodePoolO mine(64, 4);
  void *block = mine.Acquire();
  std::thread([block] {
    NodePoolO theirs(64, 4);
    theirs.Release(block);
    EXPECT_EQ(theirs.HeldCount(), 1u);
    EXPECT_EQ(theirs.Acquire(), block);
    theirs.Release(block);
  }).join();  // their pool frees it when it ends
  EXPECT_EQ(mine.HeldCount(), 0u);
}

TEST(NodePoolTest, ListCellsFreedAreHeldUpToTheBound) {
  const NodePoolO *pool = ThreadNodePool<sizeof(ListNode), ListNode::kHeldCells>();
  if (!pool) GTEST_SKIP() << "cells come from the heap in this build";
  {
    PtrListO list;
    for (std::size_t i = 0; i < ListNode::kHeldCells + 100; ++i) list.Add(&list);
  }
  EXPECT_EQ(pool->HeldCount(), ListNode::kHeldCells);
  PtrListO again;
  int items[3];
  for (int &i : items) again.Add(&i);
  EXPECT_EQ(pool->HeldCount(), ListNode::kHeldCells - 4);  // the sentinel and three cells
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(again.Get(i), &items[i - 1]);
}

TEST(NodePoolTest, OneElementArraysComeFromThePoolAndLargerOnesFromTheHeap) {
  using Alloc = SinglePoolAllocator<long, 8>;
  const NodePoolO *pool = ThreadNodePool<sizeof(long), 8>();
  if (!pool) GTEST_SKIP() << "arrays come from the heap in this build";
  std::vector<long, Alloc> v;
  v.push_back(7);
  {
    std::vector<long, Alloc> other{1};  // its block held again when it goes
  }
  EXPECT_EQ(pool->HeldCount(), 1u);
  v.push_back(8);  // moves to a heap array of two; its one-element block is held
  EXPECT_EQ(pool->HeldCount(), 2u);
  v.pop_back();
  v.shrink_to_fit();
  EXPECT_EQ(pool->HeldCount(), 1u);
  EXPECT_EQ(v, (std::vector<long, Alloc>{7}));
}
