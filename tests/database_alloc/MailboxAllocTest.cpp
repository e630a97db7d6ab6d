// Generation must not allocate: it runs for every replayed move of a stored
// game.
#include <gtest/gtest.h>

#include <memory>

#include "AllocCounter.h"
#include "database/MailboxTestUtil.h"
#include "database/QZUtils.h"

TEST(MailboxAlloc, GenerationAndRulesAllocateNothing) {
  MailboxPos start;
  start.SetStartPosition();
  MailboxPos kiwi = mbtest::Fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  auto gen = std::make_unique<MoveGen>();
  const long before = alloccount::Allocations();
  // A perft, index requests, reverse search and SAN information.
  const uint64_t nodes = mbtest::Perft(kiwi, *gen, 2);
  Move2 m;
  int index = 0;
  for (int i = 1; i <= 20; ++i) {
    start.MoveByIndex(*gen, i, m);
    start.MoveIndex(*gen, m, index);
  }
  kiwi.FindMovers(*gen, 4, 2, mbBishop);
  SanMoveRec rec;
  kiwi.SanInfo(*gen, Move2::Make(SquareNumber(5, 5), SquareNumber(6, 7)), rec);
  start.CheckState(*gen, 0);
  const long during = alloccount::Allocations() - before;
  EXPECT_EQ(nodes, 2039u);
  EXPECT_EQ(index, 20);
  EXPECT_EQ(during, 0);
  // The counter does count.
  auto probe = std::make_unique<int>(1);
  EXPECT_GT(alloccount::Allocations() - before, during);
}
