// Game-tree nodes on the pool of freed nodes: nodes built on reused blocks
// start empty, and many trees built and freed keep the pool bounded.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "GameTestUtil.h"
#include "chess/Games.h"
#include "foundation/NodePool.h"

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

// This thread's pool of game nodes; null where nodes come straight from the
// heap (under AddressSanitizer, so that it sees every node's lifetime).
const NodePoolO *NodePoolOfPosRec() { return ThreadNodePool<sizeof(PosRec), PosRec::kHeldNodes>(); }

}  // namespace

TEST(GameNodePoolTest, NodesOnReusedBlocksHoldNothingOfTheTreeBefore) {
  std::set<const PosRec *> before;
  {
    GameO g;
    Read(g,
         "{start} 1. e4 $1 {best} (1. d4 $2 d5 {long enough not to fit a short string} (1... Nf6)) 1... e5 "
         "2. Nf3 (2. f4 exf4 (2... d5)) 2... Nc6 $14 *");
    before = NodesOf(g);
  }
  GameO plain;
  Read(plain, "1. c4 c5 2. Nc3 Nc6 3. g3 g6 *");
  if (NodePoolOfPosRec()) {
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

TEST(GameNodePoolTest, ManyTreesBuiltAndFreedKeepThePoolBounded) {
  const NodePoolO *pool = NodePoolOfPosRec();
  if (!pool) GTEST_SKIP() << "nodes come from the heap in this build";
  GameO g;
  Read(g, "1. e4 *");
  const MoveRec e4 = g.Root()->Child(1)->move;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < 2 * PosRec::kHeldNodes; ++i) g.AppendMove(e4);
    g.Init();
    EXPECT_EQ(pool->HeldCount(), PosRec::kHeldNodes);
  }
}
