// The pool of freed game-tree nodes: blocks are reused, what it holds stays
// within its bound, blocks may change threads, and nodes built on reused
// blocks start empty.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "GameTestUtil.h"
#include "chess/Games.h"
#include "chess/NodePool.h"

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

namespace {

void Read(GameO &g, const std::string &text) {
  ParseResultT r;
  ASSERT_TRUE(g.ReadFromString(text, LangEnglish, r)) << r.message;
}

std::set<const PosRec *> NodesOf(const GameO &g) {
  std::set<const PosRec *> s;
  for (int i = 1; i <= g.Nodes().Count(); ++i) s.insert(static_cast<const PosRec *>(g.Nodes().Get(i)));
  return s;
}

}  // namespace

TEST(NodePoolTest, NodesOnReusedBlocksHoldNothingOfTheTreeBefore) {
  std::set<const PosRec *> before;
  {
    GameO g;
    Read(g, "{start} 1. e4 $1 {best} (1. d4 $2 d5 {long enough not to fit a short string} (1... Nf6)) 1... e5 "
            "2. Nf3 (2. f4 exf4 (2... d5)) 2... Nc6 $14 *");
    before = NodesOf(g);
  }
  GameO plain;
  Read(plain, "1. c4 c5 2. Nc3 Nc6 3. g3 g6 *");
  if (PosRec::Pool()) {
    std::set<const PosRec *> reused;
    for (const PosRec *n : NodesOf(plain))
      if (before.count(n)) reused.insert(n);
    EXPECT_FALSE(reused.empty());
  }
  EXPECT_EQ(gametest::TreeText(plain), "c2c4 c7c5 b1c3 b8c6 g2g3 g7g6");
  for (const PosRec *n : NodesOf(plain)) {
    EXPECT_LE(n->ChildCount(), 1);
    EXPECT_EQ(n->nags.Count(), 0);
    EXPECT_TRUE(n->Comment().empty());
    EXPECT_EQ(n->textRuns, nullptr);
  }
  gametest::ExpectConsistent(plain);
}

TEST(NodePoolTest, ManyTreesBuiltAndFreedKeepThePoolBounded) {
  const NodePoolO *pool = PosRec::Pool();
  if (!pool) GTEST_SKIP() << "nodes come from the heap in this build";
  EXPECT_EQ(pool->BlockSize(), sizeof(PosRec));
  for (int round = 0; round < 3; ++round) {
    GameO g;
    for (int i = 0; i < 100; ++i) {
      Read(g, "1. e4 e5 2. Nf3 (2. f4) 2... Nc6 *");
      EXPECT_LE(pool->HeldCount(), PosRec::kHeldNodes);
    }
    MoveRec e4;
    PositionO pos;
    ASSERT_TRUE(pos.InterpretMove("e4", e4));
    pos.CompleteMove(e4);
    for (std::size_t i = 0; i < 2 * PosRec::kHeldNodes; ++i) g.AppendMove(e4);
    g.Init();
    EXPECT_EQ(pool->HeldCount(), PosRec::kHeldNodes);
  }
}
